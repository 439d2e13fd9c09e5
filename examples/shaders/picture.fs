#version 410 core
in vec2 uv;
uniform sampler2D picture;
out vec4 colour;
void main()
{
    colour = vec4(texture(picture, uv).rgb, 1.0);
}
