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
}

void TextureBuffer::fill(const std::vector<float>& values)
{
    glBindBuffer(GL_TEXTURE_BUFFER, buffer);
    glBufferData(GL_TEXTURE_BUFFER, static_cast<GLsizeiptr>(values.size() * sizeof(float)), values.data(),
                 GL_DYNAMIC_DRAW);
    glBindBuffer(GL_TEXTURE_BUFFER, 0);
    changedFirst = UINT32_MAX;
    changedEnd = 0;
}

void TextureBuffer::markChanged(std::uint32_t index)
{
    changedFirst = std::min(changedFirst, index);
    changedEnd = std::max(changedEnd, index + 1);
}

void TextureBuffer::upload(const std::vector<float>& values)
{
    if (!hasChanges()) {
        return;
    }
    // A span past the array can only come from a bad index; send what exists.
    const std::uint32_t end = std::min(changedEnd, static_cast<std::uint32_t>(values.size()));
    if (buffer != 0 && changedFirst < end) {
        if (!bound) {
            glBindBuffer(GL_TEXTURE_BUFFER, buffer);
        }
        glBufferSubData(GL_TEXTURE_BUFFER, static_cast<GLintptr>(changedFirst * sizeof(float)),
                        static_cast<GLsizeiptr>((end - changedFirst) * sizeof(float)), &values[changedFirst]);
        if (!bound) {
            glBindBuffer(GL_TEXTURE_BUFFER, 0);
        }
    }
    changedFirst = UINT32_MAX;
    changedEnd = 0;
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
