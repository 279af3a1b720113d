#version 330 core

// The planet's colour: terrain from the atlas with its normal map, lit by the
// sun and shadowed by the shadow map; the hexagon grid; owned territory tinted
// and edged in its owner's colour; the fog of war of the human player. With
// isSelection 1 or 2 the same program draws the hover and selection outlines,
// added onto the surface; with resolving 1 it shades the surface from a
// buffer of face numbers instead of the rasterised faces.

in vec3 viewPosition;
in vec3 viewNormal;
in vec2 gridCoord;
in vec2 atlasCoord;
in vec4 shadowCoord;
in vec3 surfacePosition;
flat in ivec3 cornerTiles;
flat in vec3 cornerSeen;
flat in ivec3 cornerOwners;

layout(std140) uniform LightingInfo
{
    vec3 lightPosition; // in the camera's rotation frame; the sun is far away
    vec3 ambientColour;
    vec3 lightColour;
};

uniform sampler2D grid;          // alpha: tile border lines
uniform sampler2D tiles;         // terrain atlas
uniform sampler2D tiles_normals; // its tangent-space normals (x along u, y along v)
uniform sampler2D border;        // rgb: share of the tile at corner 0, 1, 2; alpha: band along tile borders
uniform sampler2D shadow;        // depth as the sun sees it
// 1 where a tower may shade the shadow map's texels nearby (one texel per
// 4 x 4 of the shadow map), 0 where only the planet itself casts a shadow.
uniform sampler2D shadowCasters;
// 1 when the shadow map holds the planet's depth everywhere; 0 when it holds
// it only where shadowCasters is 1, the planet shading itself elsewhere.
uniform int occluderShadowMapped;
// Per tile: 0.2 never seen, 0.8 seen, 1.0 own (the human player's view).
uniform samplerBuffer visibilities;
// Per tile: 0 nobody, 1 the human player, 2 the computer opponent.
uniform samplerBuffer owner;
uniform int isSelection; // 0 surface, 1 hover outline, 2 selection outline
uniform float time;      // seconds
// Every material sets these; the planet's colours are its own.
uniform vec3 kD;
uniform vec3 kS;
uniform int shininess;

// 1 when the pass shades a buffer of face numbers rather than the faces as
// they are rasterised (see surfaceFromFaceNumbers).
uniform int resolving;
uniform sampler2D faceNumbers;       // per pixel: face index + 1, 0 for none
uniform samplerBuffer faceVertices;  // the mesh's vertices, 13 floats each
// The camera in the planet's own space, and the direction there of the ray
// through the target's point (x, y) in [-1, 1]: rayToModel * (x, y, 1).
uniform vec3 eyeInModel;
uniform mat3 rayToModel;
uniform mat4 modelViewMat;
uniform mat4 shadowModelMat; // the shadow coordinates of a planet point
uniform mat3 normalMat;

out vec4 fragColour;

// The tiles' centres in grid coordinates (corner 0, 1, 2).
const vec2 corners[3] = vec2[3](vec2(0.5, 0.1), vec2(0.979, 0.93), vec2(0.021, 0.93));

// The surface under the pixel, as shading reads it: the interpolated values,
// their changes to the next pixel right (Dx) and up (Dy), and the texture
// samples taken there.
vec3 surfaceView;   // view space
vec3 surfaceNormal; // view space, not normalised
vec2 surfaceGrid;
vec2 surfaceAtlas;
vec4 surfaceShadow;
vec3 surfaceModel;  // model space
vec3 surfaceSeen;
ivec3 surfaceOwners;
vec3 viewDx;
vec3 viewDy;
vec2 gridDx;
vec2 gridDy;
vec3 shadowDx; // of the shadow coordinates after the divide
vec3 shadowDy;
float stripeWidth; // fwidth of the stripes' coordinate
vec4 borderSample;
vec3 albedoSample;
vec3 reliefSample;
float gridSample;

// Stripes run along this coordinate, one every 6 world units.
float stripeCoordinate(vec3 model)
{
    return dot(model, vec3(0.57735)) / 6.0;
}

