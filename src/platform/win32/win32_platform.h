// The native Windows backend: one borderless window of class "OpenGL" with a
// WGL rendering context, the window procedure and message drain, keys read
// with GetAsyncKeyState, the thread's Sleep and Windows message boxes.
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
    // Makes no context current, deletes the context, releases the device
    // context, destroys the window and unregisters the class, in that order;
    // every step is tried and each failed one is listed.
    std::vector<ReleaseStep> DestroyGlWindow() override;
    // What failed while a failed creation released what it had made.
    std::vector<ReleaseStep> TakeUndoFailures() override;
    bool HasWindow() const override;
    // ShowCursor: the system counts shows and hides.
    void SetCursorVisible(bool visible) override;
    // GetWindowRect of the window; all zero without a window.
    ScreenRect WindowRect() override;
    // Moves and resizes the window, repainting it.
    void MoveWindow(int x, int y, int width, int height) override;
    // Waits until the frame is due (the cap), then swaps.
    void SwapBuffers() override;

    // Removes and dispatches one message of the thread's queue. Returns
    // Close, LeftButtonDown or RightButtonDown when the window procedure
    // turned a message into one for the game, Other for any other message,
    // None when the queue was empty.
    MessageKind PollMessage() override;

    // GetAsyncKeyState: the keyboard's global state, window focus or not.
    bool IsKeyHeld(int vk) override;
    // GetCursorPos, in screen coordinates.
    ScreenPoint CursorPos() override;

    void Sleep(unsigned ms) override;
    // _time64.
    int64_t CalendarSeconds() override;
    // A message box without owner (OK button; exclamation icon for errors,
    // information icon otherwise). The line also goes to stderr.
    void ShowMessage(const char* caption, const char* text, DialogKind kind) override;

    // Keys are read from the system, window or not.
    bool CanRunWithoutWindow() const override { return true; }

private:
    std::vector<ReleaseStep> undoFailures_;
    friend struct Win32WindowProcedure;

    void* instance_ = nullptr;        // HINSTANCE
    void* window_ = nullptr;          // HWND
    void* deviceContext_ = nullptr;   // HDC
    void* renderContext_ = nullptr;   // HGLRC
    // The colour bits of the pixel format descriptor, fixed by the first
    // creation; 0 until then. Every later window is described the same way.
    int pixelFormatColourBits_ = 0;
    // Messages for the game that the window procedure made, oldest first.
    // A close request can arrive while PeekMessage delivers a sent message,
    // so this is a queue rather than one slot.
    std::deque<MessageKind> gameMessages_;
    FramePacer pacer_;
};

}  // namespace delver
