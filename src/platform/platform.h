// The seam between the game and the machine it runs on, in five facets:
// Input (keys, cursor, window rectangle), Clock (pauses, calendar), Display
// (window, context, swap, cursor visibility, messages, dialogs), Storage
// (making saved files lasting, slot files handed in) and Speaker (the sound
// device). Every backend (SDL on Linux, Win32 on Windows, WebGL in the
// browser, headless for tests) implements them all in one Platform object;
// the game above it never includes a backend header.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace delver {

// The creation steps of a window with an OpenGL context. A backend reports
// the first step that failed; the shared window code turns it into the
// player-facing message.
enum class WindowStep {
    Ok,
    StepRegisterClass,
    StepCreateWindow,
    StepGetDeviceContext,
    StepChoosePixelFormat,
    StepSetPixelFormat,
    StepCreateContext,
    StepMakeCurrent,
};

// The release steps of a window; a backend lists every step that failed.
enum class ReleaseStep {
    StepReleaseCurrent,  // making no context current
    StepDeleteContext,
    StepReleaseDeviceContext,
    StepDestroyWindow,
    StepUnregisterClass,
};

struct ScreenRect {
    int left = 0, top = 0, right = 0, bottom = 0;
};

struct ScreenPoint {
    int x = 0, y = 0;
};

// One message drained from the window's queue. The game acts on closing and
// on the two mouse buttons; everything else is handled by the backend.
enum class MessageKind { None, Close, LeftButtonDown, RightButtonDown, Other };

enum class DialogKind { Error, Information };

// What the game reads from the player: the keys and the cursor, and the
// window's rectangle that turns the cursor into framebuffer pixels.
class Input {
public:
    virtual ~Input() = default;
    // Is the Windows virtual key vk held down at this moment.
    virtual bool IsKeyHeld(int vk) = 0;
    // Cursor position in screen coordinates.
    virtual ScreenPoint CursorPos() = 0;
    // The window's rectangle in screen coordinates (right and bottom
    // exclusive). In fullscreen, the rectangle the picture fills, so that
    // the cursor still lands on the pixel under it.
    virtual ScreenRect WindowRect() = 0;
    // What turned the view since the last call, in mouse counts (right and
    // down positive): the held pointer's motion (SetPointerCaptured) and a
    // game controller's right stick. Nothing on backends without either.
    virtual ScreenPoint TakeLookMotion() { return {}; }
};

// Where the picture is drawn while the window fills the screen: its
// lower-left corner in the drawable and its enlargement.
struct PicturePlace {
    bool fillsScreen = false;  // false: a window, the picture at PixelZoom
    int x = 0, y = 0;
    float zoom = 1.0f;
    int drawableWidth = 0, drawableHeight = 0;
};

// The game's time: its blocking pauses and the calendar.
class Clock {
public:
    virtual ~Clock() = default;
    // Stops the whole program for ms milliseconds (virtual when headless).
    virtual void Sleep(unsigned ms) = 0;
    // Calendar time in whole seconds.
    virtual int64_t CalendarSeconds() = 0;
};

// The window with its OpenGL context, its messages, and dialogs.
class Display {
public:
    virtual ~Display() = default;

    // --- window -------------------------------------------------------
    // Opens a window of the given drawing-area size at the screen's top-left
    // with a current OpenGL context (16-bit depth, double buffered). Returns
    // the failing step; on failure nothing is left half made.
    virtual WindowStep CreateGlWindow(const char* title, int width, int height, int colourBits) = 0;
    // Releases what CreateGlWindow made; returns the steps that failed.
    virtual std::vector<ReleaseStep> DestroyGlWindow() = 0;
    // The release steps that failed while the last failed CreateGlWindow
    // undid what it had made, in order; the list is emptied by the call.
    virtual std::vector<ReleaseStep> TakeUndoFailures() { return {}; }
    virtual bool HasWindow() const = 0;
    virtual void SetCursorVisible(bool visible) = 0;
    virtual void MoveWindow(int x, int y, int width, int height) = 0;
    virtual void SwapBuffers() = 0;
    // Holds the pointer (hidden, its motion read by TakeLookMotion, never
    // leaving the window) or lets it go. Called every frame with what the
    // game wants; a backend lets go by itself while its window lacks the
    // focus and takes it again when the focus comes back.
    virtual void SetPointerCaptured(bool) {}
    // Switches the window to desktop fullscreen or back; wholeScale picks
    // the largest whole enlargement that fits, else the largest that keeps
    // the picture's shape. Returns whether the window now fills the screen.
    virtual bool SetFullscreen(bool, bool) { return false; }
    virtual PicturePlace Placement() { return {}; }

    // --- messages -----------------------------------------------------
    // Removes one pending message; MessageKind::None when the queue is empty.
    virtual MessageKind PollMessage() = 0;

    // --- dialogs ------------------------------------------------------
    virtual void ShowMessage(const char* caption, const char* text, DialogKind kind) = 0;

    // --- capabilities ---------------------------------------------------
    // False for a backend that can read no key without its window: there a
    // failed window creation must end the program, since nothing could
    // ever press Escape.
    virtual bool CanRunWithoutWindow() const { return true; }
};

// Where the game's files are kept lasting.
class Storage {
public:
    virtual ~Storage() = default;
    // A save or a load has just written the save slots' files (a load may
    // finish an interrupted save). A backend whose files live in memory
    // until they are flushed (the browser's) makes them lasting now, before
    // the game goes on. On the desktop a written file is already lasting.
    virtual void FlushSavedFiles() {}

    // Slot files the player handed in from outside the game (the browser's
    // "Load slot files"): the slot they are for and where its four files
    // wait, in the order of the slot's files, or slot 0 when none wait. The
    // game takes them in between frames, never during its own save or load,
    // and answers with SlotUploadDone.
    struct SlotUpload {
        int slot = 0;
        std::vector<std::string> files;
    };
    virtual SlotUpload TakeSlotUpload() { return {}; }
    // Whether the handed-in files became the slot, and the line shown.
    virtual void SlotUploadDone(int /*slot*/, bool /*ok*/, const std::string& /*text*/) {}
};

// What the game's sounds come from: the backend pulls samples from it as
// its device needs them.
class SoundSource {
public:
    virtual ~SoundSource() = default;
    // Writes the next count samples, mono, signed 16-bit. Called on the
    // backend's own time, perhaps from a thread of its own, one call at a
    // time; it must not wait.
    virtual void FillSound(int16_t* samples, int count) = 0;
};

// Where the game's sounds are heard.
class Speaker {
public:
    virtual ~Speaker() = default;
    // Opens the sound device and plays what source makes, at rate samples a
    // second, until StopSound; the frame loop never waits for it. False
    // when there is no sound, with what failed in why (empty from a backend
    // that plays no sound at all, as the headless one).
    virtual bool StartSound(SoundSource& /*source*/, int /*rate*/, std::string& why) {
        why.clear();
        return false;
    }
    // Closes the device; once it returns, the source is not called again.
    virtual void StopSound() {}
};

// A whole backend: one object that is the input, the clock, the display,
// the storage and the speaker. Only the start-up and the frame loop take
// all of it; every other module takes the facets it uses.
class Platform : public Input, public Clock, public Display, public Storage, public Speaker {};

}  // namespace delver