// The surface as rasterised.
void surfaceFromFaces()
{
    surfaceView = viewPosition;
    surfaceNormal = viewNormal;
    surfaceGrid = gridCoord;
    surfaceAtlas = atlasCoord;
    surfaceShadow = shadowCoord;
    surfaceModel = surfacePosition;
    surfaceSeen = cornerSeen;
    surfaceOwners = cornerOwners;
    viewDx = dFdx(viewPosition);
    viewDy = dFdy(viewPosition);
    gridDx = dFdx(gridCoord);
    gridDy = dFdy(gridCoord);
    vec3 shadowStep = shadowCoord.xyz / shadowCoord.w;
    shadowDx = dFdx(shadowStep);
    shadowDy = dFdy(shadowStep);
    stripeWidth = fwidth(stripeCoordinate(surfacePosition));
}

void sampleFaces()
{
    borderSample = texture(border, gridCoord);
    albedoSample = texture(tiles, atlasCoord).rgb;
    reliefSample = texture(tiles_normals, atlasCoord).xyz;
    gridSample = texture(grid, gridCoord).a;
}

// Where the planet's faces are a few pixels each, a software renderer shades
// whole blocks of pixels for every face, most of them thrown away. The faces
// then go first into a buffer of face numbers, and each pixel is shaded once:
// the ray through it meets its face where the rasteriser would have
// interpolated, and rays through the next pixels right and up give the
// changes that derivatives would. The rays are cast in the planet's own
// space, where the faces' corners are stored.
float meshFloat(int vertex, int offset)
{
    return texelFetch(faceVertices, vertex * 13 + offset).r;
}

// Weights of a face's corners where the line from eyeInModel along
// direction meets the face's plane.
vec3 cornerWeights(mat3 corners, vec3 direction)
{
    vec3 e1 = corners[1] - corners[0];
    vec3 e2 = corners[2] - corners[0];
    vec3 h = cross(direction, e2);
    float a = dot(e1, h);
    vec3 s = eyeInModel - corners[0];
    vec3 q = cross(s, e1);
    float u = dot(s, h) / a;
    float v = dot(direction, q) / a;
    return vec3(1.0 - u - v, u, v);
}

void surfaceFromFaceNumbers()
{
    float number = texelFetch(faceNumbers, ivec2(gl_FragCoord.xy), 0).r;
    if (number < 0.5) {
        discard;
    }
    int first = int(number - 0.5) * 3;
    mat3 models;
    mat3x2 atlases;
    for (int c = 0; c < 3; ++c) {
        int vertex = first + c;
        models[c] = vec3(meshFloat(vertex, 0), meshFloat(vertex, 1), meshFloat(vertex, 2));
        atlases[c] = vec2(meshFloat(vertex, 8), meshFloat(vertex, 9));
    }
    // Every face's corners sit at the same places of the grid texture.
    mat3x2 grids = mat3x2(corners[0], corners[1], corners[2]);
    vec2 pixelStep = 2.0 / vec2(textureSize(faceNumbers, 0));
    vec3 direction = rayToModel * vec3(gl_FragCoord.xy * pixelStep - 1.0, 1.0);
    vec3 w = cornerWeights(models, direction);
    vec3 wx = cornerWeights(models, direction + rayToModel[0] * pixelStep.x) - w;
    vec3 wy = cornerWeights(models, direction + rayToModel[1] * pixelStep.y) - w;
    surfaceModel = models * w;
    surfaceView = (modelViewMat * vec4(surfaceModel, 1.0)).xyz;
    // Corner normals point away from the centre, so their blend points
    // along the blended position.
    surfaceNormal = normalMat * surfaceModel;
    surfaceGrid = grids * w;
    surfaceAtlas = atlases * w;
    surfaceShadow = shadowModelMat * vec4(surfaceModel, 1.0);
    vec3 modelDx = models * wx;
    vec3 modelDy = models * wy;
    viewDx = mat3(modelViewMat) * modelDx;
    viewDy = mat3(modelViewMat) * modelDy;
    gridDx = grids * wx;
    gridDy = grids * wy;
    vec2 atlasDx = atlases * wx;
    vec2 atlasDy = atlases * wy;
    vec4 sx = shadowModelMat * vec4(surfaceModel + modelDx, 1.0);
    vec4 sy = shadowModelMat * vec4(surfaceModel + modelDy, 1.0);
    vec3 shadowStep = surfaceShadow.xyz / surfaceShadow.w;
    shadowDx = sx.xyz / sx.w - shadowStep;
    shadowDy = sy.xyz / sy.w - shadowStep;
    float stripe = stripeCoordinate(surfaceModel);
    stripeWidth = abs(stripeCoordinate(surfaceModel + modelDx) - stripe) +
                  abs(stripeCoordinate(surfaceModel + modelDy) - stripe);
    // The corners' tiles and what the player knows of them, as the vertex
    // shader reads them for the rasterised faces.
    for (int i = 0; i < 3; ++i) {
        int tile = int(meshFloat(first + 2, 10 + i) + 0.5);
        surfaceSeen[i] = texelFetch(visibilities, tile).r;
        int id = clamp(int(texelFetch(owner, tile).r + 0.5), 0, 2);
        surfaceOwners[i] = surfaceSeen[i] > 0.5 ? id : 0;
    }
    borderSample = textureGrad(border, surfaceGrid, gridDx, gridDy);
    albedoSample = textureGrad(tiles, surfaceAtlas, atlasDx, atlasDy).rgb;
    reliefSample = textureGrad(tiles_normals, surfaceAtlas, atlasDx, atlasDy).xyz;
    gridSample = textureGrad(grid, surfaceGrid, gridDx, gridDy).a;
}

