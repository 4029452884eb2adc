#include "support/fake_platform.h"

namespace delver::testing {

void FakePlatform::SetKey(int vk, bool held) {
    if (vk >= 0 && vk < 256) keys_[static_cast<size_t>(vk)] = held;
}

bool FakePlatform::IsKeyHeld(int vk) { return vk >= 0 && vk < 256 && keys_[static_cast<size_t>(vk)]; }

WindowStep FakePlatform::CreateGlWindow(const char* title, int width, int height, int colourBits) {
    WindowStep step = WindowStep::StepCreateContext;
    if (windowsCanBeMade_) step = real_ ? real_->CreateGlWindow(title, width, height, colourBits) : WindowStep::Ok;
    if (step != WindowStep::Ok) return step;
    window_ = true;
    ++windowsMade_;
    rect_ = {0, 0, width, height};
    return step;
}

std::vector<ReleaseStep> FakePlatform::DestroyGlWindow() {
    window_ = false;
    rect_ = {};
    return real_ ? real_->DestroyGlWindow() : std::vector<ReleaseStep>{};
}

bool FakePlatform::HasWindow() const { return real_ ? real_->HasWindow() : window_; }

void FakePlatform::SetCursorVisible(bool visible) {
    cursorVisible_ = visible;
    if (real_) real_->SetCursorVisible(visible);
}

void FakePlatform::MoveWindow(int x, int y, int width, int height) {
    rect_ = {x, y, x + width, y + height};
    if (real_) real_->MoveWindow(x, y, width, height);
}

void FakePlatform::SwapBuffers() {
    ++swaps_;
    if (real_) real_->SwapBuffers();
}

MessageKind FakePlatform::PollMessage() {
    if (messages_.empty()) return MessageKind::None;
    MessageKind m = messages_.front();
    messages_.pop_front();
    return m;
}

void FakePlatform::ShowMessage(const char* caption, const char* text, DialogKind) {
    lastCaption_ = caption ? caption : "";
    lastMessage_ = text ? text : "";
    ++messagesShown_;
}

}  // namespace delver::testing
