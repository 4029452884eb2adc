// The four status lines drawn over the picture every frame: the title along
// the top edge, and near the bottom-left corner a credit line, the player's
// cell with the mouse position, and the objective count with the view
// distance. All yellow, all starting at x = 12. Stateless.
#pragma once

#include <string>

#include "gfx2d/frame.h"
#include "platform/platform.h"
#include "world/world_state.h"

namespace delver {

// The lines in drawing order.
enum HudLine : int {
    HudTitle = 0,      // large font, baseline framebuffer height - 14
    HudCredit = 1,     // small font, baseline 14
    HudObjective = 2,  // large font, baseline 46
    HudPosition = 3,   // large font, baseline 31
    HudLineCount = 4,
};

// The text of one line for the given shell state and mouse position in
// framebuffer pixels; an empty string for an index outside 0..3.
std::string HudLineText(int line, const ShellState& shell, int mouseX, int mouseY);

// The baseline of one line in a framebuffer of the given height.
int HudLineBaseline(int line, int framebufferHeight);

// Draws the four lines into the framebuffer (step 4 of the frame loop).
// The mouse is read while the position line is formatted.
void HudLines(FrameState& frame, const ShellState& shell, Input& input);

}  // namespace delver
