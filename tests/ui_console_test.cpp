// The console: the line editor's keys, pauses and drawing, and the two
// commands with their word rules, number reading and report screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>

#include "gfx2d/frame.h"
#include "platform/headless/headless_platform.h"
#include "platform/input.h"
#include "support/fake_platform.h"
#include "ui/console.h"

namespace delver {
namespace {

class ConsoleEditor : public ::testing::Test {
protected:
    void SetUp() override {
        SetFramebufferSize(frame, 320, 240);
        std::fill(frame.FrameBuffer.begin(), frame.FrameBuffer.end(), uint8_t{0});
        ConsoleInit(c);
    }
    // One frame of editing as the console runs it; returns the pause taken.
    uint64_t Edit(int32_t frameCounter = 0) {
        uint64_t before = p.VirtualMilliseconds();
        ConsoleEdit(c, frame, p, p, frameCounter, 12, 61, 30, "CMD:");
        return p.VirtualMilliseconds() - before;
    }
    std::string Line() const { return std::string(c.ConsoleLine); }
    void Release(std::initializer_list<int> keys) {
        for (int k : keys) p.SetKey(k, false);
    }

    testing::FakePlatform p;
    FrameState frame;
    ConsoleState c;
};

TEST_F(ConsoleEditor, HeldKeyActsEveryCallUpToTheLimit) {
    p.SetKey('A', true);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Edit(), 120u);
    EXPECT_EQ(Line(), "aaa");
    for (int i = 3; i < 30; ++i) Edit();
    EXPECT_EQ(c.ConsoleLineLength, 30);
    EXPECT_EQ(Line(), std::string(30, 'a'));
    // The 31st key is ignored and costs no pause.
    EXPECT_EQ(Edit(), 0u);
    EXPECT_EQ(c.ConsoleLineLength, 30);
    // Backspace still works at the limit (and the held A refills the place).
    p.SetKey(vk::Backspace, true);
    EXPECT_EQ(Edit(), 240u);
    EXPECT_EQ(c.ConsoleLineLength, 30);
    Release({'A'});
    EXPECT_EQ(Edit(), 120u);
    EXPECT_EQ(c.ConsoleLineLength, 29);
    EXPECT_EQ(Line(), std::string(29, 'a'));
}

TEST_F(ConsoleEditor, KeysOfOneCallAppendInTableOrder) {
    // B, A, 1, Space held together: space, then a, b, then the digit.
    p.SetKey('B', true);
    p.SetKey('A', true);
    p.SetKey('1', true);
    p.SetKey(vk::Space, true);
    EXPECT_EQ(Edit(), 4u * 120u);
    EXPECT_EQ(Line(), " ab1");
    EXPECT_EQ(c.ConsoleLineLength, 4);
}

TEST_F(ConsoleEditor, ShiftMakesCapitalsButNotOtherDigits) {
    p.SetKey(vk::Shift, true);
    p.SetKey('A', true);
    p.SetKey('Z', true);
    p.SetKey('5', true);
    EXPECT_EQ(Edit(), 3u * 120u);
    EXPECT_EQ(Line(), "AZ5");
    Release({vk::Shift, '5', 'Z'});
    Edit();
    EXPECT_EQ(Line(), "AZ5a");
}

TEST_F(ConsoleEditor, BackspaceOnAnEmptyLineDoesNothing) {
    p.SetKey(vk::Backspace, true);
    EXPECT_EQ(Edit(), 0u);
    EXPECT_EQ(c.ConsoleLineLength, 0);
    EXPECT_EQ(Line(), "");
}

TEST_F(ConsoleEditor, EnterTakesNoOtherKeyAndDrawsNothing) {
    p.SetKey('A', true);
    p.SetKey('B', true);
    Edit();
    std::fill(frame.FrameBuffer.begin(), frame.FrameBuffer.end(), uint8_t{0});
    std::strcpy(frame.TextBuffer, "untouched");
    p.SetKey(vk::Enter, true);
    EXPECT_EQ(Edit(), 500u);
    EXPECT_EQ(c.ConsoleSubmitted, 1);
    EXPECT_EQ(Line(), "ab");
    EXPECT_STREQ(frame.TextBuffer, "untouched");
    for (uint8_t b : frame.FrameBuffer) ASSERT_EQ(b, 0);

    // The line stays after a submit and is drawn again; Enter submits it again.
    c.ConsoleSubmitted = 0;
    Release({vk::Enter, 'A', 'B'});
    EXPECT_EQ(Edit(), 0u);
    EXPECT_STREQ(frame.TextBuffer, "CMD:ab_");
    p.SetKey(vk::Enter, true);
    EXPECT_EQ(Edit(), 500u);
    EXPECT_EQ(c.ConsoleSubmitted, 1);
    EXPECT_EQ(Line(), "ab");
}

TEST_F(ConsoleEditor, CursorBlinksTenFramesOnTenOff) {
    p.SetKey('X', true);
    Edit();
    Release({'X'});
    for (int32_t f : {0, 9, 20, 29, 40}) {
        Edit(f);
        EXPECT_STREQ(frame.TextBuffer, "CMD:x_") << "frame " << f;
    }
    for (int32_t f : {10, 19, 30, 39}) {
        Edit(f);
        EXPECT_STREQ(frame.TextBuffer, "CMD:x") << "frame " << f;
    }
}

TEST_F(ConsoleEditor, LineIsDrawnWhiteOnItsBaseline) {
    Edit(0);
    int inked = 0;
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x) {
            const uint8_t* px = &frame.FrameBuffer[(static_cast<size_t>(y) * 320 + x) * 4];
            if (px[3] == 0) continue;
            ++inked;
            EXPECT_TRUE(px[0] == 255 && px[1] == 255 && px[2] == 255);
            EXPECT_TRUE(y >= 49 && y <= 60) << "row " << y;
            EXPECT_GE(x, 12);
        }
    EXPECT_GT(inked, 0);
}

