// Input scripts: keys, cursor, clicks and close requests by frame number,
// so that a run can be replayed. A script works over every backend: its
// keys add to the real key state, its cursor replaces the real one from its
// first mouse event, and its clicks and close requests join the real
// messages.
//
//   <frame> down <key>        key held from this frame on
//   <frame> up <key>          released from this frame on
//   <frame> tap <key>         held during this frame only
//   <frame> mouse <x> <y>     cursor at framebuffer pixel (x, y), origin bottom-left
//   <frame> click left|right  a button-down message in this frame's message drain
//   <frame> close             a close request in this frame's message drain
//   <frame> jump              the frame counter arrives at <frame> by a load
//   <frame> look <dx> <dy>    the view turned by this motion (mouse counts)
//   setting <name> = <value>  a setting that changes play (settings.cfg's
//                             names), before the first event
//
// '#' starts a comment; blank lines are ignored; frames never decrease,
// except on a jump line. Loading a save sets the frame counter to the
// saved one; a recording marks each such jump, and the events after a jump
// line wait until the game's counter has jumped to its frame, so that input
// given after a load that moved the counter back replays where it belongs.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "platform/forwarding_platform.h"

namespace delver {

struct ScriptEvent {
    enum class Kind { Down, Up, Tap, Mouse, Click, Close, Jump, Look };
    int64_t frame = 0;
    Kind kind = Kind::Down;
    int key = 0;          // virtual key for Down/Up/Tap
    int x = 0, y = 0;     // framebuffer pixel for Mouse, counts for Look
    bool right = false;   // Click: right button when true
    int line = 0;         // source line, for messages
};

struct InputScript {
    std::vector<ScriptEvent> events;
    // The settings that change play, as a recording writes them; a replay
    // plays with these instead of the settings file's.
    std::vector<std::pair<std::string, std::string>> settings;
};

// Parses script text. On error returns false and sets error to
// "line N: what is wrong".
bool ParseInputScript(const std::string& text, InputScript& out, std::string& error);

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
