# Copies the data folder SRC into the application folder DST. Files the user
# changes while playing (the settings file and levels) are copied only when
# missing; every other file is refreshed when it differs.
file(GLOB_RECURSE files RELATIVE ${SRC} ${SRC}/*)
foreach(f ${files})
  set(dst ${DST}/${f})
  if(f MATCHES "^level/" OR f STREQUAL "pex.ini")
    if(NOT EXISTS ${dst})
      configure_file(${SRC}/${f} ${dst} COPYONLY)
    endif()
  else()
    configure_file(${SRC}/${f} ${dst} COPYONLY)
  endif()
endforeach()
