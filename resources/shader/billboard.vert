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
// World units; 0 for a plain quad. The planet's halo gives the planet's
// radius: its quad then grows by d / sqrt(d^2 - r^2) for a camera d away, so
// that the planet's outline, which crosses the quad's plane at that multiple
// of r, always lies on the same ring of the picture.
uniform float outlineRadius;

out vec2 texCoord;

void main()
{
    vec4 centre = viewMat * modelMat * vec4(0.0, 0.0, 0.0, 1.0);
    vec2 size = billboardSize;
    if (outlineRadius > 0.0) {
        float d2 = dot(centre.xyz, centre.xyz);
        size *= sqrt(d2 / max(d2 - outlineRadius * outlineRadius, 1.0));
    }
    centre.xy += corner * size;
    texCoord = corner + 0.5;
    gl_Position = projectionMat * centre;
}
