#include "platform/key_presses.h"

#include "platform/input.h"

namespace delver {

namespace {
bool InRange(int scancode) { return scancode >= 0 && scancode < KeyPresses::Scancodes; }
}  // namespace

void KeyPresses::SetModifiers(int first, int second) {
    modifiers_[0] = first;
    modifiers_[1] = second;
}

void KeyPresses::DropAt(size_t i) {
    for (size_t j = i + 1; j < waitingCount_; ++j) waiting_[j - 1] = waiting_[j];
    --waitingCount_;
}

void KeyPresses::Pressed(int scancode) {
    if (!InRange(scancode)) return;
    const size_t sc = static_cast<size_t>(scancode);
    // A second down without an up between is the same press.
    if (down_[sc]) return;
    down_[sc] = true;
    if (waitingCount_ == MaxWaiting) DropAt(0);
    waiting_[waitingCount_++] = static_cast<int16_t>(scancode);
}

void KeyPresses::Released(int scancode) {
    if (!InRange(scancode)) return;
    const size_t sc = static_cast<size_t>(scancode);
    down_[sc] = false;
    active_[sc] = false;
}

void KeyPresses::NextFrame() {
    shown_.fill(false);
    while (waitingCount_ > 0) {
        const size_t sc = static_cast<size_t>(waiting_[0]);
        DropAt(0);
        shown_[sc] = true;
        // Still down: held from now until its release is met. (A later press
        // of the same key still waiting keeps its own turn.)
        if (down_[sc]) active_[sc] = true;
        if (!IsModifier(static_cast<int>(sc))) break;
    }
}

bool KeyPresses::Held(int scancode) const {
    if (!InRange(scancode)) return false;
    const size_t sc = static_cast<size_t>(scancode);
    return shown_[sc] || active_[sc];
}

void KeyPresses::Axis(int scancode, int value, bool& down) {
    if (!down && value >= stick::Press) {
        down = true;
        Pressed(scancode);
    } else if (down && value < stick::Release) {
        down = false;
        Released(scancode);
    }
}

}  // namespace delver
