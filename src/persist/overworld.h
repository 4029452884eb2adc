// The overworld file: a prepared plan of the surface, stored as a raw image
// of one grid layer (256 x 256 bytes, row 0 first, no header) in
// ".\map\<number>.overworld". It is optional; world finishing raises the
// surface from whatever it leaves in layer 0.
#pragma once

#include "platform/platform.h"
#include "world/world_state.h"

namespace delver {

// Bytes in an overworld file: one layer of the WorldGrid.
inline constexpr int OverworldBytes = LayerStride;

// Reads overworld file `number` into layer 0 of the WorldGrid (up to 65,536
// bytes; a short file fills only the leading cells). The file is opened
// open-always, so a missing one is left behind empty; reading is followed
// by a pause of one second. Without a map folder nothing is read and there
// is no pause.
void LoadOverworld(WorldGrids& g, Clock& clock, int number);

}  // namespace delver
