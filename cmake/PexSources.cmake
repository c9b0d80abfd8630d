# The units' sources and include folders, for the targets of every build
# (PexTargets.cmake). Every unit but the windowing layer forms one library; the
# windowing layer is built on real GLFW; tests and fuzzers put fake GL functions
# in place of the system's and give the engine a fake window driver. The lists
# are written out: a new source joins the build by being named here.
set(PEX_SRC_DIR ${CMAKE_CURRENT_LIST_DIR}/../src)
get_filename_component(PEX_SRC_DIR ${PEX_SRC_DIR} ABSOLUTE)

set(PEX_UNIT_SOURCES
    files/PexFiles.cpp
    gl/PexMipmaps.cpp
    engine/PexGL.cpp
    engine/PexTGA.cpp
    engine/PexTexture.cpp
    engine/PexScript.cpp
    demo/PexDemoFile.cpp
    demo/PexDemo.cpp
    sound/fmodtypes.cpp
    sound/fmoddyn.cpp
    sound/SoundUnit.cpp
    shell/StateUnit.cpp
    shell/MainUnit.cpp
    shell/VarsUnit.cpp
    shell/ConfigUnit.cpp
    shell/MenuUnit.cpp
    shell/SplashUnit.cpp
    shell/Program.cpp
    world/LevelUnit.cpp
    world/LinkUnit.cpp
    world/GuestUnit.cpp
    world/UndoUnit.cpp
    world/EditorUnit.cpp
    world/GameUnit.cpp)
list(TRANSFORM PEX_UNIT_SOURCES PREPEND ${PEX_SRC_DIR}/)
set(PEX_GLFW2_SOURCE ${PEX_SRC_DIR}/window/Glfw2.cpp)

# The services that differ between systems: what they share, and the sources
# of the system built for, chosen here (Linux and Windows share the desktop's,
# Linux and the browser the POSIX file calls).
set(PEX_PLATFORM_DIR ${PEX_SRC_DIR}/platform)
set(PEX_PLATFORM_SOURCES ${PEX_PLATFORM_DIR}/PexPlatform.cpp)
if(WIN32)
  list(APPEND PEX_PLATFORM_SOURCES ${PEX_PLATFORM_DIR}/win/PexPlatformWin.cpp
                                   ${PEX_PLATFORM_DIR}/desktop/PexPlatformDesktop.cpp)
elseif(EMSCRIPTEN)
  list(APPEND PEX_PLATFORM_SOURCES ${PEX_PLATFORM_DIR}/web/PexPlatformWeb.cpp
                                   ${PEX_PLATFORM_DIR}/posix/PexPlatformPosixFiles.cpp)
else()
  list(APPEND PEX_PLATFORM_SOURCES ${PEX_PLATFORM_DIR}/posix/PexPlatformPosix.cpp
                                   ${PEX_PLATFORM_DIR}/posix/PexPlatformPosixFiles.cpp
                                   ${PEX_PLATFORM_DIR}/desktop/PexPlatformDesktop.cpp)
endif()

# The browser's OpenGL: the GLU functions the program uses, which WebGL lacks
# (computed with PexMipmaps, one of the units), and immediate mode as the
# desktop has it over Emscripten's emulation.
set(PEX_WEB_GL_SOURCES ${PEX_SRC_DIR}/gl/PexGluWeb.cpp ${PEX_SRC_DIR}/gl/PexGLWeb.cpp)

# The folders of the units' headers, from the bottom up: a folder's sources
# include their own folder's headers and those of the folders before it.
set(PEX_UNIT_INCLUDE_DIRS ${PEX_SRC_DIR}/platform ${PEX_SRC_DIR}/files ${PEX_SRC_DIR}/gl
                          ${PEX_SRC_DIR}/window
                          ${PEX_SRC_DIR}/engine ${PEX_SRC_DIR}/demo ${PEX_SRC_DIR}/sound
                          ${PEX_SRC_DIR}/shell ${PEX_SRC_DIR}/world)

# The program entry: the table of units, above all of them.
set(PEX_MAIN_SOURCE ${PEX_SRC_DIR}/app/PexMain.cpp)

# The tests' and fuzzers' fakes: OpenGL and GLU at link time, and a window
# driver.
get_filename_component(PEX_SUPPORT_DIR ${CMAKE_CURRENT_LIST_DIR}/../tests/support ABSOLUTE)
set(PEX_FAKE_SOURCES ${PEX_SUPPORT_DIR}/FakeGL.cpp ${PEX_SUPPORT_DIR}/FakeWindow.cpp)
