// How smooth a long flight is with smooth pauses: two minutes of play
// (7200 frames at the default cap of 60 a second) in the real SDL window,
// at the farthest view distance, walking forward all the way, turning now
// and then, changing layers, and saving (F5) and loading (F7) a few times.
// It runs the game in this process, as RunGame does, with the input given
// by a script built here, so it needs a display: run it under xvfb-run on a
// machine without one.
//
// Each frame is timed by the wall clock around RunFrame, its wait for the
// cap included, so a frame that keeps up takes about 16.7 ms. Prints the
// median, the 99th percentile and the worst frame, and the frames that
// saved and loaded, which are where a player would feel a stall.
//
// The game plays in a copy of the build's game folder, so its saves leave
// the build alone.
//
// usage: smooth_flight_bench
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "app/game.h"
#include "app/input_script.h"
#include "app/scripted_platform.h"
#include "gfx2d/frame.h"
#include "platform/input.h"
#include "platform/sdl/sdl_platform.h"
#include "settings/settings.h"

namespace {

namespace fs = std::filesystem;
using delver::ScriptEvent;

constexpr int Frames = 7200;
constexpr uint32_t Seed = 11;

// The flight, frame by frame (frames counted by this loop, not the game's
// counter, which a load sets back).
struct Flight {
    delver::InputScript script;
    std::vector<int> saveFrames, loadFrames;

    void Add(int frame, ScriptEvent::Kind kind, int key) {
        ScriptEvent e;
        e.frame = frame;
        e.kind = kind;
        e.key = key;
        script.events.push_back(e);
    }
    void Tap(int frame, int key) { Add(frame, ScriptEvent::Kind::Tap, key); }
    void Hold(int from, int to, int key) {
        Add(from, ScriptEvent::Kind::Down, key);
        Add(to, ScriptEvent::Kind::Up, key);
    }
};

Flight MakeFlight() {
    Flight f;
    ScriptEvent centre;  // the cursor at rest in the middle of the picture
    centre.kind = ScriptEvent::Kind::Mouse;
    centre.x = 160;
    centre.y = 90;
    f.script.events.push_back(centre);
    // View distance 6 to 30: a bracket each 8 frames outlasts its pause.
    for (int i = 0; i < 26; ++i) f.Tap(10 + 8 * i, delver::vk::RightBracket);
    f.Hold(240, Frames, 'W');
    // A quarter turn either way every ten seconds.
    for (int t = 600; t < Frames; t += 600) f.Hold(t, t + 30, (t / 600) % 2 ? 'Q' : 'E');
    for (int t : {900, 2100, 3300, 4500, 5700}) f.Tap(t, delver::vk::PageDown);
    for (int t : {1500, 2700, 3900, 5100, 6300}) f.Tap(t, delver::vk::PageUp);
    for (int t : {1200, 3000, 4800, 6600}) {
        f.Tap(t, delver::vk::F5);
        f.Tap(t + 120, delver::vk::F7);
        f.saveFrames.push_back(t);
        f.loadFrames.push_back(t + 120);
    }
    std::stable_sort(f.script.events.begin(), f.script.events.end(),
                     [](const ScriptEvent& a, const ScriptEvent& b) { return a.frame < b.frame; });
    return f;
}

double Percentile(std::vector<double> ms, double p) {
    std::sort(ms.begin(), ms.end());
    const size_t rank = static_cast<size_t>(p / 100.0 * static_cast<double>(ms.size()) + 0.999999);
    return ms[std::clamp<size_t>(rank, 1, ms.size()) - 1];
}

void PrintFrames(const char* label, const std::vector<int>& frames, const std::vector<double>& ms) {
    std::printf("%-6s", label);
    for (int f : frames) std::printf("  %7.1f ms (frame %d)", ms[static_cast<size_t>(f)], f);
    std::printf("\n");
}

// Plays the flight in the current folder; false when the game could not run.
bool Fly() {
    const Flight flight = MakeFlight();
    delver::SdlPlatform window;  // the default cap, 60 frames a second
    delver::ScriptedPlatform platform(window, flight.script, delver::SceneWidth, delver::SceneHeight);
    auto game = std::make_unique<delver::Game>();
    delver::UseSettings(*game, delver::ParseSettings("pauses = smooth\nkeys = modern\n"));
    if (!delver::StartUp(*game, platform, Seed)) {
        std::fprintf(stderr, "smooth_flight_bench: no window: %s\n", window.LastError().c_str());
        return false;
    }

    std::vector<double> ms;
    ms.reserve(Frames);
    using Clock = std::chrono::steady_clock;
    bool ok = true;
    for (int frame = 0; frame < Frames && ok && game->shell.QuitRequested == 0; ++frame) {
        platform.BeginFrame(frame);
        const Clock::time_point start = Clock::now();
        ok = delver::RunFrame(*game, platform);
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        if (frame == 240 && game->shell.ViewDistance != 30)
            std::printf("note: view distance %d, not 30, when the flight began\n", game->shell.ViewDistance);
    }
    const int saveFailures = game->saveFailures;
    delver::ShutDown(*game);
    if (ms.size() != static_cast<size_t>(Frames)) {
        std::fprintf(stderr, "smooth_flight_bench: the game stopped after %zu frames\n", ms.size());
        return false;
    }

    const auto worst = std::max_element(ms.begin(), ms.end());
    std::printf("flight of %d frames, seed %u, view distance 30, pauses = smooth, keys = modern, cap 60\n", Frames,
                Seed);
    std::printf("frame time  p50 %.2f ms   p99 %.2f ms   worst %.1f ms (frame %d)\n", Percentile(ms, 50),
                Percentile(ms, 99), *worst, static_cast<int>(worst - ms.begin()));
    PrintFrames("save", flight.saveFrames, ms);
    PrintFrames("load", flight.loadFrames, ms);
    if (saveFailures) std::printf("note: %d saves failed\n", saveFailures);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    (void)argc;
    std::string why;
    if (!delver::SdlPlatform::DisplayAvailable(&why)) {
        std::fprintf(stderr,
                     "smooth_flight_bench: needs a display (%s); on a machine without one run\n"
                     "  xvfb-run -a -s '-screen 0 1280x1024x24' %s\n",
                     why.c_str(), argv[0]);
        return 1;
    }
    std::error_code ec;
    const fs::path folder = fs::temp_directory_path(ec) / ("smooth_flight_bench." + std::to_string(::getpid()));
    fs::copy(DELVER_GAME_DIR, folder, fs::copy_options::recursive, ec);
    if (ec) {
        std::fprintf(stderr, "smooth_flight_bench: cannot copy the game folder: %s\n", ec.message().c_str());
        return 1;
    }
    const fs::path before = fs::current_path();
    fs::current_path(folder);
    const bool ok = Fly();
    fs::current_path(before);
    fs::remove_all(folder, ec);
    return ok ? 0 : 1;
}
