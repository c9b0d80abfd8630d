// GLU's header for the Windows build without <windows.h> (see gl.h here);
// MinGW's glu.h also needs CALLBACK.
#pragma once

#include <GL/gl.h>

#if !defined(APIENTRY) && !defined(WINGDIAPI) && !defined(CALLBACK)
#define APIENTRY __stdcall
#define WINGDIAPI
#define CALLBACK __stdcall
#include_next <GL/glu.h>
#undef APIENTRY
#undef WINGDIAPI
#undef CALLBACK
#else
#include_next <GL/glu.h>
#endif
