# CPack: the release archive of the system built for (a .tar.gz on Linux, a
# .zip for Windows and for the browser), holding the application folder as
# pex-<version>-<system>/, and on Linux the Debian package pex_<version>_amd64.deb.
# They are written to dist/ in the build folder: cpack --preset linux (or
# windows) there, or cmake --workflow --preset package.
#
# The packages are reproducible: every file and folder gets the time of the
# last commit (SOURCE_DATE_EPOCH when it is set, else the commit's time as git
# tells it at configure time; see PexReproducible.cmake), the entries are
# sorted, and the owner is root.
set(CPACK_PACKAGE_NAME pex)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY ${PROJECT_DESCRIPTION})
set(CPACK_PACKAGE_VENDOR "The Pex developers")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/dist)
set(CPACK_STRIP_FILES ON)
if(EMSCRIPTEN)
  set(CPACK_SYSTEM_NAME web)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_STRIP_FILES OFF)  # WebAssembly and JavaScript: nothing to strip
elseif(WIN32)
  set(CPACK_SYSTEM_NAME windows-x86_64)
  set(CPACK_GENERATOR ZIP)
else()
  set(CPACK_SYSTEM_NAME linux-x86_64)
  set(CPACK_GENERATOR TGZ DEB)
endif()
# The archive's name, which its tests use too (CPack changes its own variable
# when it writes its source package's settings).
set(PEX_ARCHIVE_NAME pex-${PROJECT_VERSION}-${CPACK_SYSTEM_NAME})
set(CPACK_PACKAGE_FILE_NAME ${PEX_ARCHIVE_NAME})

# Each generator takes its own components (PexCPackOptions.cmake), all of them
# in one package.
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/PexCPackOptions.cmake)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/PexReproducible.cmake)
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(CPACK_PEX_SOURCE_DATE_EPOCH $ENV{SOURCE_DATE_EPOCH})
else()
  find_package(Git QUIET)
  if(GIT_FOUND)
    execute_process(COMMAND ${GIT_EXECUTABLE} log -1 --format=%ct
                    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR} OUTPUT_VARIABLE CPACK_PEX_SOURCE_DATE_EPOCH
                    OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  endif()
endif()

# ---- The Debian package ------------------------------------------------------
set(CPACK_DEBIAN_PACKAGE_NAME pex)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${PEX_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${PEX_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The synopsis is the summary above; this is the text below it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "A hero walks, climbs ladders, hangs on ropes and falls
through a grid of brick, steel, ladder, rope and coin cells while an enemy
closes in on him; coins vanish when he touches them.
.
A level editor paints the same grid with the mouse, takes changes back and
makes them again. A menu leads to the game, the editor and a full-screen
setting, and tracker music plays on the splash and game screens. Sessions can
be recorded as demos and played back frame for frame.")
# The libraries' packages, from what the program and the sound library link.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Mesa's drivers: the program draws with OpenGL through GLX.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgl1-mesa-dri")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xfonts-base")

include(CPack)
