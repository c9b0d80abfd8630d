# Cross toolchain for 64-bit Windows with Debian's MinGW-w64 (the POSIX
# threads variant, which C++ threads and SDL need). The folder of the
# cross-built libraries is PEX_WIN64_PREFIX (environment or cache), the one
# scripts/build-windows.sh --prefix prints.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(PEX_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${PEX_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PEX_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${PEX_MINGW}-windres)
set(CMAKE_AR ${PEX_MINGW}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${PEX_MINGW}-gcc-ranlib-posix CACHE FILEPATH "")

include(${CMAKE_CURRENT_LIST_DIR}/PexLibraryPrefix.cmake)
pex_library_prefix(PEX_WIN64_PREFIX scripts/build-windows.sh "The cross-built libraries")

set(CMAKE_FIND_ROOT_PATH /usr/${PEX_MINGW} ${PEX_WIN64_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config reads only the cross-built libraries' files.
set(ENV{PKG_CONFIG_LIBDIR} ${PEX_WIN64_PREFIX}/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")

# Test programs run under Wine on the build machine (in the environment the
# tests' fixture sets up, tests/win), through a script that starts them again
# when Wine itself could not.
find_program(PEX_WINE NAMES wine wine64)
if(PEX_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tests/win/wine-run.sh)
endif()
