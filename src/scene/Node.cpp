#include "scene/Node.h"

#include <cmath>
#include <iterator>

#include <glm/gtc/matrix_transform.hpp>

#include "app/Log.h"

namespace BV {

std::string Node::generateName()
{
    // Shared by every kind of node, so names stay unique across the process.
    static unsigned long counter = 0;
    ++counter;
    return "Node_" + std::to_string(counter);
}

Node::Node() : name(generateName()) {}

Node::Node(const std::string& name) : name(name) {}

Node::~Node()
{
    removeAllChildren();
    if (parent) {
        parent->removeChild(this);
    }
}

// ---------------------------------------------------------------------------
// Tree
// ---------------------------------------------------------------------------

void Node::addChild(Node* child)
{
    if (!child || child == this) {
        return;
    }
    if (child->parent) {
        child->parent->removeChild(child);
    }
    auto existing = children.find(child->name);
    if (existing != children.end()) {
        // The replaced node must not keep pointing at us: we no longer list
        // it, so nothing would ever clear that pointer again.
        detach(existing->second);
        existing->second = child;
    } else {
        children.emplace(child->name, child);
    }
    child->parent = this;
    child->queuedAtParent = false;
    child->markDirty(false);
}

std::uint16_t Node::numChildren() const
{
    return static_cast<std::uint16_t>(children.size());
}

Node* Node::getChild(const std::string& childName) const
{
    auto found = children.find(childName);
    return found == children.end() ? nullptr : found->second;
}

Node* Node::getChild(std::uint16_t index) const
{
    if (index >= numChildren()) {
        return nullptr;
    }
    return std::next(children.begin(), index)->second;
}

void Node::detach(Node* child)
{
    dequeueChildUpdate(child);
    child->parent = nullptr;
    child->queuedAtParent = false;
    child->markDirty(false);
}

void Node::removeChild(const std::string& childName)
{
    auto found = children.find(childName);
    if (found == children.end()) {
        Log::getInstance().write("Trying to remove Child (" + childName + ") which does not exist", CRITICAL);
        return;
    }
    detach(found->second);
    children.erase(found);
}

void Node::removeChild(Node* child)
{
    if (!child) {
        return;
    }
    auto found = children.find(child->name);
    if (found == children.end() || found->second != child) {
        Log::getInstance().write("Trying to remove Child (" + child->name + ") which does not exist", CRITICAL);
        return;
    }
    detach(child);
    children.erase(found);
}

void Node::removeChild(std::uint16_t index)
{
    if (index >= numChildren()) {
        Log::getInstance().write("Trying to remove Child out of range!", CRITICAL);
        return;
    }
    auto found = std::next(children.begin(), index);
    detach(found->second);
    children.erase(found);
}

void Node::removeAllChildren()
{
    for (auto& entry : children) {
        Node* child = entry.second;
        child->parent = nullptr;
        child->queuedAtParent = false;
        child->markDirty(false);
    }
    children.clear();
    pendingChildren.clear();
}

// ---------------------------------------------------------------------------
// Lazy update
// ---------------------------------------------------------------------------

void Node::refreshWorldTransform()
{
    if (!parent) {
        worldPosition = position;
        worldScale = scale;
        worldOrientation = orientation;
    } else {
        if (parent->transformDirty) {
            parent->refreshWorldTransform();
        }
        worldScale = inheritScale ? scale * parent->worldScale : scale;
        worldOrientation = inheritOrientation ? parent->worldOrientation * orientation : orientation;
        // The parent's scale and orientation always carry the position, so a
        // child stays attached to the same point of its parent whatever it
        // inherits for itself.
        worldPosition = parent->worldOrientation * (parent->worldScale * position) + parent->worldPosition;
    }
    transformDirty = false;
    matrixDirty = true;
}

void Node::update(bool updateChildren, bool parentChanged)
{
    queuedAtParent = false;
    if (transformDirty || parentChanged) {
        refreshWorldTransform();
    }
    if (updateChildren) {
        if (!childrenDirty && !parentChanged) {
            for (Node* child : pendingChildren) {
                child->update(true, false);
            }
        } else {
            for (auto& entry : children) {
                entry.second->update(true, true);
            }
        }
        pendingChildren.clear();
        childrenDirty = false;
    }
}

void Node::markDirty(bool forceNotify)
{
    childrenDirty = true;
    transformDirty = true;
    matrixDirty = true;
    if (parent && (!queuedAtParent || forceNotify)) {
        parent->queueChildUpdate(this, forceNotify);
        queuedAtParent = true;
    }
    // Every child is updated anyway now.
    pendingChildren.clear();
}

void Node::queueChildUpdate(Node* child, bool forceNotify)
{
    if (childrenDirty) {
        return;
    }
    pendingChildren.push_back(child);
    if (parent && (!queuedAtParent || forceNotify)) {
        parent->queueChildUpdate(this, forceNotify);
        queuedAtParent = true;
    }
}

void Node::dequeueChildUpdate(Node* child)
{
    pendingChildren.remove(child);
    if (pendingChildren.empty() && parent && !childrenDirty) {
        parent->dequeueChildUpdate(this);
        queuedAtParent = false;
    }
}

// ---------------------------------------------------------------------------
// Transform
// ---------------------------------------------------------------------------

void Node::translate(const glm::vec3& offset, int space)
{
    switch (space) {
    case TS_LOCAL: position += orientation * offset; break;
    case TS_PARENT: position += offset; break;
    default: break;
    }
    markDirty(false);
}

void Node::rotate(const glm::vec3& axis, float angle)
{
    const float halfAngle = angle * 0.5f;
    const glm::vec3 v = axis * std::sin(halfAngle);
    glm::quat q(std::cos(halfAngle), v.x, v.y, v.z);
    const float length = glm::length(q);
    q = length == 0.0f ? glm::quat(1.0f, 0.0f, 0.0f, 0.0f) : q / length;
    orientation = orientation * q;
    markDirty(false);
}

const glm::mat4& Node::getWorldMatrix()
{
    if (matrixDirty) {
        worldMatrix = glm::translate(glm::mat4(1.0f), worldPosition) * glm::mat4_cast(worldOrientation) *
                      glm::scale(glm::mat4(1.0f), worldScale);
        matrixDirty = false;
    }
    return worldMatrix;
}

} // namespace BV
