#include "TowerModel.h"

#include <cmath>
#include <cstdio>

namespace BV {

namespace {

const float pi = 3.14159265f;
const int segments = 16;

// Outline of the keep from the ground up as (radius, z), turned around the z
// axis. Consecutive points make one ring of faces with its own normals, so
// ledges stay sharp while the round walls are shaded smoothly.
const float profile[][2] = {
    {6.2f, 0.0f},  {6.2f, 1.4f},  {5.0f, 1.4f}, // plinth and its top
    {4.4f, 12.2f},                              // tapering wall
    {5.4f, 13.4f}, {5.4f, 14.6f},               // corbels and parapet face
    {4.5f, 14.6f}, {4.5f, 13.9f},               // wall walk behind the parapet
    {2.0f, 13.9f}, {2.0f, 17.2f},               // turret
    {2.6f, 17.2f}, {0.0f, 20.0f},               // turret roof
};

std::string number(float v)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.5g", static_cast<double>(std::fabs(v) < 1e-6f ? 0.0f : v));
    return buffer;
}

void appendArray(std::string& out, const std::vector<float>& values)
{
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i != 0) {
            out += (i % 12 == 0) ? "\n" : " ";
        }
        out += number(values[i]);
    }
}

void appendSource(std::string& out, const std::string& id, const std::vector<float>& values, const char* params)
{
    const int stride = params[1] == '\0' ? 1 : static_cast<int>(std::string(params).size());
    const std::size_t count = values.size() / static_cast<std::size_t>(stride);
    out += "        <source id=\"" + id + "\">\n          <float_array id=\"" + id + "-array\" count=\"" +
           std::to_string(values.size()) + "\">";
    appendArray(out, values);
    out += "</float_array>\n          <technique_common>\n            <accessor source=\"#" + id + "-array\" count=\"" +
           std::to_string(count) + "\" stride=\"" + std::to_string(stride) + "\">\n";
    for (const char* p = params; *p != '\0'; ++p) {
        out += "              <param name=\"" + std::string(1, *p) + "\" type=\"float\"/>\n";
    }
    out += "            </accessor>\n          </technique_common>\n        </source>\n";
}

} // namespace

TowerModel::TowerModel()
{
    lathe(profile, static_cast<int>(sizeof profile / sizeof profile[0]), segments);
    merlons(segments, 4.5f, 5.4f, 14.6f, 16.2f);
}

void TowerModel::triangle(const float p[3][3], const float n[3][3], const float uv[3][2])
{
    const float e1[3] = {p[1][0] - p[0][0], p[1][1] - p[0][1], p[1][2] - p[0][2]};
    const float e2[3] = {p[2][0] - p[0][0], p[2][1] - p[0][1], p[2][2] - p[0][2]};
    const float cx = e1[1] * e2[2] - e1[2] * e2[1];
    const float cy = e1[2] * e2[0] - e1[0] * e2[2];
    const float cz = e1[0] * e2[1] - e1[1] * e2[0];
    if (cx * cx + cy * cy + cz * cz < 1e-10f) {
        return;
    }
    for (int i = 0; i < 3; ++i) {
        positions.insert(positions.end(), p[i], p[i] + 3);
        normals.insert(normals.end(), n[i], n[i] + 3);
        coords.insert(coords.end(), uv[i], uv[i] + 2);
    }
}

void TowerModel::quad(const float p[4][3], const float n[4][3], const float uv[4][2])
{
    // Corners in counter-clockwise order: 0, 1, 2, 3.
    const float pa[3][3] = {{p[0][0], p[0][1], p[0][2]}, {p[1][0], p[1][1], p[1][2]}, {p[2][0], p[2][1], p[2][2]}};
    const float na[3][3] = {{n[0][0], n[0][1], n[0][2]}, {n[1][0], n[1][1], n[1][2]}, {n[2][0], n[2][1], n[2][2]}};
    const float ua[3][2] = {{uv[0][0], uv[0][1]}, {uv[1][0], uv[1][1]}, {uv[2][0], uv[2][1]}};
    triangle(pa, na, ua);
    const float pb[3][3] = {{p[0][0], p[0][1], p[0][2]}, {p[2][0], p[2][1], p[2][2]}, {p[3][0], p[3][1], p[3][2]}};
    const float nb[3][3] = {{n[0][0], n[0][1], n[0][2]}, {n[2][0], n[2][1], n[2][2]}, {n[3][0], n[3][1], n[3][2]}};
    const float ub[3][2] = {{uv[0][0], uv[0][1]}, {uv[2][0], uv[2][1]}, {uv[3][0], uv[3][1]}};
    triangle(pb, nb, ub);
}

