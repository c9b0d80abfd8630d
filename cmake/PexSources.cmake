# The units' sources and include folders, for the game's build and for the
# fuzz build (a project of its own on tests/fuzz). Every unit but the windowing
# layer forms one library; the windowing layer is built on real GLFW, and tests
# and fuzzers put fake GL and windowing functions in its place.
set(PEX_SRC_DIR ${CMAKE_CURRENT_LIST_DIR}/../src)
get_filename_component(PEX_SRC_DIR ${PEX_SRC_DIR} ABSOLUTE)

file(GLOB PEX_UNIT_SOURCES CONFIGURE_DEPENDS
     ${PEX_SRC_DIR}/engine/*.cpp ${PEX_SRC_DIR}/sound/*.cpp
     ${PEX_SRC_DIR}/shell/*.cpp ${PEX_SRC_DIR}/world/*.cpp)
set(PEX_GLFW2_SOURCE ${PEX_SRC_DIR}/engine/Glfw2.cpp)
list(REMOVE_ITEM PEX_UNIT_SOURCES ${PEX_GLFW2_SOURCE})

# The services that differ between systems: one source per system, chosen here
# (the desktop systems share one more).
list(FILTER PEX_UNIT_SOURCES EXCLUDE REGEX "/engine/PexPlatform[^/]*\\.cpp$")
if(WIN32)
  set(PEX_PLATFORM_SOURCE ${PEX_SRC_DIR}/engine/PexPlatformWin.cpp
                          ${PEX_SRC_DIR}/engine/PexPlatformDesktop.cpp)
elseif(EMSCRIPTEN)
  set(PEX_PLATFORM_SOURCE ${PEX_SRC_DIR}/engine/PexPlatformWeb.cpp)
else()
  set(PEX_PLATFORM_SOURCE ${PEX_SRC_DIR}/engine/PexPlatformPosix.cpp
                          ${PEX_SRC_DIR}/engine/PexPlatformDesktop.cpp)
endif()

# The browser's OpenGL: the GLU functions the program uses, which WebGL lacks
# (computed with PexMipmaps, one of the units), and immediate mode as the
# desktop has it over Emscripten's emulation.
set(PEX_WEB_GL_SOURCES ${PEX_SRC_DIR}/engine/PexGluWeb.cpp ${PEX_SRC_DIR}/engine/PexGLWeb.cpp)
list(REMOVE_ITEM PEX_UNIT_SOURCES ${PEX_WEB_GL_SOURCES})

set(PEX_UNIT_INCLUDE_DIRS ${PEX_SRC_DIR}/engine ${PEX_SRC_DIR}/sound ${PEX_SRC_DIR}/shell
                          ${PEX_SRC_DIR}/world)

# The program entry: the table of units, above all of them.
set(PEX_MAIN_SOURCE ${PEX_SRC_DIR}/app/PexMain.cpp)

# The link-time seam that tests and fuzzers put in place of OpenGL, GLU and the
# windowing layer.
get_filename_component(PEX_SUPPORT_DIR ${CMAKE_CURRENT_LIST_DIR}/../tests/support ABSOLUTE)
set(PEX_FAKE_SOURCES ${PEX_SUPPORT_DIR}/FakeGL.cpp ${PEX_SUPPORT_DIR}/FakeGlfw2.cpp)
