#include "Canvas.h"

#include "Random.h"

namespace {

float segmentDistance(Vec2 p, Vec2 a, Vec2 b)
{
    Vec2 pa = p - a, ba = b - a;
    float dd = dot(ba, ba);
    float h = dd > 0 ? clamp01(dot(pa, ba) / dd) : 0.f;
    return length(pa - ba * h);
}

Box pointBounds(const std::vector<Vec2>& pts, float pad)
{
    Box b{1e30f, 1e30f, -1e30f, -1e30f};
    for (Vec2 p : pts) {
        b.x0 = std::min(b.x0, p.x);
        b.y0 = std::min(b.y0, p.y);
        b.x1 = std::max(b.x1, p.x);
        b.y1 = std::max(b.y1, p.y);
    }
    return {b.x0 - pad, b.y0 - pad, b.x1 + pad, b.y1 + pad};
}

uint8_t toByte(float v, float dither)
{
    float s = v * 255.f + dither;
    s = s < 0 ? 0 : (s > 255 ? 255 : s);
    return uint8_t(s);
}

void boxBlurLine(Color* data, size_t count, size_t stride, int r, std::vector<Color>& tmp)
{
    tmp.resize(count);
    for (size_t i = 0; i < count; ++i)
        tmp[i] = data[i * stride];
    Color sum{0, 0, 0, 0};
    const int n = int(count);
    // Edges repeat the border pixel.
    auto get = [&](int i) { return tmp[size_t(std::clamp(i, 0, n - 1))]; };
    for (int i = -r; i <= r; ++i) {
        Color c = get(i);
        sum = {sum.r + c.r, sum.g + c.g, sum.b + c.b, sum.a + c.a};
    }
    const float k = 1.f / float(2 * r + 1);
    for (int i = 0; i < n; ++i) {
        data[size_t(i) * stride] = {sum.r * k, sum.g * k, sum.b * k, sum.a * k};
        Color in = get(i + r + 1), out = get(i - r);
        sum = {sum.r + in.r - out.r, sum.g + in.g - out.g, sum.b + in.b - out.b, sum.a + in.a - out.a};
    }
}

} // namespace

float Polygon::distance(float x, float y) const
{
    Vec2 p{x, y};
    float d = 1e30f;
    bool inside = false;
    const size_t n = pts.size();
    for (size_t i = 0, j = n - 1; i < n; j = i++) {
        Vec2 a = pts[j], b = pts[i];
        d = std::min(d, segmentDistance(p, a, b));
        if ((b.y > y) != (a.y > y) && x < (a.x - b.x) * (y - b.y) / (a.y - b.y) + b.x)
            inside = !inside;
    }
    return inside ? -d : d;
}

Box Polygon::bounds() const { return pointBounds(pts, 0); }

float Polyline::distance(float x, float y) const
{
    float d = 1e30f;
    for (size_t i = 1; i < pts.size(); ++i)
        d = std::min(d, segmentDistance({x, y}, pts[i - 1], pts[i]));
    return d - halfWidth;
}

Box Polyline::bounds() const { return pointBounds(pts, halfWidth); }

std::vector<Vec2> bezier(Vec2 p0, Vec2 p1, Vec2 p2, Vec2 p3, int steps)
{
    std::vector<Vec2> out;
    for (int i = 0; i <= steps; ++i) {
        float t = float(i) / float(steps), u = 1 - t;
        out.push_back(p0 * (u * u * u) + p1 * (3 * u * u * t) + p2 * (3 * u * t * t) + p3 * (t * t * t));
    }
    return out;
}

Polygon star(float cx, float cy, float outer, float inner, int n, float angle)
{
    Polygon p;
    for (int i = 0; i < 2 * n; ++i) {
        float a = angle + float(i) * 3.14159265f / float(n);
        float r = (i % 2) ? inner : outer;
        p.pts.push_back({cx + r * std::sin(a), cy - r * std::cos(a)});
    }
    return p;
}

Canvas::Canvas(int width, int height, Color background)
    : w(width), h(height),
      px(size_t(width) * size_t(height),
         Color{background.r * background.a, background.g * background.a, background.b * background.a, background.a})
{
}

void Canvas::glow(float cx, float cy, float radius, Color c, float strength)
{
    const float reach = radius * 3.f;
    int x0 = std::max(0, int(cx - reach)), x1 = std::min(w, int(cx + reach) + 1);
    int y0 = std::max(0, int(cy - reach)), y1 = std::min(h, int(cy + reach) + 1);
    const float inv = 1.f / (radius * radius);
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            float dx = float(x) + 0.5f - cx, dy = float(y) + 0.5f - cy;
            float k = strength * std::exp(-(dx * dx + dy * dy) * inv);
            if (k < 1e-4f)
                continue;
            Color& d = at(x, y);
            d.r += c.r * k;
            d.g += c.g * k;
            d.b += c.b * k;
        }
}

void Canvas::draw(const Canvas& src, int ox, int oy, float opacity)
{
    for (int y = 0; y < src.h; ++y) {
        int ty = y + oy;
        if (ty < 0 || ty >= h)
            continue;
        for (int x = 0; x < src.w; ++x) {
            int tx = x + ox;
            if (tx < 0 || tx >= w)
                continue;
            const Color& s = src.at(x, y);
            Color& d = at(tx, ty);
            float a = s.a * opacity;
            d.r = d.r * (1 - a) + s.r * opacity;
            d.g = d.g * (1 - a) + s.g * opacity;
            d.b = d.b * (1 - a) + s.b * opacity;
            d.a = d.a * (1 - a) + a;
        }
    }
}

void Canvas::blur(float radius)
{
    int r = std::max(1, int(radius * 0.58f + 0.5f));
    std::vector<Color> tmp;
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < h; ++y)
            boxBlurLine(&at(0, y), size_t(w), 1, r, tmp);
        for (int x = 0; x < w; ++x)
            boxBlurLine(&at(x, 0), size_t(h), size_t(w), r, tmp);
    }
}

std::vector<unsigned char> Canvas::rgb8() const
{
    std::vector<unsigned char> out(size_t(w) * size_t(h) * 3);
    size_t o = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const Color& c = at(x, y);
            float d = hashUnit(x, y, 77u);
            out[o++] = toByte(c.r, d);
            out[o++] = toByte(c.g, d);
            out[o++] = toByte(c.b, d);
        }
    return out;
}

std::vector<unsigned char> Canvas::rgba8() const
{
    std::vector<unsigned char> out(size_t(w) * size_t(h) * 4);
    size_t o = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const Color& c = at(x, y);
            float a = clamp01(c.a);
            float d = hashUnit(x, y, 78u);
            if (a < 1.f / 512.f) {
                out[o++] = 0;
                out[o++] = 0;
                out[o++] = 0;
                out[o++] = 0;
                continue;
            }
            out[o++] = toByte(c.r / a, d);
            out[o++] = toByte(c.g / a, d);
            out[o++] = toByte(c.b / a, d);
            out[o++] = toByte(a, 0.5f);
        }
    return out;
}

Color ramp(float t, std::initializer_list<std::pair<float, Color>> stops)
{
    const std::pair<float, Color>* prev = stops.begin();
    if (t <= prev->first)
        return prev->second;
    for (const auto* s = stops.begin() + 1; s != stops.end(); ++s) {
        if (t <= s->first)
            return mix(prev->second, s->second, (t - prev->first) / (s->first - prev->first));
        prev = s;
    }
    return prev->second;
}
