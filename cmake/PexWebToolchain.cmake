# The browser's build: Debian's Emscripten, with node to run what the build
# runs (try_run, tests). scripts/build-web.sh configures with it; the build's
# environment needs NODE_PATH=/usr/share/nodejs (Emscripten's own JavaScript
# tools find Debian's acorn there) and NODE_OPTIONS=--no-experimental-fetch
# (Emscripten 3.1.6's code for node predates node's own fetch).
include(/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/node CACHE FILEPATH "Runs the build's programs")