TEST(ConsoleWords, SplitAtTheFiveSeparators) {
    std::array<char, 256> tokens[ConsoleTokenCount] = {};
    EXPECT_EQ(SplitConsoleLine(" ab--c,,d\t\ne ", tokens, ConsoleTokenCount), 4);
    EXPECT_STREQ(tokens[0].data(), "ab");
    EXPECT_STREQ(tokens[1].data(), "c");
    EXPECT_STREQ(tokens[2].data(), "d");
    EXPECT_STREQ(tokens[3].data(), "e");
    EXPECT_EQ(SplitConsoleLine("    ", tokens, ConsoleTokenCount), 0);
    EXPECT_EQ(SplitConsoleLine("", nullptr, 0), 0);
    // More words than entries: all are counted, the first 20 kept.
    std::string many;
    for (int i = 0; i < 25; ++i) many += "w" + std::to_string(i) + " ";
    std::array<char, 256> few[ConsoleTokenCount] = {};
    EXPECT_EQ(SplitConsoleLine(many.c_str(), few, ConsoleTokenCount), 25);
    EXPECT_STREQ(few[19].data(), "w19");
}

TEST(ConsoleWords, NumbersSaturateInsteadOfWrapping) {
    EXPECT_EQ(ParseConsoleNumber("5"), 5);
    EXPECT_EQ(ParseConsoleNumber("007"), 7);
    EXPECT_EQ(ParseConsoleNumber("12abc"), 12);
    EXPECT_EQ(ParseConsoleNumber("abc"), 0);
    EXPECT_EQ(ParseConsoleNumber(""), 0);
    EXPECT_EQ(ParseConsoleNumber("  9"), 9);
    EXPECT_EQ(ParseConsoleNumber("+5"), 5);
    EXPECT_EQ(ParseConsoleNumber("-3"), -3);
    EXPECT_EQ(ParseConsoleNumber("-"), 0);
    EXPECT_EQ(ParseConsoleNumber("2147483647"), INT32_MAX);
    EXPECT_EQ(ParseConsoleNumber("2147483648"), INT32_MAX);
    EXPECT_EQ(ParseConsoleNumber("4294967301"), INT32_MAX);  // would wrap to 5
    EXPECT_EQ(ParseConsoleNumber("99999999999999999999999"), INT32_MAX);
    EXPECT_EQ(ParseConsoleNumber("-2147483648"), INT32_MIN);
    EXPECT_EQ(ParseConsoleNumber("-4294967297"), INT32_MIN);
}

class ConsoleCommands : public ::testing::Test {
protected:
    void SetUp() override {
        SetFramebufferSize(frame, 320, 240);
        std::fill(frame.FrameBuffer.begin(), frame.FrameBuffer.end(), uint8_t{0});
        ConsoleInit(c);
        grids.Allocate();
        shell.PixelZoom = 2;
    }
    // Submits a line as Enter would and runs one console step with the
    // console closed; returns the pause taken.
    uint64_t Submit(const char* line) {
        std::strcpy(c.ConsoleLine, line);
        c.ConsoleLineLength = static_cast<int32_t>(std::strlen(line));
        c.ConsoleSubmitted = 1;
        uint64_t before = p.VirtualMilliseconds();
        ConsoleUpdate(c, frame, p, p, p, grids, shell, camera);
        EXPECT_EQ(c.ConsoleSubmitted, 0);
        return p.VirtualMilliseconds() - before;
    }

    testing::FakePlatform p;
    FrameState frame;
    ConsoleState c;
    WorldGrids grids;
    ShellState shell;
    CameraState camera;
};

