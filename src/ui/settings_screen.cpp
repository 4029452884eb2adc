#include "ui/settings_screen.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "platform/input.h"
#include "settings/input_names.h"

namespace delver {

namespace {

enum PlainRow {
    RowMouse,
    RowSensitivity,
    RowSensitivityY,
    RowInvert,
    RowKeys,
    RowPauses,
    RowFullscreen,
    RowScale,
    RowMap,
    RowShafts,
    RowFog,
    RowFeedback,
    RowSound,
    RowVolume,
    PlainRows
};
static_assert(PlainRows == PlainSettingCount, "a row for every setting");
constexpr const char* PlainLabels[PlainRows] = {"MOUSE",      "SENSITIVITY", "SENSITIVITY UP/DOWN",
                                                "INVERT Y",   "KEYS",        "PAUSES",
                                                "FULLSCREEN", "SCALE",       "MAP",
                                                "SHAFTS",     "FOG",         "FEEDBACK",
                                                "SOUND",      "VOLUME"};
constexpr float Sensitivities[] = {2, 3, 5, 7, 10, 15, 20, 25, 30, 40, 50, 70, 100};

constexpr int RowsShown = 18;
constexpr int TitleY = 226, FirstRowY = 210, RowHeight = 10, LabelX = 8, ValueX = 150;

// The next (step +1) or previous sensitivity of the list.
float StepSensitivity(float now, int step) {
    const int n = static_cast<int>(std::size(Sensitivities));
    int i = 0;
    while (i < n && Sensitivities[i] < now - 0.001f) ++i;
    if (step > 0) {
        if (i < n && Sensitivities[i] <= now + 0.001f) ++i;
        return Sensitivities[std::min(i, n - 1)];
    }
    return Sensitivities[std::max(i - 1, 0)];
}

// The volume a tenth of the way up (step +1) or down, on the tenths.
int StepVolume(int now, int step) {
    const int tenths = step > 0 ? now / 10 + 1 : (now + 9) / 10 - 1;
    return std::clamp(tenths * 10, 0, 100);
}

void ChangePlain(Settings& s, int row, int step) {
    switch (row) {
    case RowMouse: s.capturedMouse = !s.capturedMouse; break;
    case RowSensitivity: {
        const bool together = s.sensitivityY == s.sensitivity;
        s.sensitivity = StepSensitivity(s.sensitivity, step);
        if (together) s.sensitivityY = s.sensitivity;
        break;
    }
    case RowSensitivityY: s.sensitivityY = StepSensitivity(s.sensitivityY, step); break;
    case RowInvert: s.invertY = !s.invertY; break;
    case RowKeys: s.modernKeys = !s.modernKeys; break;
    case RowPauses: s.smoothPauses = !s.smoothPauses; break;
    case RowFullscreen: s.fullscreen = !s.fullscreen; break;
    case RowScale: s.wholeScale = !s.wholeScale; break;
    case RowMap: s.map = (s.map + (step > 0 ? 1 : 2)) % 3; break;
    case RowShafts: s.markedShafts = !s.markedShafts; break;
    case RowFog: s.fog = !s.fog; break;
    case RowFeedback: s.feedback = !s.feedback; break;
    case RowSound: s.sound = !s.sound; break;
    case RowVolume: s.volume = StepVolume(s.volume, step); break;
    default: break;
    }
}

std::string PlainValue(const Settings& s, int row) {
    std::string v = SettingValue(s, PlainSettingNames[row]);
    for (char& c : v) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    return v;
}

std::string BindingText(const Settings& s, Action a) {
    std::string v;
    for (int code : s.InputsOf(a)) {
        if (code == 0) continue;
        if (!v.empty()) v += "  ";
        v += InputName(code);
    }
    return v.empty() ? "-" : v;
}

void Text(FrameState& frame, int x, int y, const std::string& text, int r, int g, int b) {
    FormatText(frame, "%s", text.c_str());
    DrawTextSmall(frame, x, y, r, g, b);
}

// The inputs a binding may take: everything but the screen's own Escape.
bool Bindable(int code) { return code > 0 && code < 256 && code != vk::Escape; }

}  // namespace

int SettingsRowCount() { return PlainRows + ActionCount; }

void OpenSettingsScreen(SettingsScreen& screen, Input& input) {
    screen.open = true;
    screen.binding = false;
    screen.changed = false;
    for (int k = 1; k < 256; ++k) screen.wasHeld[static_cast<size_t>(k)] = input.IsKeyHeld(k);
}

bool RunSettingsScreen(SettingsScreen& screen, Settings& s, FrameState& frame, Input& input, const ShellState& shell) {
    const int rows = SettingsRowCount();
    // New presses only: a held key acts once.
    std::array<bool, 256> held{};
    auto pressed = [&](int code) {
        return held[static_cast<size_t>(code)] && !screen.wasHeld[static_cast<size_t>(code)];
    };
    if (screen.binding) {
        for (int k = 1; k < 256; ++k) held[static_cast<size_t>(k)] = input.IsKeyHeld(k);
    } else {
        for (int k : {vk::Escape, vk::Enter, vk::F10, input::Up, input::Down, input::Left, input::Right, input::Delete})
            held[static_cast<size_t>(k)] = input.IsKeyHeld(k);
    }
    const bool click = shell.ClickPending[1] == 1;

    // The mouse chooses the row under it.
    const int my = MouseY(input, frame.Height);
    const int hovered = screen.top + (FirstRowY + RowHeight - 1 - my) / RowHeight;
    const bool overRow =
        my <= FirstRowY + RowHeight - 1 && hovered >= screen.top && hovered < std::min(rows, screen.top + RowsShown);

    bool open = true;
    int& sel = screen.selected;
    if (screen.binding) {
        const Action action = static_cast<Action>(sel - PlainRows);
        Binding& b = s.bindings[static_cast<size_t>(sel - PlainRows)];
        int code = 0;
        if (click) code = input::Mouse1;
        for (int k = 1; k < 256 && code == 0; ++k)
            if (pressed(k) && k != vk::Shift) code = k;
        if (code == vk::Escape) {
            screen.binding = false;
        } else if (code == input::Delete) {
            b = {0, 0};
            s.bound[static_cast<size_t>(sel - PlainRows)] = true;
            screen.binding = false;
            screen.changed = true;
        } else if (Bindable(code)) {
            const Binding now = s.InputsOf(action);
            b = {code, now[0] == code ? now[1] : now[0]};
            s.bound[static_cast<size_t>(sel - PlainRows)] = true;
            screen.binding = false;
            screen.changed = true;
        }
    } else {
        int change = 0;
        if (pressed(vk::Escape) || pressed(vk::F10)) open = false;
        if (pressed(input::Up)) sel = (sel + rows - 1) % rows;
        if (pressed(input::Down)) sel = (sel + 1) % rows;
        if (click && overRow) {
            sel = hovered;
            change = 1;
        }
        if (pressed(vk::Enter) || pressed(input::Right)) change = 1;
        if (pressed(input::Left)) change = -1;
        if (change != 0) {
            if (sel < PlainRows) {
                ChangePlain(s, sel, change);
                screen.changed = true;
            } else {
                screen.binding = true;
            }
        } else if (pressed(input::Delete) && sel >= PlainRows) {
            s.bindings[static_cast<size_t>(sel - PlainRows)] = {0, 0};
            s.bound[static_cast<size_t>(sel - PlainRows)] = true;
            screen.changed = true;
        }
    }
    screen.wasHeld = held;
    if (screen.binding) {
        // Every input counts as held now, so that only a new press binds.
        for (int k = 1; k < 256; ++k) screen.wasHeld[static_cast<size_t>(k)] = input.IsKeyHeld(k);
    }
    screen.top = std::clamp(screen.top, std::max(0, sel - RowsShown + 1), sel);

    // The picture.
    std::fill(frame.FrameBuffer.begin(), frame.FrameBuffer.end(), uint8_t{0});
    Text(frame, LabelX, TitleY, "SETTINGS   F10 OR ESC CLOSES   ENTER CHANGES", 255, 255, 0);
    for (int i = 0; i < RowsShown && screen.top + i < rows; ++i) {
        const int row = screen.top + i;
        const int y = FirstRowY - i * RowHeight;
        const bool chosen = row == sel;
        const int g = chosen ? 255 : 200, b = chosen ? 0 : 200;
        std::string label, value;
        if (row < PlainRows) {
            label = PlainLabels[row];
            value = PlainValue(s, row);
        } else {
            const Action a = static_cast<Action>(row - PlainRows);
            label = ActionLabel(a);
            value = chosen && screen.binding ? "PRESS AN INPUT (DELETE CLEARS)" : BindingText(s, a);
        }
        Text(frame, LabelX, y, (chosen ? "> " : "  ") + label, 255, g, b);
        Text(frame, ValueX, y, value, 255, g, b);
    }
    int footY = FirstRowY - RowsShown * RowHeight - 4;
    for (const std::string& c : BindingConflicts(s)) {
        if (footY < 2) break;
        Text(frame, LabelX, footY, "CONFLICT " + c, 255, 80, 80);
        footY -= RowHeight;
    }
    for (const std::string& p : screen.problems) {
        if (footY < 2) break;
        Text(frame, LabelX, footY, "SETTINGS.CFG " + p, 255, 80, 80);
        footY -= RowHeight;
    }
    if (!open) screen.open = false;
    return open;
}

}  // namespace delver
