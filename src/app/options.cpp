#include "app/options.h"

namespace delver {

const char* UsageText() {
    return "usage: delver [-C DIR] [--seed N] [--headless] [--frames N] [--input FILE]\n"
           "              [--record FILE] [--screenshot FILE] [--report] [--render fast|literal]\n"
           "              [--fps N] [--map-images DIR] [--help] [--version]\n"
           "\n"
           "  -C DIR            change to DIR first (the game folder holding bmp_* and map);\n"
           "                    an installed copy plays in ~/.local/share/delver without it\n"
           "  --seed N          build the dungeon from seed N (0..4294967295) instead of the clock\n"
           "  --headless        no window: offscreen OpenGL, scripted input, virtual clock\n"
           "  --frames N        end after N frames (Escape or closing the window also ends)\n"
           "  --input FILE      play the input script FILE (keys, mouse, clicks by frame)\n"
           "  --record FILE     write the game as it is played to FILE, an input script\n"
           "                    that --headless --seed N --input FILE plays again\n"
           "  --screenshot FILE after the last frame, write the picture last shown as a 24-bit BMP\n"
           "  --report          at exit print one JSON object describing the game's state\n"
           "  --render MODE     scene drawing path: fast (default) or literal\n"
           "  --fps N           in a window, show at most N frames a second (default 60;\n"
           "                    0 = as fast as the machine allows)\n"
           "  --map-images DIR  write one PNG per playable layer of the dungeon --seed N\n"
           "                    builds (walls, shafts down orange and up blue, objectives,\n"
           "                    the player's start) into the folder DIR, then end\n"
           "  --help            show this text\n"
           "  --version         show the version\n"
           "\n"
           "keys:\n"
           "  right click            mouse look on/off\n"
           "  left click             walk along the line of sight on/off\n"
           "  Z (held)               walk backward\n"
           "  keypad + / Page Down   one layer down\n"
           "  keypad - / Page Up     one layer up\n"
           "  [ / ]                  view distance - / +\n"
           "  F1 .. F4               window size 1x .. 4x\n"
           "  M                      move the window to the cursor\n"
           "  F5 / F6                save to slot 1 / 2\n"
           "  F7 / F8                load slot 1 / 2\n"
           "  Tab                    console (env4cyclestep N, env5objectivenumber)\n"
           "  F9                     map: off, corner, whole picture\n"
           "  F10                    settings screen (arrows or mouse choose, Enter changes)\n"
           "  F11 / Alt+Enter        fullscreen on/off\n"
           "  Escape                 quit\n"
           "\n"
           "settings (settings.cfg in the game folder, written by the settings screen;\n"
           "without it the game plays exactly by its own rules):\n"
           "  mouse = cursor|captured      the cursor's place is the view, or the held\n"
           "                               pointer turns it (right click: look on/off)\n"
           "  mouse_sensitivity = N        degrees per 100 counts (mouse_sensitivity_y too)\n"
           "  invert_y = no|yes\n"
           "  keys = classic|modern        modern: W/S walk, A/D step, Q/E turn, Space/C layers\n"
           "  pauses = classic|smooth      smooth: no whole-game pauses after keys\n"
           "  fullscreen = no|yes          scale = whole|fit\n"
           "  map = off|corner|full        feedback = off|on\n"
           "  fog = off|on                 shafts = plain|marked\n"
           "  sound = off|on               volume = 0..100 (80)\n"
           "  bind.ACTION = INPUT [INPUT]  e.g. bind.layer_up = PAGEUP SPACE\n";
}

std::string Quoted(const std::string& text, size_t maxShown) {
    std::string q = "'";
    for (size_t i = 0; i < text.size() && i < maxShown; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        q += (c >= 32 && c < 127) ? static_cast<char>(c) : '?';
    }
    if (text.size() > maxShown) q += "...";
    return q + "'";
}

bool ParseInteger(const std::string& text, int64_t min, int64_t max, int64_t& out) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && text[i] == '-') {
        negative = true;
        ++i;
    }
    if (i == text.size()) return false;
    // Accumulate as a negative number so that the most negative value fits.
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (c < '0' || c > '9') return false;
        int digit = c - '0';
        if (value < (INT64_MIN + digit) / 10) return false;
        value = value * 10 - digit;
    }
    if (!negative) {
        if (value == INT64_MIN) return false;
        value = -value;
    }
    if (value < min || value > max) return false;
    out = value;
    return true;
}

bool ParseOptions(const std::vector<std::string>& args, Options& out, std::string& error, bool offscreenBackend,
                  bool mapImages) {
    out = Options{};
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](const char* what) -> const std::string* {
            if (i + 1 >= args.size()) {
                error = "option " + Quoted(a) + " needs " + what;
                return nullptr;
            }
            return &args[++i];
        };
        if (a == "-C") {
            const std::string* v = value("a folder");
            if (!v) return false;
            if (v->empty()) {
                error = "option -C needs a folder";
                return false;
            }
            out.directory = *v;
        } else if (a == "--seed") {
            const std::string* v = value("a number");
            if (!v) return false;
            int64_t n = 0;
            if (!ParseInteger(*v, 0, UINT32_MAX, n)) {
                error = "option --seed: " + Quoted(*v) + " is not a number from 0 to 4294967295";
                return false;
            }
            out.seed = static_cast<uint32_t>(n);
        } else if (a == "--headless") {
            out.headless = true;
        } else if (a == "--frames") {
            const std::string* v = value("a number");
            if (!v) return false;
            int64_t n = 0;
            if (!ParseInteger(*v, 0, INT32_MAX, n)) {
                error = "option --frames: " + Quoted(*v) + " is not a number from 0 to 2147483647";
                return false;
            }
            out.frames = n;
        } else if (a == "--input") {
            const std::string* v = value("a file");
            if (!v) return false;
            out.inputScript = *v;
        } else if (a == "--record") {
            const std::string* v = value("a file");
            if (!v) return false;
            if (v->empty()) {
                error = "option --record needs a file";
                return false;
            }
            out.record = *v;
        } else if (a == "--screenshot") {
            const std::string* v = value("a file");
            if (!v) return false;
            out.screenshot = *v;
        } else if (a == "--report") {
            out.report = true;
        } else if (a == "--render") {
            const std::string* v = value("fast or literal");
            if (!v) return false;
            if (*v != "fast" && *v != "literal") {
                error = "option --render: " + Quoted(*v) + " is neither fast nor literal";
                return false;
            }
            out.render = *v;
        } else if (a == "--fps") {
            const std::string* v = value("a number");
            if (!v) return false;
            int64_t n = 0;
            if (!ParseInteger(*v, 0, 1000, n)) {
                error = "option --fps: " + Quoted(*v) + " is not a number from 0 to 1000";
                return false;
            }
            out.fps = static_cast<int>(n);
        } else if (a == "--map-images") {
            const std::string* v = value("a folder");
            if (!v) return false;
            if (v->empty()) {
                error = "option --map-images needs a folder";
                return false;
            }
            out.mapImages = *v;
        } else if (a == "--help" || a == "-h") {
            out.help = true;
        } else if (a == "--version") {
            out.version = true;
        } else {
            error = "unknown option " + Quoted(a) + " (see --help)";
            return false;
        }
    }
    if (out.headless && !offscreenBackend && !out.help && !out.version) {
        error = "--headless runs need the Linux build (offscreen OpenGL through EGL)";
        return false;
    }
    if (!out.mapImages.empty() && !mapImages && !out.help && !out.version) {
        error = "--map-images needs the Linux build (PNG files through libpng)";
        return false;
    }
    return true;
}

}  // namespace delver
