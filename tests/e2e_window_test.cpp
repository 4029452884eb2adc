// The real windowed game (SDL) on a virtual X server: it opens its window
// and GL context, plays a script and ends on Escape.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "support/run_report.h"
#include "support/test_support.h"

namespace delver {
namespace {

bool HaveXvfb() { return std::system("command -v xvfb-run >/dev/null 2>&1 && command -v Xvfb >/dev/null 2>&1") == 0; }

TEST(WindowedGame, OpensItsWindowPlaysTheScriptAndEndsOnEscape) {
    if (!HaveXvfb()) GTEST_SKIP() << "xvfb-run is not installed: the windowed game cannot be shown here";
    testing::ScratchDir dir;
    std::filesystem::create_directories(dir.path() / "map");
    std::ofstream(dir.path() / "script.txt") << "5 tap F3\n"
                                                "8 mouse 100 100\n"
                                                "20 click right\n"
                                                "30 tap RBRACKET\n"
                                                "40 tap ESC\n";
    std::string out, err;
    // The window must open for real: DISPLAY comes from xvfb-run, and the
    // game refuses SDL's invisible fallback.
    std::string command = "timeout 180 xvfb-run -a -s '-screen 0 1280x1024x24 -noreset' '" +
                          std::string(DELVER_BINARY) + "' -C '" + dir.path().string() +
                          "' --seed 9 --frames 200 --input script.txt --report";
    int status = testing::RunCommand(command, &out, &err);
    ASSERT_EQ(status, 0) << err;
    EXPECT_EQ(testing::JsonNumber(out, "frames").value_or(-1), 41);
    EXPECT_EQ(testing::JsonNumber(out, "pixel_zoom").value_or(-1), 3);
    EXPECT_EQ(testing::JsonNumber(out, "mouse_look").value_or(-1), 1);
    EXPECT_EQ(testing::JsonNumber(out, "view_distance").value_or(-1), 7);
    // Real sleeps: the overworld pause (1000 ms), ] (100 ms).
    EXPECT_EQ(testing::JsonNumber(out, "slept_ms").value_or(-1), 1100);
}

TEST(WindowedGame, WithoutADisplayItSaysSoAndPointsToHeadless) {
    testing::ScratchDir dir;
    std::string out, err;
    std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY timeout 60 '" + std::string(DELVER_BINARY) + "' -C '" +
                          dir.path().string() + "' --frames 5";
    int status = testing::RunCommand(command, &out, &err);
    EXPECT_NE(status, 0);
    EXPECT_NE(err.find("--headless"), std::string::npos) << err;
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "map"));
}

}  // namespace
}  // namespace delver
