#include "scene/RenderQueue.h"

#include <unordered_set>

#include "resources/Material.h"
#include "scene/Renderable.h"

namespace BV {

RenderQueue::~RenderQueue()
{
    clear();
}

void RenderQueue::add(Renderable* renderable)
{
    Material* material = renderable->getMaterial();
    ShaderProgram* program = material ? material->program : nullptr;
    passes[renderable->pass][program].push_back(renderable);
    if (renderable->castsShadow) {
        passes[SHADOW_PASS][nullptr].push_back(renderable);
    }
}

RenderQueue::ProgramGroups* RenderQueue::getPass(std::int32_t pass)
{
    auto found = passes.find(pass);
    return found == passes.end() ? nullptr : &found->second;
}

// The pass's groups and their lists stay, emptied, so the next frame files
// its requests without allocating again.
void RenderQueue::removePass(std::int32_t pass)
{
    auto found = passes.find(pass);
    if (found == passes.end()) {
        return;
    }
    for (auto& group : found->second) {
        group.second.clear();
    }
}

std::size_t RenderQueue::count(std::int32_t pass) const
{
    auto found = passes.find(pass);
    if (found == passes.end()) {
        return 0;
    }
    std::size_t total = 0;
    for (const auto& group : found->second) {
        total += group.second.size();
    }
    return total;
}

bool RenderQueue::isEmpty() const
{
    for (const auto& pass : passes) {
        for (const auto& group : pass.second) {
            if (!group.second.empty()) {
                return false;
            }
        }
    }
    return true;
}

void RenderQueue::clear()
{
    // A shadow caster is listed twice; delete each renderable once.
    std::unordered_set<Renderable*> owned;
    for (const auto& pass : passes) {
        for (const auto& group : pass.second) {
            owned.insert(group.second.begin(), group.second.end());
        }
    }
    passes.clear();
    for (Renderable* renderable : owned) {
        delete renderable;
    }
}

} // namespace BV
