#version 330 core

// The star cube around the world. Its depth is pinned just in front of the
// far plane: the cube is drawn first, everything else lies in front of it,
// and its far corners are never cut off by the far plane even when the
// camera has moved away from the origin.
layout(location = 0) in vec3 position;
layout(location = 2) in vec3 texCoordIn;

layout(std140) uniform CameraInfo
{
    mat4 projectionMat;
    mat4 viewMat;
};

uniform mat4 modelMat;

out vec3 direction;
out vec3 cloudCoord;

void main()
{
    direction = position;
    cloudCoord = texCoordIn;
    vec4 clip = projectionMat * viewMat * modelMat * vec4(position, 1.0);
    gl_Position = vec4(clip.xy, clip.w * 0.99999, clip.w);
}
