// The headless backend: an offscreen OpenGL context (EGL, no display) that
// renders into a framebuffer object the size of the window, and a virtual
// clock whose sleeps return at once. It has no keyboard, mouse or messages
// of its own: no key is held, the cursor rests at the screen's origin and
// no message comes, so everything the player does comes from the input
// script layered over it.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/platform.h"

namespace delver {

class HeadlessPlatform : public Platform {
public:
    HeadlessPlatform();
    ~HeadlessPlatform() override;

    WindowStep CreateGlWindow(const char* title, int width, int height, int colourBits) override;
    std::vector<ReleaseStep> DestroyGlWindow() override;
    bool HasWindow() const override;
    void SetCursorVisible(bool visible) override;
    ScreenRect WindowRect() override;
    void MoveWindow(int x, int y, int width, int height) override;
    void SwapBuffers() override;
    MessageKind PollMessage() override;
    bool IsKeyHeld(int vk) override;
    ScreenPoint CursorPos() override;
    void Sleep(unsigned ms) override;
    int64_t CalendarSeconds() override;
    void ShowMessage(const char* caption, const char* text, DialogKind kind) override;

    // --- what a run can ask of it ---
    uint64_t VirtualMilliseconds() const { return virtualMs_; }
    bool CursorVisible() const { return cursorVisible_; }
    int SwapCount() const { return swaps_; }

private:
    struct Gl;
    std::unique_ptr<Gl> gl_;
    ScreenRect rect_{};
    uint64_t virtualMs_ = 0;
    bool cursorVisible_ = true;
    int swaps_ = 0;
};

}  // namespace delver