// The computer's blue is deeper and darker than the player's red, so that the
// two also differ in lightness.
const vec3 playerColours[3] = vec3[3](vec3(0.0), vec3(1.0, 0.22, 0.12), vec3(0.1, 0.3, 1.0));

vec3 outline()
{
    float rim = gridCoord.x;
    if (isSelection == 1) {
        return vec3(0.85, 0.92, 1.0) * (0.08 + 0.4 * smoothstep(0.6, 1.0, rim));
    }
    float pulse = 0.8 + 0.2 * sin(time * 5.0);
    return vec3(1.0, 0.72, 0.18) * (0.1 + 0.8 * smoothstep(0.55, 0.95, rim)) * pulse;
}

// Normal of the atlas's relief in view space; the surface frame comes from
// the screen-space change of position and grid coordinates, which run along
// the atlas's axes.
vec3 reliefNormal(vec3 n, vec3 dpx, vec3 dpy)
{
    vec2 dux = gridDx;
    vec2 duy = gridDy;
    vec3 py = cross(dpy, n);
    vec3 px = cross(n, dpx);
    vec3 t = py * dux.x + px * duy.x;
    vec3 b = py * dux.y + px * duy.y;
    float scale = inversesqrt(max(max(dot(t, t), dot(b, b)), 1e-20));
    vec3 relief = reliefSample * 2.0 - 1.0;
    // Neighbouring triangles of a tile turn the atlas differently; a gentle
    // relief keeps the seams between them from catching the light.
    relief.xy *= 0.55;
    return normalize(mat3(t * scale, b * scale, n) * relief);
}

// Night: the side turned away from the sun keeps a dim, cool sky light, so
// that land, terrain and borders stay readable there while night still
// looks like night. Fades in over the terminator (facing: cosine between the
// surface and the sun).
vec3 nightLight(float facing)
{
    return vec3(0.26, 0.28, 0.34) * smoothstep(0.15, -0.25, facing);
}

// The computer's marking, so that the two sides also read apart without
// colour: diagonal stripes fixed to the ground, one every 6 world units and
// 1 on a stripe, 0 between; evened out to their mean where they would be
// finer than a few pixels.
float computerStripes()
{
    float along = stripeCoordinate(surfaceModel);
    float blur = stripeWidth;
    float stripe = smoothstep(0.3 - blur, 0.3 + blur, abs(fract(along) - 0.5));
    return mix(stripe, 0.4, smoothstep(0.2, 0.4, blur));
}

// Sun angles (cosine between the surface and the sun) below which the
// planet's own relief may shade its surface in the shadow map.
const float SELF_SHADOW_FACING = 0.35;

