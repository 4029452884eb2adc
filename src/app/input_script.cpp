#include "app/input_script.h"

#include <cctype>
#include <sstream>

#include "app/options.h"
#include "settings/input_names.h"
#include "settings/settings.h"

namespace delver {

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

        if (w[0] == "setting") {
            // "setting name = value": checked as settings.cfg checks it.
            const std::string body = line.substr(line.find("setting") + 7);
            const size_t eq = body.find('=');
            if (!out.events.empty()) return fail("settings come before the first event");
            if (eq == std::string::npos) return fail("expected 'setting <name> = <value>'");
            auto trim = [](std::string t) {
                const size_t b = t.find_first_not_of(" \t\r"), e = t.find_last_not_of(" \t\r");
                return b == std::string::npos ? std::string() : t.substr(b, e - b + 1);
            };
            Settings check;
            std::string why;
            const std::string name = trim(body.substr(0, eq)), value = trim(body.substr(eq + 1));
            if (!ApplySetting(check, name, value, why)) return fail(why);
            out.settings.emplace_back(name, value);
            continue;
        }
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
            e.key = InputCodeFromName(w[2]);
            if (e.key < 0) return fail("unknown key " + Quoted(w[2]));
        } else if (verb == "mouse") {
            if (!want(4, "<frame> mouse <x> <y>")) return false;
            int64_t x = 0, y = 0;
            if (!ParseInteger(w[2], 0, 319, x))
                return fail("mouse x " + Quoted(w[2]) + " is not a pixel column 0..319");
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
        } else if (verb == "look") {
            if (!want(4, "<frame> look <dx> <dy>")) return false;
            int64_t dx = 0, dy = 0;
            if (!ParseInteger(w[2], -100000, 100000, dx) || !ParseInteger(w[3], -100000, 100000, dy))
                return fail("look takes two counts from -100000 to 100000");
            e.kind = ScriptEvent::Kind::Look;
            e.x = static_cast<int>(dx);
            e.y = static_cast<int>(dy);
        } else if (verb == "jump") {
            if (!want(2, "<frame> jump")) return false;
            e.kind = ScriptEvent::Kind::Jump;
        } else {
            return fail("unknown event " + Quoted(verb) + " (down, up, tap, mouse, click, close, look or jump)");
        }
        lastFrame = e.frame;
        out.events.push_back(e);
    }
    return true;
}

}  // namespace delver
