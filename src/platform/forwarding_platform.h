// A platform layer over another: every facet call goes to the inner
// platform unless the layer overrides it. The input script and the recorder
// are such layers; deriving from this, a facet method added to the seam
// reaches the backend through every layer instead of being swallowed.
#pragma once

#include "platform/platform.h"

namespace delver {

class ForwardingPlatform : public Platform {
public:
    explicit ForwardingPlatform(Platform& inner) : inner_(inner) {}

    bool IsKeyHeld(int vk) override { return inner_.IsKeyHeld(vk); }
    ScreenPoint CursorPos() override { return inner_.CursorPos(); }
    ScreenRect WindowRect() override { return inner_.WindowRect(); }
    ScreenPoint TakeLookMotion() override { return inner_.TakeLookMotion(); }

    void Sleep(unsigned ms) override { inner_.Sleep(ms); }
    int64_t CalendarSeconds() override { return inner_.CalendarSeconds(); }

    WindowStep CreateGlWindow(const char* title, int width, int height, int colourBits) override {
        return inner_.CreateGlWindow(title, width, height, colourBits);
    }
    std::vector<ReleaseStep> DestroyGlWindow() override { return inner_.DestroyGlWindow(); }
    std::vector<ReleaseStep> TakeUndoFailures() override { return inner_.TakeUndoFailures(); }
    bool HasWindow() const override { return inner_.HasWindow(); }
    void SetCursorVisible(bool visible) override { inner_.SetCursorVisible(visible); }
    void MoveWindow(int x, int y, int width, int height) override { inner_.MoveWindow(x, y, width, height); }
    void SwapBuffers() override { inner_.SwapBuffers(); }
    void SetPointerCaptured(bool captured) override { inner_.SetPointerCaptured(captured); }
    bool SetFullscreen(bool on, bool wholeScale) override { return inner_.SetFullscreen(on, wholeScale); }
    PicturePlace Placement() override { return inner_.Placement(); }
    MessageKind PollMessage() override { return inner_.PollMessage(); }
    void ShowMessage(const char* caption, const char* text, DialogKind kind) override {
        inner_.ShowMessage(caption, text, kind);
    }
    bool CanRunWithoutWindow() const override { return inner_.CanRunWithoutWindow(); }

    void FlushSavedFiles() override { inner_.FlushSavedFiles(); }
    SlotUpload TakeSlotUpload() override { return inner_.TakeSlotUpload(); }
    void SlotUploadDone(int slot, bool ok, const std::string& text) override { inner_.SlotUploadDone(slot, ok, text); }

    bool StartSound(SoundSource& source, int rate, std::string& why) override {
        return inner_.StartSound(source, rate, why);
    }
    void StopSound() override { inner_.StopSound(); }

protected:
    Platform& inner_;
};

}  // namespace delver
