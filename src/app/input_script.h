// Input scripts: keys, cursor, clicks and close requests by frame number,
// so that a run can be replayed. A script works over every backend
// (app/scripted_platform.h): its keys add to the real key state, its cursor
// replaces the real one from its first mouse event, and its clicks and
// close requests join the real messages.
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

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace delver {

struct ScriptEvent {
    enum class Kind { Down, Up, Tap, Mouse, Click, Close, Jump, Look };
    int64_t frame = 0;
    Kind kind = Kind::Down;
    int key = 0;         // virtual key for Down/Up/Tap
    int x = 0, y = 0;    // framebuffer pixel for Mouse, counts for Look
    bool right = false;  // Click: right button when true
    int line = 0;        // source line, for messages
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

}  // namespace delver
