#version 330 core

// Shared by the overlay rectangles and the textured billboards (the planet
// halo, the status signs): the picture as it is, alpha included, so the
// caller's blend function decides how it is laid over the frame.
in vec2 texCoord;

uniform sampler2D texture0;

out vec4 fragColour;

void main()
{
    fragColour = texture(texture0, texCoord);
}
