#version 410 core
// The quad's corners at attribute 0 and texture coordinates at 1, as Sprite gives them.
layout(location = 0) in vec2 position;
layout(location = 1) in vec2 texcoord;
uniform mat4 pmatrix;
out vec2 uv;
void main()
{
    uv = texcoord;
    gl_Position = pmatrix * vec4(position, 0.0, 1.0);
}
