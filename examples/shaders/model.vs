#version 410 core
// The model's attributes: position at 0, normal at 1, texture coordinate at 2.
layout(location = 0) in vec3 position;
layout(location = 1) in vec3 normal;
layout(location = 2) in vec2 texcoord;
uniform mat4 model;      // object to world: centring, scale, turn
uniform mat4 viewProjection;
out vec3 worldPosition;
out vec3 worldNormal;
out vec2 uv;
void main()
{
    vec4 world = model * vec4(position, 1.0);
    worldPosition = world.xyz;
    // The model matrix scales uniformly, so it turns normals as it turns points.
    worldNormal = mat3(model) * normal;
    uv = texcoord;
    gl_Position = viewProjection * world;
}