TEST_F(ConsoleCommands, CycleStepTakesOneToThirtySixIgnoringCase) {
    EXPECT_EQ(Submit("env4cyclestep 5"), 300u);
    EXPECT_EQ(camera.CycleStep, 5);
    EXPECT_EQ(Submit("ENV4CYCLESTEP 36"), 300u);
    EXPECT_EQ(camera.CycleStep, 36);
    EXPECT_EQ(Submit("  Env4CycleStep   1 "), 300u);
    EXPECT_EQ(camera.CycleStep, 1);
}

TEST_F(ConsoleCommands, OtherNumbersAndWordCountsAreIgnoredSilently) {
    camera.CycleStep = 7;
    for (const char* line :
         {"env4cyclestep 0", "env4cyclestep 37", "env4cyclestep abc", "env4cyclestep 5 6", "env4cyclestep 4294967301",
          "env4cyclestep", "env4cyclestepx 5", "cyclestep 5", "env5objectivenumber now", "    ", ""}) {
        EXPECT_EQ(Submit(line), 0u) << line;
        EXPECT_EQ(camera.CycleStep, 7) << line;
    }
    EXPECT_EQ(p.SwapCount(), 0);
    for (uint8_t b : frame.FrameBuffer) ASSERT_EQ(b, 0);
}

TEST_F(ConsoleCommands, TabTogglesTheConsoleAndTheEditorRunsWhileOpen) {
    p.SetKey(vk::Tab, true);
    ConsoleUpdate(c, frame, p, p, p, grids, shell, camera);
    EXPECT_EQ(c.ConsoleOpen, 1);
    EXPECT_EQ(p.VirtualMilliseconds(), 400u);
    EXPECT_STREQ(frame.TextBuffer, "CMD:_");
    ConsoleUpdate(c, frame, p, p, p, grids, shell, camera);
    EXPECT_EQ(c.ConsoleOpen, 0);
    EXPECT_EQ(p.VirtualMilliseconds(), 800u);

    // Typed and submitted through the editor, the command runs in the same step.
    p.SetKey(vk::Tab, false);
    c.ConsoleOpen = 1;
    std::strcpy(c.ConsoleLine, "env4cyclestep 9");
    c.ConsoleLineLength = 15;
    p.SetKey(vk::Enter, true);
    uint64_t before = p.VirtualMilliseconds();
    ConsoleUpdate(c, frame, p, p, p, grids, shell, camera);
    EXPECT_EQ(p.VirtualMilliseconds() - before, 800u);  // 500 on Enter, 300 for the new step
    EXPECT_EQ(camera.CycleStep, 9);
    EXPECT_EQ(c.ConsoleSubmitted, 0);
    EXPECT_STREQ(c.ConsoleLine, "env4cyclestep 9");
}

TEST_F(ConsoleCommands, ObjectiveReportCountsEveryCellAndShowsFiveSeconds) {
    // The report is drawn and presented for real.
    HeadlessPlatform display;
    p.UseDisplay(display);
    ASSERT_EQ(p.CreateGlWindow("GAME", 640, 480, 16), WindowStep::Ok);
    grids.MarkerGrid[CellIndex(0, 0, 0)] = ObjectiveMarker;
    grids.MarkerGrid[CellIndex(255, 255, 179)] = ObjectiveMarker;  // the very last cell
    grids.MarkerGrid[CellIndex(10, 20, 30)] = ObjectiveMarker;
    grids.WorldGrid[CellIndex(10, 20, 30)] = Brick;
    grids.MarkerGrid[CellIndex(5, 5, 5)] = 7;  // not an objective
    ObjectiveReport report = CountObjectives(grids);
    EXPECT_EQ(report.Objectives, 3);
    EXPECT_EQ(report.FreeObjectives, 2);

    frame.FrameBuffer[0] = 99;  // the report clears the picture first
    int swaps = p.SwapCount();
    EXPECT_EQ(Submit("ENV5OBJECTIVENUMBER"), 5000u);
    EXPECT_EQ(p.SwapCount(), swaps + 1);

    // The picture holds exactly the three report lines.
    FrameState expected;
    SetFramebufferSize(expected, 320, 240);
    std::fill(expected.FrameBuffer.begin(), expected.FrameBuffer.end(), uint8_t{0});
    FormatText(expected, "Verification of all block.");
    DrawTextLarge(expected, 12, 100, 255, 255, 0);
    FormatText(expected, "Number of objective = 3.");
    DrawTextLarge(expected, 12, 80, 255, 255, 0);
    FormatText(expected, "Free space container = 2.");
    DrawTextLarge(expected, 12, 60, 255, 255, 0);
    EXPECT_TRUE(frame.FrameBuffer == expected.FrameBuffer);
    EXPECT_STREQ(frame.TextBuffer, "Free space container = 2.");
}

}  // namespace
}  // namespace delver
