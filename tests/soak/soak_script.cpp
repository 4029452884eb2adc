#include "soak/soak_script.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace delver::soak {

namespace {

// Virtual-key codes of the keys the script presses.
constexpr int kBackspace = 8, kTab = 9, kEnter = 13, kShift = 16, kSpace = 32;
constexpr int kDigit0 = 48, kLetterA = 65, kLetterM = 77, kLetterZ = 90;
constexpr int kKeypadPlus = 107, kKeypadMinus = 109;
constexpr int kF1 = 112, kF5 = 116, kF6 = 117, kF7 = 118, kF8 = 119;
constexpr int kLeftBracket = 219, kRightBracket = 221;
constexpr int kConsoleLimit = 30;  // characters the console line takes

// Every key the game reads except Escape.
const std::vector<int>& AllKeys() {
    static const std::vector<int> keys = [] {
        std::vector<int> k = {kBackspace,  kTab,         kEnter,       kShift,       kSpace,
                              kKeypadPlus, kKeypadMinus, kLeftBracket, kRightBracket};
        for (int i = 0; i < 10; ++i) k.push_back(kDigit0 + i);
        for (int i = 0; i < 26; ++i) k.push_back(kLetterA + i);
        for (int i = 0; i < 8; ++i) k.push_back(kF1 + i);
        return k;
    }();
    return keys;
}

// A small, fixed random source, so that a seed gives the same script on
// every platform and standard library.
class Rng {
public:
    explicit Rng(uint32_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull) {}
    uint32_t Next() {
        // splitmix64
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return static_cast<uint32_t>((z ^ (z >> 31)) >> 32);
    }
    // 0 .. n - 1
    int Below(int n) { return n <= 1 ? 0 : static_cast<int>(Next() % static_cast<uint32_t>(n)); }
    int Between(int lo, int hi) { return lo + Below(hi - lo + 1); }
    bool Chance(int percent) { return Below(100) < percent; }

private:
    uint64_t state_;
};

struct Event {
    int64_t frame;
    int order;  // keeps events of one frame in the order they were made
    std::string text;
};

// Builds the script while following what the game will make of it: the
// frame counter (which a load moves back), the view distance, the console
// line and the saved slots.
class Builder {
public:
    explicit Builder(const SoakOptions& o) : o_(o), rng_(o.seed) {}

    std::string Build() {
        // A few quiet frames first, so the world is on screen.
        frame_ = 2;
        played_ = 2;
        // Room at the end for the keys the mix may have left out.
        const int64_t reserve = static_cast<int64_t>(AllKeys().size()) + 8;
        while (played_ < o_.frames - reserve) Step();
        CoverMissingKeys();
        return Text();
    }

private:
    const SoakOptions& o_;
    Rng rng_;
    std::vector<Event> events_;
    std::set<int> pressed_;
    int64_t frame_ = 0;   // the game's frame counter at the next event
    int64_t played_ = 0;  // frames the game has run by then
    int viewDistance_ = 6;
    int consoleLength_ = 0;
    bool consoleOpen_ = false;
    struct Slot {
        bool saved = false;
        int64_t frame = 0;
        int viewDistance = 6;
    } slots_[3];

    void Add(int64_t frame, const std::string& text) {
        events_.push_back({frame, static_cast<int>(events_.size()), std::to_string(frame) + " " + text});
    }
    void Key(int64_t frame, const char* verb, int key) {
        pressed_.insert(key);
        Add(frame, std::string(verb) + " " + KeyName(key));
    }

    // The script's name of a key (a lone digit would be the digit key, so
    // codes are never written as numbers).
    static std::string KeyName(int key) {
        switch (key) {
        case kBackspace: return "BACKSPACE";
        case kTab: return "TAB";
        case kEnter: return "ENTER";
        case kShift: return "SHIFT";
        case kSpace: return "SPACE";
        case kKeypadPlus: return "KP_PLUS";
        case kKeypadMinus: return "KP_MINUS";
        case kLeftBracket: return "LBRACKET";
        case kRightBracket: return "RBRACKET";
        default: break;
        }
        if ((key >= kDigit0 && key <= kDigit0 + 9) || (key >= kLetterA && key <= kLetterZ))
            return std::string(1, static_cast<char>(key));
        if (key >= kF1 && key < kF1 + 12) return "F" + std::to_string(key - kF1 + 1);
        return std::to_string(key);
    }
    void Tap(int key) { Key(frame_, "tap", key); }
    // Moves on n frames of play.
    void Advance(int64_t n) {
        frame_ += n;
        played_ += n;
    }

