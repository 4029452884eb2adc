// The input as play reads it: actions through their bindings and
// companions, the rules' click toggles, and what follows a key: the whole
// game's pause, or with smooth pauses the key held back while it stays down.
#include <gtest/gtest.h>

#include "app/play_input.h"
#include "platform/input.h"
#include "settings/settings.h"
#include "support/fake_platform.h"

namespace delver {
namespace {

class PlayInputTest : public ::testing::Test {
protected:
    void Use(const char* settingsText) {
        play.SetSettings(ParseSettings(settingsText).settings);
        play.Attach(p, p);
    }
    // Starts a frame and tells whether the action is held in it.
    bool Frame(Action a) {
        play.NextFrame();
        return play.Held(a, shell) != 0;
    }

    testing::FakePlatform p;
    PlayInput play;
    ShellState shell;
};

TEST_F(PlayInputTest, TheGamesOwnPausesStopTheGameAndHoldNothingBack) {
    Use("");
    p.SetKey(vk::PageUp, true);
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(Frame(Action::LayerUp));
        play.PauseAfter(vk::PageUp, 800);
    }
    EXPECT_EQ(p.VirtualMilliseconds(), 2400u);
    // The keypad key is the action's first input; the modern keys are not
    // read at all.
    p.SetKey(vk::KeypadMinus, true);
    EXPECT_EQ(play.Held(Action::LayerUp, shell), vk::KeypadMinus);
    p.SetKey('W', true);
    EXPECT_FALSE(Frame(Action::WalkForward));
    // The click toggles count the accepted clicks, not buttons held.
    p.SetKey(input::Mouse2, true);
    EXPECT_FALSE(Frame(Action::MouseLook));
    shell.ClickPending[3] = 1;
    EXPECT_EQ(play.Pressed(Action::MouseLook, shell), input::Mouse2);
}

TEST_F(PlayInputTest, SmoothPausesHoldAKeyBackWhileItStaysDownAndLetANewPressActAtOnce) {
    Use("pauses = smooth\n");
    p.SetKey(vk::RightBracket, true);
    ASSERT_TRUE(Frame(Action::ViewMore));
    play.PauseAfter(vk::RightBracket, 100);  // six frames at 60 a second
    int waited = 0;
    while (!Frame(Action::ViewMore)) ++waited;
    EXPECT_EQ(waited, 6);
    EXPECT_EQ(p.VirtualMilliseconds(), 0u);
    // Let go and pressed again: at once.
    play.PauseAfter(vk::RightBracket, 800);
    p.SetKey(vk::RightBracket, false);
    EXPECT_FALSE(Frame(Action::ViewMore));
    p.SetKey(vk::RightBracket, true);
    EXPECT_TRUE(Frame(Action::ViewMore));

    // The console's pause holds back the keys read since the last one, but
    // never Shift: the next capital must come out as one.
    play.NextFrame();
    play.ForgetReads();
    p.SetKey(vk::Shift, true);
    p.SetKey('A', true);
    ASSERT_TRUE(play.IsKeyHeld('A') && play.IsKeyHeld(vk::Shift));
    play.Sleep(120);
    play.NextFrame();
    EXPECT_FALSE(play.IsKeyHeld('A'));
    EXPECT_TRUE(play.IsKeyHeld(vk::Shift));

    // A key that closed a screen waits for its release, however long.
    p.SetKey(vk::Escape, true);
    play.HoldUntilReleased(vk::Escape);
    for (int i = 0; i < 100; ++i) ASSERT_FALSE(Frame(Action::Quit));
    p.SetKey(vk::Escape, false);
    EXPECT_FALSE(Frame(Action::Quit));
    p.SetKey(vk::Escape, true);
    EXPECT_TRUE(Frame(Action::Quit));
}

TEST_F(PlayInputTest, ModernKeysBindingsAndCompanionsAnswerTogether) {
    Use("keys = modern\nbind.walk_forward = X\n");
    p.SetKey('Z', true);  // the rules' key walks back beside S and Down
    EXPECT_EQ(play.Held(Action::WalkBack, shell), 'Z');
    p.SetKey('W', true);  // rebound: W walks no more
    EXPECT_FALSE(Frame(Action::WalkForward));
    p.SetKey(input::PadLeftStickUp, true);  // the controller walks always
    EXPECT_EQ(play.Held(Action::WalkForward, shell), input::PadLeftStickUp);
    p.SetKey('X', true);
    EXPECT_EQ(play.Held(Action::WalkForward, shell), 'X');
    // One action per press: held over frames, pressed in the first only.
    p.SetKey(input::PadStart, true);
    play.NextFrame();
    EXPECT_EQ(play.Pressed(Action::Settings, shell), input::PadStart);
    play.NextFrame();
    EXPECT_EQ(play.Pressed(Action::Settings, shell), 0);
}

}  // namespace
}  // namespace delver
