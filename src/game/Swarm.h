#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include <glm/glm.hpp>

#include "scene/TextureBillboard.h"

namespace BV {

class Building;
class Game;
class Player;
class Texture;

// A group of units in flight from one building to a target, simulated as a
// cloud of point particles that follow a moving centre and drawn as one
// instanced batch of glowing dots. Units that come within reach of the target
// drop out of the cloud one by one (onUnitArrived); when the cloud is empty
// or its centre reaches the target, the rest arrive at once (onArrived).
//
// Made by a tower's attack or build and handed to the game's addEntity, which
// owns it from then on; the subclass queues it with removeEntity once it has
// arrived, and the game deletes it at the next frame's removals.
class Swarm : public TextureBillboard {
public:
    // Entries of the "SwarmPositions" block in swarm.vert. A swarm carries at
    // most 160 units (a full tower's founding party) and only the first half
    // is drawn, so the block always holds every drawn unit; a larger swarm
    // would draw only this many.
    static constexpr std::size_t kBlockEntries = 160;

    struct Particle {
        glm::vec3 position{0.0f};     // world units
        glm::vec3 acceleration{0.0f}; // world units per frame, per frame
        glm::vec3 velocity{0.0f};     // world units per frame
    };

    // count units launched at start (world units) towards target, the centre
    // moving at speed world units per second. The texture is the resource
    // manager's. Needs the GL context. Rolls the dice three times per unit.
    Swarm(std::uint16_t count, const glm::vec3& start, const glm::vec3& target, float speed, Texture* texture);
    ~Swarm() override;

    // Flight of the centre, the particles' pull towards it, the upload of
    // their positions and the arrivals. dt in seconds. Does nothing once the
    // swarm has finished.
    void update(double dt) override;
    // Additive blending, the position block and the owner's "color".
    void prepareDraw() override;
    // Back to alpha blending.
    void finishDraw() override;

    // One unit reached the target and has left the cloud.
    virtual void onUnitArrived() {}
    // The remaining units reached the target.
    virtual void onArrived() {}
    // Whether the human player can see the swarm where it is now.
    virtual void updateVisibility() {}

    const glm::vec3& getStart() const { return start; }
    const glm::vec3& getTarget() const { return target; }
    const glm::vec3& getCentre() const { return centre; }
    const glm::vec3& getColour() const { return colour; }
    float getSpeed() const { return speed; }
    std::uint16_t getUnitCount() const { return unitCount; }
    const std::vector<Particle>& getParticles() const { return particles; }
    std::uint32_t getPositionBuffer() const { return positionBuffer; }
    // Whether the swarm has arrived and queued itself for removal.
    bool isFinished() const { return finished; }

    // The side length of the cube the units start in around their tower,
    // world units: smaller on finer planets.
    static int spreadFor(int planetSize);
    // The "planet_size" setting; never 0, so speeds can be divided by it.
    static std::uint16_t planetSize();
    // Where a swarm leaves or meets a building: the centre of its node's
    // world box, or its tile's position while that box is not known yet (a
    // tower founded in this frame, a building without a node).
    static glm::vec3 centreOf(const Building* building);
    // "resources/textures/swarm.dds" from the resource manager.
    static Texture* dotTexture();

protected:
    // Called by the subclasses' onArrived: marks the swarm finished and queues
    // it for removal, once only.
    void finish(Game* game);
    // The swarm of a computer player is visible only over the human player's
    // land and the tiles it has seen; the human player's own swarms always
    // are.
    void showWhereHumanSees(const Player* owner, const Game* game);

    glm::vec3 start;
    glm::vec3 target;
    float speed; // world units per second
    std::uint16_t unitCount;
    std::uint32_t positionBuffer = 0; // GL uniform buffer; deleted with the swarm
    std::vector<Particle> particles;  // one per live unit, in creation order
    // Sized once at creation; entry i is particle i's position and 0.
    std::vector<glm::vec4> uploadPositions;
    glm::vec3 centre;
    glm::vec3 colour{1.0f}; // the owner's in the subclasses
    float startRadius;      // distance of start from the planet's centre
    float targetRadius;     // distance of target from the planet's centre

private:
    void moveCentre(double dt);
    glm::vec3 headingTo(const glm::vec3& toTarget) const;
    void moveParticles(double dt);
    void uploadParticles();
    void takeArrivals();
    void countInstances();
    void fitBox();

    // False during the update inside the constructor: units that start within
    // reach of the target then wait for the first real update, where the
    // subclass is complete and they fight or found like every other unit.
    bool launched = false;
    // Half the side of the box the units start in plus a dot: the smallest
    // reach of the swarm's box around its centre, world units.
    float minimumReach = 0.0f;
    bool finished = false;
};

} // namespace BV
