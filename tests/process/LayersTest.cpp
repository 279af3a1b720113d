// The program's layers, app <- resources <- scene <- game: every include in
// src/ points to its own folder or one below it; only main.cpp, outside them
// all, puts every layer together.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <string>

#include "support/TestSupport.h"

TEST(LayersTest, EveryIncludeInSourcePointsToItsOwnLayerOrOneBelow)
{
    const std::string layers[] = {"app", "resources", "scene", "game"};
    const std::regex include("#include \"([a-z]+)/");
    int files = 0;
    for (int level = 0; level < 4; ++level) {
        const std::filesystem::path folder = std::filesystem::path(BV_SOURCE_DIR) / "src" / layers[level];
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
            const std::string text = BV::testkit::readFile(entry.path().string());
            ++files;
            for (std::sregex_iterator it(text.begin(), text.end(), include), end; it != end; ++it)
                EXPECT_LE(std::find(layers, layers + 4, (*it)[1]) - layers, level) << entry.path() << " " << it->str();
        }
    }
    EXPECT_GT(files, 100);
}
