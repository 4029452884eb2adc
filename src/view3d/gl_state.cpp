#include "view3d/gl_state.h"

#include "platform/gl.h"

namespace delver {

namespace {

// The texture entries that carry a picture, in upload order.
constexpr int kPictureEntries[] = {0, 1, 2, 3, 4, 5, 6, 9, 10};

// A slot OpenGL may read: tightly packed RGB pixels of positive size.
const Sprite* UploadableSprite(const SpriteTable& sprites, int slot) {
    if (!sprites.Slots || slot < 0 || slot >= SpriteSlotCount) return nullptr;
    const Sprite& s = sprites.Slots[slot];
    if (!s.pixels || s.width <= 0 || s.height <= 0 || s.bytesPerPixel != 3) return nullptr;
    return &s;
}

}  // namespace

int CubeTextureSlot(int entry) {
    if ((entry >= 0 && entry <= 6) || entry == 9) return CubeTextureBaseSlot + entry;
    if (entry == 10) return CubeTextureBaseSlot + 9;
    return -1;
}

void SetProjection() {
    glViewport(0, 0, SceneWidth, SceneHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(SceneFieldOfView, SceneAspect, SceneNear, SceneFar);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void CreateCubeTextures(GlNames& gl, const SpriteTable& sprites) {
    glDisable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    GLuint names[TextureNameCount] = {};
    glGenTextures(TextureNameCount, names);
    for (int i = 0; i < TextureNameCount; ++i) gl.TextureNames[i] = names[i];

    // Pictures of any width are tightly packed rows.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    GLuint rim = 0;
    glGenTextures(1, &rim);
    gl.ShaftRimTexture = rim;
    uint8_t stripes[ShaftRimSize * ShaftRimSize * 3];
    for (int y = 0; y < ShaftRimSize; ++y)
        for (int x = 0; x < ShaftRimSize; ++x) {
            const uint8_t* c = ((x + y) / 4) % 2 ? ShaftRimDark : ShaftRimLight;
            for (int i = 0; i < 3; ++i) stripes[(y * ShaftRimSize + x) * 3 + i] = c[i];
        }
    glBindTexture(GL_TEXTURE_2D, rim);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, 3, ShaftRimSize, ShaftRimSize, 0, GL_RGB, GL_UNSIGNED_BYTE, stripes);
    for (int entry : kPictureEntries) {
        glBindTexture(GL_TEXTURE_2D, gl.TextureNames[entry]);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        const Sprite* s = UploadableSprite(sprites, CubeTextureSlot(entry));
        if (!s) continue;  // no picture: the entry stays incomplete and draws white
        glTexImage2D(GL_TEXTURE_2D, 0, 3, s->width, s->height, 0, GL_RGB, GL_UNSIGNED_BYTE, s->pixels.get());
    }
}

void SetSceneFog(bool on, int viewDistance) {
    if (!on) {
        glDisable(GL_FOG);
        return;
    }
    const float end = static_cast<float>(viewDistance > 0 ? viewDistance : 1);
    // From a quarter of the way out, so a maze's walls a few cells off
    // already darken.
    glFogf(GL_FOG_START, end * 0.25f);
    glFogf(GL_FOG_END, end);
    glEnable(GL_FOG);
}

void InitGraphicsState(GlNames& gl, const SpriteTable& sprites, FrameState& frame) {
    CreateCubeTextures(gl, sprites);
    glEnable(GL_TEXTURE_2D);
    glShadeModel(GL_SMOOTH);
    glClearColor(KeyClearColour[0], KeyClearColour[1], KeyClearColour[2], KeyClearColour[3]);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    glColor4f(1.0f, 1.0f, 1.0f, 0.5f);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    const GLfloat black[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glFogfv(GL_FOG_COLOR, black);
    glDisable(GL_FOG);

    // Drivers round 0.9 * 255 differently; the merge must skip exactly the
    // background this context produces. Without a context the read changes
    // nothing and the key keeps its value.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    GLubyte px[4] = {frame.KeyColour[0], frame.KeyColour[1], frame.KeyColour[2], 0};
    glReadPixels(0, 0, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, px);
    for (int i = 0; i < 3; ++i) frame.KeyColour[i] = px[i];
}

}  // namespace delver
