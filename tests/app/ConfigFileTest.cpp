// The lines the configuration accepts, with what they store. The lines that
// end the process are tested on the real executable (tests/process).
#include <gtest/gtest.h>

#include "app/ConfigFile.h"
#include "support/TestSupport.h"

namespace BV {
namespace {

TEST(ConfigFileTest, BlanksCommentsAndCarriageReturnsAreIgnoredAndValuesCutWhereTheGameReadsThem)
{
    const auto loadText = [](const std::string& text) {
        delete ConfigFile::getInstance();
        testkit::writeFile("Brevamoor.config", text);
        ConfigFile::getInstance()->load();
        return ConfigFile::getInstance();
    };
    for (const char* text : {"fullscreen=1\n", "fullscreen = 1\n", "fullscreen\t=\t1\n", "\t\tfullscreen=1\n",
                             "   fullscreen =1   \n", "\t fullscreen\t= 1\n"}) {
        EXPECT_EQ(loadText(text)->getValue<unsigned short>("fullscreen"), 1) << text;
    }
    ConfigFile* config = loadText("; settings\r\n\r\n   \r\nrefresh_rate = 60 ; Hz\r\nplanet_size=4;\r\n"
                                  "resolution_x = 1280\r\n");
    EXPECT_EQ(config->getValue<unsigned short>("refresh_rate"), 60);
    EXPECT_EQ(config->getValue<unsigned short>("planet_size"), 4);
    EXPECT_EQ(config->getValue<unsigned int>("resolution_x"), 1280u);

    // A key is cut at its first blank, a value keeps inner blanks and equals
    // signs; numbers are read from the front of the value, signed keys keep
    // their sign and unread keys holding words load without complaint.
    testkit::LogWatch watch;
    config = loadText("window width = 800 px\nformula = a=b\n   = 7\nresolution_x = 1280px\nresolution_y =   720 tall\n"
                      "speed = 2.5 fast\noffset = -3\nfullscreen = yes\n");
    EXPECT_EQ(config->getValue<std::string>("window"), "800");
    EXPECT_EQ(config->getValue<unsigned short>(""), 7);
    EXPECT_EQ(config->getValue<std::string>("formula"), "a=b");
    EXPECT_EQ(config->getValue<unsigned int>("resolution_x"), 1280u);
    EXPECT_EQ(config->getValue<unsigned int>("resolution_y"), 720u);
    EXPECT_FLOAT_EQ(config->getValue<float>("speed"), 2.5f);
    EXPECT_EQ(config->getValue<int>("offset"), -3);
    EXPECT_TRUE(watch.criticalLines().empty());
    std::remove("Brevamoor.config");
}

} // namespace
} // namespace BV
