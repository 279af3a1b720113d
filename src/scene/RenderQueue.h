#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace BV {

class Renderable;
class ShaderProgram;

// The frame's draw requests, grouped by pass, then by shader program, each
// group in the order the renderables were added. Filled by the scene's update,
// drained by its render.
//
// The queue owns every renderable from `add` until the renderer takes it out
// and deletes it. Shadow casters are listed a second time under SHADOW_PASS
// (null program); that second entry is not an owner.
class RenderQueue {
public:
    using RenderList = std::vector<Renderable*>;
    using ProgramGroups = std::unordered_map<ShaderProgram*, RenderList>;

    static constexpr std::int32_t SHADOW_PASS = 32;

    RenderQueue() = default;
    // Deletes whatever was never drawn, each renderable once.
    ~RenderQueue();

    // Files the renderable under its pass and its material's program (null
    // when it has no material or the material no program), and under
    // SHADOW_PASS too when it casts a shadow.
    void add(Renderable* renderable);

    // The groups of one pass, or null when nothing was ever filed under it.
    ProgramGroups* getPass(std::int32_t pass);
    // Empties the pass's lists without deleting anything; they keep their
    // storage for the next frame.
    void removePass(std::int32_t pass);
    // Renderables filed under the pass (all programs).
    std::size_t count(std::int32_t pass) const;
    bool isEmpty() const;
    // Deletes every renderable still queued, each once, and empties the queue.
    void clear();

private:
    std::unordered_map<std::int32_t, ProgramGroups> passes;
};

} // namespace BV
