// Rectangle operations on one layer of the WorldGrid, used by the dungeon
// generator to test ground and to lay down a level's rock.
#pragma once

#include "world/world_state.h"

namespace delver {

// Returns 1 when some cell of the inclusive rectangle (x0..x1, y0..y1) on
// layer z lies outside the layer or holds a byte other than code; 0 when
// every cell holds code, and 0 for an empty rectangle (x0 > x1 or y0 > y1).
// A layer outside the grid fails every non-empty rectangle.
int TestRegion(const WorldGrids& g, int x0, int y0, int x1, int y1, int z, int code);

// When every cell of the rectangle is Empty (TestRegion with code 0 gives
// 0), writes the low byte of code into all of them and returns 0;
// otherwise writes nothing and returns 1.
int FillEmptyRegion(WorldGrids& g, int x0, int y0, int x1, int y1, int z, int code);

}  // namespace delver
