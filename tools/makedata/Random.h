// Deterministic randomness for the generator: a seeded generator and value noise.
// Nothing here uses the standard library's distributions, whose output differs
// between library versions; the same seed gives the same numbers everywhere.
#pragma once

#include <cmath>
#include <cstdint>

class Rng {
public:
    explicit Rng(uint64_t seed) : state(seed) {}

    uint64_t next()
    {
        // splitmix64
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, 1).
    float uni() { return float(next() >> 40) * (1.0f / 16777216.0f); }
    float range(float lo, float hi) { return lo + (hi - lo) * uni(); }
    int below(int n) { return int(next() % uint64_t(n)); }

private:
    uint64_t state;
};

inline uint32_t hash2(int32_t x, int32_t y, uint32_t seed)
{
    uint32_t h = uint32_t(x) * 0x8DA6B343u ^ uint32_t(y) * 0xD8163841u ^ seed * 0xCB1AB31Fu;
    h ^= h >> 13;
    h *= 0x5BD1E995u;
    h ^= h >> 15;
    return h;
}

// Hash of a pixel to [0, 1).
inline float hashUnit(int32_t x, int32_t y, uint32_t seed)
{
    return float(hash2(x, y, seed) >> 8) * (1.0f / 16777216.0f);
}

// Smooth value noise in [0, 1).
inline float valueNoise(float x, float y, uint32_t seed)
{
    float fx = std::floor(x), fy = std::floor(y);
    int32_t ix = int32_t(fx), iy = int32_t(fy);
    float tx = x - fx, ty = y - fy;
    tx = tx * tx * (3 - 2 * tx);
    ty = ty * ty * (3 - 2 * ty);
    float a = hashUnit(ix, iy, seed), b = hashUnit(ix + 1, iy, seed);
    float c = hashUnit(ix, iy + 1, seed), d = hashUnit(ix + 1, iy + 1, seed);
    return (a + (b - a) * tx) + ((c + (d - c) * tx) - (a + (b - a) * tx)) * ty;
}

// Fractal sum of value noise in about [0, 1).
inline float fbm(float x, float y, int octaves, uint32_t seed)
{
    float sum = 0, amp = 0.5f, norm = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += amp * valueNoise(x, y, seed + uint32_t(i) * 101u);
        norm += amp;
        x *= 2.03f;
        y *= 2.03f;
        amp *= 0.5f;
    }
    return sum / norm;
}
