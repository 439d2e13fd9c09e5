#version 410 core

// The light that falls through the window, drawn once into a texture: rays
// (the bright glass smeared towards the light source) and a soft halo around
// bright glass. Neither depends on "mixrate", so "data/religion.fs" only
// fades it in.

in vec2 uv;
uniform sampler2D img;
out vec4 color;

const vec3 LUMA = vec3(0.299, 0.587, 0.114);
const vec2 LIGHT = vec2(0.5, 0.78); // where the light comes from
const int RAY_TAPS = 12;

vec3 bright(vec2 p)
{
    vec3 c = texture(img, p).rgb;
    return c * smoothstep(0.45, 0.9, dot(c, LUMA));
}

void main()
{
    vec3 rays = vec3(0.0);
    vec2 step = (uv - LIGHT) / float(RAY_TAPS) * 0.6;
    vec2 p = uv;
    float weight = 1.0;
    for (int i = 0; i < RAY_TAPS; ++i) {
        p -= step;
        rays += bright(p) * weight;
        weight *= 0.88;
    }
    rays /= float(RAY_TAPS);

    vec2 o = vec2(0.004, 0.007);
    vec3 halo = (bright(uv + o) + bright(uv - o) + bright(uv + vec2(o.x, -o.y)) + bright(uv + vec2(-o.x, o.y))) * 0.25;

    color = vec4(rays * 1.1 + halo * 0.5, 1.0);
}
