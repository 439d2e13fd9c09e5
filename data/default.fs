#version 410 core

// One picture as it is.

in vec2 uv;
uniform sampler2D img;
out vec4 color;

void main()
{
    color = vec4(texture(img, uv).rgb, 1.0);
}
