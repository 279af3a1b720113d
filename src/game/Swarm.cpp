#include "game/Swarm.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include <GL/glew.h>

#include "app/ConfigFile.h"
#include "game/Building.h"
#include "game/Dice.h"
#include "game/Game.h"
#include "game/Planet.h"
#include "game/Player.h"
#include "game/Territory.h"
#include "resources/Material.h"
#include "resources/ResourceManager.h"
#include "resources/ShaderProgram.h"
#include "resources/Texture.h"
#include "scene/SceneNode.h"
#include "scene/Statistics.h"

namespace BV {

namespace {

const float kSize = 6.0f;                // world units, each side of a dot
const float kUnitReach = 10.0f;          // world units from the target at which a unit arrives
const float kSwarmReach = 5.0f;          // world units from the target at which the centre arrives
const float kSettleDistance = 20.0f;     // world units over which the centre sinks to the target's altitude
const GLuint kFirstInvalidBlock = 0x500; // block indices from here on mean "no such block"
const GLsizeiptr kEntryBytes = sizeof(glm::vec4);

// v with length `length`; v itself when it has no direction.
glm::vec3 scaledTo(const glm::vec3& v, float length)
{
    const float current = glm::length(v);
    return current > 0.0f ? v * (length / current) : v;
}

// The unit vector along v, or nothing when v is zero.
glm::vec3 directionOf(const glm::vec3& v)
{
    const float length = glm::length(v);
    return length > 0.0f ? v / length : glm::vec3(0.0f);
}

} // namespace

Swarm::Swarm(std::uint16_t count, const glm::vec3& start, const glm::vec3& target, float speed, Texture* texture)
    : TextureBillboard(texture, "resources/shader/swarm.frag", "resources/shader/swarm.vert", "swarm.mmat", kSize,
                       kSize),
      start(start), target(target), speed(speed), unitCount(count), centre(start), startRadius(glm::length(start)),
      targetRadius(glm::length(target))
{
    // Sized for the whole block once, so the shader never reads past the
    // buffer and no frame has to reallocate it.
    glGenBuffers(1, &positionBuffer);
    glBindBuffer(GL_UNIFORM_BUFFER, positionBuffer);
    glBufferData(GL_UNIFORM_BUFFER, static_cast<GLsizeiptr>(kBlockEntries) * kEntryBytes, nullptr, GL_DYNAMIC_DRAW);
    glBindBuffer(GL_UNIFORM_BUFFER, 0);

    const int spread = spreadFor(planetSize());
    const float half = static_cast<float>(spread) * 0.5f;
    particles.resize(count);
    for (Particle& particle : particles) {
        const float z = static_cast<float>(Dice::roll() % spread) - half;
        const float y = static_cast<float>(Dice::roll() % spread) - half;
        const float x = static_cast<float>(Dice::roll() % spread) - half;
        particle.position = start + glm::vec3(x, y, z);
    }
    minimumReach = static_cast<float>(spread) + kSize;
    box = BoundingBox(glm::vec3(-minimumReach), glm::vec3(minimumReach));
    passType = 8;
    countInstances();
    cullable = true;
    uploadPositions.assign(count, glm::vec4(0.0f));
    update(0.0);
    launched = true;
}

Swarm::~Swarm()
{
    if (positionBuffer != 0) {
        glDeleteBuffers(1, &positionBuffer);
    }
}

int Swarm::spreadFor(int planetSize)
{
    return std::max((6 - planetSize) * 4, 2);
}

std::uint16_t Swarm::planetSize()
{
    const auto size = ConfigFile::getInstance()->getValue<unsigned short>("planet_size");
    return std::max<std::uint16_t>(size, 1);
}

glm::vec3 Swarm::centreOf(const Building* building)
{
    if (building->node) {
        const BoundingBox& box = building->node->getBoundingBox();
        if (box.isFinite()) {
            return (box.minimum + box.maximum) * 0.5f;
        }
    }
    return building->tile.position;
}

Texture* Swarm::dotTexture()
{
    return static_cast<Texture*>(ResourceManager::getInstance()->getResource("resources/textures/swarm.dds"));
}

// ---- Per frame ---------------------------------------------------------------

void Swarm::update(double dt)
{
    if (finished) {
        return;
    }
    moveCentre(dt);
    if (node) {
        node->position = centre;
        node->markDirty(false);
        node->refreshWorldTransform();
    }
    moveParticles(dt);
    fitBox();
    uploadParticles();
    if (launched) {
        takeArrivals();
    }
    if (particles.empty() || glm::distance(centre, target) <= kSwarmReach) {
        onArrived();
    }
    updateVisibility();
}

// Straight at the target, then back to the launch altitude, so the centre
// follows the planet's curve; over the last 20 world units it sinks (or
// rises) to the target's altitude.
void Swarm::moveCentre(double dt)
{
    const glm::vec3 toTarget = target - centre;
    // A long frame must not carry the centre past the target: it would swing
    // to and fro around it without ever coming within reach.
    const float step = std::min(speed * static_cast<float>(dt), glm::length(toTarget));
    centre += headingTo(toTarget) * step;

    const glm::vec3 settled = scaledTo(centre, targetRadius);
    const float t = std::min(1.0f, glm::distance(target, settled) / kSettleDistance);
    centre = scaledTo(centre, startRadius) * t + settled * (1.0f - t);
}

// The unit direction the centre moves in. On the near half of the planet
// that is straight at the target. On the far half the straight line runs
// through the planet: moving along it and back up to the launch altitude
// would gain almost nothing per frame, and from the exact opposite point
// (where the two start towers stand) nothing at all. There the centre heads
// over the surface instead, on the great circle towards the target, or on a
// fixed one when every great circle leads there.
glm::vec3 Swarm::headingTo(const glm::vec3& toTarget) const
{
    if (glm::dot(centre, target) >= 0.0f) {
        return directionOf(toTarget);
    }
    const glm::vec3 up = directionOf(centre);
    const glm::vec3 across = toTarget - up * glm::dot(toTarget, up);
    if (glm::length(across) > 1e-3f * glm::length(toTarget)) {
        return glm::normalize(across);
    }
    const glm::vec3 axis = std::abs(up.x) < 0.9f ? glm::vec3(1.0f, 0.0f, 0.0f) : glm::vec3(0.0f, 1.0f, 0.0f);
    return glm::normalize(glm::cross(up, axis));
}

// Each unit is pulled towards the centre and pushed away from units closer
// than one world unit. Velocities carry over from frame to frame and are not
// scaled by dt, so the cloud keeps swirling around its centre.
void Swarm::moveParticles(double dt)
{
    const float pull = speed * static_cast<float>(dt) * 0.1f;
    const std::size_t count = particles.size();
    for (std::size_t i = 0; i < count; ++i) {
        Particle& particle = particles[i];
        glm::vec3 push(0.0f);
        int crowd = 0;
        for (const Particle& other : particles) {
            const glm::vec3 away = particle.position - other.position;
            // Within one world unit, pushed along the unit direction divided
            // by the distance: away / r^2.
            const float squared = glm::dot(away, away);
            if (squared > 0.0f && squared < 1.0f) {
                push += away / squared;
                ++crowd;
            }
        }
        const glm::vec3 cohesion = directionOf(centre - particle.position) * pull;
        const glm::vec3 separation = crowd > 0 ? directionOf(push / static_cast<float>(crowd)) * pull : glm::vec3(0.0f);
        particle.acceleration += cohesion + separation;
        particle.velocity += particle.acceleration;
        particle.position += particle.velocity;
        particle.acceleration = glm::vec3(0.0f);
        uploadPositions[i] = glm::vec4(particle.position, 0.0f);
    }
}

void Swarm::uploadParticles()
{
    const std::size_t entries = std::min(particles.size(), kBlockEntries);
    if (entries == 0) {
        return;
    }
    glBindBuffer(GL_UNIFORM_BUFFER, positionBuffer);
    glBufferSubData(GL_UNIFORM_BUFFER, 0, static_cast<GLsizeiptr>(entries) * kEntryBytes, uploadPositions.data());
    glBindBuffer(GL_UNIFORM_BUFFER, 0);
}

// From the last unit to the first, so the erasures do not disturb the walk;
// the others keep their order.
void Swarm::takeArrivals()
{
    for (std::size_t i = particles.size(); i-- > 0;) {
        if (glm::distance(particles[i].position, target) > kUnitReach) {
            continue;
        }
        onUnitArrived();
        particles.erase(particles.begin() + static_cast<std::ptrdiff_t>(i));
        --unitCount;
        countInstances();
    }
}

// The units swing around the centre ever wider as it moves on, well past
// the cube they started in: the box follows the farthest one, so culling
// never removes dots that are on screen.
void Swarm::fitBox()
{
    float reach = minimumReach;
    for (const Particle& particle : particles) {
        const glm::vec3 offset = glm::abs(particle.position - centre) + glm::vec3(kSize);
        reach = std::max(reach, std::max(offset.x, std::max(offset.y, offset.z)));
    }
    box = BoundingBox(glm::vec3(-reach), glm::vec3(reach));
}

// Half the units are drawn, never more than the position block holds.
void Swarm::countInstances()
{
    instanceCount = static_cast<std::uint32_t>(std::min<std::size_t>(unitCount / 2, kBlockEntries));
}

void Swarm::finish(Game* game)
{
    if (finished) {
        return;
    }
    finished = true;
    if (game) {
        game->removeEntity(this);
    }
}

void Swarm::showWhereHumanSees(const Player* owner, const Game* game)
{
    if (owner == humanPlayer || !humanPlayer || !game || !game->planet) {
        return;
    }
    // The seen tiles never list the human player's land, where an enemy swarm
    // matters most; the player sees the land they hold or once held too.
    const std::uint32_t tile = game->planet->getTileIndexAt(centre);
    const Territory* sight = humanPlayer->territory;
    visible = sight->hasHeld(tile) || sight->hasSeen(tile);
}

// ---- Drawing -----------------------------------------------------------------

void Swarm::prepareDraw()
{
    TextureBillboard::prepareDraw();
    // The dots add light: overlapping units glow brighter.
    glBlendFunc(GL_ONE, GL_ONE);
    if (Statistics::getInstance()->blending) {
        glEnable(GL_BLEND);
    } else {
        glDisable(GL_BLEND);
    }
    if (!material || !material->program) {
        return;
    }
    ShaderProgram* program = material->program;
    const GLuint block = program->getUniformBlockIndex("SwarmPositions");
    if (block < kFirstInvalidBlock) {
        // The block's own index is its binding point, as for the scene's
        // blocks, so the two never share a point within one program.
        glUniformBlockBinding(program->getHandle(), block, block);
        glBindBufferBase(GL_UNIFORM_BUFFER, block, positionBuffer);
    }
    glUniform3f(program->getUniformLocation("color"), colour.r, colour.g, colour.b);
}

void Swarm::finishDraw()
{
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

} // namespace BV
