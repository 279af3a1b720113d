#version 330 core

// The sun, drawn with additive blending: a white-hot disc with a soft limb,
// a warm corona around it and a faint halo that fades out well inside the
// quad's edge. Fragments that would add nothing are discarded so that the
// quad's corners leave no depth behind in the opaque pass.
in vec2 texCoord;

uniform vec3 sunColor;

out vec4 fragColour;

void main()
{
    float r = length(texCoord - vec2(0.5)) * 2.0;  // 0 at the centre, 1 at the quad's edge
    float disc = 1.0 - smoothstep(0.18, 0.24, r);
    float corona = pow(max(1.0 - r / 0.8, 0.0), 2.2) * 0.9;
    float halo = pow(max(1.0 - r, 0.0), 3.0) * 0.35;
    vec3 warm = vec3(1.0, 0.78, 0.45);
    vec3 colour = sunColor * disc + sunColor * warm * (corona + halo) * (1.0 - disc);
    float intensity = max(max(colour.r, colour.g), colour.b);
    if (intensity < 0.004) {
        discard;
    }
    fragColour = vec4(colour, intensity);
}
