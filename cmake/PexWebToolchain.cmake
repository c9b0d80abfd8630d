# The browser's build: Debian's Emscripten, with node to run what the build
# runs (try_run, tests). scripts/build-web.sh configures with it.
include(/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/node CACHE FILEPATH "Runs the build's programs")

# Every compile and link runs with what Emscripten 3.1.6 needs of node, so that
# the build folder builds from any shell: its JavaScript tools find Debian's
# acorn in /usr/share/nodejs, which a node from elsewhere does not search, and
# its code predates node's own fetch.
set(PEX_WEB_NODE_ENVIRONMENT env NODE_PATH=/usr/share/nodejs NODE_OPTIONS=--no-experimental-fetch)
foreach(language C CXX)
  set(CMAKE_${language}_COMPILER_LAUNCHER ${PEX_WEB_NODE_ENVIRONMENT})
  set(CMAKE_${language}_LINKER_LAUNCHER ${PEX_WEB_NODE_ENVIRONMENT})
endforeach()

# The libraries built for the web: PEX_WEB_PREFIX (environment or cache), the
# folder scripts/build-web.sh --prefix prints.
include(${CMAKE_CURRENT_LIST_DIR}/PexLibraryPrefix.cmake)
pex_library_prefix(PEX_WEB_PREFIX scripts/build-web.sh "The libraries built for the web")
