// The player's input as play uses it: the actions read through the
// bindings of the settings, and what follows an action, the pause.
//
// With the game's own pauses, a key's action is followed by a sleep of the
// whole program (100 ms after a bracket, 800 ms after a layer key, 120 ms
// after a typed letter): that is what limits how fast a held key repeats.
// With smooth pauses nothing sleeps; instead each key that acted is held
// back, while it stays down, for as many frames as its pause spans at 60
// frames a second, so the game goes on drawing and reading input. A key let
// go acts again at once on its next press. Counting frames rather than
// clock time keeps a recorded game replaying the same way at any speed.
//
// PlayInput is the Input and the Clock that the game's key code is given:
// a pause asked of it (Sleep) holds back, in smooth mode, every key read as
// held since the last pause or ForgetReads, which is the key that acted.
#pragma once

#include <array>
#include <cstdint>

#include "platform/platform.h"
#include "settings/settings.h"
#include "world/world_state.h"

namespace delver {

// Frames a pause of ms milliseconds spans at 60 frames a second.
int PauseFrames(unsigned ms);

class PlayInput : public Input, public Clock {
public:
    // The platform this frame reads and pauses (the game's own, or in a
    // test another one); called at the top of every frame.
    void Attach(Input& input, Clock& clock) {
        input_ = &input;
        clock_ = &clock;
    }

    void SetSettings(const Settings& s) { settings_ = s; }
    const Settings& settings() const { return settings_; }

    // A frame begins: held-back keys count one frame down; keys no longer
    // down are free again.
    void NextFrame();
    // Keys read so far are not the ones a coming pause follows.
    void ForgetReads() { readCount_ = 0; }

    // The first input of the action that is held (its code), else 0. The
    // click toggles read the rules' accepted clicks for the mouse buttons.
    int Held(Action action, const ShellState& shell);
    // Held now but not in the frame before: one action per press.
    int Pressed(Action action, const ShellState& shell);
    // The pause after the action whose input `code` acted.
    void PauseAfter(int code, unsigned ms);
    // The key reads as not held until it has been let go (a key that closed
    // a screen must not act again in the game).
    void HoldUntilReleased(int code);

    // Input: keys are seen through the held-back ones.
    bool IsKeyHeld(int vk) override;
    ScreenPoint CursorPos() override { return input_->CursorPos(); }
    ScreenRect WindowRect() override { return input_->WindowRect(); }
    ScreenPoint TakeLookMotion() override { return input_->TakeLookMotion(); }
    // Clock: the game's pause, or with smooth pauses the keys held back.
    void Sleep(unsigned ms) override;
    int64_t CalendarSeconds() override { return clock_->CalendarSeconds(); }

private:
    bool Read(int code, const ShellState& shell, Action action);
    void HoldBack(int code, int frames);

    Input* input_ = nullptr;
    Clock* clock_ = nullptr;
    Settings settings_;
    std::array<int, 256> heldBack_{};  // frames left, per key
    std::array<int, 16> reads_{};      // keys read held since the last pause
    size_t readCount_ = 0;
    std::array<bool, ActionCount> wasHeld_{};
    std::array<bool, ActionCount> heldNow_{};
};

}  // namespace delver
