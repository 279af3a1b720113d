#version 330 core
// The planet's faces as numbers: each pixel the planet covers learns which
// face it shows (face index + 1; 0 is nothing), and the depth buffer learns
// the planet's depth exactly as the shaded drawing would write it.
layout(location = 0) in vec3 position;

layout(std140) uniform CameraInfo
{
    mat4 projectionMat;
    mat4 viewMat;
};

uniform mat4 modelMat;

flat out float faceNumber;

void main()
{
    // The same steps as the shaded drawing, so that the depth is the same.
    vec4 world = modelMat * vec4(position, 1.0);
    vec4 view = viewMat * world;
    // Every face has its own three vertices, stored one face after another.
    faceNumber = float(gl_VertexID / 3 + 1);
    gl_Position = projectionMat * view;
}
