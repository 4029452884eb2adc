#include "view3d/scene.h"

#include <algorithm>

#include "platform/gl.h"
#include "view3d/cube_faces.h"
#include "world/world_finishing.h"

namespace delver {

namespace {

void DrawQuad(const CubeFace& f, float h) {
    glBegin(GL_QUADS);
    glNormal3f(f.normal[0], f.normal[1], f.normal[2]);
    for (const auto& c : f.corners) {
        glTexCoord2f(c[0], c[1]);
        glVertex3f(c[2] * h, c[3] * h, c[4] * h);
    }
    glEnd();
}

// Texturing, colour material and white, with the texture of `code`. Codes
// without a texture entry bind the default texture, which has no picture,
// so they draw plain white.
void BeginCube(const WorldView& v, int code) {
    glScalef(0.5f, 0.5f, 0.5f);
    glDisable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_COLOR_MATERIAL);
    glBindTexture(GL_TEXTURE_2D, code < TextureNameCount ? v.gl.TextureNames[code] : 0);
    glColor3f(1.0f, 1.0f, 1.0f);
}

}  // namespace

void DrawCell(const WorldView& v, int column, int row, int layer) {
    if (!InsideShell(column, row, layer)) return;
    const uint8_t* grid = v.grids.WorldGrid.get();
    const uint8_t code = grid[CellIndex(column, row, layer)];
    if (code == Empty) return;
    BeginCube(v, code);
    if (code == DiagonalPane) {
        glBindTexture(GL_TEXTURE_2D, v.gl.TextureNames[Brick]);
        DrawQuad(kPaneFace, 1.0f);
        if (v.stats) ++v.stats->facesDrawn;
        return;
    }
    for (const CubeFace& f : kCubeFaces) {
        const uint8_t n = grid[CellIndex(column + f.dColumn, row + f.dRow, layer + f.dLayer)];
        if (!FaceIsOpen(f, n)) continue;
        // A face toward a shaft cell is part of the shaft's rim.
        const bool rim = v.markedShafts && IsShaftCell(grid, column + f.dColumn, row + f.dRow, layer + f.dLayer);
        if (rim) glBindTexture(GL_TEXTURE_2D, v.gl.ShaftRimTexture);
        DrawQuad(f, 1.0f);
        if (rim) glBindTexture(GL_TEXTURE_2D, code < TextureNameCount ? v.gl.TextureNames[code] : 0);
        if (v.stats) ++v.stats->facesDrawn;
    }
}

void DrawMarker(const WorldView& v, int column, int row, int layer) {
    if (!CellInGrid(column, row, layer)) return;
    const uint8_t m = v.grids.MarkerGrid[CellIndex(column, row, layer)];
    if (m == 0) return;
    BeginCube(v, m);
    for (const CubeFace& f : kCubeFaces) DrawQuad(f, kMarkerHalfSize);
    if (v.stats) {
        ++v.stats->markersDrawn;
        v.stats->facesDrawn += 6;
    }
}

ViewCube DrawableViewCube(const ShellState& shell) {
    const int64_t X = shell.PlayerCell[0];
    const int64_t Y = shell.PlayerCell[1];
    const int64_t Z = shell.PlayerCell[2];
    const int64_t V = shell.ViewDistance;
    return ViewCube{std::max<int64_t>(Z - V, 1), std::min<int64_t>(Z + V, LayerCount - 2),
                    std::max<int64_t>(Y - V, 1), std::min<int64_t>(Y + V, GridWidth - 2),
                    std::max<int64_t>(X - V, 1), std::min<int64_t>(X + V, GridWidth - 2)};
}

void PushCameraTransform(const WorldView& v) {
    const float* pos = v.units.Player().CellPosition;
    glPushMatrix();
    glRotatef(v.camera.Pitch, 1.0f, 0.0f, 0.0f);
    glRotatef(180.0f - v.camera.Yaw, 0.0f, 0.0f, 1.0f);
    glRotatef(180.0f, 1.0f, 0.0f, 0.0f);
    glTranslatef(pos[0] - 0.5f, pos[1] - 0.5f, pos[2] - 0.5f);
}

void DrawScene(WorldView& v) {
    PushCameraTransform(v);
    const int64_t X = v.shell.PlayerCell[0];
    const int64_t Y = v.shell.PlayerCell[1];
    const int64_t Z = v.shell.PlayerCell[2];
    const ViewCube cube = DrawableViewCube(v.shell);
    const int64_t layerLo = cube.layerLo, layerHi = cube.layerHi;
    const int64_t rowLo = cube.rowLo, rowHi = cube.rowHi;
    const int64_t colLo = cube.colLo, colHi = cube.colHi;
    const uint8_t* markers = v.grids.MarkerGrid.get();

    for (int64_t i = layerLo; i <= layerHi; ++i) {
        for (int64_t j = rowLo; j <= rowHi; ++j) {
            for (int64_t k = colLo; k <= colHi; ++k) {
                const int column = static_cast<int>(k), row = static_cast<int>(j), layer = static_cast<int>(i);
                glPushMatrix();
                glTranslatef(static_cast<float>(k - X), static_cast<float>(Y - j), static_cast<float>(i - Z));
                glPushMatrix();
                if (v.stats) ++v.stats->cellsDrawn;
                DrawCell(v, column, row, layer);
                if (markers[CellIndex(column, row, layer)] == ObjectiveMarker) DrawMarker(v, column, row, layer);
                glPopMatrix();
                glPopMatrix();
            }
        }
    }
    glPopMatrix();
}

}  // namespace delver
