#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace BV {

// One float per tile in a GL buffer that shaders read as a buffer texture
// (GL_R32F), mirroring an array the game keeps on the CPU. Changes are
// collected as one span of indices and sent together, so that many writes in
// one frame become one upload.
struct TextureBuffer {
    unsigned int buffer = 0;  // 0 until created
    unsigned int texture = 0; // 0 until created
    // When true the buffer is assumed bound to GL_TEXTURE_BUFFER already and
    // uploads leave the binding alone.
    bool bound = false;

    // Makes the buffer (size in bytes, no data) and its texture.
    void create(std::size_t size);
    // Replaces the whole content with `values` and forgets pending changes.
    void fill(const std::vector<float>& values);
    // Records that values[index] changed; no GL call, so it works before
    // the buffer exists too.
    void markChanged(std::uint32_t index);
    bool hasChanges() const { return changedFirst < changedEnd; }
    // Sends the changed span of `values` (the array this buffer mirrors) if
    // the buffer exists, and forgets the changes either way.
    void upload(const std::vector<float>& values);
    // Deletes the GL objects; the context must be current.
    void destroy();

    // Pending changes: indices changedFirst to changedEnd - 1.
    std::uint32_t changedFirst = UINT32_MAX;
    std::uint32_t changedEnd = 0;
};

} // namespace BV
