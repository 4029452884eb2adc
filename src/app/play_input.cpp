#include "app/play_input.h"

#include "platform/input.h"
#include "settings/input_names.h"

namespace delver {

int PauseFrames(unsigned ms) { return static_cast<int>((static_cast<uint64_t>(ms) * 60 + 999) / 1000); }

void PlayInput::NextFrame() {
    for (int& frames : heldBack_)
        if (frames > 0) --frames;
    wasHeld_ = heldNow_;
    heldNow_.fill(false);
    readCount_ = 0;
}

bool PlayInput::IsKeyHeld(int vk) {
    const bool down = input_->IsKeyHeld(vk);
    if (vk < 0 || vk >= static_cast<int>(heldBack_.size())) return down;
    int& back = heldBack_[static_cast<size_t>(vk)];
    if (!down) {
        back = 0;
        return false;
    }
    if (back > 0) return false;
    if (readCount_ < reads_.size()) reads_[readCount_++] = vk;
    return true;
}

void PlayInput::HoldBack(int code, int frames) {
    if (code <= 0 || code >= static_cast<int>(heldBack_.size())) return;
    // The frame that acted counts as the first of them.
    heldBack_[static_cast<size_t>(code)] = frames + 1;
}

void PlayInput::HoldUntilReleased(int code) { HoldBack(code, 1 << 30); }

void PlayInput::PauseAfter(int code, unsigned ms) {
    if (!settings_.smoothPauses) {
        clock_->Sleep(ms);
        return;
    }
    HoldBack(code, PauseFrames(ms));
    readCount_ = 0;
}

void PlayInput::Sleep(unsigned ms) {
    if (!settings_.smoothPauses) {
        clock_->Sleep(ms);
        return;
    }
    // Shift only rides with the key that acted: held back, the next capital
    // typed would come out small.
    for (size_t i = 0; i < readCount_; ++i)
        if (reads_[i] != vk::Shift) HoldBack(reads_[i], PauseFrames(ms));
    readCount_ = 0;
}

bool PlayInput::Read(int code, const ShellState& shell, Action action) {
    if (code == 0) return false;
    // The rules' click toggles count accepted clicks, at most one in 13
    // frames per button, not buttons held.
    if (action == Action::WalkToggle || action == Action::MouseLook) {
        if (code == input::Mouse1) return shell.ClickPending[1] == 1;
        if (code == input::Mouse2) return shell.ClickPending[3] == 1;
    }
    return IsKeyHeld(code);
}

int PlayInput::Held(Action action, const ShellState& shell) {
    const Binding inputs = settings_.InputsOf(action);
    int held = 0;
    for (int code : inputs)
        if (Read(code, shell, action)) {
            held = code;
            break;
        }
    if (held == 0)
        for (int code : Companions(action, settings_.modernKeys))
            if (Read(code, shell, action)) {
                held = code;
                break;
            }
    heldNow_[static_cast<size_t>(action)] = held != 0;
    return held;
}

int PlayInput::Pressed(Action action, const ShellState& shell) {
    const int held = Held(action, shell);
    return wasHeld_[static_cast<size_t>(action)] ? 0 : held;
}

}  // namespace delver
