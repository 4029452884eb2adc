#include "settings/settings.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "settings/input_names.h"

namespace delver {

namespace {

struct ActionRow {
    const char* name;
    const char* label;
    Binding classic;  // the game's own inputs
    Binding modern;   // with keys = modern
};

constexpr int Z = 'Z', W = 'W', S = 'S', A = 'A', D = 'D', Q = 'Q', E = 'E', C = 'C', M = 'M';
constexpr int Tab = 9, Esc = 27, Space = 32, PageUp = 33, PageDown = 34, KpPlus = 107, KpMinus = 109;
constexpr int F1 = 112, F5 = 116, F9 = 120, F10 = 121, F11 = 122, LBracket = 219, RBracket = 221;

// In the order of enum Action.
constexpr ActionRow Rows[ActionCount] = {
    {"walk_forward", "WALK FORWARD", {0, 0}, {W, input::Up}},
    {"walk_back", "WALK BACK", {Z, 0}, {S, input::Down}},
    {"step_left", "STEP LEFT", {0, 0}, {A, 0}},
    {"step_right", "STEP RIGHT", {0, 0}, {D, 0}},
    {"turn_left", "TURN LEFT", {0, 0}, {Q, input::Left}},
    {"turn_right", "TURN RIGHT", {0, 0}, {E, input::Right}},
    {"layer_up", "LAYER UP", {KpMinus, PageUp}, {PageUp, Space}},
    {"layer_down", "LAYER DOWN", {KpPlus, PageDown}, {PageDown, C}},
    {"view_less", "VIEW DISTANCE -", {LBracket, 0}, {LBracket, 0}},
    {"view_more", "VIEW DISTANCE +", {RBracket, 0}, {RBracket, 0}},
    {"walk_toggle", "WALK ON/OFF", {input::Mouse1, 0}, {input::Mouse1, 0}},
    {"mouse_look", "MOUSE LOOK ON/OFF", {input::Mouse2, 0}, {input::Mouse2, 0}},
    {"console", "CONSOLE", {Tab, 0}, {Tab, 0}},
    {"save_slot1", "SAVE SLOT 1", {F5, 0}, {F5, 0}},
    {"save_slot2", "SAVE SLOT 2", {F5 + 1, 0}, {F5 + 1, 0}},
    {"load_slot1", "LOAD SLOT 1", {F5 + 2, 0}, {F5 + 2, 0}},
    {"load_slot2", "LOAD SLOT 2", {F5 + 3, 0}, {F5 + 3, 0}},
    {"window_size1", "WINDOW SIZE 1", {F1, 0}, {F1, 0}},
    {"window_size2", "WINDOW SIZE 2", {F1 + 1, 0}, {F1 + 1, 0}},
    {"window_size3", "WINDOW SIZE 3", {F1 + 2, 0}, {F1 + 2, 0}},
    {"window_size4", "WINDOW SIZE 4", {F1 + 3, 0}, {F1 + 3, 0}},
    {"move_window", "MOVE WINDOW", {M, 0}, {M, 0}},
    {"map", "MAP", {F9, 0}, {F9, 0}},
    {"fullscreen", "FULLSCREEN", {F11, 0}, {F11, 0}},
    {"settings", "SETTINGS", {F10, 0}, {F10, 0}},
    {"quit", "QUIT", {Esc, 0}, {Esc, 0}},
};

std::string Trim(const std::string& s) {
    const size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) return "";
    const size_t e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

bool Choice(const std::string& value, const char* no, const char* yes, bool& out) {
    const std::string v = Lower(value);
    if (v == no) {
        out = false;
        return true;
    }
    if (v == yes) {
        out = true;
        return true;
    }
    return false;
}

// A sensitivity: a plain decimal number above 0 and at most 1000.
bool Sensitivity(const std::string& value, float& out) {
    if (value.empty() || value.size() > 12) return false;
    for (char c : value)
        if (!((c >= '0' && c <= '9') || c == '.')) return false;
    char* end = nullptr;
    const double d = std::strtod(value.c_str(), &end);
    if (end != value.c_str() + value.size() || !(d > 0.0 && d <= 1000.0)) return false;
    out = static_cast<float>(d);
    return true;
}

// A volume: a whole number 0..100.
bool Volume(const std::string& value, int& out) {
    if (value.empty() || value.size() > 3) return false;
    for (char c : value)
        if (c < '0' || c > '9') return false;
    const int v = std::atoi(value.c_str());
    if (v > 100) return false;
    out = v;
    return true;
}

std::string Number(float f) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", static_cast<double>(f));
    return buf;
}

int ActionIndex(const std::string& name) {
    for (int i = 0; i < ActionCount; ++i)
        if (name == Rows[i].name) return i;
    return -1;
}

// The name of a settings line ("" for a comment, a blank or no '=').
std::string LineName(const std::string& line) {
    const std::string body = Trim(line.substr(0, line.find('#')));
    const size_t eq = body.find('=');
    if (eq == std::string::npos) return "";
    return Lower(Trim(body.substr(0, eq)));
}

// Does the setting differ from what a file without its line gives. The
// up-and-down sensitivity follows the side-to-side one unless set apart.
bool DiffersFromDefault(const Settings& s, const std::string& name) {
    if (name.rfind("bind.", 0) == 0) return s.bound[static_cast<size_t>(ActionIndex(name.substr(5)))];
    if (name == "mouse_sensitivity_y") return s.sensitivityY != s.sensitivity;
    return SettingValue(s, name) != SettingValue(Settings{}, name);
}

}  // namespace

