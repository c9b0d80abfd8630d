# The folder of the libraries a cross build links (the toolchain files ask):
# the cache or environment variable NAME, by default the folder the build
# script SCRIPT builds them into (SCRIPT --prefix). Try-compile projects see it
# too.
function(pex_library_prefix NAME SCRIPT DOC)
  set(prefix ${${NAME}})
  if(NOT prefix AND DEFINED ENV{${NAME}})
    set(prefix $ENV{${NAME}})
  endif()
  if(NOT prefix)
    execute_process(COMMAND ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../scripts/${SCRIPT} --prefix
                    OUTPUT_VARIABLE prefix OUTPUT_STRIP_TRAILING_WHITESPACE
                    COMMAND_ERROR_IS_FATAL ANY)
  endif()
  set(${NAME} ${prefix} CACHE PATH "${DOC}")
  set(${NAME} ${prefix} PARENT_SCOPE)
  list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ${NAME})
  set(CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ${CMAKE_TRY_COMPILE_PLATFORM_VARIABLES} PARENT_SCOPE)
endfunction()