// What the nine taps below give where only the planet casts a shadow,
// worked out from the facet under the pixel instead of read from the map.
// The planet is convex: a facet turned away from the sun lies in the
// planet's shadow, and one turned towards it is the nearest surface the sun
// sees there, so each tap reads the facet's own plane, a fixed step of
// depth per texel away (linear filtering reads a plane exactly), and is lit
// unless that step outruns the bias. (facetNormal and the shadow
// coordinates' screen derivatives come from main, outside any branch.)
float facetSunlight(vec3 facetNormal, vec3 l, vec3 dpx, vec3 dpy, float bias)
{
    if (dot(facetNormal, l) <= 0.0) {
        return 0.0;
    }
    // Depth per shadow-map texel across the facet: the plane through the
    // screen derivatives of the shadow coordinates, solved for d(depth)/du
    // and d(depth)/dv.
    float det = dpx.x * dpy.y - dpx.y * dpy.x;
    if (abs(det) < 1e-20) {
        return 0.0; // edge-on to the sun
    }
    vec2 perTexel = vec2(dpx.z * dpy.y - dpy.z * dpx.y, dpx.x * dpy.z - dpy.x * dpx.z) / det /
                    vec2(textureSize(shadow, 0));
    float lit = 0.0;
    for (int i = 0; i < 9; ++i) {
        vec2 offset = vec2(float(i % 3) - 1.0, float(i / 3) - 1.0);
        lit += dot(perTexel, offset) + bias >= 0.0 ? 1.0 : 0.0;
    }
    return lit / 9.0;
}

// 1 lit, 0 in shadow, filtered over 3 x 3 texels of the shadow map. Only the
// planet and the towers cast shadows: where the sun stands high and no tower
// is near, every tap would be lit and none is taken. (The taps are a loop so
// that a software renderer shading many pixels at once skips it when none of
// them needs it.)
float sunlight(float facing, vec3 facetNormal, vec3 l, vec3 dpx, vec3 dpy)
{
    vec3 p = surfaceShadow.xyz / surfaceShadow.w;
    if (p.x <= 0.0 || p.x >= 1.0 || p.y <= 0.0 || p.y >= 1.0 || p.z >= 1.0) {
        return 1.0;
    }
    bool nearTower = texelFetch(shadowCasters, ivec2(p.xy * vec2(textureSize(shadowCasters, 0))), 0).r > 0.0;
    float slope = sqrt(max(1.0 - facing * facing, 0.0)) / max(facing, 0.05);
    float bias = clamp(0.0015 + 0.002 * slope, 0.0015, 0.01);
    if (!nearTower && occluderShadowMapped == 0) {
        return facing < SELF_SHADOW_FACING ? facetSunlight(facetNormal, l, dpx, dpy, bias) : 1.0;
    }
    int taps = facing < SELF_SHADOW_FACING || nearTower ? 9 : 0;
    vec2 texel = 1.0 / vec2(textureSize(shadow, 0));
    float lit = 0.0;
    for (int i = 0; i < taps; ++i) {
        vec2 offset = vec2(float(i % 3) - 1.0, float(i / 3) - 1.0);
        lit += textureLod(shadow, p.xy + offset * texel, 0.0).r + bias >= p.z ? 1.0 : 0.0;
    }
    return taps == 0 ? 1.0 : lit / 9.0;
}

// The corner whose tile holds this point, the corner across the nearest
// tile border (tile borders are the bisectors between the corners) and the
// distance to that border in grid coordinates.
float nearestBorder(out int here, out int across)
{
    vec3 d2;
    for (int i = 0; i < 3; ++i) {
        vec2 d = surfaceGrid - corners[i];
        d2[i] = dot(d, d);
    }
    here = d2[0] <= d2[1] ? (d2[0] <= d2[2] ? 0 : 2) : (d2[1] <= d2[2] ? 1 : 2);
    // Distance to the bisector of each pair of corners, positive on the side
    // of the first corner of the pair.
    float border01 = (d2[1] - d2[0]) / (2.0 * length(corners[1] - corners[0]));
    float border02 = (d2[2] - d2[0]) / (2.0 * length(corners[2] - corners[0]));
    float border12 = (d2[2] - d2[1]) / (2.0 * length(corners[2] - corners[1]));
    // Seen from here, the two other corners in index order; on a tie the
    // lower index is across.
    vec2 toBorder = here == 0 ? vec2(border01, border02) : here == 1 ? vec2(-border01, border12) : vec2(-border02, -border12);
    ivec2 others = here == 0 ? ivec2(1, 2) : here == 1 ? ivec2(0, 2) : ivec2(0, 1);
    across = toBorder.y < toBorder.x ? others.y : others.x;
    return min(toBorder.x, toBorder.y);
}

