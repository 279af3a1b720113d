#include "game/TextureBuffer.h"

#include <algorithm>

#include <GL/glew.h>

namespace BV {

void TextureBuffer::create(std::size_t size)
{
    glGenBuffers(1, &buffer);
    glBindBuffer(GL_TEXTURE_BUFFER, buffer);
    glBufferData(GL_TEXTURE_BUFFER, static_cast<GLsizeiptr>(size), nullptr, GL_DYNAMIC_DRAW);
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_BUFFER, texture);
    glTexBuffer(GL_TEXTURE_BUFFER, GL_R32F, buffer);
    glBindTexture(GL_TEXTURE_BUFFER, 0);
    glBindBuffer(GL_TEXTURE_BUFFER, 0);
    bound = false;
    uploadedBytes = 0;
    uploadCalls = 0;
}

void TextureBuffer::fill(const std::vector<float>& values)
{
    glBindBuffer(GL_TEXTURE_BUFFER, buffer);
    glBufferData(GL_TEXTURE_BUFFER, static_cast<GLsizeiptr>(values.size() * sizeof(float)), values.data(),
                 GL_DYNAMIC_DRAW);
    glBindBuffer(GL_TEXTURE_BUFFER, 0);
    forgetChanges();
}

void TextureBuffer::markChanged(std::uint32_t index)
{
    if (index >= pending.size()) {
        pending.resize(static_cast<std::size_t>(index) + 1, false);
    }
    if (!pending[index]) {
        pending[index] = true;
        changed.push_back(index);
    }
}

void TextureBuffer::collectRuns(std::vector<std::uint32_t>& indices, std::size_t count, std::vector<Run>& out)
{
    out.clear();
    std::sort(indices.begin(), indices.end());
    for (std::uint32_t index : indices) {
        if (index >= count) {
            break; // only a bad index lies past the array; send what exists
        }
        if (!out.empty() && index - out.back().end <= kRunGap) {
            out.back().end = index + 1;
        } else {
            out.push_back({index, index + 1});
        }
    }
}

std::vector<TextureBuffer::Run> TextureBuffer::pendingRuns(const std::vector<float>& values) const
{
    std::vector<std::uint32_t> indices = changed;
    std::vector<Run> result;
    collectRuns(indices, values.size(), result);
    return result;
}

void TextureBuffer::upload(const std::vector<float>& values)
{
    if (!hasChanges()) {
        return;
    }
    if (buffer != 0) {
        collectRuns(changed, values.size(), runs);
        if (!bound) {
            glBindBuffer(GL_TEXTURE_BUFFER, buffer);
        }
        for (const Run& run : runs) {
            const std::size_t bytes = (run.end - run.first) * sizeof(float);
            glBufferSubData(GL_TEXTURE_BUFFER, static_cast<GLintptr>(run.first * sizeof(float)),
                            static_cast<GLsizeiptr>(bytes), &values[run.first]);
            uploadedBytes += bytes;
            ++uploadCalls;
        }
        if (!bound) {
            glBindBuffer(GL_TEXTURE_BUFFER, 0);
        }
    }
    forgetChanges();
}

void TextureBuffer::forgetChanges()
{
    for (std::uint32_t index : changed) {
        pending[index] = false;
    }
    changed.clear();
}

void TextureBuffer::destroy()
{
    if (texture != 0) {
        glDeleteTextures(1, &texture);
        texture = 0;
    }
    if (buffer != 0) {
        glDeleteBuffers(1, &buffer);
        buffer = 0;
    }
}

} // namespace BV
