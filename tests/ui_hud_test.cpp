// The status lines: their texts for given states, and the pixel rows and
// colour they land in.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

#include "gfx2d/frame.h"
#include "support/fake_platform.h"
#include "ui/hud.h"

namespace delver {
namespace {

TEST(HudText, LinesReadTheShellAndTheMouse) {
    ShellState shell;
    shell.ObjectivesFound = 3;
    shell.ObjectiveTotal = 12;
    shell.ViewDistance = 6;
    shell.PlayerCell[0] = 40;
    shell.PlayerCell[1] = 52;
    shell.PlayerCell[2] = 39;
    EXPECT_EQ(HudLineText(HudTitle, shell, 0, 0), "WIN32ZUVRINMARROWDELVER002A");
    EXPECT_EQ(HudLineText(HudObjective, shell, 0, 0), "Objective Number = 3 / 12  MVD = 6");
    EXPECT_EQ(HudLineText(HudPosition, shell, 160, 120), "SX=40,SY=52,SZ=39 mx=160 my=120");
    EXPECT_EQ(HudLineText(HudLineCount, shell, 0, 0), "");

    // The credit line uses only what the small font draws: space and codes
    // 33..122 without the backquote.
    std::string credit = HudLineText(HudCredit, shell, 0, 0);
    ASSERT_FALSE(credit.empty());
    for (char ch : credit) {
        bool drawable = ch == ' ' || (ch >= 33 && ch <= 122 && ch != '`');
        EXPECT_TRUE(drawable) << "character " << int(ch);
    }
}

struct Band {
    int low, high;  // inclusive rows
    int inked = 0;
};

// Every pixel HudLines draws is yellow, starts at x >= 12, and lies in one
// of the four bands; each band gets ink.
TEST(HudPixels, LinesLandInTheirRows) {
    testing::FakePlatform platform;
    platform.MoveWindow(0, 0, 640, 480);
    platform.SetCursor({320, 240});  // framebuffer (160, 120)
    FrameState frame;
    SetFramebufferSize(frame, 320, 240);
    std::fill(frame.FrameBuffer.begin(), frame.FrameBuffer.end(), uint8_t{0});

    ShellState shell;
    shell.ObjectivesFound = 3;
    shell.ObjectiveTotal = 12;
    shell.ViewDistance = 6;
    shell.PlayerCell[0] = 40;
    shell.PlayerCell[1] = 52;
    shell.PlayerCell[2] = 39;
    HudLines(frame, shell, platform);
    // The last text formatted is the position line, with the mouse read.
    EXPECT_STREQ(frame.TextBuffer, "SX=40,SY=52,SZ=39 mx=160 my=120");

    Band bands[] = {{7, 15}, {19, 30}, {34, 45}, {214, 225}};
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x) {
            const uint8_t* px = &frame.FrameBuffer[(static_cast<size_t>(y) * 320 + x) * 4];
            if (px[3] == 0) continue;
            EXPECT_EQ(px[0], 255);
            EXPECT_EQ(px[1], 255);
            EXPECT_EQ(px[2], 0);
            EXPECT_GE(x, 12);
            bool placed = false;
            for (Band& b : bands)
                if (y >= b.low && y <= b.high) {
                    b.inked += 1;
                    placed = true;
                }
            EXPECT_TRUE(placed) << "ink at row " << y;
        }
    for (const Band& b : bands) EXPECT_GT(b.inked, 0) << "rows " << b.low << ".." << b.high;
}

TEST(HudPixels, LongLinesAreCutAtTheRightEdge) {
    testing::FakePlatform platform;
    FrameState frame;
    SetFramebufferSize(frame, 320, 240);
    std::fill(frame.FrameBuffer.begin(), frame.FrameBuffer.end(), uint8_t{0});
    ShellState shell;
    shell.ObjectivesFound = INT_MIN;
    shell.ObjectiveTotal = INT_MIN;
    shell.ViewDistance = INT_MIN;
    shell.PlayerCell[0] = shell.PlayerCell[1] = shell.PlayerCell[2] = INT_MIN;
    HudLines(frame, shell, platform);
    EXPECT_STREQ(frame.TextBuffer, "SX=-2147483648,SY=-2147483648,SZ=-2147483648 mx=0 my=0");
    // The last glyphs before the right edge carry ink; nothing wrapped below.
    bool rightEdgeInked = false;
    for (int y = 19; y <= 30; ++y)
        for (int x = 308; x < 320; ++x)
            rightEdgeInked |= frame.FrameBuffer[(static_cast<size_t>(y) * 320 + x) * 4 + 3] != 0;
    EXPECT_TRUE(rightEdgeInked);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 320; ++x) EXPECT_EQ(frame.FrameBuffer[(static_cast<size_t>(y) * 320 + x) * 4 + 3], 0);
}

}  // namespace
}  // namespace delver
