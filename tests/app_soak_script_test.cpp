// The soak's random input script: it must be a script the game accepts,
// the same for the same seed, and press everything the soak promises to
// press (every key the game reads, both buttons, the mouse, both console
// commands, saves and loads of both slots), never Escape.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/input_script.h"
#include "soak/soak_script.h"

namespace delver {
namespace {

InputScript Parse(const std::string& text) {
    InputScript s;
    std::string error;
    EXPECT_TRUE(ParseInputScript(text, s, error)) << error;
    return s;
}

// The console lines the script submits, read the way the console reads
// keys: Tab opens and closes it, letters (capitals with Shift), digits and
// Space type, Backspace erases, Enter submits; the line is kept after Enter.
std::vector<std::string> SubmittedLines(const InputScript& s) {
    std::vector<std::string> lines;
    std::set<int> held;
    bool open = false;
    std::string line;
    size_t i = 0;
    while (i < s.events.size()) {
        const int64_t frame = s.events[i].frame;
        std::vector<int> taps;
        for (; i < s.events.size() && s.events[i].frame == frame; ++i) {
            const ScriptEvent& e = s.events[i];
            if (e.kind == ScriptEvent::Kind::Down) held.insert(e.key);
            if (e.kind == ScriptEvent::Kind::Up) held.erase(e.key);
            if (e.kind == ScriptEvent::Kind::Tap) taps.push_back(e.key);
        }
        std::set<int> down = held;
        down.insert(taps.begin(), taps.end());
        if (down.count(9)) open = !open;
        if (!open) continue;
        if (down.count(13)) {
            lines.push_back(line);
            continue;
        }
        if (down.count(8) && !line.empty()) line.pop_back();
        const bool shift = down.count(16) > 0;
        for (int key : down) {
            if (line.size() >= 30) break;
            if (key == 32) line += ' ';
            if (key >= 'A' && key <= 'Z') line += static_cast<char>(shift ? key : key - 'A' + 'a');
            if (key >= '0' && key <= '9') line += static_cast<char>(key);
        }
    }
    return lines;
}

TEST(SoakScript, IsAValidScriptAndTheSameForTheSameSeed) {
    soak::SoakOptions o;
    o.seed = 7;
    o.frames = 5000;
    const std::string a = soak::MakeSoakScript(o);
    EXPECT_EQ(a, soak::MakeSoakScript(o));
    o.seed = 8;
    EXPECT_NE(a, soak::MakeSoakScript(o));

    InputScript s = Parse(a);
    ASSERT_GT(s.events.size(), 1000u);
    for (const ScriptEvent& e : s.events) {
        EXPECT_NE(e.kind, ScriptEvent::Kind::Close) << "line " << e.line;
        if (e.kind == ScriptEvent::Kind::Down || e.kind == ScriptEvent::Kind::Tap) {
            EXPECT_NE(e.key, 27) << "Escape on line " << e.line;
        }
    }
    // Its events reach close to the end of the run but not past it.
    EXPECT_LT(s.events.back().frame, 5000);
}

TEST(SoakScript, PressesEveryKeyClicksBothButtonsAndMovesTheMouse) {
    for (uint32_t seed : {1u, 2u, 3u}) {
        soak::SoakOptions o;
        o.seed = seed;
        o.frames = 5000;
        InputScript s = Parse(soak::MakeSoakScript(o));
        std::set<int> keys;
        int left = 0, right = 0, mouse = 0;
        std::set<int> mouseXs;
        for (const ScriptEvent& e : s.events) {
            if (e.kind == ScriptEvent::Kind::Down || e.kind == ScriptEvent::Kind::Tap) keys.insert(e.key);
            if (e.kind == ScriptEvent::Kind::Click) (e.right ? right : left) += 1;
            if (e.kind == ScriptEvent::Kind::Mouse) {
                ++mouse;
                mouseXs.insert(e.x);
            }
        }
        int count = 0;
        const int* wanted = soak::SoakKeys(count);
        ASSERT_EQ(count, 53);  // 26 letters, 10 digits, F1..F8 and 9 others
        for (int i = 0; i < count; ++i) EXPECT_TRUE(keys.count(wanted[i])) << "seed " << seed << " key " << wanted[i];
        EXPECT_GT(left, 5);
        EXPECT_GT(right, 5);
        EXPECT_GT(mouse, 50);
        EXPECT_TRUE(mouseXs.count(0) && mouseXs.count(319)) << "the mouse visits both edges";
    }
}

TEST(SoakScript, TypesBothCommandsAndSavesAndLoadsBothSlots) {
    soak::SoakOptions o;
    o.seed = 1;
    o.frames = 5000;
    InputScript s = Parse(soak::MakeSoakScript(o));
    std::map<std::string, int> commands;
    for (const std::string& line : SubmittedLines(s)) {
        std::string lower;
        for (char c : line) lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        if (lower.rfind("env4cyclestep ", 0) == 0) ++commands["cycle"];
        if (lower == "env5objectivenumber") ++commands["objectives"];
    }
    EXPECT_GE(commands["cycle"], 2);
    EXPECT_GE(commands["objectives"], 1);

    std::map<int, int> slotKeys;
    for (const ScriptEvent& e : s.events)
        if (e.kind == ScriptEvent::Kind::Tap && e.key >= 116 && e.key <= 119) ++slotKeys[e.key];
    for (int key = 116; key <= 119; ++key) EXPECT_GE(slotKeys[key], 2) << "F" << key - 111;
}

}  // namespace
}  // namespace delver
