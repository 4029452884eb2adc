// Runs the game from a parsed command line over a chosen backend.
#pragma once

#include "app/input_script.h"
#include "app/options.h"
#include "platform/platform.h"

namespace delver {

// Start-up, the frame loop until Escape, a close request or the frame
// limit, the screenshot and report, and shutdown. Returns the exit status.
int RunGame(const Options& options, const InputScript& script, Platform& backend);

// Reads and parses the script named by the options (none: empty script).
// On failure returns false with a one-line message.
bool LoadInputScript(const Options& options, InputScript& script, std::string& error);

}  // namespace delver