void main()
{
    if (isSelection != 0) {
        fragColour = vec4(outline(), 1.0);
        return;
    }

    surfaceFromFaces();
    // A loop rather than an if: a software renderer runs an if's body for
    // every pixel, with the results masked, but skips a loop that runs
    // no times.
    for (int i = 0; i < resolving; ++i) {
        surfaceFromFaceNumbers();
    }
    for (int i = resolving; i < 1; ++i) {
        sampleFaces();
    }
    // Per-tile state of the three corners. Owners stay hidden on tiles the
    // player has never seen.
    vec3 seen = surfaceSeen;
    int owners[3] = int[3](surfaceOwners[0], surfaceOwners[1], surfaceOwners[2]);
    vec4 shares = borderSample;
    vec3 share = shares.rgb / max(shares.r + shares.g + shares.b, 1e-4);

    // Terrain, lit.
    vec3 albedo = albedoSample;
    vec3 n = normalize(surfaceNormal);
    vec3 l = normalize(lightPosition);
    vec3 v = normalize(-surfaceView);
    vec3 dpx = viewDx;
    vec3 dpy = viewDy;
    vec3 relief = reliefNormal(n, dpx, dpy);
    float facing = dot(n, l);
    // The flat facet under the pixel, turned outwards like the surface.
    vec3 facetNormal = cross(dpx, dpy);
    facetNormal *= dot(facetNormal, n) < 0.0 ? -1.0 : 1.0;
    float sun = facing > 0.0 ? sunlight(facing, facetNormal, l, shadowDx, shadowDy) : 0.0;
    float diffuse = max(dot(relief, l), 0.0) * smoothstep(-0.05, 0.15, facing) * sun;
    vec3 light = ambientColour + lightColour * diffuse + nightLight(facing);
    vec3 colour = albedo * light;
    // Water is the only blue terrain; it glints, in its own blue so that a
    // glint never reads as a patch of snow.
    float water = smoothstep(0.1, 0.2, albedo.b - max(albedo.r, albedo.g));
    float glint = pow(max(dot(reflect(-l, relief), v), 0.0), 60.0);
    colour += lightColour * vec3(0.35, 0.6, 1.0) * glint * water * sun * 0.45;

    // The hexagon grid: dark seams between the tiles, never thinner than a
    // pixel however far the camera is (the painted lines alone would fade
    // away in the smaller mipmaps).
    int here;
    int across;
    float toBorder = nearestBorder(here, across);
    float pixel = length(abs(gridDx) + abs(gridDy));
    float seam = 1.0 - smoothstep(0.35 * pixel, 1.1 * pixel, toBorder);
    float line = max(gridSample, seam);
    colour *= 1.0 - 0.5 * line;

    // Territory: a tint over owned tiles and a band where owners change. The
    // computer's land is striped darker and its band broken into dashes; the
    // band glows at least as brightly by night as by day.
    vec3 tint = vec3(0.0);
    float tinted = 0.0;
    float computers = 0.0;
    for (int i = 0; i < 3; ++i) {
        tint += share[i] * playerColours[owners[i]];
        tinted += owners[i] > 0 ? share[i] : 0.0;
        computers += owners[i] == 2 ? share[i] : 0.0;
    }
    float stripes = computerStripes();
    // The player's red over blue water would read as violet, close to the
    // moor's purple: water takes only a trace of the tint and stays water.
    colour = mix(colour, tint * (0.35 + 0.65 * light), 0.18 * tinted * (1.0 - water));
    colour *= 1.0 - 0.4 * stripes * computers;
    if (owners[here] != 0 && owners[here] != owners[across]) {
        vec3 edge = playerColours[owners[here]] * (0.55 + 0.6 * max(light, vec3(1.0)));
        float dashes = owners[here] == 2 ? 1.0 - stripes : 1.0;
        colour = mix(colour, edge, clamp(1.8 * shares.a, 0.0, 0.95) * dashes);
    }

    // Fog of war: never seen dark and grey, seen dimmed, own in full.
    float visibility = dot(share, seen);
    float brightness = visibility < 0.8 ? mix(0.2, 0.6, (visibility - 0.2) / 0.6) : mix(0.6, 1.0, (visibility - 0.8) / 0.2);
    float grey = dot(colour, vec3(0.3, 0.5, 0.2));
    colour = mix(vec3(grey), colour, clamp((visibility - 0.2) / 0.6, 0.35, 1.0)) * brightness;

    fragColour = vec4(colour, 1.0);
}
