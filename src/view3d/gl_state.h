// OpenGL state of the 3D view: the fixed 320 x 240 viewport and perspective,
// the render state every frame relies on, and the 32 texture names through
// which each cell code finds its picture.
//
// Everything here acts on the current OpenGL context and runs again on every
// new context (window creation and re-creation).
#pragma once

#include <cstdint>

#include "assets/sprite.h"
#include "gfx2d/frame.h"

namespace delver {

// Texture entry i is the texture of cell code i.
inline constexpr int TextureNameCount = 32;
// Entries 0..6 and 9 take the picture of sprite slot 1200 + entry; entry 10
// shares slot 1209 with entry 9. The other entries carry no picture.
inline constexpr int CubeTextureBaseSlot = 1200;
// The perspective of the 3D view: vertical field of view in degrees, the
// aspect (single-precision 4/3) and the near and far planes (the near one
// single-precision 0.1), in cell units.
inline constexpr double SceneFieldOfView = 45.0;
inline constexpr double SceneAspect = 1.3333333730697632;
inline constexpr double SceneNear = 0.10000000149011612;
inline constexpr double SceneFar = 100.0;

// The picture of a shaft's rim (shafts = marked): diagonal stripes of
// these two colours, 4 texels wide, on 16 x 16 texels. Our own art, made in
// code with the textures.
inline constexpr int ShaftRimSize = 16;
inline constexpr uint8_t ShaftRimLight[3] = {255, 160, 0};
inline constexpr uint8_t ShaftRimDark[3] = {45, 35, 60};

// The texture names of the latest context.
struct GlNames {
    uint32_t TextureNames[TextureNameCount] = {};
    uint32_t ShaftRimTexture = 0;  // the shaft rim's picture
};

// Viewport 0,0 320x240 whatever the window size, a 45-degree perspective of
// aspect 4:3 from 0.1 to 100, and the model-view matrix left current and set
// to the identity.
void SetProjection();

// Makes the textures, then the render state: texturing and depth test on
// (less-or-equal), smooth shading, no culling or lighting, blending off,
// and the clear colour (1, 0, 0.9, 0), the fog's mode and colour (linear,
// black) with the fog off. Finally clears and reads one pixel
// back into frame.KeyColour, so the merge skips exactly the background this
// driver produces. Nothing here can fail: a slot without a picture draws
// white, and without a current context the calls change nothing.
void InitGraphicsState(GlNames& gl, const SpriteTable& sprites, FrameState& frame);

// Generates the 32 texture names, then the shaft rim's with its picture,
// and uploads the cube pictures (entries 0-6, 9 and 10) with nearest-texel
// filtering and no mipmaps. A slot without
// pixels or with no positive size is left without a picture, so cells using
// it draw plain white.
void CreateCubeTextures(GlNames& gl, const SpriteTable& sprites);

// Fog of the 3D view: with `on`, linear black fog in cells from a quarter of the
// view distance to the view distance, so that cells fade into the dark
// (black, never the key colour, unless a texel is the key colour itself);
// without, no fog. The scene turns it on only while it draws, so the
// pictures drawn with glDrawPixels are never fogged.
void SetSceneFog(bool on, int viewDistance);

// The sprite slot whose picture texture entry `entry` shows, or -1 when the
// entry never gets one.
int CubeTextureSlot(int entry);

}  // namespace delver
