#include "view3d/movement.h"

#include <algorithm>
#include <cmath>

#include "platform/input.h"

namespace delver {

namespace {

// 3.141592653 / 180: the game turns with pi cut to nine decimals, kept so
// that every step lands on the same float and saves and replays match bit
// for bit.
constexpr double kRadiansPerDegree = 0.017453292516666667;

// PlayerCell steps wrap around the 32-bit range as the saved integers do,
// instead of overflowing; the scene and the probes cope with any value.
int32_t WrapAdd(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

// Floor of an in-cell offset as a whole number of cells, or false when it is
// not a number or lies so far out that no grid cell could be meant.
bool CellOffset(float f, int64_t& out) {
    const double d = std::floor(static_cast<double>(f));
    if (!(d > -1.0e12 && d < 1.0e12)) return false;
    out = static_cast<int64_t>(d);
    return true;
}

// The movement divisor as movement uses it: a loaded save may carry any
// value, so it is held to the range the console allows.
int32_t UsableCycleStep(int32_t cycleStep) { return std::clamp<int32_t>(cycleStep, 1, 36); }

bool Solid(const WorldView& view, float u, float v, float w) {
    return IsSolidCode(CellCodeAt(view.grids, view.shell, u, v, w));
}

}  // namespace

float SinDegrees(float degrees) {
    return static_cast<float>(std::sin(static_cast<double>(degrees) * kRadiansPerDegree));
}

float CosDegrees(float degrees) {
    return static_cast<float>(std::cos(static_cast<double>(degrees) * kRadiansPerDegree));
}

uint8_t CellCodeAt(const WorldGrids& g, const ShellState& s, float u, float v, float w) {
    int64_t du = 0, dv = 0, dw = 0;
    if (!CellOffset(u, du) || !CellOffset(v, dv) || !CellOffset(w, dw)) return Empty;
    const int64_t column = s.PlayerCell[0] + du;
    const int64_t row = s.PlayerCell[1] + dv;
    const int64_t layer = s.PlayerCell[2] + dw;
    if (column < 0 || column >= GridWidth || row < 0 || row >= GridWidth || layer < 0 || layer >= LayerCount)
        return Empty;
    return g.WorldGrid[CellIndex(static_cast<int>(column), static_cast<int>(row), static_cast<int>(layer))];
}

void ResolveCollisions(WorldView& view, float u, float v, float w) {
    UnitRecord& player = view.units.Player();
    float& x = player.CellPosition[0];
    float& y = player.CellPosition[1];
    float& z = player.CellPosition[2];

    // The 0.3 rules need the eye's own cell open; it is probed only when a
    // 0.3 probe hits, and the answer cannot change in between.
    int ownOpen = -1;
    auto own = [&] {
        if (ownOpen < 0) ownOpen = Solid(view, u, v, w) ? 0 : 1;
        return ownOpen == 1;
    };

    if (Solid(view, u - 0.3f, v, w) && own()) x -= 0.3f - u;
    if (Solid(view, u - 0.2f, v, w)) x -= 0.2f;
    if (Solid(view, u + 0.3f, v, w) && own()) x += u + 0.3f - 1.0f;
    if (Solid(view, u + 0.2f, v, w)) x += 0.2f;
    if (Solid(view, u, v - 0.3f, w) && own()) y += 0.3f - v;
    if (Solid(view, u, v - 0.2f, w)) y += 0.2f;
    if (Solid(view, u, v + 0.3f, w) && own()) y -= v + 0.3f - 1.0f;
    if (Solid(view, u, v + 0.2f, w)) y -= 0.2f;
    if (Solid(view, u, v, w - 0.3f) && own()) z -= 0.3f - w;
    if (Solid(view, u, v, w - 0.2f)) z -= 0.2f;
    if (Solid(view, u, v, w + 0.3f) && own()) z += w + 0.3f - 1.0f;
    if (Solid(view, u, v, w + 0.2f)) z += 0.2f;

    // Eye bob on the levels' walking layers: the height swings with the steps.
    const int32_t Z = view.shell.PlayerCell[2];
    if (Z > 38 && Z % 3 == 0) {
        const float phase = static_cast<float>(player.StepCounter) / 5.0f;
        z = static_cast<float>(std::sin(static_cast<double>(phase))) * 0.05f + 0.54f;
    }

    // Corners: keep the eye off the vertical edge of a diagonal neighbour.
    if (Solid(view, u - 0.2f, v - 0.2f, w)) {
        x -= 0.2f;
        y += 0.2f;
    } else if (Solid(view, u + 0.2f, v + 0.2f, w)) {
        x += 0.2f;
        y -= 0.2f;
    } else if (Solid(view, u + 0.2f, v - 0.2f, w)) {
        y += 0.2f;
        x += 0.2f;
    } else if (Solid(view, u - 0.2f, v + 0.2f, w)) {
        y -= 0.2f;
        x -= 0.2f;
    }
}

void MovePlayer(WorldView& v) {
    UnitRecord& player = v.units.Player();
    float& x = player.CellPosition[0];
    float& y = player.CellPosition[1];
    float& z = player.CellPosition[2];
    for (int i = 0; i < 3; ++i) player.PreviousCellPosition[i] = player.CellPosition[i];

    const int32_t cycleStep = UsableCycleStep(v.camera.CycleStep);
    const float s = 0.1f / static_cast<float>(cycleStep);
    const bool stepFrame = v.shell.FrameCounter % cycleStep == 0;
    const float yaw = v.camera.Yaw;
    const float pitch = v.camera.Pitch;

    // One step along the direction (yawAt, pitchAt), forward (+1) or back (-1).
    auto step = [&](float yawAt, float pitchAt, int sign) {
        const float ex = -SinDegrees(yawAt + 180.0f) * s;
        const float ey = -CosDegrees(yawAt + 180.0f) * s;
        const float ez = -SinDegrees(pitchAt - 90.0f) * s;
        const float P = -SinDegrees(pitchAt);
        if (sign > 0) {
            z = z - ez;
            x = x - P * ex;
            y = y - P * ey;
        } else {
            z = z + ez;
            x = x + P * ex;
            y = y + P * ey;
        }
        if (stepFrame) player.StepCounter = WrapAdd(player.StepCounter, sign);
    };
    // Forward along the line of sight.
    if (v.shell.AutoWalk == 1 || (v.intent && v.intent->forward)) step(yaw, pitch, +1);
    // Backward while Z is held; with AutoWalk on the two cancel out.
    if (v.intent ? v.intent->back : KeyDown(v.input, vk::LetterZ) != 0) step(yaw, pitch, -1);
    // A sideways step: the same step along the line of sight turned 90
    // degrees to that side (turning right lowers Yaw) and held level.
    if (v.intent && v.intent->side != 0) step(yaw - 90.0f * static_cast<float>(v.intent->side), -90.0f, +1);

    ResolveCollisions(v, 1.0f - x, y, 1.0f - z);

    // Carry into the neighbouring cell, at most one cell per axis.
    int32_t* cell = v.shell.PlayerCell;
    if (x > 1.0f) {
        cell[0] = WrapAdd(cell[0], -1);
        x -= 1.0f;
    }
    if (y > 1.0f) {
        cell[1] = WrapAdd(cell[1], 1);
        y -= 1.0f;
    }
    if (x < 0.0f) {
        cell[0] = WrapAdd(cell[0], 1);
        x += 1.0f;
    }
    if (y < 0.0f) {
        cell[1] = WrapAdd(cell[1], -1);
        y += 1.0f;
    }
    if (z > 1.0f) {
        cell[2] = WrapAdd(cell[2], -1);
        z -= 1.0f;
    }
    if (z < 0.0f) {
        cell[2] = WrapAdd(cell[2], 1);
        z += 1.0f;
    }
}

void ApplyMouseLook(WorldView& v) {
    if (v.shell.MouseLook != 1 || (v.intent && !v.intent->cursorLook)) return;
    const int mx = MouseX(v.input, v.frame.Width);
    const int my = MouseY(v.input, v.frame.Height);
    v.camera.Yaw = static_cast<float>(20 - 2 * mx);
    v.camera.Pitch = static_cast<float>(-my);
}

}  // namespace delver
