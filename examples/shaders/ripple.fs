#version 410 core
// The picture seen through slow water rings spreading from its centre.
in vec2 uv;
uniform sampler2D picture;
uniform float time;
uniform vec2 aspect; // width / height, 1: rings stay round on a wide window
out vec4 colour;
void main()
{
    vec2 d = (uv - 0.5) * aspect;
    float r = length(d);
    float wave = sin(60.0 * r - 6.0 * time) * 0.012 / (1.0 + 6.0 * r);
    vec2 at = uv + (r > 0.0 ? d / r : vec2(0.0)) * wave;
    colour = vec4(texture(picture, at).rgb * (1.0 + 5.0 * wave), 1.0);
}
