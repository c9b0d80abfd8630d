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

# The services that differ between systems: one source per system.
if(WIN32)
  set(PEX_PLATFORM_SOURCE ${PEX_SRC_DIR}/engine/PexPlatformWin.cpp)
else()
  set(PEX_PLATFORM_SOURCE ${PEX_SRC_DIR}/engine/PexPlatformPosix.cpp)
endif()
list(FILTER PEX_UNIT_SOURCES EXCLUDE REGEX "/engine/PexPlatform[^/]*\\.cpp$")

set(PEX_UNIT_INCLUDE_DIRS ${PEX_SRC_DIR}/engine ${PEX_SRC_DIR}/sound ${PEX_SRC_DIR}/shell
                          ${PEX_SRC_DIR}/world)

# The program entry: the table of units, above all of them.
set(PEX_MAIN_SOURCE ${PEX_SRC_DIR}/app/PexMain.cpp)

# The link-time seam that tests and fuzzers put in place of OpenGL, GLU and the
# windowing layer.
get_filename_component(PEX_SUPPORT_DIR ${CMAKE_CURRENT_LIST_DIR}/../tests/support ABSOLUTE)
set(PEX_FAKE_SOURCES ${PEX_SUPPORT_DIR}/FakeGL.cpp ${PEX_SUPPORT_DIR}/FakeGlfw2.cpp)