    void Step() {
        switch (rng_.Below(20)) {
        case 0:
        case 1:
        case 2: MouseMoves(); break;
        case 3:
        case 4: Clicks(); break;
        case 5:
        case 6: WalkBack(); break;
        case 7:
        case 8: ViewDistanceKeys(); break;
        case 9: LayerKeys(); break;
        case 10: WindowKeys(); break;
        case 11:
        case 12: Console(); break;
        case 13: SaveOrLoad(); break;
        case 14: KeysTogether(); break;
        default: Advance(rng_.Between(1, 25)); break;  // just play
        }
    }

    void MouseMoves() {
        const int n = rng_.Between(1, 12);
        for (int i = 0; i < n; ++i) {
            // Edges and corners now and then, else anywhere.
            int x = rng_.Chance(15) ? (rng_.Chance(50) ? 0 : 319) : rng_.Below(320);
            int y = rng_.Chance(15) ? (rng_.Chance(50) ? 0 : 239) : rng_.Below(240);
            Add(frame_, "mouse " + std::to_string(x) + " " + std::to_string(y));
            Advance(rng_.Between(1, 3));
        }
    }

    void Clicks() {
        // One click, or a burst that the 13-frame gate mostly refuses.
        const int n = rng_.Chance(30) ? rng_.Between(2, 6) : 1;
        for (int i = 0; i < n; ++i) {
            const int which = rng_.Below(3);
            if (which != 1) Add(frame_, "click left");
            if (which != 0) Add(frame_, "click right");
            Advance(rng_.Between(1, 15));
        }
    }

    // Letter keys pressed for their own bindings also type into an open
    // console: n characters more on the line, up to its limit.
    void TypedAside(int n) {
        if (consoleOpen_) consoleLength_ = std::min(kConsoleLimit, consoleLength_ + n);
    }

    void WalkBack() {
        const int n = rng_.Between(3, 60);
        Key(frame_, "down", kLetterZ);
        Key(frame_ + n, "up", kLetterZ);
        TypedAside(n);
        Advance(n + 1);
    }

    void ViewDistanceKeys() {
        // Held for a few frames, one step each, kept within 1..maxViewDistance
        // by the script's own count (a load may have moved it).
        const int n = rng_.Between(1, 4);
        const bool up = viewDistance_ + n <= o_.maxViewDistance && (viewDistance_ - n < 1 || rng_.Chance(50));
        const int key = up ? kRightBracket : kLeftBracket;
        Key(frame_, "down", key);
        Key(frame_ + n, "up", key);
        viewDistance_ = std::clamp(viewDistance_ + (up ? n : -n), 1, 30);
        Advance(n + 1);
    }

    void LayerKeys() {
        Tap(rng_.Chance(50) ? kKeypadPlus : kKeypadMinus);
        Advance(1);
    }

    void WindowKeys() {
        if (rng_.Chance(70)) Tap(kF1 + rng_.Below(4));
        if (rng_.Chance(50)) {
            Add(frame_, "mouse " + std::to_string(rng_.Below(320)) + " " + std::to_string(rng_.Below(240)));
            Tap(kLetterM);
            TypedAside(1);
        }
        Advance(1);
    }

    // Types text, one key per frame; capitals hold Shift.
    void Type(const std::string& text) {
        for (char ch : text) {
            if (consoleLength_ >= kConsoleLimit) break;
            int key;
            bool shift = false;
            if (ch == ' ') {
                key = kSpace;
            } else if (ch >= '0' && ch <= '9') {
                key = kDigit0 + (ch - '0');
            } else if (ch >= 'A' && ch <= 'Z') {
                key = kLetterA + (ch - 'A');
                shift = true;
            } else {
                key = kLetterA + (ch - 'a');
            }
            if (shift) Key(frame_, "down", kShift);
            Tap(key);
            if (shift) Key(frame_ + 1, "up", kShift);
            ++consoleLength_;
            Advance(1);
        }
    }

