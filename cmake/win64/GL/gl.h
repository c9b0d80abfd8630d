// OpenGL's header for the Windows build without <windows.h>: MinGW's gl.h
// pulls in all of <windows.h> (and its macros) unless the two Windows macros
// it needs are defined. They are defined here for the header only.
#pragma once

#if !defined(APIENTRY) && !defined(WINGDIAPI)
#define APIENTRY __stdcall
#define WINGDIAPI
#include_next <GL/gl.h>
#undef APIENTRY
#undef WINGDIAPI
#else
#include_next <GL/gl.h>
#endif
