#version 330 core

// An overlay rectangle that shows one cell of the statistics atlas: the
// rectangle's texture coordinates (0 to 1) are squeezed into the cell whose
// lower-left corner is "pos" and whose extent is "size", both in atlas
// texture coordinates with v growing upwards.
layout(location = 0) in vec3 position;
layout(location = 1) in vec2 texCoordIn;

uniform mat4 modelMat;
uniform vec2 pos;
uniform vec2 size;

out vec2 texCoord;

void main()
{
    texCoord = pos + texCoordIn * size;
    gl_Position = modelMat * vec4(position, 1.0);
}
