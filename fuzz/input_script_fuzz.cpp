// Fuzzes the input-script parser and the scripted input it feeds. Each
// input is the text of a script. A script the parser refuses must come with
// a "line N: ..." message; one it takes must hold only events the game can
// apply (frames in order and in range, key codes 1..255, the cursor on the
// 320 x 240 picture), and playing it over a window must not touch memory
// outside the key table or lose a message.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/input_script.h"
#include "app/scripted_platform.h"
#include "platform/input.h"

namespace {

// A window of 640 x 480 at (100, 50) with no keys, cursor or messages of
// its own.
class StillWindow : public delver::Platform {
public:
    delver::WindowStep CreateGlWindow(const char*, int, int, int) override { return delver::WindowStep::Ok; }
    std::vector<delver::ReleaseStep> DestroyGlWindow() override { return {}; }
    bool HasWindow() const override { return true; }
    void SetCursorVisible(bool) override {}
    delver::ScreenRect WindowRect() override { return {100, 50, 740, 530}; }
    void MoveWindow(int, int, int, int) override {}
    void SwapBuffers() override {}
    delver::MessageKind PollMessage() override { return delver::MessageKind::None; }
    bool IsKeyHeld(int) override { return false; }
    delver::ScreenPoint CursorPos() override { return {0, 0}; }
    void Sleep(unsigned) override {}
    int64_t CalendarSeconds() override { return 0; }
    void ShowMessage(const char*, const char*, delver::DialogKind) override {}
};

[[noreturn]] void Fail(const char* what, int line) {
    std::fprintf(stderr, "input_script_fuzz: %s (line %d)\n", what, line);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    delver::InputScript script;
    std::string error;
    if (!delver::ParseInputScript(text, script, error)) {
        if (error.rfind("line ", 0) != 0) Fail("a refusal without its line", 0);
        return 0;
    }

    int64_t last = 0;
    size_t clicks = 0;
    bool jumps = false;
    for (const delver::ScriptEvent& e : script.events) {
        // Only a jump line (a load set the counter back) may go back.
        const bool jump = e.kind == delver::ScriptEvent::Kind::Jump;
        if ((!jump && e.frame < last) || e.frame < 0 || e.frame > INT32_MAX)
            Fail("frame out of order or range", e.line);
        jumps = jumps || jump;
        last = e.frame;
        switch (e.kind) {
        case delver::ScriptEvent::Kind::Down:
        case delver::ScriptEvent::Kind::Up:
        case delver::ScriptEvent::Kind::Tap:
            if (e.key < 1 || e.key > 255) Fail("key code out of range", e.line);
            break;
        case delver::ScriptEvent::Kind::Mouse:
            if (e.x < 0 || e.x > 319 || e.y < 0 || e.y > 239) Fail("cursor off the picture", e.line);
            break;
        case delver::ScriptEvent::Kind::Click:
        case delver::ScriptEvent::Kind::Close: ++clicks; break;
        case delver::ScriptEvent::Kind::Look:
            if (e.x < -100000 || e.x > 100000 || e.y < -100000 || e.y > 100000) Fail("look out of range", e.line);
            break;
        case delver::ScriptEvent::Kind::Jump: break;
        }
    }

    // Play it: every frame that has events, then the one after the last.
    StillWindow window;
    delver::ScriptedPlatform platform(window, script, 320, 240);
    size_t messages = 0;
    const delver::ScriptEvent* cursor = nullptr;  // the latest mouse event applied
    auto frameOf = [&](size_t i) { return script.events[i].frame; };
    for (size_t i = 0; i <= script.events.size();) {
        const int64_t frame = i < script.events.size() ? frameOf(i) : last + 1;
        platform.BeginFrame(frame);
        for (size_t j = i; j < script.events.size() && frameOf(j) == frame; ++j)
            if (script.events[j].kind == delver::ScriptEvent::Kind::Mouse) cursor = &script.events[j];
        for (int vk = 0; vk < 256; ++vk) (void)platform.IsKeyHeld(vk);
        const int x = delver::MouseX(platform, 320), y = delver::MouseY(platform, 240);
        if (x < 0 || x > 319 || y < 0 || y > 239) Fail("cursor read back off the picture", 0);
        // After a jump line the events wait for a jump this simple player
        // may never make, so only scripts without one are held to theirs.
        if (!jumps && cursor && (x != cursor->x || y != cursor->y))
            Fail("the cursor reads back elsewhere", cursor->line);
        while (platform.PollMessage() != delver::MessageKind::None) ++messages;
        if (i == script.events.size()) break;
        while (i < script.events.size() && frameOf(i) == frame) ++i;
    }
    if (jumps ? messages > clicks : messages != clicks) Fail("messages lost or made up", 0);
    // After the last frame no tapped key is held any more. A script with a
    // jump line may leave events waiting for a jump this simple player
    // never makes, and its last frame is not the one they were tapped in,
    // so only scripts without one are held to it.
    for (const delver::ScriptEvent& e : script.events)
        if (!jumps && e.kind == delver::ScriptEvent::Kind::Tap && e.frame == last) {
            bool heldAfter = false;
            for (const delver::ScriptEvent& f : script.events)
                if (f.kind == delver::ScriptEvent::Kind::Down && f.key == e.key) heldAfter = true;
            if (!heldAfter && platform.IsKeyHeld(e.key)) Fail("a tapped key stays held", e.line);
        }
    return 0;
}
