#version 330 core
// Face numbers fit a float exactly: a planet has far fewer than 2^24 faces.
flat in float faceNumber;

out vec4 fragColour;

void main()
{
    fragColour = vec4(faceNumber, 0.0, 0.0, 1.0);
}
