// The in-game console: a one-line editor with a blinking cursor, opened and
// closed with Tab, and the two commands it understands:
//   env4cyclestep N       sets the movement divisor CycleStep to N (1..36)
//   env5objectivenumber   counts the objective markers of the whole world
//                         and shows the counts for five seconds
// Keys are polled as held; every accepted key pauses the whole game, which
// is what limits key repetition.
#pragma once

#include <array>
#include <cstdint>

#include "gfx2d/frame.h"
#include "platform/platform.h"
#include "world/world_state.h"

namespace delver {

// The most words of a submitted line that a command looks at.
inline constexpr int ConsoleTokenCount = 20;

struct ConsoleState {
    int32_t ConsoleOpen = 0;        // 1 while the console is shown and edited
    char ConsoleLine[256] = {};     // the typed text, zero-terminated
    int32_t ConsoleLineLength = 0;  // characters in ConsoleLine
    int32_t ConsoleSubmitted = 0;   // raised by Enter, taken by ConsoleUpdate
    // With smooth pauses the objective report is not a five-second halt
    // but a screen that stays over the running game for five seconds or
    // until Enter, Space or Escape; ReportFrames counts its frames left.
    int32_t SmoothPauses = 0;
    int32_t ReportFrames = 0;
    int32_t ReportObjectives = 0, ReportFreeObjectives = 0;
};

// Empties the line.
void ConsoleInit(ConsoleState& c);

// One frame of line editing: Enter submits the line (500 ms pause, nothing
// else read or drawn); otherwise Backspace, Space, A..Z (lower case, or
// upper case with Shift) and 0..9 edit the line with a 120 ms pause per
// accepted key, and the prompt and line are drawn in white at (x, y) in the
// large font with an underscore cursor on frames 0..9 of every 20. The line
// never grows beyond limit characters (at most 255).
void ConsoleEdit(ConsoleState& c, FrameState& frame, Input& input, Clock& clock, int32_t frameCounter, int x, int y,
                 int limit, const char* prompt);

// The console's per-frame step: Tab toggles it (400 ms pause), the editor
// runs while it is open, and a submitted line is split into words and run.
void ConsoleUpdate(ConsoleState& c, FrameState& frame, Input& input, Clock& clock, Display& display,
                   const WorldGrids& grids, ShellState& shell, CameraState& camera);

// --- the parts of a command that need no screen ---------------------------

// Splits line at spaces, hyphens, commas, tabs and line feeds, skipping
// empty words. Stores the first maxTokens words into tokens (each cut to
// 255 characters) and returns the number of words found, which may be
// larger than maxTokens. tokens may be null to count only.
int SplitConsoleLine(const char* line, std::array<char, 256>* tokens, int maxTokens);

// The decimal value of a word: leading white space, an optional sign, then
// the leading digits; no digits gives 0. Values beyond the 32-bit range
// saturate instead of wrapping.
int32_t ParseConsoleNumber(const char* word);

// Counts of the objective report.
struct ObjectiveReport {
    int32_t Objectives = 0;      // cells whose marker is ObjectiveMarker
    int32_t FreeObjectives = 0;  // of those, cells whose world code is Empty
};
// Walks every cell of both grids.
ObjectiveReport CountObjectives(const WorldGrids& grids);

}  // namespace delver
