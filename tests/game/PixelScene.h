#pragma once

// A real game set up for the tests that read its frames: towers placed from a table, variants of the planet's shader,
// and frames drawn and saved.

#include <string>
#include <vector>

#include "game/GameFixture.h"
#include "game/Tower.h"
#include "resources/Material.h"
#include "resources/ShaderProgram.h"
#include "resources/ShaderProgramLoader.h"
#include "support/Pixels.h"

namespace BV::testkit {

class PixelGame : public GameFixture {
protected:
    // A finished tower to stand on the tile nearest `at`; a garrison of -1 keeps the one it is built with, any other
    // holds still at that count.
    struct TowerAt {
        Player* side;
        glm::vec3 at;
        int units = -1;
    };

    // The towers, then one frame that lets them claim their land.
    std::vector<Tower*> place(const std::vector<TowerAt>& towers, double dt = 0.02)
    {
        std::vector<Tower*> placed;
        for (const TowerAt& t : towers) {
            placed.push_back(game->createTower(&planet->tiles[planet->getTileIndexAt(t.at)], t.side, true));
        }
        step(dt);
        for (std::size_t i = 0; i < placed.size(); ++i) {
            if (towers[i].units >= 0) {
                placed[i]->productionInterval = 1e6f;
                placed[i]->setUnitCount(static_cast<std::uint16_t>(towers[i].units));
            }
        }
        return placed;
    }

    // The planet's program with `line` of its fragment shader replaced, saved as `file`; null when the shader no longer
    // has that line.
    ShaderProgram* planetVariant(const std::string& file, const std::string& line, const std::string& replacement)
    {
        std::string source = readFile("resources/shader/planet.frag");
        const std::size_t at = source.find(line);
        if (at == std::string::npos) {
            return nullptr;
        }
        writeFile(file, source.replace(at, line.size(), replacement));
        auto* programs = static_cast<ShaderProgramLoader*>(ResourceManager::getInstance()->getLoader("shdr"));
        ShaderProgram* program = programs->createProgram("resources/shader/planet.vert", file.c_str());
        program->ensureLoaded();
        return program->getHandle() != 0 ? program : nullptr;
    }

    // The window's whole picture, saved as `png` in the build tree.
    static std::vector<unsigned char> saved(const std::string& png, const std::vector<unsigned char>& frame)
    {
        savePng(png, scenetest::WINDOW_WIDTH, scenetest::WINDOW_HEIGHT, frame);
        return frame;
    }
};

} // namespace BV::testkit
