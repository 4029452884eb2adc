// The map (F9): the player's layer, or any layer the full map is turned to,
// seen from above around the player, drawn into the 320 x 240 picture.
// Only cells the player has seen show: open cells dark, walls brown, a
// shaft up (the cell above is open) as a cyan dot and a shaft down as a
// green one (both: white), seen objectives yellow, and the player as a red
// cell with a line along the heading.
//
//   corner   80 x 80 pixels at the top right, 2 pixels a cell (40 x 40)
//   full     the whole picture, 2 pixels a cell (160 x 120), with a title
#pragma once

#include "gfx2d/frame.h"
#include "world/seen_cells.h"
#include "world/world_state.h"

namespace delver {

enum class MapMode { Off = 0, Corner = 1, Full = 2 };

// Draws the map of layer `layer` centred on the player's column and row.
// yaw is the view's heading in degrees (as the camera keeps it).
void DrawMap(FrameState& frame, const WorldGrids& grids, const SeenCells& seen, const ShellState& shell, MapMode mode,
             int layer, float yaw);

}  // namespace delver
