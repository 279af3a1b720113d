#version 330 core
// Default shading for imported models whose material names no shaders.

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

out vec3 viewNormal;
out vec3 viewPosition;
out vec2 uv;

void main()
{
    vec4 eye = view * modelMat * vec4(position, 1.0);
    viewPosition = eye.xyz;
    viewNormal = normalize(normalMat * normal);
    uv = texCoord.xy;
    gl_Position = projection * eye;
}
