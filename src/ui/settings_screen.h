// The settings screen (F10): every setting and every binding, one row each,
// drawn into the 320 x 240 picture with the game's small font.
//
//   Up / Down or the mouse      choose a row (the list scrolls)
//   Enter, Right or a click     change it; Left changes it back
//   on a binding row, Enter     waits for the input to bind (a key, a mouse
//                               button, the wheel or a controller button);
//                               Delete clears the binding, Escape cancels
//   F10 or Escape               close the screen
//
// A conflict (one input bound to two actions) is shown at the foot, as is
// every line of settings.cfg that could not be read.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "gfx2d/frame.h"
#include "platform/platform.h"
#include "settings/settings.h"
#include "world/world_state.h"

namespace delver {

struct SettingsScreen {
    bool open = false;
    int selected = 0;
    int top = 0;           // the first row shown
    bool binding = false;  // waiting for the input of the selected action
    bool changed = false;  // something changed since the screen opened
    std::array<bool, 256> wasHeld{};
    // settings.cfg lines that could not be read, as "line N: why".
    std::vector<std::string> problems;
};

// The rows: the plain settings, then one row per action.
int SettingsRowCount();

// Opens the screen; keys held now act only once let go and pressed again.
void OpenSettingsScreen(SettingsScreen& screen, Input& input);

// One frame of the open screen: reads the keys and the mouse (a left click
// is shell.ClickPending[1]), changes s, and draws the screen over the
// cleared framebuffer. Returns false once the player has closed it.
bool RunSettingsScreen(SettingsScreen& screen, Settings& s, FrameState& frame, Input& input, const ShellState& shell);

}  // namespace delver
