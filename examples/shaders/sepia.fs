#version 410 core
// The picture in warm browns, fading in from white over the first half second.
in vec2 uv;
uniform sampler2D picture;
uniform float time;
out vec4 colour;
void main()
{
    vec3 c = texture(picture, uv).rgb;
    float grey = dot(c, vec3(0.299, 0.587, 0.114));
    vec3 sepia = grey * vec3(1.07, 0.85, 0.62);
    colour = vec4(mix(vec3(1.0), sepia, clamp(time * 2.0, 0.0, 1.0)), 1.0);
}
