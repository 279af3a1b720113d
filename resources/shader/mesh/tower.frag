#version 330 core
// Towers show whose they are and how full their garrison is: the stone is
// tinted in the owner's colour, and a glowing band in that colour rises
// from the base to the fill level (fill 0 to 1 of the model's height). The
// sides also differ without colour: the player's towers (red) are pale, the
// computer's (blue) dark and ringed with darker bands.

in vec3 viewNormal;
in vec3 viewPosition;
in vec2 uv;
in float modelHeight;
in vec4 shadowCoord;
in vec3 viewUp;

layout(std140) uniform LightingInfo {
    vec3 lightPosition; // in the camera's rotation frame
    vec3 ambientColour;
    vec3 lightColour;
};

uniform sampler2D shadow; // depth of the sun's view, 0..1
uniform vec3 kD;
uniform vec3 kS;
uniform int shininess;
uniform float time;
uniform float height;
uniform float fill;
uniform vec3 color;

out vec4 fragColour;

float lit()
{
    vec3 coord = shadowCoord.xyz / shadowCoord.w;
    if (coord.x <= 0.0 || coord.x >= 1.0 || coord.y <= 0.0 || coord.y >= 1.0 || coord.z >= 1.0) {
        return 1.0;
    }
    float sum = 0.0;
    vec2 texel = 1.0 / vec2(textureSize(shadow, 0));
    for (int x = -1; x <= 1; ++x) {
        for (int y = -1; y <= 1; ++y) {
            float nearest = texture(shadow, coord.xy + vec2(x, y) * texel).r;
            sum += coord.z - 0.002 > nearest ? 0.0 : 1.0;
        }
    }
    return sum / 9.0;
}

// The owner's colour as the tower shows it: lightened for the player,
// deepened for the computer.
vec3 sideColour(bool computer)
{
    return computer ? color * 0.75 : mix(color, vec3(1.0), 0.3);
}

// The computer's rings, one every 2.5 model units: 1 on a ring, 0 between,
// evened out where they would be finer than a few pixels.
float computerRings()
{
    float along = modelHeight / 2.5;
    float blur = fwidth(along);
    float ring = smoothstep(0.25 - blur, 0.25 + blur, abs(fract(along) - 0.5));
    return mix(ring, 0.5, smoothstep(0.2, 0.4, blur));
}

// The night side's sky light, as on the planet's surface, a little stronger
// on walls that face the viewer so that the tower keeps its shape.
vec3 nightLight(vec3 n, vec3 v)
{
    float night = smoothstep(0.15, -0.25, dot(normalize(viewUp), normalize(lightPosition)));
    return vec3(0.26, 0.28, 0.34) * night * (0.55 + 0.6 * max(dot(n, v), 0.0));
}

void main()
{
    vec3 n = normalize(viewNormal);
    vec3 l = normalize(lightPosition);
    vec3 v = normalize(-viewPosition);
    float diffuse = max(dot(n, l), 0.0);
    float specular = diffuse > 0.0 ? pow(max(dot(reflect(-l, n), v), 0.0), max(float(shininess), 1.0)) : 0.0;

    bool computer = color.b > color.r; // the player's colour is red, the computer's blue
    vec3 side = sideColour(computer);
    vec3 stone = (length(kD) > 0.0 ? kD : vec3(0.75, 0.72, 0.68)) * (computer ? 0.6 : 1.15);
    vec3 base = mix(stone, side, 0.35);

    // The garrison level: a band in the owner's colour up to fill, with a
    // bright pulsing rim at the top of the band.
    float level = fill * max(height, 0.0001);
    float inside = step(modelHeight, level);
    float rim = inside * (1.0 - smoothstep(0.0, 0.06 * height, level - modelHeight));
    vec3 garrison = mix(side * 0.6 + vec3(0.15), side + vec3(0.35), rim * (0.75 + 0.25 * sin(time * 4.0)));
    base = mix(base, garrison, inside * 0.85);
    base *= computer ? 1.0 - 0.5 * computerRings() : 1.0;

    float light = lit();
    vec3 colour = base * (ambientColour + lightColour * diffuse * light + nightLight(n, v)) + kS * specular * light;
    colour += inside * side * 0.25; // the garrison glows a little even in the dark
    fragColour = vec4(colour, 1.0);
}
