// The soak's input: a seeded random input script for a long headless run.
// It presses every key the game reads (never Escape: the frame limit ends
// the run), clicks both buttons, moves the mouse, types both console
// commands and some nonsense, saves and loads both slots and changes the
// window size, in a mix that keeps the view distance moderate so a long run
// stays quick.
#pragma once

#include <cstdint>
#include <string>

namespace delver::soak {

struct SoakOptions {
    uint32_t seed = 1;
    int64_t frames = 5000;  // frames the game will run (its --frames)
    int maxViewDistance = 10;
};

// The script text, in the game's input-script format. The same options
// always give the same text. Loads move the game's frame counter back to
// the frame of the save; the script allows for the frames the game then
// spends catching up, so its events span about `frames` frames of play.
std::string MakeSoakScript(const SoakOptions& options);

// The virtual-key codes the script is sure to press at least once: every
// key the game reads except Escape.
const int* SoakKeys(int& count);

}  // namespace delver::soak
