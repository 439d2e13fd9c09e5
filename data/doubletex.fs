#version 410 core

// The title laid over the picture by the title's own alpha.

in vec2 uv;
uniform sampler2D img;
uniform sampler2D title;
out vec4 color;

void main()
{
    vec3 picture = texture(img, uv).rgb;
    vec4 text = texture(title, uv);
    color = vec4(mix(picture, text.rgb, text.a), 1.0);
}
