// The command line of delver. Tests and tools rely on this contract.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace delver {

struct Options {
    std::string directory;          // -C DIR: the game folder
    std::optional<uint32_t> seed;   // --seed N: instead of the clock
    bool headless = false;          // --headless
    std::optional<int64_t> frames;  // --frames N: end after N frames
    std::string inputScript;        // --input FILE
    std::string record;             // --record FILE: write the game as a script
    std::string screenshot;         // --screenshot FILE
    bool report = false;            // --report
    std::string render = "fast";    // --render fast|literal
    int fps = 60;                   // --fps N: windowed frame cap, 0 = none
    std::string mapImages;          // --map-images DIR: write the map images, then end
    bool help = false;
    bool version = false;
};

// Whether this build has the offscreen backend that --headless runs on: the
// Win32 and browser builds have none.
#if defined(_WIN32) || defined(__EMSCRIPTEN__)
inline constexpr bool HasOffscreenBackend = false;
#else
inline constexpr bool HasOffscreenBackend = true;
#endif

// Whether this build can write the map images (PNG through libpng): the
// Linux build alone.
inline constexpr bool HasMapImages = HasOffscreenBackend;

// Parses argv[1..]. On a bad command line returns false and sets error to
// one line naming the problem. --headless where there is no offscreen
// backend is such a problem (unless --help or --version is asked for), so
// it is refused before any file is touched, and so is --map-images where
// the build cannot write PNG files.
bool ParseOptions(const std::vector<std::string>& args, Options& out, std::string& error,
                  bool offscreenBackend = HasOffscreenBackend, bool mapImages = HasMapImages);

// Text from the command line or a file, fit to be repeated in a one-line
// message: quoted, at most maxShown characters, anything but printable ASCII
// shown as '?', and "..." where it was cut.
std::string Quoted(const std::string& text, size_t maxShown = 40);

// The usage text printed by --help: the options, then the keys.
const char* UsageText();

// Strict decimal parsing: only digits (an optional leading '-' when
// allowNegative), no overflow past the given range.
bool ParseInteger(const std::string& text, int64_t min, int64_t max, int64_t& out);

}  // namespace delver
