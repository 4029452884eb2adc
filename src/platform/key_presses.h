// One physical press is one press to the game.
//
// The game reads keys by asking, at its own points of each frame, whether a
// key is held. A windowed backend learns of keys from key-down and key-up
// events, met in order while it drains the window's messages at the end of
// each frame. KeyPresses turns that stream into what each frame sees:
//   - a key reads as held from the frame its press is shown until its
//     release has been met;
//   - a press shown once is never shown again, however long or short it was:
//     a press that began and ended between two frames is seen by exactly one
//     frame, every read of it;
//   - presses are shown in the order they were made, one key a frame, so
//     that fast typing in the console keeps its letters and their order
//     even while the game pauses after each one. A Shift press comes along
//     with the key after it, as a typed capital letter needs.
//
// Scancodes are small non-negative integers below KeyPresses::Scancodes;
// anything else is ignored.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace delver {

class KeyPresses {
public:
    static constexpr int Scancodes = 560;
    // Presses waiting to be shown at most; a flood beyond this drops the
    // oldest waiting press.
    static constexpr size_t MaxWaiting = 64;

    // The two scancodes that count as Shift.
    void SetModifiers(int first, int second);

    // A key-down event (not an auto-repeat), in the order met.
    void Pressed(int scancode);
    // A key-up event, in the order met.
    void Released(int scancode);
    // A controller's stick or trigger read as the key scancode: pressed when
    // value (out of 32767) reaches stick::Press, let go below stick::Release.
    // down keeps whether it is pressed, between the backend's readings.
    void Axis(int scancode, int value, bool& down);

    // A frame's drain of messages has ended: the next frame is shown the
    // oldest waiting press (with the Shift presses waiting before it).
    void NextFrame();

    // Does this frame see the key held.
    bool Held(int scancode) const;

private:
    bool IsModifier(int scancode) const { return scancode == modifiers_[0] || scancode == modifiers_[1]; }
    void DropAt(size_t i);

    std::array<int16_t, MaxWaiting> waiting_{};
    size_t waitingCount_ = 0;
    std::array<bool, Scancodes> down_{};    // physically down, by the events met
    std::array<bool, Scancodes> active_{};  // down, and its press has been shown
    std::array<bool, Scancodes> shown_{};   // pressed as this frame sees it
    int modifiers_[2] = {-1, -1};
};

}  // namespace delver
