// The game's window: creation and release with the player-facing error
// messages, the message drain with the click gate, and the window keys
// (F1..F4 zoom, M move). The backend does the platform work; the texts and
// the order of things live here so every backend behaves alike.
#pragma once

#include "assets/sprite.h"
#include "gfx2d/frame.h"
#include "platform/platform.h"
#include "view3d/gl_state.h"
#include "world/world_state.h"

namespace delver {

// The state a window's making changes: the GL names, textures and render
// state a new context needs, the framebuffer it presents, and the zoom.
struct WindowTarget {
    ShellState& shell;
    FrameState& frame;
    GlNames& gl;
    SpriteTable& sprites;
};

// Makes the window with a current GL context, sets up projection, render
// state and textures. On failure shows the step's message and returns 0.
int CreateGlWindow(WindowTarget& t, Display& display, const char* title, int width, int height, int colourBits);

// Releases the window, showing a message for every release step that fails.
void DestroyGlWindow(Display& display);

// The start-up window: "GAME" at framebuffer size x PixelZoom, cursor hidden.
int OpenMainWindow(WindowTarget& t, Display& display);

// Drains one message and acts on it: closing requests quit; a mouse button
// is accepted at most once in 13 frames. Returns 0 when the queue was empty.
int PumpMessages(ShellState& shell, Display& display);

// The window keys held this frame (F1..F4 and M unless rebound).
struct WindowKeys {
    bool zoom[4] = {false, false, false, false};
    bool move = false;
};

// zoom[i]: re-create the window at zoom i + 1; move: move it to the cursor.
// Returns false if a window that the backend needs could not be made.
bool WindowHotkeys(WindowTarget& t, Input& input, Display& display, const WindowKeys& keys);

// The message text of a failed creation step.
const char* WindowStepMessage(WindowStep step);
// The message text of a failed release step.
const char* ReleaseStepMessage(ReleaseStep step);

}  // namespace delver
