#version 330 core

// One glowing dot per unit of a swarm, drawn instanced: instance i stands at
// entry i of the swarm's positions (world space), as a camera-facing quad of
// "billboardSize" world units. With a single quad drawn (instance 0) the dot
// stands at entry 0.
layout(location = 0) in vec2 corner;

layout(std140) uniform CameraInfo
{
    mat4 projectionMat;
    mat4 viewMat;
};

// Entry i: unit i's position and 0. Holds the largest swarm a tower sends.
layout(std140) uniform SwarmPositions
{
    vec4 positions[160];
};

uniform vec2 billboardSize;  // world units

out vec2 texCoord;

void main()
{
    vec4 centre = viewMat * vec4(positions[gl_InstanceID].xyz, 1.0);
    centre.xy += corner * billboardSize;
    texCoord = corner + 0.5;
    gl_Position = projectionMat * centre;
}
