// Runs the game from a parsed command line over a chosen backend.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

#include "app/input_script.h"
#include "app/options.h"
#include "app/recorder.h"
#include "platform/platform.h"

namespace delver {

// Start-up, the frame loop until Escape, a close request or the frame
// limit, the screenshot and report, and shutdown. Returns the exit status.
// With a recording file (from OpenRecording) the game is written to it as
// it is played; RunGame closes it.
int RunGame(const Options& options, const InputScript& script, Platform& backend, RecordingFile recording = nullptr);

// Opens the file named by --record, refusing one that cannot be written or
// that is the input script being played. Null without --record or on
// failure (then error holds a one-line message).
RecordingFile OpenRecording(const Options& options, std::string& error);

// The largest input script read: far more than any game needs, and a bound
// for a file that would never end.
inline constexpr size_t MaxInputScriptBytes = size_t{16} << 20;

// Reads and parses the script named by the options (none: empty script).
// It must be a plain file of at most MaxInputScriptBytes. On failure returns
// false with a one-line message.
bool LoadInputScript(const Options& options, InputScript& script, std::string& error);

// Checks, before the game starts, that the screenshot named by the options
// can be written (its folder exists, and it is a writable plain file or can
// be made). Leaves no file behind. On failure returns false with a one-line
// message.
bool CheckScreenshotPath(const Options& options, std::string& error);

}  // namespace delver
