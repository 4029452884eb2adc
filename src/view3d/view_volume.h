// The camera's view volume for the fast scene path (scene_cache.h): its
// six planes worked out from the same perspective and camera the GL gets,
// boxes of cells tested against it, and where the eye stands.
#pragma once

#include <algorithm>
#include <cstdint>

#include "view3d/scene.h"

namespace delver {

// How far, in cells, a box must lie beyond a side of the view volume to be
// left out. The planes are worked out in double precision from the same
// angles and place the GL gets in single precision; a sixteenth of a cell
// is far more than the two can differ by anywhere in the view cube.
inline constexpr double kViewMargin = 1.0 / 16.0;

// The camera's view volume in model space (column, minus row, layer, from
// the player's cell): six planes (a, b, c, d) with (a, b, c) of unit
// length pointing inward, so a x + b y + c z + d is how far a point lies
// inside that side; and the eye.
struct ViewVolume {
    double planes[6][4];
    double eye[3];
};

// The perspective of SetProjection and the camera of PushCameraTransform.
ViewVolume CameraViewVolume(const WorldView& v);

// Cells low..high inclusive on each axis (column, row, layer), in the grid.
struct CellBox {
    int64_t lo[3], hi[3];
    bool Empty() const { return lo[0] > hi[0] || lo[1] > hi[1] || lo[2] > hi[2]; }
};

inline CellBox Intersect(const CellBox& a, const CellBox& b) {
    CellBox r;
    for (int k = 0; k < 3; ++k) r.lo[k] = std::max(a.lo[k], b.lo[k]), r.hi[k] = std::min(a.hi[k], b.hi[k]);
    return r;
}

inline bool Contains(const CellBox& outer, const CellBox& inner) {
    for (int k = 0; k < 3; ++k)
        if (inner.lo[k] < outer.lo[k] || inner.hi[k] > outer.hi[k]) return false;
    return true;
}

// The box of cells as model space sees it from the player's cell.
inline void ModelBox(const CellBox& b, const int64_t player[3], double lo[3], double hi[3]) {
    lo[0] = static_cast<double>(b.lo[0] - player[0]) - 0.5;
    hi[0] = static_cast<double>(b.hi[0] - player[0]) + 0.5;
    lo[1] = static_cast<double>(player[1] - b.hi[1]) - 0.5;
    hi[1] = static_cast<double>(player[1] - b.lo[1]) + 0.5;
    lo[2] = static_cast<double>(b.lo[2] - player[2]) - 0.5;
    hi[2] = static_cast<double>(b.hi[2] - player[2]) + 0.5;
}

// False only when the cells lie wholly beyond one side of the view volume:
// nothing drawn in them can then reach a pixel.
inline bool MayBeSeen(const ViewVolume& vv, const CellBox& b, const int64_t player[3]) {
    double lo[3], hi[3];
    ModelBox(b, player, lo, hi);
    for (const auto& p : vv.planes) {
        const double d = p[0] * (p[0] > 0 ? hi[0] : lo[0]) + p[1] * (p[1] > 0 ? hi[1] : lo[1]) +
                         p[2] * (p[2] > 0 ? hi[2] : lo[2]) + p[3];
        if (d < -kViewMargin) return false;
    }
    return true;
}

// Squared distance from the eye to the nearest point of the cells.
inline double DistanceFromEye(const ViewVolume& vv, const CellBox& b, const int64_t player[3]) {
    double lo[3], hi[3];
    ModelBox(b, player, lo, hi);
    double d = 0.0;
    for (int k = 0; k < 3; ++k) {
        const double out = std::max({lo[k] - vv.eye[k], vv.eye[k] - hi[k], 0.0});
        d += out * out;
    }
    return d;
}

// How near to the eye a face may come before the near plane may cut it: the
// distance from the eye to a corner of the near plane's rectangle, and a
// little more.
double NearReach();

// The eye in grid space: column X + 1 - x, row Y + y, layer Z + 1 - z.
void EyeInGrid(const WorldView& v, double eye[3]);

}  // namespace delver
