// The native Windows backend: one borderless window of class "OpenGL" with a
// WGL rendering context, the window procedure and message drain, keys and
// mouse buttons and the wheel from the window's messages, a game controller
// through XInput (loaded when present), the held pointer and desktop
// fullscreen, the thread's Sleep and Windows message boxes.
//
// Keys come from the key-down and key-up messages (system keys such as Alt
// and F10 included; auto-repeats left out), met while the game drains its
// messages at the end of each frame; KeyPresses turns them into what the
// next frame sees, so that one physical press is one press to the game,
// even a press made and let go while the game slept. Their codes are the
// messages' virtual keys, the game's own key numbers; the mouse buttons
// count as the keys input::Mouse1..Mouse5. Nothing reads the live keyboard:
// keys pressed while the window lacks the focus never reach the game, and
// losing the focus lets go of whatever was held.
//
// Frames are paced: each context asks for vertical sync where the driver
// offers wglSwapIntervalEXT, and SwapBuffers first sleeps out the rest of the
// frame (with the system timer at 1 ms while the game is paced), so the game
// shows at most framesPerSecond frames a second (0: unpaced, the swap
// interval left as the driver sets it).
//
// Only main.cpp includes this header. It keeps <windows.h> out of the game:
// the handles are held as opaque pointers here and cast in the .cpp.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "platform/frame_pacer.h"
#include "platform/key_presses.h"
#include "platform/platform.h"

namespace delver {

struct Win32WindowProcedure;

class Win32Platform : public Platform {
public:
    // A game started by a double click owns a console window of its own
    // (the program is built as a console program, so that --report and error
    // lines reach a console or a redirected file); the constructor hides that
    // console window. A console shared with a shell is left alone.
    // framesPerSecond: the frame cap (0: none).
    explicit Win32Platform(int framesPerSecond = 60);
    // Releases a window still held, without reporting.
    ~Win32Platform() override;
    Win32Platform(const Win32Platform&) = delete;
    Win32Platform& operator=(const Win32Platform&) = delete;

    // Registers the class "OpenGL", opens the borderless popup window at the
    // screen's top-left with a drawing area of width x height, sets the
    // pixel format (described once, on the first creation, with the colour
    // bits given then), makes a WGL context current and shows and focuses
    // the window. A failed step releases what was made and is returned.
    WindowStep CreateGlWindow(const char* title, int width, int height, int colourBits) override;
    // Lets the pointer go and forgets fullscreen (a window made again starts
    // as a window), then makes no context current, deletes the context,
    // releases the device context, destroys the window and unregisters the
    // class, in that order; every step is tried and each failed one is
    // listed.
    std::vector<ReleaseStep> DestroyGlWindow() override;
    // What failed while a failed creation released what it had made.
    std::vector<ReleaseStep> TakeUndoFailures() override;
    bool HasWindow() const override;
    // ShowCursor: the system counts shows and hides.
    void SetCursorVisible(bool visible) override;
    // GetWindowRect of the window; all zero without a window. In fullscreen,
    // the rectangle the picture covers.
    ScreenRect WindowRect() override;
    // Moves and resizes the window, repainting it. In fullscreen the
    // rectangle is kept for the return to a window.
    void MoveWindow(int x, int y, int width, int height) override;
    // Waits until the frame is due (the cap), then swaps.
    void SwapBuffers() override;

    // Holding: the cursor hidden, clipped to the window and put back in its
    // middle at the end of each drain of messages, its way from there being
    // the look motion. Held only while the window is active; losing it lets
    // go, and coming back takes the pointer again while it is still wanted.
    // Hiding and showing are paired, so the game's own SetCursorVisible
    // count is what stays once the pointer is let go.
    void SetPointerCaptured(bool captured) override;
    // The borderless window covers its monitor, or goes back to where it
    // was before.
    bool SetFullscreen(bool on, bool wholeScale) override;
    PicturePlace Placement() override;

    // Removes and dispatches one message of the thread's queue. Returns
    // Close, LeftButtonDown or RightButtonDown when the window procedure
    // turned a message into one for the game, Other for any other message,
    // None when the queue was empty. A drain's end (None) starts the next
    // frame's input: the key presses move on a frame, and the wheel's
    // notches, the held pointer's motion and the controller are read then.
    MessageKind PollMessage() override;

