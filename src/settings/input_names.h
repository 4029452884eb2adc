// The names of the player's inputs: keys (Windows virtual-key codes, as the
// game reads them everywhere), mouse buttons, the wheel and a game
// controller's buttons and sticks, each with one code from 1 to 255. Input
// scripts, recordings and settings.cfg all write inputs by these names.
#pragma once

#include <string>

#include "platform/input.h"

namespace delver {

// A name ("F5", "A", "PAGEUP", "MOUSE2", "PAD_START"; any case) or a decimal
// code 1..255 to its code; a single digit is the digit key. -1 when unknown.
int InputCodeFromName(const std::string& name);

// The name of a code: its name where it has one, else its decimal code.
std::string InputName(int code);

}  // namespace delver
