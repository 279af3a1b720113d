#version 330 core

// An overlay rectangle: modelMat already places the unit rectangle in
// normalised device coordinates, so there is no camera here.
layout(location = 0) in vec3 position;
layout(location = 1) in vec2 texCoordIn;

uniform mat4 modelMat;

out vec2 texCoord;

void main()
{
    texCoord = texCoordIn;
    gl_Position = modelMat * vec4(position, 1.0);
}
