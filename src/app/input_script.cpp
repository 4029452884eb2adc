#include "app/input_script.h"

#include <cctype>
#include <sstream>

#include "app/options.h"
#include "platform/input.h"

namespace delver {

int KeyCodeFromName(const std::string& name) {
    std::string n;
    for (char c : name) n += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (!n.empty() && std::isdigit(static_cast<unsigned char>(n[0]))) {
        // A single digit is the digit key; longer numbers are key codes.
        if (n.size() == 1) return '0' + (n[0] - '0');
        int64_t code = 0;
        if (!ParseInteger(n, 1, 255, code)) return -1;
        return static_cast<int>(code);
    }
    if (n.size() == 1 && n[0] >= 'A' && n[0] <= 'Z') return n[0];
    static const struct {
        const char* name;
        int code;
    } named[] = {
        {"ESC", vk::Escape},         {"ESCAPE", vk::Escape},     {"TAB", vk::Tab},
        {"ENTER", vk::Enter},        {"RETURN", vk::Enter},      {"BACKSPACE", vk::Backspace},
        {"SPACE", vk::Space},        {"SHIFT", vk::Shift},       {"LBRACKET", vk::LeftBracket},
        {"RBRACKET", vk::RightBracket}, {"KP_PLUS", vk::KeypadPlus}, {"KP_MINUS", vk::KeypadMinus},
        {"PAGEUP", vk::PageUp},         {"PAGEDOWN", vk::PageDown},
    };
    for (const auto& k : named)
        if (n == k.name) return k.code;
    if (n.size() >= 2 && n[0] == 'F') {
        int64_t f = 0;
        if (ParseInteger(n.substr(1), 1, vk::F12 - vk::F1 + 1, f) && n[1] != '0') return vk::F1 + static_cast<int>(f) - 1;
    }
    return -1;
}

std::string KeyNameForScript(int virtualKey) {
    if (virtualKey >= vk::Digit0 && virtualKey <= vk::Digit9) return std::string(1, static_cast<char>(virtualKey));
    if (virtualKey >= vk::LetterA && virtualKey <= vk::LetterZ) return std::string(1, static_cast<char>(virtualKey));
    if (virtualKey >= vk::F1 && virtualKey <= vk::F12) {
        // Appended rather than "F" + ...: GCC 12 warns falsely (-Wrestrict)
        // on a string literal added to a temporary string.
        std::string name(1, 'F');
        name += std::to_string(virtualKey - vk::F1 + 1);
        return name;
    }
    static const struct {
        int code;
        const char* name;
    } named[] = {
        {vk::Escape, "ESC"},        {vk::Tab, "TAB"},           {vk::Enter, "ENTER"},
        {vk::Backspace, "BACKSPACE"}, {vk::Space, "SPACE"},     {vk::Shift, "SHIFT"},
        {vk::LeftBracket, "LBRACKET"}, {vk::RightBracket, "RBRACKET"}, {vk::KeypadPlus, "KP_PLUS"},
        {vk::KeypadMinus, "KP_MINUS"}, {vk::PageUp, "PAGEUP"},   {vk::PageDown, "PAGEDOWN"},
    };
    for (const auto& k : named)
        if (virtualKey == k.code) return k.name;
    return std::to_string(virtualKey);
}

bool ParseInputScript(const std::string& text, InputScript& out, std::string& error) {
    out.events.clear();
    std::istringstream in(text);
    std::string raw;
    int lineNo = 0;
    int64_t lastFrame = 0;
    auto fail = [&](const std::string& what) {
        error = "line " + std::to_string(lineNo) + ": " + what;
        return false;
    };
    while (std::getline(in, raw)) {
        ++lineNo;
        std::string line = raw.substr(0, raw.find('#'));
        std::istringstream words(line);
        std::vector<std::string> w;
        for (std::string s; words >> s;) w.push_back(s);
        if (w.empty()) continue;

        ScriptEvent e;
        e.line = lineNo;
        if (!ParseInteger(w[0], 0, INT32_MAX, e.frame))
            return fail(Quoted(w[0]) + " is not a frame number from 0 to 2147483647");
        const bool jump = w.size() >= 2 && w[1] == "jump";
        if (e.frame < lastFrame && !jump)
            return fail("frame " + Quoted(w[0]) + " comes after frame " + std::to_string(lastFrame) +
                        "; events must be in frame order");
        if (w.size() < 2) return fail("missing event after the frame number");
        const std::string& verb = w[1];
        auto want = [&](size_t n, const char* form) {
            if (w.size() != n) {
                fail(std::string("expected '") + form + "'");
                return false;
            }
            return true;
        };
        if (verb == "down" || verb == "up" || verb == "tap") {
            if (!want(3, "<frame> down|up|tap <key>")) return false;
            e.kind = verb == "down" ? ScriptEvent::Kind::Down
                     : verb == "up" ? ScriptEvent::Kind::Up
                                    : ScriptEvent::Kind::Tap;
            e.key = KeyCodeFromName(w[2]);
            if (e.key < 0) return fail("unknown key " + Quoted(w[2]));
        } else if (verb == "mouse") {
            if (!want(4, "<frame> mouse <x> <y>")) return false;
            int64_t x = 0, y = 0;
            if (!ParseInteger(w[2], 0, 319, x)) return fail("mouse x " + Quoted(w[2]) + " is not a pixel column 0..319");
            if (!ParseInteger(w[3], 0, 239, y)) return fail("mouse y " + Quoted(w[3]) + " is not a pixel row 0..239");
            e.kind = ScriptEvent::Kind::Mouse;
            e.x = static_cast<int>(x);
            e.y = static_cast<int>(y);
        } else if (verb == "click") {
            if (!want(3, "<frame> click left|right")) return false;
            if (w[2] != "left" && w[2] != "right") return fail("click takes left or right, not " + Quoted(w[2]));
            e.kind = ScriptEvent::Kind::Click;
            e.right = w[2] == "right";
        } else if (verb == "close") {
            if (!want(2, "<frame> close")) return false;
            e.kind = ScriptEvent::Kind::Close;
        } else if (verb == "jump") {
            if (!want(2, "<frame> jump")) return false;
            e.kind = ScriptEvent::Kind::Jump;
        } else {
            return fail("unknown event " + Quoted(verb) + " (down, up, tap, mouse, click, close or jump)");
        }
        lastFrame = e.frame;
        out.events.push_back(e);
    }
    return true;
}

ScriptedPlatform::ScriptedPlatform(Platform& inner, InputScript script, int framebufferWidth, int framebufferHeight)
    : inner_(inner), script_(std::move(script)), fbWidth_(framebufferWidth), fbHeight_(framebufferHeight) {}

void ScriptedPlatform::BeginFrame(int64_t frame) {
    for (int key : tapped_) held_[static_cast<size_t>(key)] = false;
    tapped_.clear();
    // A loaded save can move the frame counter back; events already applied
    // stay applied and the script simply waits for its next frame, unless a
    // jump line says where the counter goes.
    bool jumped = begun_ && frame != lastFrame_ + 1;
    begun_ = true;
    lastFrame_ = frame;
    while (next_ < script_.events.size()) {
        const ScriptEvent& e = script_.events[next_];
        if (e.kind == ScriptEvent::Kind::Jump) {
            // One jump line stands for one jump, to exactly its frame.
            if (!jumped || e.frame != frame) break;
            jumped = false;
            ++next_;
            continue;
        }
        if (e.frame > frame) break;
        ++next_;
        switch (e.kind) {
            case ScriptEvent::Kind::Down: held_[static_cast<size_t>(e.key)] = true; break;
            case ScriptEvent::Kind::Up: held_[static_cast<size_t>(e.key)] = false; break;
            case ScriptEvent::Kind::Tap:
                held_[static_cast<size_t>(e.key)] = true;
                tapped_.push_back(e.key);
                break;
            case ScriptEvent::Kind::Mouse:
                hasCursor_ = true;
                cursorX_ = e.x;
                cursorY_ = e.y;
                break;
            case ScriptEvent::Kind::Click:
                messages_.push_back(e.right ? MessageKind::RightButtonDown : MessageKind::LeftButtonDown);
                break;
            case ScriptEvent::Kind::Close: messages_.push_back(MessageKind::Close); break;
            case ScriptEvent::Kind::Jump: break;
        }
    }
}

WindowStep ScriptedPlatform::CreateGlWindow(const char* title, int width, int height, int colourBits) {
    return inner_.CreateGlWindow(title, width, height, colourBits);
}
std::vector<ReleaseStep> ScriptedPlatform::DestroyGlWindow() { return inner_.DestroyGlWindow(); }
std::vector<ReleaseStep> ScriptedPlatform::TakeUndoFailures() { return inner_.TakeUndoFailures(); }
bool ScriptedPlatform::HasWindow() const { return inner_.HasWindow(); }
void ScriptedPlatform::SetCursorVisible(bool visible) { inner_.SetCursorVisible(visible); }
ScreenRect ScriptedPlatform::WindowRect() { return inner_.WindowRect(); }
void ScriptedPlatform::MoveWindow(int x, int y, int width, int height) { inner_.MoveWindow(x, y, width, height); }
void ScriptedPlatform::SwapBuffers() { inner_.SwapBuffers(); }

MessageKind ScriptedPlatform::PollMessage() {
    if (!messages_.empty()) {
        MessageKind m = messages_.front();
        messages_.pop_front();
        return m;
    }
    return inner_.PollMessage();
}

bool ScriptedPlatform::IsKeyHeld(int vk) {
    bool scripted = vk >= 0 && vk < 256 && held_[static_cast<size_t>(vk)];
    return scripted || inner_.IsKeyHeld(vk);
}

ScreenPoint ScriptedPlatform::CursorPos() {
    if (!hasCursor_) return inner_.CursorPos();
    // Find the screen point over the scripted framebuffer pixel in the
    // window as it stands now, so that MouseX/MouseY read it back exactly.
    ScreenRect r = inner_.WindowRect();
    int spanX = r.right - r.left, spanY = r.bottom - r.top;
    ScreenPoint p{r.left, r.bottom};
    if (spanX > 0) {
        int zoom = spanX / fbWidth_ > 0 ? spanX / fbWidth_ : 1;
        for (int offset = cursorX_ * zoom; offset <= (cursorX_ + 1) * zoom + 1; ++offset) {
            p.x = r.left + offset;
            if (MouseXFrom(p, r, fbWidth_) == cursorX_) break;
        }
    }
    if (spanY > 0) {
        int zoom = spanY / fbHeight_ > 0 ? spanY / fbHeight_ : 1;
        for (int offset = cursorY_ * zoom; offset <= (cursorY_ + 1) * zoom + 1; ++offset) {
            p.y = r.bottom - offset;
            if (MouseYFrom(p, r, fbHeight_) == cursorY_) break;
        }
    }
    return p;
}

void ScriptedPlatform::Sleep(unsigned ms) {
    slept_ += ms;
    inner_.Sleep(ms);
}
int64_t ScriptedPlatform::CalendarSeconds() { return inner_.CalendarSeconds(); }
void ScriptedPlatform::ShowMessage(const char* caption, const char* text, DialogKind kind) {
    inner_.ShowMessage(caption, text, kind);
}
bool ScriptedPlatform::CanRunWithoutWindow() const { return inner_.CanRunWithoutWindow(); }
void ScriptedPlatform::FlushSavedFiles() { inner_.FlushSavedFiles(); }

}  // namespace delver
