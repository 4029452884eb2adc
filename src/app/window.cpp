#include "app/window.h"

#include <cstdint>
#include <cstdio>

#include "app/game.h"
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

void DestroyGlWindow(Platform& platform) {
    for (ReleaseStep step : platform.DestroyGlWindow())
        platform.ShowMessage("SHUTDOWN ERROR", ReleaseStepMessage(step), DialogKind::Information);
}

int CreateGlWindow(Game& game, Platform& platform, const char* title, int width, int height, int colourBits) {
    WindowStep step = platform.CreateGlWindow(title, width, height, colourBits);
    if (step != WindowStep::Ok) {
        // What the undoing could not release is told first, as it happened.
        for (ReleaseStep undo : platform.TakeUndoFailures())
            platform.ShowMessage("SHUTDOWN ERROR", ReleaseStepMessage(undo), DialogKind::Information);
        platform.ShowMessage("ERROR", WindowStepMessage(step), DialogKind::Error);
        return 0;
    }
    SetProjection();
    InitGraphicsState(game.gl, game.sprites, game.frame);
    return 1;
}

int OpenMainWindow(Game& game, Platform& platform) {
    int zoom = game.shell.PixelZoom;
    if (!CreateGlWindow(game, platform, "GAME", game.frame.Width * zoom, game.frame.Height * zoom, 16)) return 0;
    platform.SetCursorVisible(false);
    return 1;
}

int PumpMessages(Game& game, Platform& platform) {
    MessageKind m = platform.PollMessage();
    if (m == MessageKind::None) return 0;
    ShellState& s = game.shell;
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

bool WindowHotkeys(Game& game, Platform& platform) {
    static const int zoomKeys[4] = {vk::F1, vk::F2, vk::F3, vk::F4};
    bool ok = true;
    for (int i = 0; i < 4; ++i) {
        if (!KeyDown(platform, zoomKeys[i])) continue;
        DestroyGlWindow(platform);
        game.shell.PixelZoom = i + 1;
        int zoom = game.shell.PixelZoom;
        ok = CreateGlWindow(game, platform, "GAME", game.frame.Width * zoom, game.frame.Height * zoom, 16) != 0;
        platform.SetCursorVisible(false);
    }
    if (KeyDown(platform, vk::LetterM)) {
        ScreenPoint c = platform.CursorPos();
        int zoom = game.shell.PixelZoom;
        platform.MoveWindow(c.x, c.y, game.frame.Width * zoom, game.frame.Height * zoom);
        platform.SetCursorVisible(false);
    }
    return ok || platform.CanRunWithoutWindow();
}

}  // namespace delver
