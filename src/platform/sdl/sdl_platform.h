// The SDL backend, the game's window on Linux (and other SDL targets): one
// borderless window at the screen's top-left with an OpenGL 2.1
// compatibility context, SDL events as the game's messages, Windows virtual
// keys mapped to SDL scancodes, the global cursor, SDL_Delay and time().
//
// It never runs without a real display: where SDL could only give an
// invisible offscreen window, creation fails instead, since nobody could see
// the game or press Escape in it (DisplayAvailable lets main() say so first).
//
// Keys come from SDL's key-down and key-up events, met while the game drains
// its messages at the end of each frame; KeyPresses turns them into what the
// next frame sees, so that one physical press is one press to the game. A
// drain is the run of PollMessage calls that ends with None.
//
// Keys are read by their place on the keyboard (scancodes, as on a US
// layout), so the bindings stay where they are whatever the layout.
//
// Game controllers are opened as they are plugged in. Their buttons, their
// triggers and the left stick's four directions (each past half way) are
// keys to the game, latched like the keyboard's; the right stick turns the
// view through TakeLookMotion.
//
// Frames are paced: each window asks for vertical sync where the driver
// offers it, and SwapBuffers first sleeps out the rest of the frame, so the
// game shows at most framesPerSecond frames a second (0: unpaced, the swap
// interval left as the driver sets it).
//
// Sound, once the game asks for it, comes from SDL's audio: a device whose
// callback, run on SDL's audio thread under SDL's audio lock, pulls from the
// game's source (sdl_sound.cpp). SDL_AUDIODRIVER chooses the driver (disk
// writes the samples to SDL_DISKAUDIOFILE).
#pragma once

#include <array>
#include <string>
#include <vector>

#include "platform/frame_pacer.h"
#include "platform/key_presses.h"
#include "platform/platform.h"

// SDL's window type, kept opaque so that includers need no SDL headers.
struct SDL_Window;
struct _SDL_GameController;

namespace delver {

// The SDL scancodes that stand for one Windows virtual key: the key itself
// and, for keys found twice on a keyboard (both shifts, both Enters), its
// twin. 0 (SDL_SCANCODE_UNKNOWN) where there is none.
struct ScancodePair {
    int primary = 0;
    int secondary = 0;
};

// The scancodes for the virtual key vk: Backspace, Tab, Enter (and keypad
// Enter), Shift (left and right), Escape, Space, Page Up and Page Down,
// 0..9, A..Z, keypad plus and minus, F1..F12, the brackets, the arrows,
// Alt, Ctrl, Home, End, Insert, Delete; the mouse buttons, the wheel and the
// controller's inputs (input::) at places after the keyboard's. Any other
// code gives {0, 0}.
ScancodePair ScancodesForVirtualKey(int vk);

class SdlPlatform : public Platform {
public:
    // framesPerSecond: the frame cap (0: none).
    explicit SdlPlatform(int framesPerSecond = 60);
    // Releases the window and shuts SDL down if this object started it.
    ~SdlPlatform() override;
    SdlPlatform(const SdlPlatform&) = delete;
    SdlPlatform& operator=(const SdlPlatform&) = delete;

    // True when a real display can be reached: DISPLAY or WAYLAND_DISPLAY is
    // set and SDL's video starts with a driver that shows windows (not
    // "offscreen" or "dummy"). Otherwise false, with the reason in *why.
    // Leaves SDL as it found it.
    static bool DisplayAvailable(std::string* why);

    WindowStep CreateGlWindow(const char* title, int width, int height, int colourBits) override;
    std::vector<ReleaseStep> DestroyGlWindow() override;
    bool HasWindow() const override { return window_ != nullptr; }
    void SetCursorVisible(bool visible) override;
    ScreenRect WindowRect() override;
    void MoveWindow(int x, int y, int width, int height) override;
    // Waits until the frame is due (the cap), then swaps.
    void SwapBuffers() override;

    // Drains one SDL event: quit or window close is Close, a left or right
    // button press is LeftButtonDown or RightButtonDown, anything else Other;
    // None when the queue is empty, which ends the drain. Key, controller
    // and plug events are taken in too, and answer Other. The drain's end
    // also reads the right stick: this frame's turn.
    MessageKind PollMessage() override;

    // Held as this frame sees it (KeyPresses).
    bool IsKeyHeld(int vk) override;
    ScreenPoint CursorPos() override;
    // The held pointer's motion since the last call, and the right stick's
    // turn for the last drained frame (beyond its dead zone, up to
    // stick::LookPerFrame counts a frame at full deflection; a frame whose
    // turn is not taken is not added to the next).
    ScreenPoint TakeLookMotion() override;
    // SDL's relative mouse mode while wanted and the window has the focus.
    void SetPointerCaptured(bool captured) override;
    // Desktop fullscreen; the picture centred on black.
    bool SetFullscreen(bool on, bool wholeScale) override;
    PicturePlace Placement() override;

    void Sleep(unsigned ms) override;
    int64_t CalendarSeconds() override;
    // A simple message box, and the same "caption: text" line on stderr so
    // that it is seen where no box can be shown.
    void ShowMessage(const char* caption, const char* text, DialogKind kind) override;

    // Without its window SDL reads no key, so the game cannot go on.
    bool CanRunWithoutWindow() const override { return false; }

    // SDL's audio started and a device opened for source, mono 16-bit.
    bool StartSound(SoundSource& source, int rate, std::string& why) override;
    void StopSound() override;

    // SDL's words for the last failed step, for diagnostics.
    const std::string& LastError() const { return lastError_; }

private:
    bool StartVideo();
    void ApplyPointerCapture();
    // Controllers by SDL's device index (plugged in) and instance (gone).
    void OpenController(int deviceIndex);
    void CloseController(int instanceId);
    // One direction of an axis as the key code; value along that direction.
    void AxisAsKey(int code, int value);
    // The end of a drain: the right stick's turn for the coming frame.
    void ReadRightStick();

    SDL_Window* window_ = nullptr;
    void* context_ = nullptr;  // SDL_GLContext
    bool videoStarted_ = false;
    KeyPresses presses_;
    std::string lastError_;
    FramePacer pacer_;
    bool focused_ = true;
    bool pointerWanted_ = false, pointerHeld_ = false;
    ScreenPoint look_;
    bool fullscreen_ = false, wholeScale_ = true;
    struct {
        int x = 0, y = 0, w = 0, h = 0;
    } windowedRect_;  // where the window was before it filled the screen
    bool padsStarted_ = false;
    std::vector<_SDL_GameController*> pads_;
    std::array<bool, 6> axisDown_{};          // triggers and left stick, as keys
    ScreenPoint stickLook_;                   // the last drain's turn, not yet taken
    double stickRestX_ = 0, stickRestY_ = 0;  // fractions of a count carried on
    unsigned audioDevice_ = 0;                // SDL_AudioDeviceID; 0 without sound
};

}  // namespace delver
