#version 410 core

// A clock-hand wipe around the screen centre, from "chrimg" to "easimg".
// "degree" (radians) runs from 0 up to its ceiling of 6.28 * 0.96; that
// ceiling is taken as the finished wipe, so the Easter picture ends up whole.
// The scene draws whatever lies well away from the hand as one picture alone,
// with "data/default.fs" (all of it once the wipe is finished): a change to
// the edge's width or glow must be matched in CircleTrans.cpp.

in vec2 uv;
uniform sampler2D chrimg;
uniform sampler2D easimg;
uniform float degree;
out vec4 color;

const float PI = 3.14159265;
const float CEILING = 6.0288;
const float EDGE = 0.12; // width of the soft edge, radians

void main()
{
    float k = clamp(degree / CEILING, 0.0, 1.0);

    // Angle clockwise from twelve o'clock, 0 .. 2 pi, on a 16:9 screen.
    vec2 d = (uv - 0.5) * vec2(16.0 / 9.0, 1.0);
    float a = atan(d.x, d.y);
    if (a < 0.0)
        a += 2.0 * PI;

    float hand = k * (2.0 * PI + EDGE);
    float keep = smoothstep(hand - EDGE, hand, a); // 1: still the first picture

    // A faint light along the hand while it moves.
    float moving = step(0.001, k) * step(k, 0.999);
    float x = (a - hand + 0.5 * EDGE) / (0.35 * EDGE);
    float glow = moving * exp(-x * x) * 0.35;

    // Away from the edge only one picture shows; sample just that one.
    vec3 c;
    if (keep <= 0.0)
        c = texture(easimg, uv).rgb;
    else if (keep >= 1.0)
        c = texture(chrimg, uv).rgb;
    else
        c = mix(texture(easimg, uv).rgb, texture(chrimg, uv).rgb, keep);
    color = vec4(c + vec3(1.0, 0.95, 0.8) * glow, 1.0);
}
