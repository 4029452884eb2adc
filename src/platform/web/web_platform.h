// The browser backend: the page's canvas as the window, with a WebGL 1
// context the game draws into through our fixed-function layer; the page's
// DOM events as the keys, the cursor and the messages; pauses that give the
// page back to the browser (the game's blocking loop is turned into
// callbacks by the compiler's asyncify); and the save slots flushed to the
// browser's IndexedDB after every save and load.
//
// The page's script (web/page.js) listens to the DOM and queues what it
// hears; this backend drains the queue while the game drains its messages
// at the end of each frame, so keys follow the same rule as the SDL
// backend's: one physical press is one press to the game (KeyPresses).
// The page gives each key a code of its own: the game's virtual key for
// the key itself and 256 plus it for the key's twin (the right Shift, the
// keypad's Enter).
//
// The cursor is read relative to the canvas, whose rectangle is the
// window's: the canvas is laid out at its drawing size, so a CSS pixel is a
// window pixel.
#pragma once

#include <string>

#include "platform/frame_pacer.h"
#include "platform/key_presses.h"
#include "platform/platform.h"

namespace delver {

class WebPlatform : public Platform {
public:
    // framesPerSecond: the frame cap (0: each frame only lets the page
    // breathe, no waiting for the display).
    explicit WebPlatform(int framesPerSecond = 60);
    ~WebPlatform() override;
    WebPlatform(const WebPlatform&) = delete;
    WebPlatform& operator=(const WebPlatform&) = delete;

    WindowStep CreateGlWindow(const char* title, int width, int height, int colourBits) override;
    std::vector<ReleaseStep> DestroyGlWindow() override;
    bool HasWindow() const override { return context_ != 0; }
    void SetCursorVisible(bool visible) override;
    ScreenRect WindowRect() override;
    // The canvas cannot leave the page: only its size follows.
    void MoveWindow(int x, int y, int width, int height) override;
    // Hands the page back to the browser, which shows the picture, until
    // the frame is due.
    void SwapBuffers() override;
    MessageKind PollMessage() override;

    bool IsKeyHeld(int vk) override;
    ScreenPoint CursorPos() override;

    void Sleep(unsigned ms) override;
    int64_t CalendarSeconds() override;
    // The page shows the message; the same "caption: text" line goes to
    // the console.
    void ShowMessage(const char* caption, const char* text, DialogKind kind) override;
    // Without its canvas and context there is nothing to play.
    bool CanRunWithoutWindow() const override { return false; }

    // Writes the save folder to IndexedDB and waits until it is done.
    void FlushSavedFiles() override;

    // Tells the page the game has ended with this exit status.
    static void Ended(int status);

private:
    int context_ = 0;  // EMSCRIPTEN_WEBGL_CONTEXT_HANDLE; 0 without one
    int width_ = 0, height_ = 0;
    KeyPresses presses_;
    FramePacer pacer_;
    double frameStartMs_ = 0.0;  // when the last frame's message drain ended
    double sleptMs_ = 0.0;       // waited and paused since then
};

}  // namespace delver
