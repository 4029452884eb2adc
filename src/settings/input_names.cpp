#include "settings/input_names.h"

#include <cctype>

namespace delver {

namespace {

// One table serves both directions: the first row of a code is the name
// written for it; later rows of the same code are names also read.
struct NamedInput {
    const char* name;
    int code;
};
constexpr NamedInput Named[] = {
    {"ESC", 27},
    {"ESCAPE", 27},
    {"TAB", 9},
    {"ENTER", 13},
    {"RETURN", 13},
    {"BACKSPACE", 8},
    {"SPACE", 32},
    {"SHIFT", 16},
    {"CTRL", 17},
    {"ALT", input::Alt},
    {"LBRACKET", 219},
    {"RBRACKET", 221},
    {"KP_PLUS", 107},
    {"KP_MINUS", 109},
    {"PAGEUP", 33},
    {"PAGEDOWN", 34},
    {"END", 35},
    {"HOME", 36},
    {"LEFT", input::Left},
    {"UP", input::Up},
    {"RIGHT", input::Right},
    {"DOWN", input::Down},
    {"INSERT", 45},
    {"DELETE", input::Delete},
    {"MOUSE1", input::Mouse1},
    {"MOUSE2", input::Mouse2},
    {"MOUSE3", input::Mouse3},
    {"MOUSE4", input::Mouse4},
    {"MOUSE5", input::Mouse5},
    {"WHEELUP", input::WheelUp},
    {"WHEELDOWN", input::WheelDown},
    {"PAD_A", input::PadA},
    {"PAD_B", input::PadB},
    {"PAD_X", input::PadX},
    {"PAD_Y", input::PadY},
    {"PAD_RB", input::PadRightShoulder},
    {"PAD_LB", input::PadLeftShoulder},
    {"PAD_LT", input::PadLeftTrigger},
    {"PAD_RT", input::PadRightTrigger},
    {"PAD_UP", input::PadUp},
    {"PAD_DOWN", input::PadDown},
    {"PAD_LEFT", input::PadLeft},
    {"PAD_RIGHT", input::PadRight},
    {"PAD_START", input::PadStart},
    {"PAD_BACK", input::PadBack},
    {"PAD_LSTICK_UP", input::PadLeftStickUp},
    {"PAD_LSTICK_DOWN", input::PadLeftStickDown},
    {"PAD_LSTICK_RIGHT", input::PadLeftStickRight},
    {"PAD_LSTICK_LEFT", input::PadLeftStickLeft},
};

constexpr int F1 = 112, F12 = 123;

// Strict decimal 1..max; false on anything else.
bool SmallNumber(const std::string& text, int max, int& out) {
    if (text.empty() || text.size() > 3) return false;
    int n = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        n = n * 10 + (c - '0');
    }
    if (n < 1 || n > max) return false;
    out = n;
    return true;
}

}  // namespace

int InputCodeFromName(const std::string& name) {
    std::string n;
    for (char c : name) n += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (n.size() == 1 && n[0] >= '0' && n[0] <= '9') return n[0];
    if (n.size() == 1 && n[0] >= 'A' && n[0] <= 'Z') return n[0];
    int code = 0;
    if (!n.empty() && n[0] >= '0' && n[0] <= '9') return SmallNumber(n, 255, code) ? code : -1;
    for (const NamedInput& k : Named)
        if (n == k.name) return k.code;
    if (n.size() >= 2 && n[0] == 'F' && n[1] != '0' && SmallNumber(n.substr(1), F12 - F1 + 1, code))
        return F1 + code - 1;
    return -1;
}

std::string InputName(int code) {
    if ((code >= '0' && code <= '9') || (code >= 'A' && code <= 'Z')) return std::string(1, static_cast<char>(code));
    if (code >= F1 && code <= F12) {
        // Appended rather than "F" + ...: GCC 12 warns falsely (-Wrestrict)
        // on a string literal added to a temporary string.
        std::string name(1, 'F');
        name += std::to_string(code - F1 + 1);
        return name;
    }
    for (const NamedInput& k : Named)
        if (code == k.code) return k.name;
    // Below 10 a lone digit would read as a digit key: three digits do not.
    return code >= 0 && code < 10 ? "00" + std::to_string(code) : std::to_string(code);
}

}  // namespace delver
