// The input script played over a backend: a layer that adds the script's
// keys, cursor, look motion, clicks and close requests (app/input_script.h)
// to the backend's own, frame by frame.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "app/input_script.h"
#include "platform/forwarding_platform.h"

namespace delver {

// Wraps a backend and adds the script's input to it. It also counts every
// sleep, which the run report shows.
class ScriptedPlatform : public ForwardingPlatform {
public:
    ScriptedPlatform(Platform& inner, InputScript script, int framebufferWidth, int framebufferHeight);

    // Applies every event up to and including this frame. Called at the top
    // of each frame with the frame loop's FrameCounter. A counter that does
    // not follow the previous frame's by one has jumped (a load), which lets
    // the script go past its next jump line to that frame.
    void BeginFrame(int64_t frame);
    uint64_t SleptMilliseconds() const { return slept_; }

    MessageKind PollMessage() override;
    bool IsKeyHeld(int vk) override;
    ScreenPoint CursorPos() override;
    ScreenPoint TakeLookMotion() override;
    void Sleep(unsigned ms) override;
    // A script's keys need no window: a scripted game plays on without one
    // wherever the backend would let it, and also where only the window's
    // messages could have brought keys.
    bool CanRunWithoutWindow() const override { return !script_.events.empty() || inner_.CanRunWithoutWindow(); }

private:
    InputScript script_;
    size_t next_ = 0;
    bool begun_ = false;
    int64_t lastFrame_ = 0;  // the counter at the previous BeginFrame
    int fbWidth_, fbHeight_;
    std::array<bool, 256> held_{};
    std::vector<int> tapped_;  // released when the next frame begins
    bool hasCursor_ = false;
    int cursorX_ = 0, cursorY_ = 0;  // framebuffer pixel
    std::deque<MessageKind> messages_;
    ScreenPoint look_;  // this frame's scripted look motion, not yet taken
    uint64_t slept_ = 0;
};

}  // namespace delver
