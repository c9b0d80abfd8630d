# Copies the data folder into an application folder. Files the user changes
# while playing (the settings file and levels) are the user's: they are copied
# only where missing, never over the user's edits. Every other file is
# refreshed when it differs, and touched, so that the build sees the copy as up
# to date until a file under the data folder changes.
#
# Included by the build, and by other scripts, for PEX_USER_DATA; run as a
# script itself with -DSRC=<data folder> -DDST=<application folder> to copy.
set(PEX_USER_DATA "^(level/|pex\\.ini$)")

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  file(GLOB_RECURSE files RELATIVE ${SRC} ${SRC}/*)
  foreach(f ${files})
    set(dst ${DST}/${f})
    if(f MATCHES "${PEX_USER_DATA}")
      if(NOT EXISTS ${dst})
        configure_file(${SRC}/${f} ${dst} COPYONLY)
      endif()
    else()
      configure_file(${SRC}/${f} ${dst} COPYONLY)
      file(TOUCH_NOCREATE ${dst})
    endif()
  endforeach()
endif()
