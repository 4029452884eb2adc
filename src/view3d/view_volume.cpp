#include "view3d/view_volume.h"

#include <array>
#include <cmath>
#include <numbers>

namespace delver {
namespace {

// Column-major 4 x 4 matrices, as OpenGL keeps them.
using Matrix = std::array<double, 16>;

Matrix Multiply(const Matrix& a, const Matrix& b) {
    Matrix m{};
    for (int col = 0; col < 4; ++col)
        for (int row = 0; row < 4; ++row)
            for (int k = 0; k < 4; ++k) m[col * 4 + row] += a[k * 4 + row] * b[col * 4 + k];
    return m;
}

// What glRotatef(degrees, 1, 0, 0) (axis 0) or (0, 0, 1) (axis 2) applies.
Matrix Rotation(float degrees, int axis) {
    const double a = static_cast<double>(degrees) * std::numbers::pi / 180.0;
    const double c = std::cos(a), s = std::sin(a);
    Matrix m{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    const int i = axis == 0 ? 1 : 0, j = axis == 0 ? 2 : 1;  // the plane it turns
    m[i * 4 + i] = c;
    m[j * 4 + i] = -s;
    m[i * 4 + j] = s;
    m[j * 4 + j] = c;
    return m;
}

}  // namespace

ViewVolume CameraViewVolume(const WorldView& v) {
    const float* pos = v.units.Player().CellPosition;
    const float t[3] = {pos[0] - 0.5f, pos[1] - 0.5f, pos[2] - 0.5f};
    Matrix move{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, t[0], t[1], t[2], 1};
    const Matrix turn =
        Multiply(Multiply(Rotation(v.camera.Pitch, 0), Rotation(180.0f - v.camera.Yaw, 2)), Rotation(180.0f, 0));
    const double f = 1.0 / std::tan(SceneFieldOfView * std::numbers::pi / 360.0);
    Matrix perspective{};
    perspective[0] = f / SceneAspect;
    perspective[5] = f;
    perspective[10] = (SceneFar + SceneNear) / (SceneNear - SceneFar);
    perspective[11] = -1.0;
    perspective[14] = 2.0 * SceneFar * SceneNear / (SceneNear - SceneFar);
    const Matrix clip = Multiply(perspective, Multiply(turn, move));

    ViewVolume vv{};
    // A point is inside when -w <= x, y, z <= w in clip space: row 3 plus or
    // minus rows 0, 1 and 2.
    for (int side = 0; side < 6; ++side) {
        const int row = side / 2;
        const double sign = side % 2 ? -1.0 : 1.0;
        double* p = vv.planes[side];
        for (int col = 0; col < 4; ++col) p[col] = clip[col * 4 + 3] + sign * clip[col * 4 + row];
        const double length = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
        for (int k = 0; k < 4; ++k) p[k] /= length;  // a zero length gives NaN: nothing is left out by it
    }
    for (int k = 0; k < 3; ++k) vv.eye[k] = -static_cast<double>(t[k]);
    return vv;
}

double NearReach() {
    const double t = std::tan(SceneFieldOfView * std::numbers::pi / 360.0);
    return SceneNear * std::sqrt(1.0 + t * t + SceneAspect * t * SceneAspect * t) + 0.02;
}

// The eye in grid space: column X + 1 - x, row Y + y, layer Z + 1 - z.
void EyeInGrid(const WorldView& v, double eye[3]) {
    const float* pos = v.units.Player().CellPosition;
    eye[0] = static_cast<double>(v.shell.PlayerCell[0]) + 1.0 - pos[0];
    eye[1] = static_cast<double>(v.shell.PlayerCell[1]) + pos[1];
    eye[2] = static_cast<double>(v.shell.PlayerCell[2]) + 1.0 - pos[2];
}

}  // namespace delver
