// The OpenGL driver's lifetime. Drivers loaded behind the window system
// (Mesa's, through EGL or GLX) are normally unloaded again when the last
// display or context goes; the game keeps them for the life of the process.
#pragma once

namespace delver {

// Keeps every OpenGL driver library loaded so far mapped until the process
// ends. Without it, memory the driver still holds in its own globals when it
// is unloaded looks lost to leak checkers (with nothing to name the library
// it came from), and a window made again would load the driver again. Call
// it once a context is current; calling it again is harmless. Does nothing
// where drivers are not loaded this way (Windows).
void KeepGlDriverLoaded();

}  // namespace delver