    // The keys and mouse buttons: held as this frame sees them
    // (KeyPresses). The wheel: a notch of the last drain. The controller:
    // its state at the end of the last drain.
    bool IsKeyHeld(int vk) override;
    // GetCursorPos, in screen coordinates.
    ScreenPoint CursorPos() override;
    // The held pointer's motion since the last call, and the right stick's
    // turn for the last drained frame (beyond its dead zone, up to
    // stick::LookPerFrame counts a frame at full deflection; a frame whose
    // turn is not taken is not added to the next).
    ScreenPoint TakeLookMotion() override;

    void Sleep(unsigned ms) override;
    // _time64.
    int64_t CalendarSeconds() override;
    // A message box without owner (OK button; exclamation icon for errors,
    // information icon otherwise). The line also goes to stderr.
    void ShowMessage(const char* caption, const char* text, DialogKind kind) override;

    // Without its window no key reaches the game, so the game cannot go on.
    bool CanRunWithoutWindow() const override { return false; }

    // --- sound ---
    // waveOut with a few short buffers, refilled from source by a thread of
    // the backend's own as the device finishes each, so the frame loop and
    // its pauses never hold the sound up.
    bool StartSound(SoundSource& source, int rate, std::string& why) override;
    void StopSound() override;

private:
    std::vector<ReleaseStep> undoFailures_;
    friend struct Win32WindowProcedure;

    // Holds or lets go of the pointer as wanted, focus and window allow.
    void ApplyPointerHold();
    // The window's focus came or went; going, it lets go of the keys.
    void SetFocused(bool focused);
    // Clips the held pointer to the window where it is now and puts it in
    // the middle, so that a moved window turns nothing.
    void HoldPointerInWindow();
    // Moves the window and holds the pointer inside it again.
    bool PlaceWindow(const ScreenRect& r);
    // The end of a drain: the key presses move on a frame; then the wheel's
    // frame, the pointer, the controller.
    void StartInputFrame();
    void PollController();

    void* instance_ = nullptr;       // HINSTANCE
    void* window_ = nullptr;         // HWND
    void* deviceContext_ = nullptr;  // HDC
    void* renderContext_ = nullptr;  // HGLRC
    // The colour bits of the pixel format descriptor, fixed by the first
    // creation; 0 until then. Every later window is described the same way.
    int pixelFormatColourBits_ = 0;
    // Messages for the game that the window procedure made, oldest first.
    // A close request can arrive while PeekMessage delivers a sent message,
    // so this is a queue rather than one slot.
    std::deque<MessageKind> gameMessages_;
    // Keys and mouse buttons by their virtual-key codes.
    KeyPresses presses_;
    FramePacer pacer_;

    // --- the held pointer ---
    bool pointerWanted_ = false;  // what the game last asked for
    bool pointerHeld_ = false;    // hidden and clipped now
    bool focused_ = false;        // the window is the active one
    ScreenPoint look_;            // the held pointer's motion not yet taken

    // --- fullscreen ---
    bool fullscreen_ = false;
    bool wholeScale_ = true;
    ScreenRect windowedRect_;  // where the window was before it filled the screen

    // --- the wheel: bit 0 up, bit 1 down ---
    unsigned wheelArrived_ = 0;  // notches of the drain under way
    unsigned wheelHeld_ = 0;     // notches this frame sees

    // --- the controller (XInput) ---
    void* xinputGetState_ = nullptr;          // XInputGetState; null without XInput
    void* xinputModule_ = nullptr;            // HMODULE
    bool xinputLooked_ = false;               // the libraries have been looked for
    int padRetryFrames_ = 0;                  // frames until an absent pad is asked again
    uint32_t padHeld_ = 0;                    // one bit per pad input, from its code
    ScreenPoint stickLook_;                   // the right stick's turn of the last frame
    double stickRestX_ = 0, stickRestY_ = 0;  // fractions of counts carried on

    // --- sound ---
    struct Sound;
    Sound* sound_ = nullptr;  // the open device and its feeding thread
};

}  // namespace delver
