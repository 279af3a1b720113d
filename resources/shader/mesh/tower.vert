#version 330 core
// Towers: the model in its own frame (y up, base at y = 0), lit by the sun.

layout(location = 0) in vec3 position;
layout(location = 1) in vec3 normal;
layout(location = 2) in vec3 texCoord;
layout(location = 3) in vec4 tangent;

layout(std140) uniform CameraInfo {
    mat4 projection;
    mat4 view;
};

uniform mat4 modelMat;
uniform mat3 normalMat;
uniform mat4 depthBiasPVMat;

out vec3 viewNormal;
out vec3 viewPosition;
out vec2 uv;
out float modelHeight;
out vec4 shadowCoord;
out vec3 viewUp; // the tower's axis: the normal of the tile it stands on

void main()
{
    vec4 world = modelMat * vec4(position, 1.0);
    vec4 eye = view * world;
    viewPosition = eye.xyz;
    viewNormal = normalize(normalMat * normal);
    uv = texCoord.xy;
    modelHeight = position.y;
    shadowCoord = depthBiasPVMat * world;
    viewUp = normalize(normalMat * vec3(0.0, 1.0, 0.0));
    gl_Position = projection * eye;
}
