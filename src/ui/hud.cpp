#include "ui/hud.h"

#include <cstdio>

#include "platform/input.h"

namespace delver {

namespace {

constexpr int HudX = 12;
constexpr int HudRed = 255, HudGreen = 255, HudBlue = 0;

constexpr const char* TitleText = "WIN32ZUVRINMARROWDELVER002A";
// Drawn in the small font, which covers codes 33..122 (no backquote) and space.
constexpr const char* CreditText = "A DUNGEON DELVE - EXPLORE, COLLECT THE ORBS";

}  // namespace

std::string HudLineText(int line, const ShellState& shell, int mouseX, int mouseY) {
    char text[256];
    switch (line) {
    case HudTitle: return TitleText;
    case HudCredit: return CreditText;
    case HudObjective:
        std::snprintf(text, sizeof text, "Objective Number = %d / %d  MVD = %d", shell.ObjectivesFound,
                      shell.ObjectiveTotal, shell.ViewDistance);
        return text;
    case HudPosition:
        std::snprintf(text, sizeof text, "SX=%d,SY=%d,SZ=%d mx=%d my=%d", shell.PlayerCell[0], shell.PlayerCell[1],
                      shell.PlayerCell[2], mouseX, mouseY);
        return text;
    default: return {};
    }
}

int HudLineBaseline(int line, int framebufferHeight) {
    switch (line) {
    case HudTitle: return framebufferHeight - 14;
    case HudCredit: return 14;
    case HudObjective: return 46;
    case HudPosition: return 31;
    default: return 0;
    }
}

void HudLines(FrameState& frame, const ShellState& shell, Input& input) {
    auto draw = [&](int line, const std::string& text, bool large) {
        FormatText(frame, "%s", text.c_str());
        const int y = HudLineBaseline(line, frame.Height);
        if (large)
            DrawTextLarge(frame, HudX, y, HudRed, HudGreen, HudBlue);
        else
            DrawTextSmall(frame, HudX, y, HudRed, HudGreen, HudBlue);
    };
    draw(HudTitle, HudLineText(HudTitle, shell, 0, 0), true);
    draw(HudCredit, HudLineText(HudCredit, shell, 0, 0), false);
    draw(HudObjective, HudLineText(HudObjective, shell, 0, 0), true);
    // The mouse is read only for the line that shows it.
    const int mouseX = MouseX(input, frame.Width);
    const int mouseY = MouseY(input, frame.Height);
    draw(HudPosition, HudLineText(HudPosition, shell, mouseX, mouseY), true);
}

}  // namespace delver
