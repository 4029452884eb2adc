// The state a 3D step reads, for the view3d tests: the grids and the units
// allocated, the player's shell and camera, the GL names, the frame and the
// sprite table, over the platform P (the headless one where pixels are
// read back, a fake where none are).
#pragma once

#include <cstdint>

#include "assets/sprite.h"
#include "gfx2d/frame.h"
#include "view3d/gl_state.h"
#include "world/world_state.h"

namespace delver::testing {

template <class P>
struct ViewState {
    ViewState() {
        grids.Allocate();
        units.Allocate();
    }

    void SetCell(int c, int r, int l, uint8_t code) { grids.WorldGrid[CellIndex(c, r, l)] = code; }

    P platform;
    WorldGrids grids;
    ShellState shell;
    UnitTable units;
    CameraState camera;
    GlNames gl;
    FrameState frame;
    SpriteTable sprites;
};

}  // namespace delver::testing
