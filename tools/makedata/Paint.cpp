#include "Paint.h"

void vignette(Canvas& c, float strength)
{
    const float cx = float(c.width()) * 0.5f, cy = float(c.height()) * 0.5f;
    const float norm = 1.f / std::hypot(cx, cy);
    c.shade([&](float x, float y, Color& p) {
        float d = std::hypot(x - cx, y - cy) * norm;
        float k = 1 - strength * smooth(0.45f, 1.05f, d);
        p.r *= k;
        p.g *= k;
        p.b *= k;
    });
}

std::string fontPath(const char* file)
{
    return std::string(VORNAK_FONT_DIR) + "/" + file;
}
