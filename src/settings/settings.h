// The player's settings: settings.cfg in the game folder, "name = value"
// lines with '#' comments. Every setting's default is the game as its rules
// made it, so a game folder without the file plays exactly that game; each
// comfort (captured mouse look, keyboard movement, smooth pauses, rebound
// inputs, fullscreen) is something the player turns on.
//
//   mouse = cursor | captured        the cursor's place is the view, or the
//                                    pointer is held and its motion turns it
//   mouse_sensitivity = N            degrees per 100 counts of motion
//   mouse_sensitivity_y = N          the same for up and down, when different
//   invert_y = no | yes
//   keys = classic | modern          modern: W A S D, arrows, Q E, Space C
//   pauses = classic | smooth        smooth: no whole-game pauses after keys
//   fullscreen = no | yes            start in fullscreen (F11 switches)
//   scale = whole | fit              fullscreen enlargement
//   map = off | corner | full        the map (F9 cycles it)
//   shafts = plain | marked          shaft openings drawn with a rim of their own
//   fog = off | on                   cells fade into the dark towards the view distance
//   feedback = off | on              a line and a flash for what happens, and an ending
//   sound = off | on                 short sounds for what happens
//   volume = 0..100                  how loud they are
//   bind.ACTION = INPUT [INPUT]      the inputs of an action (input_names.h)
//
// The file is read once at start; a line that cannot be read is reported
// and passed over, and the rest still counts. Writing it back keeps its
// comments, its order and lines it does not know.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace delver {

// Everything the player can bind. The order is the settings screen's.
enum class Action {
    WalkForward,
    WalkBack,
    StepLeft,
    StepRight,
    TurnLeft,
    TurnRight,
    LayerUp,
    LayerDown,
    ViewLess,
    ViewMore,
    WalkToggle,
    MouseLook,
    Console,
    SaveSlot1,
    SaveSlot2,
    LoadSlot1,
    LoadSlot2,
    WindowSize1,
    WindowSize2,
    WindowSize3,
    WindowSize4,
    MoveWindow,
    Map,
    Fullscreen,
    Settings,
    Quit,
    Count
};
inline constexpr int ActionCount = static_cast<int>(Action::Count);

// An action's name in settings.cfg ("walk_forward") and on the screen.
const char* ActionName(Action action);
const char* ActionLabel(Action action);

// Up to two inputs of an action, 0 where there is none.
using Binding = std::array<int, 2>;

struct Settings {
    bool capturedMouse = false;  // mouse = captured
    float sensitivity = 15.0f;   // degrees per 100 counts, side to side
    float sensitivityY = 15.0f;  // and up and down
    bool invertY = false;
    bool modernKeys = false;    // keys = modern
    bool smoothPauses = false;  // pauses = smooth
    bool fullscreen = false;
    bool wholeScale = true;     // scale = whole (else fit)
    int map = 0;                // map = off (0), corner (1), full (2)
    bool markedShafts = false;  // shafts = marked
    bool fog = false;           // fog = on
    bool feedback = false;      // feedback = on
    bool sound = false;         // sound = on
    int volume = 80;            // 0 (silent) .. 100
    // The bindings the player chose; an action not chosen has its default
    // for the key set (DefaultBinding).
    std::array<Binding, ActionCount> bindings{};
    std::array<bool, ActionCount> bound{};

    // The inputs of an action as play uses them.
    Binding InputsOf(Action action) const;
    bool operator==(const Settings&) const = default;
};

// The inputs an action has when the player has not bound it: the game's
// own keys, and with modern keys the movement keys.
Binding DefaultBinding(Action action, bool modernKeys);

// Inputs that work beside an action's bindings, 0 where none: with modern
// keys the rules' own key (Z walks back, the keypad keys change layers),
// and always a game controller's (the left stick walks and steps, the
// shoulder buttons change layers, A walks on and off, Start opens the
// settings).
Binding Companions(Action action, bool modernKeys);

// What a settings file holds: its lines as written, and the settings they
// give. problems lists each line that could not be read ("line 3: ...").
struct SettingsFile {
    std::vector<std::string> lines;
    Settings settings;
    std::vector<std::string> problems;
};

// Reads settings text (a missing file is the empty text: the defaults).
SettingsFile ParseSettings(const std::string& text);

// One "name = value" line; false with the reason when it cannot be read.
bool ApplySetting(Settings& settings, const std::string& name, const std::string& value, std::string& why);

// The text of file with its settings replaced by s: each known line gets
// s's value, lines it does not know and comments stay, and settings that
// differ from the default and have no line yet are added at the end.
std::string WriteSettings(const SettingsFile& file, const Settings& s);

// The settings that change what a game does with its input, as
// "name = value" pairs: a recording carries them so that its replay plays
// the same game. Empty for the default settings.
std::vector<std::pair<std::string, std::string>> PlaySettings(const Settings& s);

// The value text of a setting as the file writes it.
std::string SettingValue(const Settings& s, const std::string& name);
// The names of the settings that are not bindings, in the order the file
// and the settings screen list them.
inline constexpr int PlainSettingCount = 14;
extern const char* const PlainSettingNames[PlainSettingCount];

// Each pair of actions whose inputs share an input, as "A and B: INPUT".
std::vector<std::string> BindingConflicts(const Settings& s);

}  // namespace delver
