#pragma once

#include <cstdint>
#include <list>
#include <string>
#include <unordered_map>

#include <glm/glm.hpp>
#include <glm/gtc/quaternion.hpp>

namespace BV {

class RenderQueue;

// Anything with a place in the world: scene nodes and cameras.
//
// World transforms are refreshed lazily. A change marks the node dirty and
// reports it once up the tree (queuedAtParent); one update walk from the root
// per frame then visits only the marked nodes, plus every node below a node
// whose own transform changed.
//
// Nodes never own their children or their parent: whoever created a node
// deletes it, and deleting it detaches it from both sides.
class Node {
public:
    // The spaces `translate` understands. Only these two are used.
    enum TransformSpace : int {
        TS_LOCAL = 0,  // along the node's own axes
        TS_PARENT = 2, // along the parent's axes
    };

    using ChildMap = std::unordered_map<std::string, Node*>;

    // Without a name the node is called "Node_<n>", n counting every unnamed
    // node of the process from 1.
    Node();
    explicit Node(const std::string& name);

    virtual void refreshWorldTransform();
    virtual Node* createChild(const std::string& name) = 0;
    virtual Node* createChild() = 0;
    virtual void collectRenderables(RenderQueue& queue) = 0;
    virtual ~Node();

    virtual void update(bool updateChildren, bool parentChanged);
    // Takes the child from its current parent first. A child already stored
    // under the same name is replaced (and detached, so that it never points
    // at a parent that no longer knows it).
    virtual void addChild(Node* child);
    virtual std::uint16_t numChildren() const;
    virtual Node* getChild(const std::string& name) const;
    virtual Node* getChild(std::uint16_t index) const;
    virtual void removeChild(const std::string& name);
    // Only detaches this very node: another child that happens to carry the
    // same name stays where it is.
    virtual void removeChild(Node* child);
    virtual void removeChild(std::uint16_t index);
    virtual void removeAllChildren();
    virtual void markDirty(bool forceNotify);
    virtual void queueChildUpdate(Node* child, bool forceNotify);
    virtual void dequeueChildUpdate(Node* child);

    // space: TS_LOCAL rotates the offset by the node's orientation first,
    // TS_PARENT adds it as it is; any other value only marks the node dirty.
    void translate(const glm::vec3& offset, int space);
    // angle in radians, about the axis in the node's own frame.
    void rotate(const glm::vec3& axis, float angle);
    // Built from the derived world values; does not refresh them, so run the
    // frame's update (or refreshWorldTransform) first.
    const glm::mat4& getWorldMatrix();

    const std::string& getName() const { return name; }
    Node* getParent() const { return parent; }
    const ChildMap& getChildren() const { return children; }
    const std::list<Node*>& getPendingChildren() const { return pendingChildren; }
    bool isChildrenDirty() const { return childrenDirty; }
    bool isTransformDirty() const { return transformDirty; }
    bool isMatrixDirty() const { return matrixDirty; }
    bool isQueuedAtParent() const { return queuedAtParent; }
    const glm::vec3& getWorldPosition() const { return worldPosition; }
    const glm::vec3& getWorldScale() const { return worldScale; }
    const glm::quat& getWorldOrientation() const { return worldOrientation; }

    // Local transform relative to the parent. Code that writes these directly
    // must call markDirty(false) afterwards.
    glm::vec3 position{0.0f};
    glm::vec3 scale{1.0f};
    glm::quat orientation{1.0f, 0.0f, 0.0f, 0.0f}; // w, x, y, z: the identity
    bool inheritScale = true;
    bool inheritOrientation = true;

protected:
    Node* parent = nullptr;
    // Children that asked to be updated; only walked while childrenDirty is false.
    std::list<Node*> pendingChildren;
    ChildMap children;
    std::string name;
    bool childrenDirty = true;
    bool transformDirty = true;
    bool matrixDirty = true;
    bool queuedAtParent = false;
    glm::vec3 worldPosition{0.0f};
    glm::vec3 worldScale{1.0f};
    glm::quat worldOrientation{1.0f, 0.0f, 0.0f, 0.0f};
    glm::mat4 worldMatrix{1.0f};

private:
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;

    // Clears the child's link to this node; the caller erases the map entry.
    void detach(Node* child);
    static std::string generateName();
};

} // namespace BV
