#version 330 core

// Stars from the cube map, seen in the direction of the cube's surface, with
// a faint nebula layer laid on every face. The cloud picture carries its
// density in alpha and fades out at its borders, so faces meet without seams;
// the third texture coordinate is 0 on the top and bottom faces and 1 on the
// sides, which get a little more haze.
in vec3 direction;
in vec3 cloudCoord;

uniform samplerCube cubemap;
uniform sampler2D clouds;

out vec4 fragColour;

void main()
{
    // A cube map is looked up by direction alone: no need to normalise.
    vec3 stars = texture(cubemap, direction).rgb;
    vec4 haze = texture(clouds, cloudCoord.xy);
    float strength = mix(0.35, 0.5, cloudCoord.z);
    fragColour = vec4(stars + haze.rgb * haze.a * strength, 1.0);
}
