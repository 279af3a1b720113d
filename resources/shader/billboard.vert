#version 330 core

// A camera-facing quad: the unit square's corners are laid out in view
// space around the node's position, so the quad always faces the camera and
// keeps its size in world units whatever the node's rotation or scale.
layout(location = 0) in vec2 corner;

layout(std140) uniform CameraInfo
{
    mat4 projectionMat;
    mat4 viewMat;
};

uniform mat4 modelMat;
uniform vec2 billboardSize;  // world units

out vec2 texCoord;

void main()
{
    vec4 centre = viewMat * modelMat * vec4(0.0, 0.0, 0.0, 1.0);
    centre.xy += corner * billboardSize;
    texCoord = corner + 0.5;
    gl_Position = projectionMat * centre;
}
