#pragma once

#include <cstddef>
#include <functional>

#include <glm/glm.hpp>

namespace BV {

class ShaderProgram;

// A target holding, for every pixel the planet covers, the number of the
// face it shows (face index + 1; 0 for none). Where the planet's faces are
// only a few pixels each, a software renderer shades a whole block of pixels
// for every face and throws most of them away; with the numbers drawn first
// (a cheap pass that also writes the planet's depth), the planet's shader
// runs once per pixel instead and rebuilds the surface there from the face.
class FaceNumbers {
public:
    FaceNumbers() = default;
    FaceNumbers(const FaceNumbers&) = delete;
    FaceNumbers& operator=(const FaceNumbers&) = delete;
    // Releases the target and the mesh's buffer texture; needs the context.
    ~FaceNumbers();

    // Draws the numbers of the faces `drawFaces` draws (with the mesh's
    // vertex array bound) into a target the size of the viewport that
    // shares the depth buffer of the framebuffer bound now. That framebuffer
    // and the current program are bound again afterwards. False, with
    // nothing drawn, when the framebuffer has no depth renderbuffer to share,
    // the mesh (meshFloats floats in meshBuffer) is too large for a buffer
    // texture, or the numbers' program does not load.
    bool draw(unsigned int meshBuffer, std::size_t meshFloats, const glm::mat4& model,
              const std::function<void()>& drawFaces);

    // The numbers (GL_R32F, nearest) and the mesh as a GL_R32F buffer
    // texture; 0 until draw has succeeded once.
    unsigned int getNumberTexture() const { return numberTexture; }
    unsigned int getVertexTexture() const { return vertexTexture; }

private:
    bool prepareProgram();
    // Sizes the target and attaches depthBuffer; false when incomplete.
    bool prepareTarget(int width, int height, unsigned int depthBuffer);
    bool prepareVertices(unsigned int meshBuffer, std::size_t meshFloats);

    ShaderProgram* program = nullptr; // owned by the resource manager
    unsigned int framebuffer = 0;
    unsigned int numberTexture = 0;
    unsigned int vertexTexture = 0;
    unsigned int vertexSource = 0; // the mesh buffer vertexTexture reads
    unsigned int attachedDepth = 0;
    int width = 0;
    int height = 0;
    bool complete = false;
};

} // namespace BV
