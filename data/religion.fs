#version 410 core

// Light breaking through the window: at "mixrate" 0 the picture is dark and
// grey; towards 1 its colours come in and the light drawn once by
// "data/religion-light.fs" (rays from the top of the window, a halo around
// bright glass) fades in.

in vec2 uv;
uniform sampler2D img;
uniform sampler2D light;
uniform float mixrate;
out vec4 color;

const vec3 LUMA = vec3(0.299, 0.587, 0.114);

void main()
{
    float m = clamp(mixrate, 0.0, 1.0);
    vec3 c = texture(img, uv).rgb;
    float grey = dot(c, LUMA);

    vec3 base = mix(vec3(grey) * 0.3, c, smoothstep(0.0, 0.75, m));
    color = vec4(base + texture(light, uv).rgb * smoothstep(0.2, 1.0, m), 1.0);
}
