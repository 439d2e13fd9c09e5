#version 410 core

// Light breaking through the window: at "mixrate" 0 the picture is dark and
// grey; towards 1 its colours come in, its bright glass starts to glow and
// rays fall from the top of the window.

in vec2 uv;
uniform sampler2D img;
uniform float mixrate;
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
    float m = clamp(mixrate, 0.0, 1.0);
    vec3 c = texture(img, uv).rgb;
    float grey = dot(c, LUMA);

    vec3 base = mix(vec3(grey) * 0.3, c, smoothstep(0.0, 0.75, m));

    // Rays: the bright glass smeared towards the light source.
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

    // A soft halo around bright glass.
    vec2 o = vec2(0.004, 0.007);
    vec3 halo = (bright(uv + o) + bright(uv - o) + bright(uv + vec2(o.x, -o.y)) + bright(uv + vec2(-o.x, o.y))) * 0.25;

    float light = smoothstep(0.2, 1.0, m);
    color = vec4(base + (rays * 1.1 + halo * 0.5) * light, 1.0);
}
