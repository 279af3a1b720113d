#pragma once

#include <cstdint>
#include <list>
#include <vector>

#include <GL/glew.h>

#include "app/BoundingBox.h"
#include "resources/Resource.h"

namespace BV {

class Material;
class Mesh;

// One indexed triangle list of a mesh, drawn with one material: bind
// vertexArray, then glDrawElements(GL_TRIANGLES, getIndexCount(),
// GL_UNSIGNED_INT, 0).
//
// Vertices are interleaved, 13 floats (52 bytes) each:
//   location 0: position (3)     byte 0
//   location 1: normal (3)       byte 12
//   location 2: texcoord u,v,w   byte 24
//   location 3: tangent x,y,z and handedness +1/-1   byte 36
struct MeshPart {
    static constexpr std::uint32_t floatsPerVertex = 13;
    static constexpr GLsizei vertexStride = 52; // bytes

    GLsizei getIndexCount() const { return static_cast<GLsizei>(3 * triangleCount); }

    // Creates the vertex array with its vertex and index buffers from the
    // CPU arrays (which must hold vertexCount vertices and triangleCount
    // triangles) and leaves no vertex array bound.
    void upload();
    // Deletes the vertex array and its buffers, if any.
    void releaseGL();

    Material* material = nullptr;       // not owned
    std::vector<std::uint32_t> indices; // 3 per triangle; may be dropped after upload
    std::vector<float> vertices;        // 13 per vertex; may be dropped after upload
    std::uint32_t vertexCount = 0;
    std::uint32_t triangleCount = 0;
    std::int32_t pass = 2;  // render pass bit it is drawn in (2: opaque)
    Mesh* mesh = nullptr;   // the owner
    GLuint vertexArray = 0; // 0 until uploaded
    GLuint vertexBuffer = 0;
    GLuint indexBuffer = 0;
};

// A resource made of mesh parts (owned, in the order they were added) and
// the box around all of its vertices in its own coordinates.
class Mesh : public Resource {
public:
    explicit Mesh(ResourceLoader* loader);

    // A new empty part at the end of parts, owned by this mesh. Its address
    // stays valid while the mesh has parts.
    MeshPart* addPart();

    // Deletes every part's GL objects and the parts themselves.
    void releaseGL() override;

    // Null on creation; model import grows it by every vertex.
    BoundingBox boundingBox;
    std::list<MeshPart> parts;
};

} // namespace BV
