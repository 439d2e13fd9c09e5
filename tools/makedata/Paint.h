// Shared painting helpers for the pictures: shaded spheres, vignettes, fonts.
#pragma once

#include "Canvas.h"
#include "Random.h"

#include <string>

// A ball of colour `base` lit from the upper left, with a specular spot;
// `gloss` scales the highlight.
struct SpherePaint {
    Vec2 c;
    float r;
    Color base;
    float gloss = 1.f;
    Color operator()(float x, float y) const
    {
        float nx = (x - c.x) / r, ny = (y - c.y) / r;
        float nz = std::sqrt(std::max(0.f, 1 - nx * nx - ny * ny));
        const float lx = -0.45f, ly = -0.55f, lz = 0.70f;
        float diff = std::max(0.f, nx * lx + ny * ly + nz * lz);
        // Reflection of the light about the normal, seen from the front.
        float rz = 2 * (nx * lx + ny * ly + nz * lz) * nz - lz;
        float spec = std::pow(std::max(0.f, rz), 40.f) * gloss;
        float rim = std::pow(1 - nz, 3.f) * 0.25f;
        float k = 0.28f + 0.85f * diff;
        return {clamp01(base.r * k + spec + rim * 0.5f), clamp01(base.g * k + spec + rim * 0.6f),
                clamp01(base.b * k + spec + rim), base.a};
    }
};

// Darkens the corners.
void vignette(Canvas& c, float strength);

// Font files, located by the build.
std::string fontPath(const char* file);
