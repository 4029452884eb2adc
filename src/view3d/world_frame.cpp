// The per-frame 3D step. Kept apart from the scene drawing so that code
// which only draws or only moves does not pull in the framebuffer merge.
#include "platform/gl.h"
#include "view3d/movement.h"
#include "view3d/scene.h"
#include "view3d/scene_cache.h"

namespace delver {

void DrawWorldFrame(WorldView& v) {
    glLoadIdentity();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    // The kept face lists when the view has them, else cell by cell; both
    // draw the same picture. Fog, when asked for, covers the scene alone.
    SetSceneFog(v.fog, v.shell.ViewDistance);
    if (v.cache)
        DrawSceneFast(v, *v.cache);
    else
        DrawScene(v);
    if (v.fog) SetSceneFog(false, 0);
    MovePlayer(v);
    CopySceneToFrame(v.frame);
    ApplyMouseLook(v);
}

}  // namespace delver
