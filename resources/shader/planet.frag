#version 330 core

// The planet's colour: terrain from the atlas with its normal map, lit by the
// sun and shadowed by the shadow map; the hexagon grid; owned territory tinted
// and edged in its owner's colour; the fog of war of the human player. With
// isSelection 1 or 2 the same program draws the hover and selection outlines,
// added onto the surface.

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

out vec4 fragColour;

// The tiles' centres in grid coordinates (corner 0, 1, 2).
const vec2 corners[3] = vec2[3](vec2(0.5, 0.1), vec2(0.979, 0.93), vec2(0.021, 0.93));
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
    vec2 dux = dFdx(gridCoord);
    vec2 duy = dFdy(gridCoord);
    vec3 py = cross(dpy, n);
    vec3 px = cross(n, dpx);
    vec3 t = py * dux.x + px * duy.x;
    vec3 b = py * dux.y + px * duy.y;
    float scale = inversesqrt(max(max(dot(t, t), dot(b, b)), 1e-20));
    vec3 relief = texture(tiles_normals, atlasCoord).xyz * 2.0 - 1.0;
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
    float along = dot(surfacePosition, vec3(0.57735)) / 6.0;
    float blur = fwidth(along);
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
    vec3 p = shadowCoord.xyz / shadowCoord.w;
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
        vec2 d = gridCoord - corners[i];
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

    // Per-tile state of the three corners (read by the vertex shader).
    // Owners stay hidden on tiles the player has never seen.
    vec3 seen = cornerSeen;
    int owners[3] = int[3](cornerOwners[0], cornerOwners[1], cornerOwners[2]);
    vec4 shares = texture(border, gridCoord);
    vec3 share = shares.rgb / max(shares.r + shares.g + shares.b, 1e-4);

    // Terrain, lit.
    vec3 albedo = texture(tiles, atlasCoord).rgb;
    vec3 n = normalize(viewNormal);
    vec3 l = normalize(lightPosition);
    vec3 v = normalize(-viewPosition);
    vec3 dpx = dFdx(viewPosition);
    vec3 dpy = dFdy(viewPosition);
    vec3 relief = reliefNormal(n, dpx, dpy);
    float facing = dot(n, l);
    // The flat facet under the pixel, turned outwards like the surface.
    vec3 facetNormal = cross(dpx, dpy);
    facetNormal *= dot(facetNormal, n) < 0.0 ? -1.0 : 1.0;
    vec3 shadowStep = shadowCoord.xyz / shadowCoord.w;
    vec3 shadowDx = dFdx(shadowStep);
    vec3 shadowDy = dFdy(shadowStep);
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
    float pixel = length(fwidth(gridCoord));
    float seam = 1.0 - smoothstep(0.35 * pixel, 1.1 * pixel, toBorder);
    float line = max(texture(grid, gridCoord).a, seam);
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
