// The settings screen: keys and the mouse choose and change rows, a binding
// takes the next new press, and a conflict is drawn at the foot.
#include <gtest/gtest.h>

#include "platform/input.h"
#include "support/fake_platform.h"
#include "ui/settings_screen.h"

namespace delver {
namespace {

class SettingsScreenTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetFramebufferSize(frame, 320, 240);
        p.SetCursor({0, 0});
        OpenSettingsScreen(screen, p);
    }
    // One frame with `key` pressed in it (and let go after).
    bool Press(int key) {
        p.SetKey(key, true);
        const bool open = RunSettingsScreen(screen, s, frame, p, shell);
        p.SetKey(key, false);
        RunSettingsScreen(screen, s, frame, p, shell);
        return open;
    }
    // Reddish pixels in the foot of the screen: a drawn conflict line.
    int FootRed() const {
        int n = 0;
        for (int y = 0; y < 28; ++y)
            for (int x = 0; x < 320; ++x) {
                const uint8_t* px = &frame.FrameBuffer[(y * 320 + x) * 4];
                n += px[0] == 255 && px[1] == 80;
            }
        return n;
    }

    testing::FakePlatform p;
    SettingsScreen screen;
    Settings s;
    FrameState frame;
    ShellState shell;
};

TEST_F(SettingsScreenTest, KeysAndMouseChangeRowsAndABindingTakesTheNextPress) {
    // A click on the second row (a 2x window at the screen's corner) moves
    // the sensitivity up one step, both ways together.
    p.MoveWindow(0, 0, 640, 480);
    p.SetCursor({20, 480 - 2 * 205 - 1});  // framebuffer row 205
    shell.ClickPending[1] = 1;
    RunSettingsScreen(screen, s, frame, p, shell);
    shell.ClickPending[1] = 0;
    EXPECT_EQ(screen.selected, 1);
    EXPECT_EQ(s.sensitivity, 20.0f);
    EXPECT_EQ(s.sensitivityY, 20.0f);
    p.SetCursor({0, 479});

    // Three rows further down is KEYS: Enter makes them modern, Left
    // classic again.
    for (int i = 0; i < 3; ++i) Press(input::Down);
    Press(vk::Enter);
    EXPECT_TRUE(s.modernKeys);
    Press(input::Left);
    EXPECT_FALSE(s.modernKeys);
    // Four rows up to the first, one more wraps to QUIT; Enter waits for
    // an input, and the held Enter itself does not bind.
    for (int i = 0; i < 5; ++i) Press(input::Up);
    p.SetKey(vk::Enter, true);
    RunSettingsScreen(screen, s, frame, p, shell);
    EXPECT_TRUE(screen.binding);
    RunSettingsScreen(screen, s, frame, p, shell);
    EXPECT_TRUE(screen.binding);
    p.SetKey(vk::Enter, false);
    Press(vk::F1 + 2);
    EXPECT_FALSE(screen.binding);
    EXPECT_EQ(s.InputsOf(Action::Quit), (Binding{vk::F1 + 2, vk::Escape}));
    EXPECT_TRUE(screen.changed);
    // F3 also sizes the window: shown at the foot.
    EXPECT_GT(FootRed(), 0);
    Press(input::Delete);
    EXPECT_EQ(s.InputsOf(Action::Quit), (Binding{0, 0}));
    EXPECT_EQ(FootRed(), 0);
    EXPECT_FALSE(Press(vk::F10));
    EXPECT_FALSE(screen.open);
}

}  // namespace
}  // namespace delver
