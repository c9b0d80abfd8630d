# The libraries and the program, for every build: the native one, the Windows
# cross build, the browser's and the fuzz build. Their sources are those of
# PexSources.cmake. What they link against comes from the build, under the
# target names the native build gets from pkg-config (CMakeLists.txt,
# PexWin64.cmake, PexWeb.cmake); what one build alone needs is added around
# them by that build.

# The services that differ between systems, one source per system
# (PEX_PLATFORM_SOURCES).
add_library(pexplatform STATIC ${PEX_PLATFORM_SOURCES})
target_include_directories(pexplatform PUBLIC ${PEX_PLATFORM_DIR})
# The address the editor's links to a level start with on the desktop (in a
# browser the page's own): where the browser's build is served, empty by default.
set(PEX_PAGE_ADDRESS "" CACHE STRING "Address of the web page that opens level links")
target_compile_definitions(pexplatform PRIVATE PEX_PAGE_ADDRESS="${PEX_PAGE_ADDRESS}")
if(NOT WIN32 AND NOT EMSCRIPTEN)
  # The error box is SDL's; libraries load through the dynamic loader; the
  # display's loss comes from Xlib.
  target_link_libraries(pexplatform PUBLIC PkgConfig::SDL2 PkgConfig::X11 ${CMAKE_DL_LIBS})
endif()

# Every unit but the windowing layer.
add_library(pexcore STATIC ${PEX_UNIT_SOURCES})
target_include_directories(pexcore PUBLIC ${PEX_UNIT_INCLUDE_DIRS})
target_link_libraries(pexcore PUBLIC pexplatform ${CMAKE_DL_LIBS})

# The tests' and fuzzers' fakes: a link-time seam that defines the OpenGL and
# GLU functions the units call and records the GL calls, and a window driver
# they give the engine, with the clock, the window state and the events theirs
# to drive.
if(PEX_FUZZ OR (PEX_BUILD_TESTS AND NOT EMSCRIPTEN))
  add_library(pexfakes STATIC ${PEX_FAKE_SOURCES})
  target_include_directories(pexfakes PUBLIC ${PEX_SUPPORT_DIR})
  target_link_libraries(pexfakes PUBLIC pexcore)
endif()

# The fuzz targets need no more: the fakes take the windowing layer's place.
if(PEX_FUZZ)
  return()
endif()

# The windowing layer, on GLFW 3.
add_library(pexglfw STATIC ${PEX_GLFW2_SOURCE})
target_include_directories(pexglfw PUBLIC ${PEX_SRC_DIR}/window)
target_link_libraries(pexglfw PUBLIC PkgConfig::GLFW3 pexplatform)

add_executable(pex ${PEX_MAIN_SOURCE})
target_link_libraries(pex PRIVATE pexcore pexglfw)
if(NOT EMSCRIPTEN)
  # The system's OpenGL and GLU; the browser has its own (PexWeb.cmake).
  target_link_libraries(pex PRIVATE OpenGL::GL OpenGL::GLU)
endif()
set_target_properties(pex PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PEX_BIN_DIR})
# The version --version prints: the project's, stated once in CMakeLists.txt.
target_compile_definitions(pex PRIVATE PEX_VERSION="${PROJECT_VERSION}")

# The sound library, built from our own code. The program's binding loads it
# at run time; the browser links it in instead, with its table of names (no
# run-time loading alongside Asyncify).
if(EMSCRIPTEN)
  set(PEX_SOUNDLIB_KIND STATIC)
else()
  set(PEX_SOUNDLIB_KIND SHARED)
endif()
add_library(fmod ${PEX_SOUNDLIB_KIND} ${CMAKE_SOURCE_DIR}/soundlib/SoundLib.cpp)
target_link_libraries(fmod PRIVATE pexplatform PkgConfig::SDL2 PkgConfig::OPENMPT)
if(PEX_SOUNDLIB_KIND STREQUAL SHARED)
  set_target_properties(fmod PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${PEX_BIN_DIR}
                                        CXX_VISIBILITY_PRESET default)
  # The units and the sound library both use the platform services: they are
  # built position-independent, and their names stay inside the library.
  set_target_properties(pexplatform PROPERTIES POSITION_INDEPENDENT_CODE ON
                                               CXX_VISIBILITY_PRESET hidden)
  # Not linked, but the program is not whole without it.
  add_dependencies(pex fmod)
else()
  target_sources(fmod PRIVATE ${CMAKE_SOURCE_DIR}/soundlib/SoundLibLinked.cpp)
  target_compile_definitions(fmod PRIVATE SOUNDLIB_LINKED)
  target_link_libraries(pex PRIVATE fmod)
endif()
