#pragma once

#include <string>
#include <vector>

namespace BV {

// The tower that every player builds: a round, slightly tapering keep on a
// plinth, a corbelled parapet with eight merlons and a small roofed turret in
// the middle. Written as a COLLADA file with its up axis along z (the game's
// importer turns file z into its own y and file y into its own z). The base
// stands at z = 0; texture v runs from 0 at the base to 1 at the roof tip and
// u once around, so shaders can fill the tower from the bottom up.
//
// The single material is named "tower;tower-material", which makes the game
// use "resources/shader/mesh/tower.vert" and "resources/shader/mesh/tower.frag".
class TowerModel {
public:
    static constexpr float height = 20.0f; // world units, base to roof tip

    TowerModel();

    std::size_t triangleCount() const { return positions.size() / 9; }
    // The whole COLLADA document.
    std::string collada() const;

private:
    void lathe(const float (*profile)[2], int points, int segments);
    void merlons(int segments, float inner, float outer, float bottom, float top);
    // One triangle, counter-clockwise seen from outside; all arrays get three
    // vertices. Triangles with no area are dropped.
    void triangle(const float p[3][3], const float n[3][3], const float uv[3][2]);
    void quad(const float p[4][3], const float n[4][3], const float uv[4][2]);

    std::vector<float> positions; // 3 per vertex
    std::vector<float> normals;   // 3 per vertex
    std::vector<float> coords;    // 2 per vertex
};

} // namespace BV
