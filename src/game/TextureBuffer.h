#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace BV {

// One float per tile in a GL buffer that shaders read as a buffer texture
// (GL_R32F), mirroring an array the game keeps on the CPU. Changed indices
// are collected and sent together before the next draw, in runs of nearby
// indices, so that many writes in one frame cost a few small uploads and
// the bytes sent follow the number of changed tiles, not how far apart
// their indices lie.
struct TextureBuffer {
    // Consecutive indices first to end - 1, sent with one call.
    struct Run {
        std::uint32_t first;
        std::uint32_t end;
    };
    // Changed indices at most this many apart share a run: resending a few
    // unchanged values costs less than another call.
    static constexpr std::uint32_t kRunGap = 4;

    unsigned int buffer = 0;  // 0 until created
    unsigned int texture = 0; // 0 until created
    // When true the buffer is assumed bound to GL_TEXTURE_BUFFER already and
    // uploads leave the binding alone.
    bool bound = false;
    // What upload has sent since the buffer was made (fill not counted).
    std::size_t uploadedBytes = 0;
    std::size_t uploadCalls = 0;

    // Makes the buffer (size in bytes, no data) and its texture.
    void create(std::size_t size);
    // Replaces the whole content with `values` and forgets pending changes.
    void fill(const std::vector<float>& values);
    // Records that values[index] changed; no GL call, so it works before
    // the buffer exists too. `index` must be one of the mirrored array's.
    void markChanged(std::uint32_t index);
    bool hasChanges() const { return !changed.empty(); }
    // The runs the next upload of `values` would send.
    std::vector<Run> pendingRuns(const std::vector<float>& values) const;
    // Sends the changed values of `values` (the array this buffer mirrors)
    // if the buffer exists, and forgets the changes either way.
    void upload(const std::vector<float>& values);
    // Deletes the GL objects; the context must be current.
    void destroy();

private:
    // Sorts `indices` and cuts them into runs within `count` values.
    static void collectRuns(std::vector<std::uint32_t>& indices, std::size_t count, std::vector<Run>& out);
    void forgetChanges();

    // Each changed index once, in the order of the first change.
    std::vector<std::uint32_t> changed;
    // Whether an index is in `changed`; grows with the largest index seen.
    std::vector<bool> pending;
    // Scratch of upload, kept so that frames do not allocate.
    std::vector<Run> runs;
};

} // namespace BV
