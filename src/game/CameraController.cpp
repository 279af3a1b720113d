#include "game/CameraController.h"

#include <GLFW/glfw3.h>

#include "scene/Camera.h"
#include "scene/Statistics.h"

namespace BV {

namespace {
// One radian per 1000 pixels of right-button drag.
constexpr float dragRadiansPerPixel = 0.001f;

struct TurningKey {
    int key;
    int sign;
};
// Order matches CameraController::held.
constexpr TurningKey turningKeys[6] = {
    {GLFW_KEY_W, -1}, {GLFW_KEY_S, +1}, // pitch
    {GLFW_KEY_A, -1}, {GLFW_KEY_D, +1}, // yaw
    {GLFW_KEY_Q, -1}, {GLFW_KEY_E, +1}, // roll
};

int turningKeyIndex(int key)
{
    for (int i = 0; i < 6; ++i) {
        if (turningKeys[i].key == key) {
            return i;
        }
    }
    return -1;
}
} // namespace

CameraController::CameraController(Camera* camera, double minDistance, double maxDistance, double zoomSpeed,
                                   double rotationSpeed)
    : camera(camera), zoomSpeed(zoomSpeed), rotationSpeed(rotationSpeed), minDistance(minDistance),
      maxDistance(maxDistance), distance(minDistance + (maxDistance - minDistance) * 0.5)
{
    camera->position = glm::vec3(0.0f, 0.0f, static_cast<float>(distance));
    camera->markDirty(false);
}

int* CameraController::counterFor(int key, int& sign)
{
    const int index = turningKeyIndex(key);
    if (index < 0) {
        return nullptr;
    }
    sign = turningKeys[index].sign;
    switch (index / 2) {
    case 0: return &pitchDirection;
    case 1: return &yawDirection;
    default: return &rollDirection;
    }
}

void CameraController::update(double dt)
{
    Node* pivot = camera->getParent();
    if (!pivot) {
        return;
    }
    pivot->rotate(glm::vec3(0, 1, 0), static_cast<float>(yawDirection * rotationSpeed * dt));
    pivot->rotate(glm::vec3(1, 0, 0), static_cast<float>(pitchDirection * rotationSpeed * dt));
    pivot->rotate(glm::vec3(0, 0, 1), static_cast<float>(rollDirection * rotationSpeed * dt));
}

void CameraController::onKeyPressed(int key, int, int)
{
    int sign = 0;
    int* counter = counterFor(key, sign);
    const int index = turningKeyIndex(key);
    if (counter && !held[index]) {
        held[index] = true;
        *counter += sign;
    }
}

// A release whose press never reached us (the key went down before the game
// listened) is ignored; counting it would leave the planet spinning until the
// player happened to press that key again.
void CameraController::onKeyReleased(int key, int, int)
{
    int sign = 0;
    int* counter = counterFor(key, sign);
    const int index = turningKeyIndex(key);
    if (counter) {
        if (held[index]) {
            held[index] = false;
            *counter -= sign;
        }
        return;
    }
    Statistics* statistics = Statistics::getInstance();
    switch (key) {
    case GLFW_KEY_F2: statistics->toggleOverlay(); break;
    case GLFW_KEY_F3: statistics->toggleWireframe(); break;
    case GLFW_KEY_F4: statistics->toggleSamplingQuality(); break;
    case GLFW_KEY_F5: statistics->toggleMipmapQuality(); break;
    case GLFW_KEY_F8: statistics->toggleCulling(); break;
    case GLFW_KEY_F9: statistics->toggleBlending(); break;
    default: break;
    }
}

void CameraController::onKeyRepeated(int, int, int) {}

void CameraController::onMouseMoved(glm::vec2 position)
{
    if (!dragging) {
        return;
    }
    const float dx = lastMouse.x - position.x;
    const float dy = lastMouse.y - position.y;
    if (Node* pivot = camera->getParent()) {
        pivot->rotate(glm::vec3(0, 1, 0), dx * dragRadiansPerPixel);
        pivot->rotate(glm::vec3(1, 0, 0), dy * dragRadiansPerPixel);
    }
    lastMouse = position;
}

void CameraController::onMouseButtonPressed(int button, glm::vec2 position, int)
{
    if (!dragging && button == GLFW_MOUSE_BUTTON_RIGHT) {
        dragging = true;
        lastMouse = position;
    }
}

void CameraController::onMouseButtonReleased(int button, glm::vec2, int)
{
    if (dragging && button == GLFW_MOUSE_BUTTON_RIGHT) {
        dragging = false;
    }
}

// Positive offsets (wheel turned away from the player) bring the camera
// closer; the move is clamped so the distance stays within its limits.
void CameraController::onMouseScrolled(double offset)
{
    double delta = -(zoomSpeed * offset);
    if (distance + delta > maxDistance) {
        delta = maxDistance - distance;
    } else if (distance + delta < minDistance) {
        delta = minDistance - distance;
    }
    distance += delta;
    camera->translate(glm::vec3(0.0f, 0.0f, static_cast<float>(delta)), Node::TS_LOCAL);
}

} // namespace BV
