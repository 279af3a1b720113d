#version 330 core

// The planet's surface (one triangle per face, each vertex at a tile) and,
// with the same format, the hover and selection outline fans.
layout(location = 0) in vec3 position;
layout(location = 1) in vec3 normal;
// Where the vertex sits in the grid and border textures; on an outline 0 at
// the fan's centre and 1 on its rim.
layout(location = 2) in vec2 cornerCoord;
// Where the vertex sits in the terrain atlas (zero on outlines).
layout(location = 3) in vec2 atlasCoordIn;
// The triangle's three tiles (corners 0, 1, 2); not fed for outlines.
layout(location = 4) in vec3 tileIndices;

layout(std140) uniform CameraInfo
{
    mat4 projectionMat;
    mat4 viewMat;
};

uniform mat4 modelMat;
uniform mat3 normalMat;
uniform mat4 depthBiasPVMat;
// Per tile: 0.2 never seen, 0.8 seen, 1.0 own; and 0 nobody, 1 the human
// player, 2 the computer opponent. Read here, once per corner of the
// triangle, rather than three times for every pixel it covers.
uniform samplerBuffer visibilities;
uniform samplerBuffer owner;

out vec3 viewPosition;
out vec3 viewNormal;
out vec2 gridCoord;
out vec2 atlasCoord;
out vec4 shadowCoord;
out vec3 surfacePosition; // model space: patterns stay fixed to the ground
flat out ivec3 cornerTiles;
flat out vec3 cornerSeen;
flat out ivec3 cornerOwners; // hidden (0) on tiles never seen

void main()
{
    vec4 world = modelMat * vec4(position, 1.0);
    vec4 view = viewMat * world;
    viewPosition = view.xyz;
    viewNormal = normalMat * normal;
    gridCoord = cornerCoord;
    atlasCoord = atlasCoordIn;
    shadowCoord = depthBiasPVMat * world;
    surfacePosition = position;
    cornerTiles = ivec3(tileIndices + 0.5);
    // Flat values come from a triangle's last vertex alone: every face has
    // its own three vertices, stored one face after another, so the first
    // two skip the six look-ups.
    cornerSeen = vec3(0.0);
    cornerOwners = ivec3(0);
    if (gl_VertexID % 3 == 2) {
        for (int i = 0; i < 3; ++i) {
            cornerSeen[i] = texelFetch(visibilities, cornerTiles[i]).r;
            int id = clamp(int(texelFetch(owner, cornerTiles[i]).r + 0.5), 0, 2);
            cornerOwners[i] = cornerSeen[i] > 0.5 ? id : 0;
        }
    }
    gl_Position = projectionMat * view;
}
