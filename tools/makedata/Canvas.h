// A small procedural painter: float RGBA pixels, shapes given by signed
// distance (negative inside, in pixels) so every edge is anti-aliased from its
// coverage, and paints that pick a colour per pixel (flat, gradients, patterns).
// Coordinates are pixels, y down, pixel centres at +0.5. It does no text (see Text.h)
// and no file output (see ImageIO.h).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

struct Color {
    float r = 0, g = 0, b = 0, a = 1;
};

inline Color rgb(float r, float g, float b, float a = 1) { return {r, g, b, a}; }
inline Color hex(uint32_t v, float a = 1)
{
    return {float((v >> 16) & 255) / 255.f, float((v >> 8) & 255) / 255.f, float(v & 255) / 255.f, a};
}
inline Color mix(Color p, Color q, float t)
{
    return {p.r + (q.r - p.r) * t, p.g + (q.g - p.g) * t, p.b + (q.b - p.b) * t, p.a + (q.a - p.a) * t};
}
inline Color scaled(Color c, float k) { return {c.r * k, c.g * k, c.b * k, c.a}; }
inline Color withAlpha(Color c, float a) { return {c.r, c.g, c.b, a}; }
inline float clamp01(float v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }
inline float smooth(float e0, float e1, float x)
{
    float t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}

struct Vec2 {
    float x = 0, y = 0;
};
inline Vec2 operator+(Vec2 a, Vec2 b) { return {a.x + b.x, a.y + b.y}; }
inline Vec2 operator-(Vec2 a, Vec2 b) { return {a.x - b.x, a.y - b.y}; }
inline Vec2 operator*(Vec2 a, float k) { return {a.x * k, a.y * k}; }
inline float dot(Vec2 a, Vec2 b) { return a.x * b.x + a.y * b.y; }
inline float length(Vec2 a) { return std::sqrt(dot(a, a)); }
inline Vec2 lerp(Vec2 a, Vec2 b, float t) { return a + (b - a) * t; }
inline Vec2 rotate(Vec2 p, float ang)
{
    float c = std::cos(ang), s = std::sin(ang);
    return {p.x * c - p.y * s, p.x * s + p.y * c};
}

struct Box {
    float x0, y0, x1, y1;
};

// ---- Shapes: distance(x, y) in pixels and a bounding box. ----

struct Circle {
    float cx, cy, r;
    float distance(float x, float y) const { return std::hypot(x - cx, y - cy) - r; }
    Box bounds() const { return {cx - r, cy - r, cx + r, cy + r}; }
};

struct Ellipse {
    float cx, cy, rx, ry, angle = 0;
    float distance(float x, float y) const
    {
        Vec2 p = rotate({x - cx, y - cy}, -angle);
        float k0 = std::hypot(p.x / rx, p.y / ry);
        float k1 = std::hypot(p.x / (rx * rx), p.y / (ry * ry));
        if (k1 < 1e-6f)
            return -std::min(rx, ry);
        return k0 * (k0 - 1) / k1;
    }
    Box bounds() const
    {
        float m = std::max(rx, ry);
        return {cx - m, cy - m, cx + m, cy + m};
    }
};

struct RoundRect {
    float cx, cy, hw, hh, radius = 0, angle = 0;
    float distance(float x, float y) const
    {
        Vec2 p = rotate({x - cx, y - cy}, -angle);
        float qx = std::fabs(p.x) - hw + radius, qy = std::fabs(p.y) - hh + radius;
        float ox = std::max(qx, 0.f), oy = std::max(qy, 0.f);
        return std::hypot(ox, oy) + std::min(std::max(qx, qy), 0.f) - radius;
    }
    Box bounds() const
    {
        float m = std::hypot(hw, hh);
        return {cx - m, cy - m, cx + m, cy + m};
    }
};

// A segment whose radius runs from r0 at a to r1 at b (a tapered stroke).
struct Capsule {
    Vec2 a, b;
    float r0, r1;
    float distance(float x, float y) const
    {
        Vec2 pa = Vec2{x, y} - a, ba = b - a;
        float dd = dot(ba, ba);
        float h = dd > 0 ? clamp01(dot(pa, ba) / dd) : 0.f;
        return length(pa - ba * h) - (r0 + (r1 - r0) * h);
    }
    Box bounds() const
    {
        float r = std::max(r0, r1);
        return {std::min(a.x, b.x) - r, std::min(a.y, b.y) - r, std::max(a.x, b.x) + r, std::max(a.y, b.y) + r};
    }
};

// A closed polygon, even-odd inside.
struct Polygon {
    std::vector<Vec2> pts;
    float distance(float x, float y) const;
    Box bounds() const;
};

// A stroked open polyline of constant half-width.
struct Polyline {
    std::vector<Vec2> pts;
    float halfWidth;
    float distance(float x, float y) const;
    Box bounds() const;
};

// Points along a cubic Bezier, for Polyline or Polygon outlines.
std::vector<Vec2> bezier(Vec2 p0, Vec2 p1, Vec2 p2, Vec2 p3, int steps);
// A regular star with n points.
Polygon star(float cx, float cy, float outer, float inner, int n, float angle);

