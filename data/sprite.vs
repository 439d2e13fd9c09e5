#version 410 core

// The full-screen quad, placed by "pmatrix" at the depth "zscore": the overlay
// (0.09) lies in front of the pictures (0.1) under the depth test.

layout(location = 0) in vec2 position;
layout(location = 1) in vec2 texcoord;

uniform mat4 pmatrix;
uniform float zscore;

out vec2 uv;

void main()
{
    vec4 p = pmatrix * vec4(position, 0.0, 1.0);
    gl_Position = vec4(p.xy, zscore * p.w, p.w);
    uv = texcoord;
}
