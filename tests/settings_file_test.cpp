// settings.cfg: what a player writes is read, what cannot be read is named
// and passed over, and writing it back loses nothing the player wrote.
#include <gtest/gtest.h>

#include "settings/input_names.h"
#include "settings/settings.h"

namespace delver {
namespace {

TEST(SettingsFile, ReadsWhatItCanNamesTheRestAndWritesBackWithoutLosingLines) {
    const std::string text =
        "# my settings\n"
        "mouse = captured   # look with a held pointer\n"
        "mouse_sensitivity = 20\n"
        "keys = sideways\n"
        "colour = blue\n"
        "bind.layer_up = PAGEUP space\n"
        "bind.save_slot1 = F3\n"
        "bind.quit = ESC F1 F2\n"
        "pauses smooth\n";
    const SettingsFile f = ParseSettings(text);
    const Settings& s = f.settings;
    EXPECT_TRUE(s.capturedMouse);
    EXPECT_EQ(s.sensitivity, 20.0f);
    EXPECT_EQ(s.sensitivityY, 20.0f);  // follows, unless set apart
    EXPECT_FALSE(s.modernKeys);
    EXPECT_EQ(s.InputsOf(Action::LayerUp), (Binding{33, 32}));
    // An action left alone keeps the game's own keys; the bad line of quit
    // changes nothing.
    EXPECT_EQ(s.InputsOf(Action::LayerDown), (Binding{107, 34}));
    EXPECT_EQ(s.InputsOf(Action::Quit), (Binding{27, 0}));
    ASSERT_EQ(f.problems.size(), 4u);
    EXPECT_NE(f.problems[0].find("line 4"), std::string::npos);
    EXPECT_NE(f.problems[1].find("unknown setting colour"), std::string::npos);
    EXPECT_NE(f.problems[2].find("at most two"), std::string::npos);
    EXPECT_NE(f.problems[3].find("line 9"), std::string::npos);
    // F3 now saves, and still sizes the window: shown, not hidden.
    ASSERT_EQ(BindingConflicts(s).size(), 1u);
    EXPECT_EQ(BindingConflicts(s)[0], "SAVE SLOT 1 AND WINDOW SIZE 3: F3");

    Settings changed = s;
    changed.modernKeys = true;
    changed.invertY = true;
    const std::string written = WriteSettings(f, changed);
    EXPECT_EQ(written,
              "# my settings\n"
              "mouse = captured  # look with a held pointer\n"
              "mouse_sensitivity = 20\n"
              "keys = modern\n"
              "colour = blue\n"
              "bind.layer_up = PAGEUP SPACE\n"
              "bind.save_slot1 = F3\n"
              "bind.quit = ESC F1 F2\n"
              "pauses smooth\n"
              "invert_y = yes\n");
    EXPECT_EQ(ParseSettings(written).settings.modernKeys, true);

    // What a recording carries: only what changes play, nothing by default.
    EXPECT_TRUE(PlaySettings(Settings{}).empty());
    const auto play = PlaySettings(changed);
    ASSERT_EQ(play.size(), 6u);
    EXPECT_EQ(play[0], (std::pair<std::string, std::string>{"mouse", "captured"}));
    EXPECT_EQ(play[5], (std::pair<std::string, std::string>{"bind.save_slot1", "F3"}));
    EXPECT_EQ(WriteSettings(ParseSettings(""), Settings{}), "");
}

TEST(InputNames, EveryNamedInputReadsBackAndScriptsKeepTheirNames) {
    for (int code = 1; code < 256; ++code) EXPECT_EQ(InputCodeFromName(InputName(code)), code) << code;
    EXPECT_EQ(InputName(27), "ESC");
    EXPECT_EQ(InputCodeFromName("escape"), 27);
    EXPECT_EQ(InputName(input::Mouse2), "MOUSE2");
    EXPECT_EQ(InputName(input::PadStart), "PAD_START");
    EXPECT_EQ(InputCodeFromName("wheelup"), input::WheelUp);
}

}  // namespace
}  // namespace delver
