#version 330 core

// Depth of the shadow casters as the sun's orthographic camera sees them.
layout(location = 0) in vec3 position;

layout(std140) uniform CameraInfo
{
    mat4 projectionMat;
    mat4 viewMat;
};

uniform mat4 modelMat;

void main()
{
    gl_Position = projectionMat * viewMat * modelMat * vec4(position, 1.0);
}