void TowerModel::lathe(const float (*outline)[2], int points, int count)
{
    for (int k = 0; k + 1 < points; ++k) {
        const float r0 = outline[k][0], z0 = outline[k][1];
        const float r1 = outline[k + 1][0], z1 = outline[k + 1][1];
        // Outward normal of the outline segment in the (radius, z) plane.
        float nr = z1 - z0;
        float nz = -(r1 - r0);
        const float len = std::sqrt(nr * nr + nz * nz);
        nr /= len;
        nz /= len;
        for (int s = 0; s < count; ++s) {
            const float a0 = 2.0f * pi * static_cast<float>(s) / static_cast<float>(count);
            const float a1 = 2.0f * pi * static_cast<float>(s + 1) / static_cast<float>(count);
            const float c0 = std::cos(a0), s0 = std::sin(a0), c1 = std::cos(a1), s1 = std::sin(a1);
            const float u0 = static_cast<float>(s) / static_cast<float>(count);
            const float u1 = static_cast<float>(s + 1) / static_cast<float>(count);
            const float p[4][3] = {
                {r0 * c0, r0 * s0, z0}, {r0 * c1, r0 * s1, z0}, {r1 * c1, r1 * s1, z1}, {r1 * c0, r1 * s0, z1}};
            const float n[4][3] = {
                {nr * c0, nr * s0, nz}, {nr * c1, nr * s1, nz}, {nr * c1, nr * s1, nz}, {nr * c0, nr * s0, nz}};
            const float uv[4][2] = {{u0, z0 / height}, {u1, z0 / height}, {u1, z1 / height}, {u0, z1 / height}};
            quad(p, n, uv);
        }
    }
}

void TowerModel::merlons(int count, float inner, float outer, float bottom, float top)
{
    for (int s = 0; s < count; s += 2) {
        const float a0 = 2.0f * pi * static_cast<float>(s) / static_cast<float>(count);
        const float a1 = 2.0f * pi * static_cast<float>(s + 1) / static_cast<float>(count);
        const float c0 = std::cos(a0), s0 = std::sin(a0), c1 = std::cos(a1), s1 = std::sin(a1);
        const float u0 = static_cast<float>(s) / static_cast<float>(count);
        const float u1 = static_cast<float>(s + 1) / static_cast<float>(count);
        const float vb = bottom / height;
        const float vt = top / height;
        // Corners: outer/inner at angle a0/a1, bottom/top.
        const float ob0[3] = {outer * c0, outer * s0, bottom}, ob1[3] = {outer * c1, outer * s1, bottom};
        const float ot0[3] = {outer * c0, outer * s0, top}, ot1[3] = {outer * c1, outer * s1, top};
        const float ib0[3] = {inner * c0, inner * s0, bottom}, ib1[3] = {inner * c1, inner * s1, bottom};
        const float it0[3] = {inner * c0, inner * s0, top}, it1[3] = {inner * c1, inner * s1, top};
        const float am = (a0 + a1) * 0.5f;
        const float out[3] = {std::cos(am), std::sin(am), 0.0f};
        const float in[3] = {-out[0], -out[1], 0.0f};
        const float up[3] = {0.0f, 0.0f, 1.0f};
        const float side0[3] = {s0, -c0, 0.0f}; // faces towards smaller angles
        const float side1[3] = {-s1, c1, 0.0f}; // faces towards larger angles
        auto face = [&](const float* a, const float* b, const float* c, const float* d, const float* n, float ua,
                        float ub, float va, float vb2) {
            const float p[4][3] = {{a[0], a[1], a[2]}, {b[0], b[1], b[2]}, {c[0], c[1], c[2]}, {d[0], d[1], d[2]}};
            const float nn[4][3] = {{n[0], n[1], n[2]}, {n[0], n[1], n[2]}, {n[0], n[1], n[2]}, {n[0], n[1], n[2]}};
            const float uv[4][2] = {{ua, va}, {ub, va}, {ub, vb2}, {ua, vb2}};
            quad(p, nn, uv);
        };
        face(ob0, ob1, ot1, ot0, out, u0, u1, vb, vt);
        face(ib1, ib0, it0, it1, in, u1, u0, vb, vt);
        face(ot0, ot1, it1, it0, up, u0, u1, vt, vt);
        face(ib0, ob0, ot0, it0, side0, u0, u0, vb, vt);
        face(ob1, ib1, it1, ot1, side1, u1, u1, vb, vt);
    }
}

