#version 410 core

// An old photo that takes its colours back: a reveal scene gives "mixrate",
// 0 at the scene's start and 1 at its end, so the effect runs with the scene.

in vec2 uv;
uniform sampler2D img;
uniform float mixrate;
out vec4 color;

void main()
{
    vec3 c = texture(img, uv).rgb;
    float grey = dot(c, vec3(0.299, 0.587, 0.114));
    vec3 sepia = grey * vec3(1.07, 0.86, 0.62);
    // A dark edge that fades with the sepia.
    float edge = 1.0 - 0.6 * length(uv - 0.5) * (1.0 - mixrate);
    color = vec4(mix(sepia, c, smoothstep(0.1, 0.9, mixrate)) * edge, 1.0);
}
