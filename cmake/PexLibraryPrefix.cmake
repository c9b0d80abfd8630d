# The folder of the libraries a cross build links (the toolchain files ask):
# the environment variable NAME when set, else the cache variable NAME. The
# build scripts set the environment's, so a new recipe's folder replaces the
# one a build folder's cache still names. Without either the configuration
# stops, naming the command that prints the folder (SCRIPT --prefix).
# Try-compile projects see it too.
function(pex_library_prefix NAME SCRIPT DOC)
  if(DEFINED ENV{${NAME}} AND NOT "$ENV{${NAME}}" STREQUAL "")
    set(prefix $ENV{${NAME}})
  else()
    set(prefix ${${NAME}})
  endif()
  if(NOT prefix)
    message(FATAL_ERROR "${NAME} is not set. It names the folder of the libraries, "
      "which `${SCRIPT} --prefix` prints (`${SCRIPT} --libraries` builds them):\n"
      "  ${NAME}=$(${SCRIPT} --prefix) cmake --preset ...")
  endif()
  # Another folder than the cache's: what was found in the old one (pkg-config
  # modules, package configurations) is looked for again.
  if(DEFINED CACHE{${NAME}} AND NOT "$CACHE{${NAME}}" STREQUAL "${prefix}")
    set(old "$CACHE{${NAME}}")
    get_cmake_property(entries CACHE_VARIABLES)
    foreach(entry IN LISTS entries)
      get_property(value CACHE ${entry} PROPERTY VALUE)
      string(FIND "${value}" "${old}" at)
      if(entry MATCHES "^__pkg_config_checked_" OR NOT at EQUAL -1)
        unset(${entry} CACHE)
      endif()
    endforeach()
  endif()
  set(${NAME} ${prefix} CACHE PATH "${DOC}" FORCE)
  set(${NAME} ${prefix} PARENT_SCOPE)
  list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ${NAME})
  set(CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ${CMAKE_TRY_COMPILE_PLATFORM_VARIABLES} PARENT_SCOPE)
endfunction()