// Any implicit function f (negative inside) over a box; the distance is
// estimated as f / |grad f|, which is enough for anti-aliased edges.
template <class F>
struct Implicit {
    F f;
    Box box;
    float distance(float x, float y) const
    {
        const float e = 0.5f;
        float v = f(x, y);
        float gx = (f(x + e, y) - f(x - e, y)) / (2 * e);
        float gy = (f(x, y + e) - f(x, y - e)) / (2 * e);
        float g = std::sqrt(gx * gx + gy * gy);
        return g > 1e-6f ? v / g : (v < 0 ? -1e3f : 1e3f);
    }
    Box bounds() const { return box; }
};
template <class F>
Implicit<F> implicit(Box box, F f) { return Implicit<F>{f, box}; }

template <class A, class B>
struct Intersection {
    A a;
    B b;
    float distance(float x, float y) const { return std::max(a.distance(x, y), b.distance(x, y)); }
    Box bounds() const
    {
        Box p = a.bounds(), q = b.bounds();
        return {std::max(p.x0, q.x0), std::max(p.y0, q.y0), std::min(p.x1, q.x1), std::min(p.y1, q.y1)};
    }
};
template <class A, class B>
Intersection<A, B> intersect(A a, B b) { return {a, b}; }

template <class A, class B>
struct Difference {
    A a;
    B b;
    float distance(float x, float y) const { return std::max(a.distance(x, y), -b.distance(x, y)); }
    Box bounds() const { return a.bounds(); }
};
template <class A, class B>
Difference<A, B> subtract(A a, B b) { return {a, b}; }

template <class A, class B>
struct Union {
    A a;
    B b;
    float distance(float x, float y) const { return std::min(a.distance(x, y), b.distance(x, y)); }
    Box bounds() const
    {
        Box p = a.bounds(), q = b.bounds();
        return {std::min(p.x0, q.x0), std::min(p.y0, q.y0), std::max(p.x1, q.x1), std::max(p.y1, q.y1)};
    }
};
template <class A, class B>
Union<A, B> unite(A a, B b) { return {a, b}; }

// ---- The canvas. ----

class Canvas {
public:
    Canvas(int width, int height, Color background);

    int width() const { return w; }
    int height() const { return h; }
    // Premultiplied colour of a pixel.
    Color& at(int x, int y) { return px[size_t(y) * size_t(w) + size_t(x)]; }
    const Color& at(int x, int y) const { return px[size_t(y) * size_t(w) + size_t(x)]; }

    // Paints a shape; `soft` widens the edge ramp (1 = crisp anti-aliasing).
    template <class Shape, class Paint>
    void fill(const Shape& shape, Paint paint, float soft = 1.f)
    {
        Box b = shape.bounds();
        int x0 = std::max(0, int(std::floor(b.x0 - soft - 1))), x1 = std::min(w, int(std::ceil(b.x1 + soft + 1)));
        int y0 = std::max(0, int(std::floor(b.y0 - soft - 1))), y1 = std::min(h, int(std::ceil(b.y1 + soft + 1)));
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                float fx = float(x) + 0.5f, fy = float(y) + 0.5f;
                float cov = clamp01(0.5f - shape.distance(fx, fy) / soft);
                if (cov <= 0)
                    continue;
                blend(x, y, paint(fx, fy), cov);
            }
    }
    template <class Shape>
    void fill(const Shape& shape, Color c, float soft = 1.f)
    {
        fill(shape, [c](float, float) { return c; }, soft);
    }

    // Applies f(x, y, straightColour&) to every pixel of the canvas.
    template <class F>
    void shade(F f)
    {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                Color& p = at(x, y);
                Color c = p.a > 0 ? Color{p.r / p.a, p.g / p.a, p.b / p.a, p.a} : Color{0, 0, 0, 0};
                f(float(x) + 0.5f, float(y) + 0.5f, c);
                p = {c.r * c.a, c.g * c.a, c.b * c.a, c.a};
            }
    }

    // Adds light: a soft gaussian spot of colour c.
    void glow(float cx, float cy, float radius, Color c, float strength);
    // Composites another canvas (premultiplied) at an offset, scaled by opacity.
    void draw(const Canvas& src, int ox, int oy, float opacity = 1.f);
    // Gaussian-like blur (three box passes) of the whole canvas.
    void blur(float radius);

    void blend(int x, int y, Color c, float cov)
    {
        Color& d = at(x, y);
        float a = c.a * cov;
        d.r = d.r * (1 - a) + c.r * a;
        d.g = d.g * (1 - a) + c.g * a;
        d.b = d.b * (1 - a) + c.b * a;
        d.a = d.a * (1 - a) + a;
    }

    // 8-bit output with a fixed dither so dark gradients do not band.
    std::vector<unsigned char> rgb8() const;
    std::vector<unsigned char> rgba8() const; // straight alpha

private:
    int w, h;
    std::vector<Color> px;
};

// Paints.
struct LinearGradient {
    Vec2 p0, p1;
    Color c0, c1;
    Color operator()(float x, float y) const
    {
        Vec2 d = p1 - p0;
        float t = clamp01(dot(Vec2{x, y} - p0, d) / dot(d, d));
        return mix(c0, c1, t);
    }
};

struct RadialGradient {
    Vec2 c;
    float r;
    Color inner, outer;
    Color operator()(float x, float y) const
    {
        return mix(inner, outer, clamp01(std::hypot(x - c.x, y - c.y) / r));
    }
};

// Multi-stop colour ramp over t in [0, 1].
Color ramp(float t, std::initializer_list<std::pair<float, Color>> stops);
