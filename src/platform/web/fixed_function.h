// The fixed-function layer the browser build draws through: the OpenGL 1.1
// calls the game makes (named in gl_fixed_function.h), answered over WebGL 1
// with one small textured shader of our own.
//
// What it keeps of OpenGL 1.1: the model-view and projection matrix stacks
// and their calls (with gluPerspective), the current colour and texture
// coordinate, texturing on or off, client vertex and texture-coordinate
// arrays, quads (drawn as two triangles each, split as the desktop drivers
// split them), glDrawPixels with glPixelZoom (the framebuffer as a texture
// on one quad), and glReadPixels in RGB. The 3D view is drawn offscreen and
// only glDrawPixels, which covers the whole window with the finished
// picture, draws on the canvas: the browser shows the canvas whenever the
// game pauses, and so it never shows a picture half drawn. A texture with no picture, and
// texturing switched off, draw in the plain current colour, as they do on
// the desktop. Lighting, normals, shading and hints have no effect there,
// since the game uses no lighting, so they are accepted and ignored.
#pragma once

namespace delver::web {

// Makes the shader, buffers and state on the current WebGL context; false
// when the shader cannot be made.
bool StartFixedFunction(int drawingWidth, int drawingHeight);
// The drawing buffer's size changed (the canvas was resized): the
// offscreen picture is made again at the new size, empty.
void ResizeFixedFunction(int drawingWidth, int drawingHeight);
// Deletes everything made since StartFixedFunction, textures included, so
// the next start begins as on a new context.
void StopFixedFunction();

}  // namespace delver::web