std::string TowerModel::collada() const
{
    std::string out;
    out += "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<COLLADA xmlns=\"http://www.collada.org/2005/11/COLLADASchema\" version=\"1.4.1\">\n"
           "  <asset>\n"
           "    <contributor><authoring_tool>Brevamoor asset baker</authoring_tool></contributor>\n"
           "    <unit name=\"meter\" meter=\"1\"/>\n"
           "    <up_axis>Z_UP</up_axis>\n"
           "  </asset>\n"
           "  <library_effects>\n"
           "    <effect id=\"tower-effect\">\n"
           "      <profile_COMMON>\n"
           "        <technique sid=\"common\">\n"
           "          <phong>\n"
           "            <diffuse><color sid=\"diffuse\">0.8 0.77 0.7 1</color></diffuse>\n"
           "            <specular><color sid=\"specular\">0.25 0.25 0.25 1</color></specular>\n"
           "            <shininess><float sid=\"shininess\">0.2</float></shininess>\n"
           "          </phong>\n"
           "        </technique>\n"
           "      </profile_COMMON>\n"
           "    </effect>\n"
           "  </library_effects>\n"
           "  <library_materials>\n"
           "    <material id=\"tower-material\" name=\"tower;tower-material\">\n"
           "      <instance_effect url=\"#tower-effect\"/>\n"
           "    </material>\n"
           "  </library_materials>\n"
           "  <library_geometries>\n"
           "    <geometry id=\"tower-mesh\" name=\"tower\">\n"
           "      <mesh>\n";
    appendSource(out, "tower-mesh-positions", positions, "XYZ");
    appendSource(out, "tower-mesh-normals", normals, "XYZ");
    appendSource(out, "tower-mesh-map", coords, "ST");
    const std::size_t vertexCount = positions.size() / 3;
    out += "        <vertices id=\"tower-mesh-vertices\">\n"
           "          <input semantic=\"POSITION\" source=\"#tower-mesh-positions\"/>\n"
           "        </vertices>\n"
           "        <triangles material=\"tower-material\" count=\"" +
           std::to_string(vertexCount / 3) +
           "\">\n"
           "          <input semantic=\"VERTEX\" source=\"#tower-mesh-vertices\" offset=\"0\"/>\n"
           "          <input semantic=\"NORMAL\" source=\"#tower-mesh-normals\" offset=\"1\"/>\n"
           "          <input semantic=\"TEXCOORD\" source=\"#tower-mesh-map\" offset=\"2\" set=\"0\"/>\n"
           "          <p>";
    for (std::size_t i = 0; i < vertexCount; ++i) {
        const std::string index = std::to_string(i);
        out += (i == 0 ? "" : (i % 8 == 0 ? "\n" : " ")) + index + " " + index + " " + index;
    }
    out += "</p>\n"
           "        </triangles>\n"
           "      </mesh>\n"
           "    </geometry>\n"
           "  </library_geometries>\n"
           "  <library_visual_scenes>\n"
           "    <visual_scene id=\"Scene\" name=\"Scene\">\n"
           "      <node id=\"tower\" name=\"tower\" type=\"NODE\">\n"
           "        <instance_geometry url=\"#tower-mesh\" name=\"tower\">\n"
           "          <bind_material>\n"
           "            <technique_common>\n"
           "              <instance_material symbol=\"tower-material\" target=\"#tower-material\"/>\n"
           "            </technique_common>\n"
           "          </bind_material>\n"
           "        </instance_geometry>\n"
           "      </node>\n"
           "    </visual_scene>\n"
           "  </library_visual_scenes>\n"
           "  <scene>\n"
           "    <instance_visual_scene url=\"#Scene\"/>\n"
           "  </scene>\n"
           "</COLLADA>\n";
    return out;
}

} // namespace BV
