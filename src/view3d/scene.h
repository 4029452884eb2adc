// Drawing the cells around the player as textured cubes, and the per-frame
// 3D step that draws, moves the player, merges the picture into the
// framebuffer and applies mouse look.
//
// Grid space: cell (c, r, l) fills the unit box (c, r, l)..(c+1, r+1, l+1);
// layers grow downward. The eye stands at column X + 1 - x, row Y + y,
// layer Z + 1 - z, where (X, Y, Z) is PlayerCell and (x, y, z) the player's
// CellPosition. Only cells strictly inside the grid's outer shell are drawn
// (columns and rows 1..254, layers 1..178).
#pragma once

#include <cstdint>
#include <vector>

#include "gfx2d/frame.h"
#include "platform/platform.h"
#include "view3d/gl_state.h"
#include "world/world_state.h"

namespace delver {

// What one scene drew, for tests and benchmarks. Counts add up across
// calls until the caller resets them.
struct SceneStats {
    int64_t cellsDrawn = 0;    // cells handed to DrawCell
    int64_t facesDrawn = 0;    // quads submitted (cube faces and panes)
    int64_t markersDrawn = 0;  // marker cubes drawn
};

struct SceneCache;

// References to the state one 3D step needs.
// How the player asks to move this frame, beyond the rules' AutoWalk and Z
// key: read by the frame loop through the player's bindings.
struct MoveIntent {
    bool forward = false;    // walk forward (as AutoWalk does)
    bool back = false;       // walk back (as the Z key does)
    int side = 0;            // -1 a step to the left, +1 to the right
    bool cursorLook = true;  // while MouseLook is on, the cursor sets the view
};

struct WorldView {
    WorldGrids& grids;
    ShellState& shell;
    UnitTable& units;
    CameraState& camera;
    GlNames& gl;
    FrameState& frame;
    Input& input;
    SceneStats* stats = nullptr;  // optional counting hook
    // The kept face lists of the fast drawing path (view3d/scene_cache.h);
    // without one the scene is drawn cell by cell (DrawScene).
    SceneCache* cache = nullptr;
    // Without one, walking back reads the Z key and the cursor sets the view.
    const MoveIntent* intent = nullptr;
    // The player's picture settings: fog (fog = on) and the shafts' rims
    // drawn with a texture of their own (shafts = marked).
    bool fog = false;
    bool markedShafts = false;
};

// The 3D step of one frame: identity and clear, the scene (DrawSceneFast
// with the view's cache, else DrawScene: the same picture), the player's
// movement (MovePlayer), CopySceneToFrame, then mouse look. The picture
// therefore shows the camera as it stood before this frame's movement.
void DrawWorldFrame(WorldView& v);

// The cells of the view cube that may be drawn: within ViewDistance of the
// player on every axis and strictly inside the grid's outer shell. Worked
// out in 64 bits, so a player anywhere, even far off the grid, is safe.
struct ViewCube {
    int64_t layerLo, layerHi, rowLo, rowHi, colLo, colHi;
    bool Empty() const { return layerLo > layerHi || rowLo > rowHi || colLo > colHi; }
};
ViewCube DrawableViewCube(const ShellState& shell);

// Pushes the model-view matrix and applies the camera: the pitch, the yaw
// and the eye's place inside the player's cell. The caller pops it.
void PushCameraTransform(const WorldView& v);

// Applies the camera (Pitch, Yaw, CellPosition) and draws every cell within
// ViewDistance of PlayerCell, layer by layer, row by row, column by column,
// ascending. Safe for any PlayerCell and ViewDistance. Leaves the matrix
// stack as it found it.
void DrawScene(WorldView& v);

// Draws the WorldGrid cell as a cube of unit edge around the current origin,
// showing only the faces whose neighbour is open; with markedShafts, a face
// whose neighbour is a shaft cell (IsShaftCell) shows the shaft rim's
// picture. Empty draws nothing; a
// DiagonalPane is one diagonal quad with the brick picture; codes without a
// texture entry (32 and up) are plain white. Cells on or outside the outer
// shell are not drawn.
void DrawCell(const WorldView& v, int column, int row, int layer);

// Draws the objective marker of the cell, if any, as a free-standing cube
// with texture entry 10, of edge 0.7 inside an Empty cell's scale.
void DrawMarker(const WorldView& v, int column, int row, int layer);

}  // namespace delver
