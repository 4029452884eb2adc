#include "app/window.h"

#include <cstdint>
#include <cstdio>

#include "platform/input.h"
#include "view3d/gl_state.h"

namespace delver {

const char* WindowStepMessage(WindowStep step) {
    switch (step) {
    case WindowStep::Ok: return "";
    case WindowStep::StepRegisterClass: return "Failed To Register The Window Class.";
    case WindowStep::StepCreateWindow: return "Window Creation Error.";
    case WindowStep::StepGetDeviceContext: return "Can't Create A GL Device Context.";
    case WindowStep::StepChoosePixelFormat: return "Can't Find A Suitable PixelFormat.";
    case WindowStep::StepSetPixelFormat: return "Can't Set The PixelFormat.";
    case WindowStep::StepCreateContext: return "Can't Create A GL Rendering Context.";
    case WindowStep::StepMakeCurrent: return "Can't Activate The GL Rendering Context.";
    }
    return "Window Creation Error.";
}

const char* ReleaseStepMessage(ReleaseStep step) {
    switch (step) {
    case ReleaseStep::StepReleaseCurrent: return "Release Of DC And RC Failed.";
    case ReleaseStep::StepDeleteContext: return "Release Rendering Context Failed.";
    case ReleaseStep::StepReleaseDeviceContext: return "Release Device Context Failed.";
    case ReleaseStep::StepDestroyWindow: return "Could Not Release hWnd.";
    case ReleaseStep::StepUnregisterClass: return "Could Not Unregister Class.";
    }
    return "Could Not Release hWnd.";
}

void DestroyGlWindow(Display& display) {
    for (ReleaseStep step : display.DestroyGlWindow())
        display.ShowMessage("SHUTDOWN ERROR", ReleaseStepMessage(step), DialogKind::Information);
}

int CreateGlWindow(WindowTarget& t, Display& display, const char* title, int width, int height, int colourBits) {
    WindowStep step = display.CreateGlWindow(title, width, height, colourBits);
    if (step != WindowStep::Ok) {
        // What the undoing could not release is told first, as it happened.
        for (ReleaseStep undo : display.TakeUndoFailures())
            display.ShowMessage("SHUTDOWN ERROR", ReleaseStepMessage(undo), DialogKind::Information);
        display.ShowMessage("ERROR", WindowStepMessage(step), DialogKind::Error);
        return 0;
    }
    SetProjection();
    InitGraphicsState(t.gl, t.sprites, t.frame);
    return 1;
}

int OpenMainWindow(WindowTarget& t, Display& display) {
    int zoom = t.shell.PixelZoom;
    if (!CreateGlWindow(t, display, "GAME", t.frame.Width * zoom, t.frame.Height * zoom, 16)) return 0;
    display.SetCursorVisible(false);
    return 1;
}

int PumpMessages(ShellState& s, Display& display) {
    MessageKind m = display.PollMessage();
    if (m == MessageKind::None) return 0;
    auto click = [&](int button) {
        // At most once in 13 frames per button; 64-bit so that a restored
        // frame count near the limit cannot overflow. A click dated after
        // the current frame (a slot saved earlier has just been loaded)
        // counts as long ago, or the button would be dead until then.
        const int64_t now = s.FrameCounter, last = s.ClickFrame[button];
        if (last > now || now > last + 12) {
            s.ClickPending[button] = 1;
            s.ClickFrame[button] = s.FrameCounter;
        }
    };
    switch (m) {
    case MessageKind::Close: s.QuitRequested = 1; break;
    case MessageKind::LeftButtonDown: click(1); break;
    case MessageKind::RightButtonDown: click(3); break;
    default: break;
    }
    return 1;
}

bool WindowHotkeys(WindowTarget& t, Input& input, Display& display, const WindowKeys& keys) {
    bool ok = true;
    for (int i = 0; i < 4; ++i) {
        if (!keys.zoom[i]) continue;
        DestroyGlWindow(display);
        t.shell.PixelZoom = i + 1;
        int zoom = t.shell.PixelZoom;
        ok = CreateGlWindow(t, display, "GAME", t.frame.Width * zoom, t.frame.Height * zoom, 16) != 0;
        display.SetCursorVisible(false);
    }
    if (keys.move) {
        ScreenPoint c = input.CursorPos();
        int zoom = t.shell.PixelZoom;
        display.MoveWindow(c.x, c.y, t.frame.Width * zoom, t.frame.Height * zoom);
        display.SetCursorVisible(false);
    }
    return ok || display.CanRunWithoutWindow();
}

}  // namespace delver
