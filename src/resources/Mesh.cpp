#include "resources/Mesh.h"

#include <cstddef>

namespace BV {

namespace {

struct Attribute {
    GLuint location;
    GLint components;
    std::size_t offset; // bytes from the start of a vertex
};

constexpr Attribute vertexAttributes[] = {
    {0, 3, 0},  // position
    {1, 3, 12}, // normal
    {2, 3, 24}, // texture coordinate
    {3, 4, 36}, // tangent and handedness
};

} // namespace

void MeshPart::upload()
{
    glGenVertexArrays(1, &vertexArray);
    glBindVertexArray(vertexArray);
    glGenBuffers(1, &vertexBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertexStride) * vertexCount, vertices.data(), GL_STATIC_DRAW);
    for (const Attribute& attribute : vertexAttributes) {
        glEnableVertexAttribArray(attribute.location);
        glVertexAttribPointer(attribute.location, attribute.components, GL_FLOAT, GL_FALSE, vertexStride,
                              reinterpret_cast<const void*>(attribute.offset));
    }
    glGenBuffers(1, &indexBuffer);
    // The element buffer binding is part of the vertex array's state.
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(3 * sizeof(std::uint32_t)) * triangleCount,
                 indices.data(), GL_STATIC_DRAW);
    glBindVertexArray(0);
}

void MeshPart::releaseGL()
{
    if (vertexArray != 0) {
        glDeleteVertexArrays(1, &vertexArray);
        vertexArray = 0;
    }
    if (vertexBuffer != 0) {
        glDeleteBuffers(1, &vertexBuffer);
        vertexBuffer = 0;
    }
    if (indexBuffer != 0) {
        glDeleteBuffers(1, &indexBuffer);
        indexBuffer = 0;
    }
}

Mesh::Mesh(ResourceLoader* loader) : Resource(loader) {}

MeshPart* Mesh::addPart()
{
    parts.emplace_back();
    parts.back().mesh = this;
    return &parts.back();
}

void Mesh::releaseGL()
{
    for (MeshPart& part : parts) {
        part.releaseGL();
    }
    parts.clear();
}

} // namespace BV