const char* ActionName(Action action) { return Rows[static_cast<int>(action)].name; }
const char* ActionLabel(Action action) { return Rows[static_cast<int>(action)].label; }

Binding DefaultBinding(Action action, bool modernKeys) {
    const ActionRow& r = Rows[static_cast<int>(action)];
    return modernKeys ? r.modern : r.classic;
}

Binding Companions(Action action, bool modernKeys) {
    const auto classic = [&](int code) { return modernKeys ? code : 0; };
    switch (action) {
    case Action::WalkForward: return {input::PadLeftStickUp, 0};
    case Action::WalkBack: return {input::PadLeftStickDown, classic(Z)};
    case Action::StepLeft: return {input::PadLeftStickLeft, 0};
    case Action::StepRight: return {input::PadLeftStickRight, 0};
    case Action::LayerUp: return {input::PadRightShoulder, classic(KpMinus)};
    case Action::LayerDown: return {input::PadLeftShoulder, classic(KpPlus)};
    case Action::WalkToggle: return {input::PadA, 0};
    case Action::Settings: return {input::PadStart, 0};
    default: return {0, 0};
    }
}

Binding Settings::InputsOf(Action action) const {
    const int i = static_cast<int>(action);
    return bound[i] ? bindings[i] : DefaultBinding(action, modernKeys);
}

bool ApplySetting(Settings& s, const std::string& rawName, const std::string& value, std::string& why) {
    const std::string name = Lower(rawName);
    bool ok = true;
    if (name == "mouse") {
        ok = Choice(value, "cursor", "captured", s.capturedMouse);
    } else if (name == "mouse_sensitivity") {
        // Sets both directions; mouse_sensitivity_y after it sets its own.
        ok = Sensitivity(value, s.sensitivity);
        if (ok) s.sensitivityY = s.sensitivity;
    } else if (name == "mouse_sensitivity_y") {
        ok = Sensitivity(value, s.sensitivityY);
    } else if (name == "invert_y") {
        ok = Choice(value, "no", "yes", s.invertY);
    } else if (name == "keys") {
        ok = Choice(value, "classic", "modern", s.modernKeys);
    } else if (name == "pauses") {
        ok = Choice(value, "classic", "smooth", s.smoothPauses);
    } else if (name == "fullscreen") {
        ok = Choice(value, "no", "yes", s.fullscreen);
    } else if (name == "map") {
        const std::string v = Lower(value);
        ok = v == "off" || v == "corner" || v == "full";
        if (ok) s.map = v == "off" ? 0 : v == "corner" ? 1 : 2;
    } else if (name == "shafts") {
        ok = Choice(value, "plain", "marked", s.markedShafts);
    } else if (name == "fog") {
        ok = Choice(value, "off", "on", s.fog);
    } else if (name == "feedback") {
        ok = Choice(value, "off", "on", s.feedback);
    } else if (name == "sound") {
        ok = Choice(value, "off", "on", s.sound);
    } else if (name == "volume") {
        ok = Volume(value, s.volume);
    } else if (name == "scale") {
        bool fit = false;
        ok = Choice(value, "whole", "fit", fit);
        if (ok) s.wholeScale = !fit;
    } else if (name.rfind("bind.", 0) == 0) {
        const int a = ActionIndex(name.substr(5));
        if (a < 0) {
            why = "no action named " + name.substr(5);
            return false;
        }
        std::istringstream words(value);
        Binding b{0, 0};
        int n = 0;
        for (std::string w; words >> w;) {
            const int code = InputCodeFromName(w);
            if (code < 0) {
                why = "unknown input " + w;
                return false;
            }
            if (n == 2) {
                why = "an action takes at most two inputs";
                return false;
            }
            b[static_cast<size_t>(n++)] = code;
        }
        s.bindings[static_cast<size_t>(a)] = b;
        s.bound[static_cast<size_t>(a)] = true;
        return true;
    } else {
        why = "unknown setting " + name;
        return false;
    }
    if (!ok) why = "\"" + value + "\" is not a value of " + name;
    return ok;
}

SettingsFile ParseSettings(const std::string& text) {
    SettingsFile f;
    std::istringstream in(text);
    int lineNo = 0;
    for (std::string line; std::getline(in, line);) {
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        f.lines.push_back(line);
        const std::string body = Trim(line.substr(0, line.find('#')));
        if (body.empty()) continue;
        const size_t eq = body.find('=');
        std::string why;
        if (eq == std::string::npos)
            why = "expected name = value";
        else if (ApplySetting(f.settings, Trim(body.substr(0, eq)), Trim(body.substr(eq + 1)), why))
            continue;
        f.problems.push_back("line " + std::to_string(lineNo) + ": " + why);
    }
    return f;
}

