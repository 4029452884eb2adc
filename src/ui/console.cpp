#include "ui/console.h"

#include <algorithm>
#include <cstring>

#include "platform/input.h"
#include "ui/screens.h"

namespace delver {

namespace {

constexpr unsigned KeyPauseMs = 120;
constexpr unsigned SubmitPauseMs = 500;
constexpr unsigned TogglePauseMs = 400;
constexpr unsigned CycleStepPauseMs = 300;
constexpr unsigned ReportPauseMs = 5000;

constexpr int ConsoleX = 12, ConsoleY = 61, ConsoleLimit = 30;
constexpr const char* ConsolePrompt = "CMD:";
constexpr const char* WordSeparators = " -,\t\n";

// Appends ch when the line has room, pausing as the player sees a key taken.
void AppendCharacter(ConsoleState& c, Clock& clock, int limit, char ch) {
    if (c.ConsoleLineLength < 0 || c.ConsoleLineLength >= limit) return;
    c.ConsoleLine[c.ConsoleLineLength] = ch;
    c.ConsoleLine[c.ConsoleLineLength + 1] = '\0';
    c.ConsoleLineLength += 1;
    clock.Sleep(KeyPauseMs);
}

bool IsSeparator(char ch) { return ch != '\0' && std::strchr(WordSeparators, ch) != nullptr; }

char LowerAscii(char ch) { return (ch >= 'A' && ch <= 'Z') ? static_cast<char>(ch - 'A' + 'a') : ch; }

bool EqualsIgnoringCase(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b)
        if (LowerAscii(*a) != LowerAscii(*b)) return false;
    return *a == *b;
}

bool IsSpace(char ch) { return ch == ' ' || (ch >= '\t' && ch <= '\r'); }

void DrawObjectiveReport(const ObjectiveReport& report, FrameState& frame) {
    FormatText(frame, "Verification of all block.");
    DrawTextLarge(frame, 12, 100, 255, 255, 0);
    FormatText(frame, "Number of objective = %d.", report.Objectives);
    DrawTextLarge(frame, 12, 80, 255, 255, 0);
    FormatText(frame, "Free space container = %d.", report.FreeObjectives);
    DrawTextLarge(frame, 12, 60, 255, 255, 0);
}

void ShowObjectiveReport(const ObjectiveReport& report, FrameState& frame, Display& display, Clock& clock,
                         int pixelZoom) {
    ClearFrame(frame);
    DrawObjectiveReport(report, frame);
    ShowScreenThenPause(frame, display, clock, pixelZoom, ReportPauseMs);
}

// The report over the running game (smooth pauses): five seconds at 60
// frames a second, or until one of the keys that end it.
void KeepObjectiveReport(ConsoleState& c, FrameState& frame, Input& input) {
    if (KeyDown(input, vk::Enter) || KeyDown(input, vk::Space) || KeyDown(input, vk::Escape)) c.ReportFrames = 0;
    if (c.ReportFrames <= 0) return;
    --c.ReportFrames;
    std::fill(frame.FrameBuffer.begin(), frame.FrameBuffer.end(), uint8_t{0});
    DrawObjectiveReport({c.ReportObjectives, c.ReportFreeObjectives}, frame);
}

}  // namespace

void ConsoleInit(ConsoleState& c) {
    c.ConsoleLineLength = 0;
    c.ConsoleLine[0] = '\0';
    c.ConsoleLine[1] = '\0';
}

void ConsoleEdit(ConsoleState& c, FrameState& frame, Input& input, Clock& clock, int32_t frameCounter, int x, int y,
                 int limit, const char* prompt) {
    if (limit > 255) limit = 255;
    // The line is always kept within its buffer, whatever limit a caller
    // passed before.
    if (c.ConsoleLineLength < 0) c.ConsoleLineLength = 0;
    if (c.ConsoleLineLength > 255) c.ConsoleLineLength = 255;

    if (KeyDown(input, vk::Enter)) {
        c.ConsoleLine[c.ConsoleLineLength] = '\0';
        clock.Sleep(SubmitPauseMs);
        c.ConsoleSubmitted = 1;
        return;
    }

    if (KeyDown(input, vk::Backspace) && c.ConsoleLineLength > 0) {
        c.ConsoleLine[c.ConsoleLineLength] = '\0';
        c.ConsoleLine[c.ConsoleLineLength - 1] = '\0';
        c.ConsoleLineLength -= 1;
        clock.Sleep(KeyPauseMs);
    }
    if (KeyDown(input, vk::Space)) AppendCharacter(c, clock, limit, ' ');
    for (int key = vk::LetterA; key <= vk::LetterZ; ++key)
        if (KeyDown(input, key) && !KeyDown(input, vk::Shift))
            AppendCharacter(c, clock, limit, static_cast<char>('a' + (key - vk::LetterA)));
    for (int key = vk::LetterA; key <= vk::LetterZ; ++key)
        if (KeyDown(input, key) && KeyDown(input, vk::Shift))
            AppendCharacter(c, clock, limit, static_cast<char>('A' + (key - vk::LetterA)));
    for (int key = vk::Digit0; key <= vk::Digit0 + 9; ++key)
        if (KeyDown(input, key)) AppendCharacter(c, clock, limit, static_cast<char>('0' + (key - vk::Digit0)));

    if (frameCounter % 20 < 10)
        FormatText(frame, "%s%s_", prompt, c.ConsoleLine);
    else
        FormatText(frame, "%s%s", prompt, c.ConsoleLine);
    DrawTextLarge(frame, x, y, 255, 255, 255);
}

