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
// window's: the page shows the canvas larger or smaller to fit the screen,
// and gives the cursor in the canvas's drawing pixels.
//
// The page also holds the pointer (Pointer Lock) for captured mouse look,
// turns the touch look pad's drags into look motion, goes fullscreen
// (Fullscreen API), reads a game controller (Gamepad API) for the backend
// to treat as the desktop's, and puts slot files loaded from the player's
// disk aside for the game to take between frames.
#pragma once

#include <array>
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

    // The held pointer's motion, the touch look pad's drags and a
    // controller's right stick.
    ScreenPoint TakeLookMotion() override;
    // The page holds the pointer while the game wants it and the browser
    // lets it (asked inside the click that turns mouse look on).
    void SetPointerCaptured(bool captured) override;
    // The page's picture in the browser's fullscreen, scaled by the page:
    // the game draws as into a window, so Placement stays the window's.
    bool SetFullscreen(bool on, bool wholeScale) override;
    // Slot files from the player's disk, checked and put aside in /upload by
    // the page, and the page told how the game took them (it shows text).
    SlotUpload TakeSlotUpload() override;
    void SlotUploadDone(int slot, bool ok, const std::string& text) override;

    // Web Audio, fed from source a little ahead of the audio clock at each
    // swap and, while sound plays, through the game's pauses. A page may
    // start sound only once the player has done something there, so the
    // first key or click resumes it; what comes before is not heard.
    bool StartSound(SoundSource& source, int rate, std::string& why) override;
    void StopSound() override;

    // Tells the page the game has ended with this exit status.
    static void Ended(int status);

private:
    int context_ = 0;  // EMSCRIPTEN_WEBGL_CONTEXT_HANDLE; 0 without one
    int width_ = 0, height_ = 0;
    KeyPresses presses_;
    FramePacer pacer_;
    double frameStartMs_ = 0.0;  // when the last frame's message drain ended
    double sleptMs_ = 0.0;       // waited and paused since then

    // A game controller, as the SDL backend reads one: buttons as keys, the
    // triggers and the left stick's directions as keys past half way, the
    // right stick turning the view. Read at the end of each frame's drain.
    void ReadPad();
    void PadAxisAsKey(int axis, int code, int value);
    bool pointerWanted_ = false;
    unsigned padButtons_ = 0;            // standard-layout buttons held, by bit
    std::array<bool, 6> padAxisDown_{};  // triggers, then up, down, left, right
    ScreenPoint stickLook_{};
    double stickRestX_ = 0.0, stickRestY_ = 0.0;

    // --- sound ---
    // Hands the page what the audio clock will need next.
    void PumpSound();
    // A pause, in short sleeps with the sound fed between them.
    void SleepWithSound(unsigned ms);
    SoundSource* soundSource_ = nullptr;
    std::vector<int16_t> soundSamples_;
};

}  // namespace delver