std::string SettingValue(const Settings& s, const std::string& name) {
    if (name == "mouse") return s.capturedMouse ? "captured" : "cursor";
    if (name == "mouse_sensitivity") return Number(s.sensitivity);
    if (name == "mouse_sensitivity_y") return Number(s.sensitivityY);
    if (name == "invert_y") return s.invertY ? "yes" : "no";
    if (name == "keys") return s.modernKeys ? "modern" : "classic";
    if (name == "pauses") return s.smoothPauses ? "smooth" : "classic";
    if (name == "fullscreen") return s.fullscreen ? "yes" : "no";
    if (name == "scale") return s.wholeScale ? "whole" : "fit";
    if (name == "map") return s.map == 0 ? "off" : s.map == 1 ? "corner" : "full";
    if (name == "shafts") return s.markedShafts ? "marked" : "plain";
    if (name == "fog") return s.fog ? "on" : "off";
    if (name == "feedback") return s.feedback ? "on" : "off";
    if (name == "sound") return s.sound ? "on" : "off";
    if (name == "volume") return std::to_string(s.volume);
    if (name.rfind("bind.", 0) == 0) {
        const int a = ActionIndex(name.substr(5));
        if (a < 0) return "";
        std::string v;
        for (int code : s.InputsOf(static_cast<Action>(a))) {
            if (code == 0) continue;
            if (!v.empty()) v += ' ';
            v += InputName(code);
        }
        return v;
    }
    return "";
}

const char* const PlainSettingNames[PlainSettingCount] = {"mouse",
                                                          "mouse_sensitivity",
                                                          "mouse_sensitivity_y",
                                                          "invert_y",
                                                          "keys",
                                                          "pauses",
                                                          "fullscreen",
                                                          "scale",
                                                          "map",
                                                          "shafts",
                                                          "fog",
                                                          "feedback",
                                                          "sound",
                                                          "volume"};

std::string WriteSettings(const SettingsFile& file, const Settings& s) {
    std::vector<std::string> names(std::begin(PlainSettingNames), std::end(PlainSettingNames));
    for (int a = 0; a < ActionCount; ++a) names.push_back(std::string("bind.") + Rows[a].name);

    auto differs = [&](const std::string& name) { return DiffersFromDefault(s, name); };
    std::string out;
    std::vector<bool> written(names.size(), false);
    for (const std::string& line : file.lines) {
        const std::string name = LineName(line);
        size_t k = 0;
        while (k < names.size() && names[k] != name) ++k;
        if (k == names.size()) {
            out += line + "\n";
            continue;
        }
        // A line that could not be read stays as the player wrote it, until
        // the setting it names is given a value.
        Settings scratch;
        std::string why;
        const std::string body = Trim(line.substr(0, line.find('#')));
        if (!ApplySetting(scratch, name, Trim(body.substr(body.find('=') + 1)), why) && !differs(name)) {
            out += line + "\n";
            continue;
        }
        // A setting given twice keeps its first line, which now says it all.
        if (written[k]) continue;
        written[k] = true;
        if (name.rfind("bind.", 0) == 0 && !differs(name)) continue;
        const size_t hash = line.find('#');
        out += name + " = " + SettingValue(s, name);
        if (hash != std::string::npos) out += "  " + line.substr(hash);
        out += "\n";
    }
    for (size_t k = 0; k < names.size(); ++k)
        if (!written[k] && differs(names[k])) out += names[k] + " = " + SettingValue(s, names[k]) + "\n";
    return out;
}

std::vector<std::pair<std::string, std::string>> PlaySettings(const Settings& s) {
    std::vector<std::pair<std::string, std::string>> out;
    for (const char* name :
         {"mouse", "mouse_sensitivity", "mouse_sensitivity_y", "invert_y", "keys", "pauses", "map", "feedback"})
        if (DiffersFromDefault(s, name)) out.emplace_back(name, SettingValue(s, name));
    for (int a = 0; a < ActionCount; ++a)
        if (s.bound[static_cast<size_t>(a)]) {
            const std::string name = std::string("bind.") + Rows[a].name;
            out.emplace_back(name, SettingValue(s, name));
        }
    return out;
}

std::vector<std::string> BindingConflicts(const Settings& s) {
    std::vector<std::string> out;
    for (int a = 0; a < ActionCount; ++a)
        for (int b = a + 1; b < ActionCount; ++b)
            for (int x : s.InputsOf(static_cast<Action>(a)))
                for (int y : s.InputsOf(static_cast<Action>(b)))
                    if (x != 0 && x == y)
                        out.push_back(std::string(Rows[a].label) + " AND " + Rows[b].label + ": " + InputName(x));
    return out;
}

}  // namespace delver
