# The browser's build, around the targets of PexTargets.cmake: the program in
# WebAssembly, drawing with WebGL through Emscripten's GLFW 3 and its emulation
# of OpenGL's immediate mode, into ${CMAKE_BINARY_DIR}/app/: index.html,
# pex-page.js, pex.js, pex.wasm and pex.data (the shipped data, preloaded).
# SDL2 and libopenmpt come as static libraries from PEX_WEB_PREFIX
# (scripts/build-web.sh builds them).
#
# Run as a script (-DSRC=<data folder> -DSTAGE=<folder>) it lays out the data
# to preload: the shipped files for the program's folder, and the user's files
# (PEX_USER_FILES) apart, as the seeds of the persistent store.

include(${CMAKE_CURRENT_LIST_DIR}/PexData.cmake)

# Where the page puts the files in the browser's file system: the program's
# folder (the shipped data, read-only), the seeds, the persistent store
# (IndexedDB) that the settings file and the level folder link to, and the
# demos fetched for playback.
set(PEX_WEB_PROGRAM_DIR /pex)
set(PEX_WEB_SEED_DIR /pex-seed)
set(PEX_WEB_STORE_DIR /pex-store)
set(PEX_WEB_DEMO_DIR /pex-demo)

if(CMAKE_SCRIPT_MODE_FILE)
  file(REMOVE_RECURSE ${STAGE})
  file(GLOB_RECURSE files RELATIVE ${SRC} ${SRC}/*)
  foreach(f ${files})
    list(FIND PEX_USER_FILES "${f}" user_file)
    if(user_file GREATER -1)
      configure_file(${SRC}/${f} ${STAGE}${PEX_WEB_SEED_DIR}/${f} COPYONLY)
    else()
      configure_file(${SRC}/${f} ${STAGE}${PEX_WEB_PROGRAM_DIR}/${f} COPYONLY)
    endif()
  endforeach()
  return()
endif()

if(NOT PEX_WEB_PREFIX)
  message(FATAL_ERROR "PEX_WEB_PREFIX must name the folder of the libraries built for the web")
endif()

# What the targets link against, under the names the native build gets from
# pkg-config: SDL2 and libopenmpt from PEX_WEB_PREFIX, GLFW 3 Emscripten's own.
add_library(PkgConfig::SDL2 INTERFACE IMPORTED)
set_target_properties(PkgConfig::SDL2 PROPERTIES
  INTERFACE_INCLUDE_DIRECTORIES "${PEX_WEB_PREFIX}/include;${PEX_WEB_PREFIX}/include/SDL2"
  INTERFACE_LINK_LIBRARIES ${PEX_WEB_PREFIX}/lib/libSDL2.a)
add_library(PkgConfig::OPENMPT INTERFACE IMPORTED)
set_target_properties(PkgConfig::OPENMPT PROPERTIES
  INTERFACE_INCLUDE_DIRECTORIES ${PEX_WEB_PREFIX}/include
  INTERFACE_LINK_LIBRARIES ${PEX_WEB_PREFIX}/lib/libopenmpt.a)
add_library(PkgConfig::GLFW3 INTERFACE IMPORTED)
set_target_properties(PkgConfig::GLFW3 PROPERTIES INTERFACE_LINK_OPTIONS -sUSE_GLFW=3)

# C++ exceptions carry the program's errors: Emscripten's JavaScript-based
# ones, in everything built on the platform services (the whole program).
# WebAssembly's own do not survive Asyncify's unwinding in 3.1.6.
target_compile_options(pexplatform PUBLIC -fexceptions)
target_link_options(pexplatform PUBLIC -fexceptions)
# The program's path, in the browser's file system.
target_compile_definitions(pexplatform PRIVATE PEX_WEB_EXECUTABLE="${PEX_WEB_PROGRAM_DIR}/pex")

# GLU's two functions, which WebGL lacks, and immediate mode as the desktop
# has it.
add_library(pexwebgl STATIC ${PEX_WEB_GL_SOURCES})
target_link_libraries(pexwebgl PUBLIC pexcore)

# The data to preload, laid out by this file run as a script.
set(PEX_WEB_STAGE ${CMAKE_BINARY_DIR}/stage)
file(GLOB_RECURSE PEX_DATA_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/data/*)
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/stage.stamp
  COMMAND ${CMAKE_COMMAND} -DSRC=${CMAKE_SOURCE_DIR}/data -DSTAGE=${PEX_WEB_STAGE}
          -P ${CMAKE_CURRENT_LIST_FILE}
  COMMAND ${CMAKE_COMMAND} -E touch ${CMAKE_BINARY_DIR}/stage.stamp
  DEPENDS ${PEX_DATA_SOURCES} ${CMAKE_CURRENT_LIST_FILE} ${CMAKE_CURRENT_LIST_DIR}/PexData.cmake
  COMMENT "Laying out the data to preload in ${PEX_WEB_STAGE}")
add_custom_target(webdata DEPENDS ${CMAKE_BINARY_DIR}/stage.stamp)

# The script around the program (its files, with the folders above, and its
# end) runs inside pex.js; the page's own script and the page beside.
configure_file(${CMAKE_SOURCE_DIR}/web/pex-run.js ${CMAKE_BINARY_DIR}/pex-run.js @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/web/index.html ${PEX_APP_DIR}/index.html COPYONLY)
configure_file(${CMAKE_SOURCE_DIR}/web/pex-page.js ${PEX_APP_DIR}/pex-page.js COPYONLY)

# The functions that can be on the stack while the program waits (a frame, a
# sleep, the store's sync), one a line, as the linked program names them. After
# each link scripts/web-waits.py checks the list against the program: the
# build fails, naming the functions, when it is not exact; "web-waits.py write"
# with the same arguments rewrites it.
set(PEX_WEB_WAITS ${CMAKE_CURRENT_LIST_DIR}/PexWebWaits.txt)
set(PEX_WEB_SYMBOLS ${CMAKE_BINARY_DIR}/pex.symbols)
find_program(PEX_PYTHON3 python3 REQUIRED)

file(WRITE ${CMAKE_BINARY_DIR}/library-functions.json
     "[\"$autoResumeAudioContext\", \"$dynCall\"]\n")

target_link_libraries(pex PRIVATE pexwebgl)
add_dependencies(pex webdata)
# Built into the page's folder.
set_target_properties(pex PROPERTIES
  SUFFIX .js RUNTIME_OUTPUT_DIRECTORY ${PEX_APP_DIR}
  LINK_DEPENDS "${CMAKE_BINARY_DIR}/stage.stamp;${CMAKE_BINARY_DIR}/pex-run.js;${PEX_WEB_WAITS}")
target_link_options(pex PRIVATE
  # The page downloads the program: the optimiser aims at size.
  -Oz
  # OpenGL 1.x on WebGL 1 (under the GLFW 3 of PkgConfig::GLFW3).
  -sLEGACY_GL_EMULATION=1
  # The frame loop keeps its shape: waits hand control back to the page.
  # Asyncify instruments only the functions that can be on the stack then
  # (PEX_WEB_WAITS, checked after the link); the symbol map names them.
  -sASYNCIFY -sASYNCIFY_STACK_SIZE=65536 -sASYNCIFY_ONLY=@${PEX_WEB_WAITS} --emit-symbol-map
  # The page runs in a browser alone: no code for Node.js or workers.
  -sENVIRONMENT=web
  # A small allocator: the program allocates little once its files are read.
  -sMALLOC=emmalloc
  -sALLOW_MEMORY_GROWTH=1 -sEXIT_RUNTIME=1 -sFORCE_FILESYSTEM=1 -lidbfs.js
  # SDL's audio resumes the audio context at the first gesture, and calls the
  # mixer through dynCall (the names are in a file: a "$" in a link option
  # does not survive the build's makefiles).
  -sDEFAULT_LIBRARY_FUNCS_TO_INCLUDE=@${CMAKE_BINARY_DIR}/library-functions.json
  "SHELL:--pre-js ${CMAKE_BINARY_DIR}/pex-run.js"
  "SHELL:--preload-file ${PEX_WEB_STAGE}@/")
# The symbol map stays out of the page's folder. The page's files get their
# precompressed copies beside them (gzip and brotli at their best), for a
# server that sends those to a browser that takes them.
set(PEX_WEB_PRECOMPRESSED index.html pex-page.js pex.js pex.wasm pex.data)
find_program(PEX_GZIP gzip REQUIRED)
find_program(PEX_BROTLI brotli REQUIRED)
add_custom_command(TARGET pex POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E rename ${PEX_APP_DIR}/pex.js.symbols ${PEX_WEB_SYMBOLS}
  COMMAND ${PEX_PYTHON3} ${CMAKE_SOURCE_DIR}/scripts/web-waits.py check ${PEX_WEB_WAITS}
          ${PEX_APP_DIR}/pex.wasm ${PEX_WEB_SYMBOLS} $<TARGET_OBJECTS:pex>
          $<TARGET_FILE:pexcore> $<TARGET_FILE:pexplatform> $<TARGET_FILE:pexglfw>
          $<TARGET_FILE:pexwebgl> $<TARGET_FILE:fmod>
  COMMAND ${PEX_GZIP} -9 -n -k -f ${PEX_WEB_PRECOMPRESSED}
  COMMAND ${PEX_BROTLI} -q 11 -k -f ${PEX_WEB_PRECOMPRESSED}
  WORKING_DIRECTORY ${PEX_APP_DIR}
  VERBATIM)

# ---- The release archive: pex-<version>-web.zip -----------------------------
# The page's folder, which any static web server can serve, and README.txt.
install(FILES ${PEX_APP_DIR}/index.html ${PEX_APP_DIR}/pex-page.js ${PEX_APP_DIR}/pex.wasm
              ${PEX_APP_DIR}/pex.data DESTINATION . COMPONENT app)
install(TARGETS pex RUNTIME DESTINATION . COMPONENT app)
configure_file(${CMAKE_SOURCE_DIR}/packaging/README-web.txt.in README.txt @ONLY NEWLINE_STYLE LF)
install(FILES ${CMAKE_BINARY_DIR}/README.txt DESTINATION . COMPONENT archive)
