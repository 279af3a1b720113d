#version 330 core

// A swarm unit, drawn with additive blending: the dot image (white light
// already scaled by its alpha, black where nothing shines) tinted by the
// owner's colour, with a white-hot core so that units of any colour read as
// light.
in vec2 texCoord;

uniform sampler2D texture0;
uniform vec3 color;

out vec4 fragColour;

void main()
{
    vec4 dot = texture(texture0, texCoord);
    float glow = dot.a;
    float core = glow * glow * glow;
    vec3 light = dot.rgb * mix(color, vec3(1.0), core * 0.6);
    fragColour = vec4(light, glow);
}