    void Console() {
        if (!consoleOpen_) {
            Tap(kTab);
            consoleOpen_ = true;
            Advance(1);
        }
        // Clear the line so the command fits, now and then only partly.
        int erase = rng_.Chance(85) ? consoleLength_ : rng_.Between(0, consoleLength_ + 2);
        for (int i = 0; i < erase; ++i) {
            Tap(kBackspace);
            consoleLength_ = std::max(0, consoleLength_ - 1);
            Advance(1);
        }
        switch (rng_.Below(6)) {
        case 0:
        case 1: {
            // In range mostly; out of range and odd spellings now and then.
            int step = rng_.Chance(80) ? rng_.Between(1, 36) : rng_.Between(0, 99);
            Type(std::string(rng_.Chance(20) ? "ENV4CycleStep " : "env4cyclestep ") + std::to_string(step));
            break;
        }
        case 2: Type(rng_.Chance(20) ? "Env5ObjectiveNumber" : "env5objectivenumber"); break;
        case 3:
            Type("env4cyclestep");  // the number missing
            break;
        default: {
            // Nonsense: letters, digits and spaces, sometimes past the limit.
            static const char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789  ABCXYZ";
            const int n = rng_.Between(1, 34);
            std::string s;
            for (int i = 0; i < n; ++i) s += kChars[rng_.Below(static_cast<int>(sizeof kChars) - 1)];
            Type(s);
            break;
        }
        }
        if (rng_.Chance(85)) {
            Tap(kEnter);
            Advance(1);
        }
        if (rng_.Chance(40)) {
            Tap(kTab);
            consoleOpen_ = false;
            Advance(1);
        }
    }

    void Save(int slot) {
        Tap(slot == 1 ? kF5 : kF6);
        slots_[slot] = {true, frame_, viewDistance_};
    }

    // After a load the game's counter stands at the frame of the save; the
    // script's next events wait until it has caught up again.
    void Load(int slot) {
        Tap(slot == 1 ? kF7 : kF8);
        const Slot& s = slots_[slot];
        if (!s.saved) return;
        played_ += frame_ - s.frame;
        viewDistance_ = s.viewDistance;
    }

    void SaveOrLoad() {
        const int slot = rng_.Between(1, 2);
        const Slot& s = slots_[slot];
        const bool load = rng_.Chance(50) && (!s.saved || frame_ - s.frame <= 150);
        if (load)
            Load(slot);
        else
            Save(slot);
        Advance(1);
    }

    // Bindings that meet in one frame: a save and a load of one slot, both
    // brackets, both keypad keys, a zoom with a move.
    void KeysTogether() {
        switch (rng_.Below(4)) {
        case 0: {
            const int slot = rng_.Between(1, 2);
            Save(slot);
            Load(slot);
            break;
        }
        case 1:
            Tap(kLeftBracket);
            Tap(kRightBracket);
            break;
        case 2:
            Tap(kKeypadPlus);
            Tap(kKeypadMinus);
            break;
        default:
            Tap(kF1 + rng_.Below(4));
            Tap(kLetterM);
            TypedAside(1);
            break;
        }
        Advance(1);
    }

    // Any key the random mix left out is pressed once at the end.
    void CoverMissingKeys() {
        for (int key : AllKeys()) {
            if (pressed_.count(key)) continue;
            if (key == kF5 || key == kF6)
                Save(key == kF5 ? 1 : 2);
            else if (key == kF7 || key == kF8)
                Load(key == kF7 ? 1 : 2);
            else
                Tap(key);
            Advance(1);
        }
    }

    std::string Text() {
        std::stable_sort(events_.begin(), events_.end(), [](const Event& a, const Event& b) {
            return a.frame != b.frame ? a.frame < b.frame : a.order < b.order;
        });
        std::string out = "# delver soak script: seed " + std::to_string(o_.seed) + ", " + std::to_string(o_.frames) +
                          " frames of play\n";
        for (const Event& e : events_) out += e.text + "\n";
        return out;
    }
};

}  // namespace

std::string MakeSoakScript(const SoakOptions& options) { return Builder(options).Build(); }

const int* SoakKeys(int& count) {
    count = static_cast<int>(AllKeys().size());
    return AllKeys().data();
}

}  // namespace delver::soak
