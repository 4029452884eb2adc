// The screens the game holds still on: the save and load progress screens
// shown part by part, their pauses and texts, and a failed save's line.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "gfx2d/frame.h"
#include "support/fake_platform.h"
#include "ui/screens.h"

namespace delver {
namespace {

class SlotScreens : public ::testing::Test {
protected:
    void SetUp() override {
        SetFramebufferSize(frame, 320, 240);
        ASSERT_EQ(p.CreateGlWindow("GAME", 640, 480, 16), WindowStep::Ok);
    }
    // Every part of a whole save or load, as the slots report them: twelve
    // grid passes for each grid, then the unit and variables files whole.
    void ShowWholeSlot(bool saving) {
        for (int file = 0; file < 4; ++file) {
            std::vector<int> parts{-1};
            if (file < 2) {
                parts.clear();
                for (int pass = 0; pass < 12; ++pass) parts.push_back(pass * 8);
            }
            for (int percent : parts) {
                ShowSlotPartScreen(frame, p, p, 2, saving, file, percent);
                PauseAfterSlotPart(p, percent);
            }
        }
    }
    static FrameState Blank() {
        FrameState f;
        SetFramebufferSize(f, 320, 240);
        std::fill(f.FrameBuffer.begin(), f.FrameBuffer.end(), uint8_t{0});
        return f;
    }

    testing::FakePlatform p;
    FrameState frame;
};

TEST_F(SlotScreens, AWholeSaveOrLoadShowsTwentySixScreensInEightPointEightSeconds) {
    ShowWholeSlot(true);
    EXPECT_EQ(p.VirtualMilliseconds(), 8800u);
    EXPECT_EQ(p.SwapCount(), 26);
    EXPECT_STREQ(frame.TextBuffer, "Saving variables");
    ShowWholeSlot(false);
    EXPECT_EQ(p.VirtualMilliseconds(), 17600u);
    EXPECT_EQ(p.SwapCount(), 52);
    EXPECT_STREQ(frame.TextBuffer, "Loading variables");
}

TEST_F(SlotScreens, AGridPassShowsItsCaptionAndProgressInYellow) {
    std::fill(frame.FrameBuffer.begin(), frame.FrameBuffer.end(), uint8_t{99});  // cleared first
    ShowSlotPartScreen(frame, p, p, 2, true, 1, 8);
    EXPECT_EQ(p.VirtualMilliseconds(), 100u);
    PauseAfterSlotPart(p, 8);
    EXPECT_EQ(p.VirtualMilliseconds(), 200u);
    FrameState expected = Blank();
    FormatText(expected, "Saving flagmap maps");
    DrawTextLarge(expected, 20, 100, 255, 255, 0);
    FormatText(expected, "8/100.");
    DrawTextLarge(expected, 20, 89, 255, 255, 0);
    EXPECT_TRUE(frame.FrameBuffer == expected.FrameBuffer);

    // A whole file: its caption only, and a second each side.
    ShowSlotPartScreen(frame, p, p, 2, false, 2, -1);
    PauseAfterSlotPart(p, -1);
    EXPECT_EQ(p.VirtualMilliseconds(), 2200u);
    expected = Blank();
    FormatText(expected, "Loading units");
    DrawTextLarge(expected, 20, 100, 255, 255, 0);
    EXPECT_TRUE(frame.FrameBuffer == expected.FrameBuffer);
}

TEST_F(SlotScreens, AFailedSaveAddsItsLineBeneathTheLastScreenWithoutAPause) {
    ShowSlotPartScreen(frame, p, p, 2, true, 3, -1);
    FrameState expected = frame;
    const uint64_t before = p.VirtualMilliseconds();
    ShowSaveFailed(frame, p, 2);
    EXPECT_EQ(p.VirtualMilliseconds(), before);
    EXPECT_EQ(p.SwapCount(), 2);
    EXPECT_STREQ(frame.TextBuffer, "SAVE FAILED - OLD SLOT KEPT");
    FormatText(expected, "SAVE FAILED - OLD SLOT KEPT");
    DrawTextLarge(expected, 20, 78, 255, 255, 0);
    EXPECT_TRUE(frame.FrameBuffer == expected.FrameBuffer);
}

}  // namespace
}  // namespace delver
