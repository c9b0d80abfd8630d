# The libraries of the Windows cross build: GLFW, SDL2 and libopenmpt as
# static libraries from PEX_WIN64_PREFIX (see scripts/build-windows.sh), under
# the target names the native build gets from pkg-config. Everything, the C
# and C++ runtimes included, is linked statically, so that the application
# folder needs no DLL but Windows' own.
if(NOT EXISTS ${PEX_WIN64_PREFIX}/.complete)
  message(FATAL_ERROR "The cross-built libraries are not in ${PEX_WIN64_PREFIX}: "
                      "scripts/build-windows.sh --libraries builds them")
endif()

find_package(PkgConfig REQUIRED)

# Imported target Name from the static flags of the pkg-config module Module.
function(pex_static_library Name Module)
  pkg_check_modules(${Name} REQUIRED ${Module})
  set(options ${${Name}_STATIC_CFLAGS_OTHER})
  # SDL's -Dmain=SDL_main would rename our entry point; the program has its own.
  list(REMOVE_ITEM options -Dmain=SDL_main)
  set(libraries ${${Name}_STATIC_LIBRARIES})
  list(REMOVE_ITEM libraries SDL2main)
  add_library(PkgConfig::${Name} INTERFACE IMPORTED GLOBAL)
  set_target_properties(PkgConfig::${Name} PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES "${${Name}_STATIC_INCLUDE_DIRS}"
    INTERFACE_COMPILE_OPTIONS "${options}"
    INTERFACE_LINK_DIRECTORIES "${${Name}_STATIC_LIBRARY_DIRS}"
    INTERFACE_LINK_LIBRARIES "${libraries}")
endfunction()

pex_static_library(GLFW3 glfw3)
pex_static_library(SDL2 sdl2)
pex_static_library(OPENMPT libopenmpt)
set_property(TARGET PkgConfig::SDL2 APPEND PROPERTY INTERFACE_COMPILE_DEFINITIONS SDL_MAIN_HANDLED)

# <GL/gl.h> and <GL/glu.h> without the whole of <windows.h>.
include_directories(BEFORE ${CMAKE_CURRENT_LIST_DIR}/win64)

add_link_options(-static -static-libgcc -static-libstdc++)
