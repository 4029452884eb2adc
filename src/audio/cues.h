// The game's sounds, made by its own code when it starts: each cue is built
// from tones, sweeps, noise bursts and envelopes, so nothing is read from a
// file. Each is short, and each is shaped to be told apart by ear:
//
//   Objective    three rising bell notes           an objective taken
//   LayerChange  a rising whoosh                   the player went up or down a layer
//   Refused      two low buzzes                    a layer key found no opening
//   Saved        two soft notes, low then high     a save finished
//   Console      a quick tick and blip             the console opened
#pragma once

#include <vector>

namespace delver {

enum class Cue { Objective, LayerChange, Refused, Saved, Console, Count };
inline constexpr int CueCount = static_cast<int>(Cue::Count);

// The loudest a cue's samples get: a cue alone is never limited, and two
// together mostly are not either.
inline constexpr float CuePeak = 0.55f;

// The samples of a cue at rate samples a second, mono, in -1..1 with their
// peak at CuePeak; starting and ending at silence, so a cue never clicks.
std::vector<float> MakeCue(Cue cue, int rate);

}  // namespace delver
