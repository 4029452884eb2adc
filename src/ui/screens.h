// The screens the game holds still on: the save and load progress screens
// and the console's report. Each is drawn into the framebuffer, presented,
// and followed by a pause of the whole game; nothing else runs meanwhile.
#pragma once

#include "gfx2d/frame.h"
#include "platform/platform.h"

namespace delver {

// Presents the framebuffer as drawn, enlarged by pixelZoom, then pauses for
// pauseMs: the one way a blocking screen is shown.
void ShowScreenThenPause(FrameState& frame, Display& display, Clock& clock, int pixelZoom, unsigned pauseMs);

// A part of a save (saving) or a load of slot file `file` (0 the dungeon
// map, 1 the flagmap, 2 the units, 3 the variables) is about to be moved:
// the file's caption in yellow at (20, 100) and, for a grid pass (percent
// 0 or more), "<percent>/100." beneath it, shown for 100 ms (a grid pass)
// or one second (a whole file). A whole save or load takes 8.8 seconds.
void ShowSlotPartScreen(FrameState& frame, Display& display, Clock& clock, int pixelZoom, bool saving, int file,
                        int percent);
// The part has been moved: the same pause once more.
void PauseAfterSlotPart(Clock& clock, int percent);
// A save that failed after showing its screens: "SAVE FAILED - OLD SLOT
// KEPT" beneath the last one, presented without a pause.
void ShowSaveFailed(FrameState& frame, Display& display, int pixelZoom, bool needsRepair = false);

}  // namespace delver
