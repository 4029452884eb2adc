// A stand-in for a backend without OpenGL, for tests that drive the game's
// keys, cursor, messages and clock and check no picture: keys, cursor and
// messages are set by the test, the window is only a rectangle, sleeps add
// to a virtual clock, and what was shown is remembered.
//
// Given a real display (the headless backend), it passes every window call
// to it instead, so that a test can press keys for code that also draws
// real pixels; keys, cursor, rectangle, messages and clock stay its own.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace delver::testing {

class FakePlatform : public Platform {
public:
    FakePlatform() = default;
    explicit FakePlatform(Display& real) : real_(&real) {}
    // From now on the window calls go to real, which must outlive this.
    void UseDisplay(Display& real) { real_ = &real; }

    // --- set by the test ---
    void SetKey(int vk, bool held);
    void SetCursor(ScreenPoint p) { cursor_ = p; }
    void PushMessage(MessageKind m) { messages_.push_back(m); }
    // False makes every window creation fail at the context step.
    void SetWindowsCanBeMade(bool can) { windowsCanBeMade_ = can; }
    void SetCanRunWithoutWindow(bool can) { canRunWithoutWindow_ = can; }

    // --- read by the test ---
    uint64_t VirtualMilliseconds() const { return virtualMs_; }
    int SwapCount() const { return swaps_; }
    int WindowsMade() const { return windowsMade_; }
    bool CursorVisible() const { return cursorVisible_; }
    const std::string& LastMessageText() const { return lastMessage_; }
    const std::string& LastMessageCaption() const { return lastCaption_; }
    int MessagesShown() const { return messagesShown_; }
    // The virtual time of each flush of the saved files, in order.
    const std::vector<uint64_t>& Flushes() const { return flushes_; }

    // Input
    bool IsKeyHeld(int vk) override;
    ScreenPoint CursorPos() override { return cursor_; }
    ScreenRect WindowRect() override { return rect_; }
    // Clock
    void Sleep(unsigned ms) override { virtualMs_ += ms; }
    int64_t CalendarSeconds() override { return 1234567890; }
    // Display
    WindowStep CreateGlWindow(const char* title, int width, int height, int colourBits) override;
    std::vector<ReleaseStep> DestroyGlWindow() override;
    bool HasWindow() const override;
    void SetCursorVisible(bool visible) override;
    void MoveWindow(int x, int y, int width, int height) override;
    void SwapBuffers() override;
    MessageKind PollMessage() override;
    void ShowMessage(const char* caption, const char* text, DialogKind kind) override;
    bool CanRunWithoutWindow() const override { return canRunWithoutWindow_; }
    // Storage
    void FlushSavedFiles() override { flushes_.push_back(virtualMs_); }

private:
    Display* real_ = nullptr;
    std::array<bool, 256> keys_{};
    ScreenPoint cursor_{};
    ScreenRect rect_{};
    std::deque<MessageKind> messages_;
    uint64_t virtualMs_ = 0;
    bool window_ = false;
    bool windowsCanBeMade_ = true;
    bool canRunWithoutWindow_ = true;
    bool cursorVisible_ = true;
    int swaps_ = 0;
    int windowsMade_ = 0;
    int messagesShown_ = 0;
    std::string lastMessage_;
    std::string lastCaption_;
    std::vector<uint64_t> flushes_;
};

}  // namespace delver::testing
