#pragma once

#include <glm/vec2.hpp>

#include "app/Window.h"

namespace BV {

class Camera;

// Swings the camera around the planet by turning its parent (the pivot at
// the planet's centre) and zooms by moving the camera along its own z axis.
// Also carries the debug function keys of the statistics overlay.
class CameraController final : public Window::KeyListener, public Window::MouseListener {
public:
    // Distances in world units, zoomSpeed in units per wheel step,
    // rotationSpeed in radians per second. The camera starts half way
    // between the two distances.
    CameraController(Camera* camera, double minDistance, double maxDistance, double zoomSpeed, double rotationSpeed);

    // Turns the pivot for the keys held during dt seconds.
    void update(double dt);

    void onKeyPressed(int key, int scancode, int mods) override;
    void onKeyReleased(int key, int scancode, int mods) override;
    void onKeyRepeated(int key, int scancode, int mods) override;
    void onMouseMoved(glm::vec2 position) override;
    void onMouseButtonPressed(int button, glm::vec2 position, int mods) override;
    void onMouseButtonReleased(int button, glm::vec2 position, int mods) override;
    void onMouseScrolled(double offset) override;

    int getYawDirection() const { return yawDirection; }
    int getPitchDirection() const { return pitchDirection; }
    int getRollDirection() const { return rollDirection; }
    double getDistance() const { return distance; }
    bool isDragging() const { return dragging; }

private:
    // The direction a turning key adds while held (+1 or -1), and which
    // counter it drives; null for any other key.
    int* counterFor(int key, int& sign);

    Camera* camera;
    double zoomSpeed;
    double rotationSpeed;
    double minDistance;
    double maxDistance;
    double distance;
    // Signed counters: each held key adds its direction, so opposite keys
    // held together cancel.
    int yawDirection = 0;
    int pitchDirection = 0;
    int rollDirection = 0;
    // Which turning keys are down (W, S, A, D, Q, E): a release is only
    // counted for a key whose press was counted.
    bool held[6] = {false, false, false, false, false, false};
    bool dragging = false;
    glm::vec2 lastMouse{0.0f, 0.0f};
};

} // namespace BV