int SplitConsoleLine(const char* line, std::array<char, 256>* tokens, int maxTokens) {
    int count = 0;
    const char* p = line;
    for (;;) {
        while (IsSeparator(*p)) ++p;
        if (*p == '\0') break;
        const char* start = p;
        while (*p != '\0' && !IsSeparator(*p)) ++p;
        if (tokens && count < maxTokens) {
            size_t length = static_cast<size_t>(p - start);
            if (length > 255) length = 255;
            std::memcpy(tokens[count].data(), start, length);
            tokens[count][length] = '\0';
        }
        ++count;
    }
    return count;
}

int32_t ParseConsoleNumber(const char* word) {
    const char* p = word;
    while (IsSpace(*p)) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    // Accumulate in 64 bits and stop growing once past the 32-bit range.
    constexpr int64_t Cap = int64_t{INT32_MAX} + 1;
    int64_t value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + (*p - '0');
        if (value > Cap) value = Cap;
    }
    if (negative) return static_cast<int32_t>(-value);  // -Cap is INT32_MIN
    return value > INT32_MAX ? INT32_MAX : static_cast<int32_t>(value);
}

ObjectiveReport CountObjectives(const WorldGrids& grids) {
    ObjectiveReport report;
    if (!grids.WorldGrid || !grids.MarkerGrid) return report;
    const uint8_t* world = grids.WorldGrid.get();
    const uint8_t* marker = grids.MarkerGrid.get();
    for (int i = 0; i < GridCells; ++i) {
        if (marker[i] != ObjectiveMarker) continue;
        report.Objectives += 1;
        if (world[i] == Empty) report.FreeObjectives += 1;
    }
    return report;
}

void ConsoleUpdate(ConsoleState& c, FrameState& frame, Input& input, Clock& clock, Display& display,
                   const WorldGrids& grids, ShellState& shell, CameraState& camera) {
    if (c.ReportFrames > 0) {
        KeepObjectiveReport(c, frame, input);
        return;
    }
    if (KeyDown(input, vk::Tab)) {
        c.ConsoleOpen = 1 - c.ConsoleOpen;
        clock.Sleep(TogglePauseMs);
    }
    if (c.ConsoleOpen == 1)
        ConsoleEdit(c, frame, input, clock, shell.FrameCounter, ConsoleX, ConsoleY, ConsoleLimit, ConsolePrompt);

    if (c.ConsoleSubmitted != 1) return;
    c.ConsoleSubmitted = 0;

    // A line of more than 20 words (possible only with a longer limit than
    // the console's) keeps its first 20.
    std::array<char, 256> words[ConsoleTokenCount] = {};
    char work[256];
    std::memcpy(work, c.ConsoleLine, sizeof work);
    work[255] = '\0';
    int count = SplitConsoleLine(work, words, ConsoleTokenCount);

    if (count == 2 && EqualsIgnoringCase(words[0].data(), "env4cyclestep")) {
        int32_t value = ParseConsoleNumber(words[1].data());
        if (value >= 1 && value <= 36) {
            camera.CycleStep = value;
            clock.Sleep(CycleStepPauseMs);
        }
    }
    if (count == 1 && EqualsIgnoringCase(words[0].data(), "env5objectivenumber")) {
        const ObjectiveReport report = CountObjectives(grids);
        if (c.SmoothPauses == 1) {
            c.ReportObjectives = report.Objectives;
            c.ReportFreeObjectives = report.FreeObjectives;
            c.ReportFrames = ReportPauseMs * 60 / 1000;
            KeepObjectiveReport(c, frame, input);
        } else {
            ShowObjectiveReport(report, frame, display, clock, shell.PixelZoom);
        }
    }
}

}  // namespace delver
