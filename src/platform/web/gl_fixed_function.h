// In the browser the game draws through WebGL 1, which has none of the
// OpenGL 1.1 fixed-function calls the game is written in. This header maps
// exactly the calls the game makes onto our own small fixed-function layer
// (fixed_function.cpp): the names are redirected before the desktop
// headers declare them, so every declaration below is of our function.
// A fixed-function call the layer does not answer fails to link; one that
// WebGL has too (glDrawArrays, glClear, ...) would reach WebGL behind the
// layer's back, so a test of the native build (tests/gl/web_gl_names.cmake)
// holds every gl call outside platform/ to the names redirected here.
#pragma once

#define glBegin delver_glBegin
#define glBitmap delver_glBitmap
#define glBindTexture delver_glBindTexture
#define glBlendFunc delver_glBlendFunc
#define glClear delver_glClear
#define glClearColor delver_glClearColor
#define glClearDepth delver_glClearDepth
#define glColor3f delver_glColor3f
#define glColor4f delver_glColor4f
#define glDepthFunc delver_glDepthFunc
#define glDisable delver_glDisable
#define glDisableClientState delver_glDisableClientState
#define glDrawArrays delver_glDrawArrays
#define glDrawPixels delver_glDrawPixels
#define glEnable delver_glEnable
#define glEnableClientState delver_glEnableClientState
#define glEnd delver_glEnd
#define glFinish delver_glFinish
#define glFogf delver_glFogf
#define glFogfv delver_glFogfv
#define glFogi delver_glFogi
#define glFlush delver_glFlush
#define glGenTextures delver_glGenTextures
#define glGetIntegerv delver_glGetIntegerv
#define glHint delver_glHint
#define glLoadIdentity delver_glLoadIdentity
#define glMatrixMode delver_glMatrixMode
#define glNormal3f delver_glNormal3f
#define glPixelStorei delver_glPixelStorei
#define glPixelZoom delver_glPixelZoom
#define glPopMatrix delver_glPopMatrix
#define glPushMatrix delver_glPushMatrix
#define glReadPixels delver_glReadPixels
#define glRotatef delver_glRotatef
#define glScalef delver_glScalef
#define glShadeModel delver_glShadeModel
#define glTexCoord2f delver_glTexCoord2f
#define glTexCoordPointer delver_glTexCoordPointer
#define glTexImage2D delver_glTexImage2D
#define glTexParameteri delver_glTexParameteri
#define glTranslatef delver_glTranslatef
#define glVertex3f delver_glVertex3f
#define glVertexPointer delver_glVertexPointer
#define glViewport delver_glViewport
#define gluPerspective delver_gluPerspective

#include <GL/gl.h>
#include <GL/glu.h>
