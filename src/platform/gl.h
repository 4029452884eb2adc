// The one place that pulls in the OpenGL 1.1 and GLU headers (in the
// browser, our own layer over WebGL answers the same calls). On Windows
// the headers want a few calling-convention macros that normally come from
// <windows.h>; they are given here so that game code never sees the rest of
// <windows.h>.
#pragma once

#if defined(_WIN32) && !defined(_WINDOWS_)
#ifndef APIENTRY
#define APIENTRY __stdcall
#endif
#ifndef WINGDIAPI
#define WINGDIAPI __declspec(dllimport)
#endif
#ifndef CALLBACK
#define CALLBACK __stdcall
#endif
#endif
#if defined(__EMSCRIPTEN__)
#include "platform/web/gl_fixed_function.h"
#else
#include <GL/gl.h>
#include <GL/glu.h>
#endif
