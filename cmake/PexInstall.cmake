# The install rules: what goes where, stated once.
#
# Component "app" is the application folder: the program, the sound library
# and everything under data/, all in one folder. The build makes its runnable
# folder app/ with it, the tests make theirs with it, and the archives hold it.
# The files the user changes while playing (PEX_USER_FILES) are copied only
# where missing, so that installing again over a folder someone played in
# keeps their settings and level.
#
# Component "archive" adds what only the release archives hold (README.txt);
# component "deb" is the same program laid out as a Debian package installs
# it (see the end of this file).
include(${CMAKE_CURRENT_LIST_DIR}/PexData.cmake)
file(GLOB_RECURSE PEX_DATA_SOURCES CONFIGURE_DEPENDS ${PEX_DATA_DIR}/*)
set(CMAKE_INSTALL_MESSAGE LAZY)

install(TARGETS pex RUNTIME DESTINATION . COMPONENT app)
# Only the library itself: not the import library a Windows build also makes.
install(TARGETS fmod LIBRARY DESTINATION . COMPONENT app
                     RUNTIME DESTINATION . COMPONENT app
                     ARCHIVE DESTINATION lib COMPONENT unused EXCLUDE_FROM_ALL)
install(DIRECTORY ${PEX_DATA_DIR}/ DESTINATION . COMPONENT app
        PATTERN pex.ini EXCLUDE PATTERN level EXCLUDE)
foreach(file ${PEX_USER_FILES})
  get_filename_component(folder ${file} DIRECTORY)
  install(CODE "
    set(folder \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${folder}\")
    if(NOT EXISTS \"\${folder}/${file}\")
      file(COPY \"${PEX_DATA_DIR}/${file}\" DESTINATION \"\${folder}\")
    endif()" COMPONENT app)
endforeach()

# The build's own application folder, made again after every build; the
# binaries themselves are built in bin/.
add_custom_target(app ALL
  COMMAND ${CMAKE_COMMAND} --install ${CMAKE_BINARY_DIR} --component app --prefix ${PEX_APP_DIR}
  DEPENDS ${PEX_DATA_SOURCES} ${CMAKE_CURRENT_LIST_FILE}
  COMMENT "Installing the application folder ${PEX_APP_DIR}")
add_dependencies(app pex fmod)

# A fresh application folder in Folder for tests, made when the program or a
# shipped file changes; Target is the name to depend on.
function(pex_fresh_app_folder Target Folder)
  add_custom_command(
    OUTPUT ${Folder}.stamp
    COMMAND ${CMAKE_COMMAND} -E remove_directory ${Folder}
    COMMAND ${CMAKE_COMMAND} --install ${CMAKE_BINARY_DIR} --component app --prefix ${Folder}
    COMMAND ${CMAKE_COMMAND} -E touch ${Folder}.stamp
    DEPENDS ${PEX_DATA_SOURCES} pex fmod
    COMMENT "Making the application folder ${Folder}")
  add_custom_target(${Target} ALL DEPENDS ${Folder}.stamp)
endfunction()

# ---- The release archives' README.txt ----------------------------------------
if(WIN32)
  # Windows line ends for the text a Windows user opens.
  configure_file(packaging/README-windows.txt.in README.txt @ONLY NEWLINE_STYLE CRLF)
else()
  configure_file(packaging/README-linux.txt.in README.txt @ONLY NEWLINE_STYLE LF)
endif()
install(FILES ${CMAKE_BINARY_DIR}/README.txt DESTINATION . COMPONENT archive)

# ---- The Debian package ------------------------------------------------------
# The program and the sound library beside it in /usr/lib/games/pex, the
# read-only files in /usr/share/games/pex with links to them beside the
# program (it finds everything in its own folder), and /usr/games/pex, a link
# to the program. The user's copies of pex.ini and the level live in the
# user's data folder, seeded from the shipped ones (PlatformUserFolder).
if(NOT WIN32)
  set(PEX_MAINTAINER "The Pex developers <pex@example.org>"
      CACHE STRING "The Debian package's maintainer: name and mail address")
  set(PEX_HOMEPAGE "https://example.org/pex" CACHE STRING
      "The project's home page; the AppStream screenshot is game.png there")
  # The AppStream component's name, reverse-DNS; the desktop entry is named after it.
  set(PEX_APP_ID "org.example.pex" CACHE STRING "The desktop and AppStream identifier")
  set(PEX_DEB_LIB lib/games/pex)
  set(PEX_DEB_SHARE share/games/pex)
  install(TARGETS pex RUNTIME DESTINATION ${PEX_DEB_LIB} COMPONENT deb)
  install(TARGETS fmod LIBRARY DESTINATION ${PEX_DEB_LIB} COMPONENT deb)
  install(DIRECTORY ${PEX_DATA_DIR}/ DESTINATION ${PEX_DEB_SHARE} COMPONENT deb)
  file(GLOB PEX_DATA_NAMES RELATIVE ${PEX_DATA_DIR} ${PEX_DATA_DIR}/*)
  install(CODE "
    set(usr \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
    foreach(name ${PEX_DATA_NAMES})
      file(CREATE_LINK ../../../${PEX_DEB_SHARE}/\${name} \"\${usr}/${PEX_DEB_LIB}/\${name}\" SYMBOLIC)
    endforeach()
    file(MAKE_DIRECTORY \"\${usr}/games\")
    file(CREATE_LINK ../${PEX_DEB_LIB}/pex \"\${usr}/games/pex\" SYMBOLIC)" COMPONENT deb)

  # The desktop's menu entry, its icon at every size, the software centre's
  # description and the manual page.
  configure_file(packaging/pex.desktop ${PEX_APP_ID}.desktop COPYONLY)
  configure_file(packaging/pex.metainfo.xml.in ${PEX_APP_ID}.metainfo.xml @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/${PEX_APP_ID}.desktop DESTINATION share/applications
          COMPONENT deb)
  file(GLOB PEX_ICONS RELATIVE ${CMAKE_SOURCE_DIR}/packaging/icons
       ${CMAKE_SOURCE_DIR}/packaging/icons/pex-*.png)
  foreach(icon ${PEX_ICONS})
    string(REGEX REPLACE "^pex-([0-9]+)\\.png$" "\\1" size ${icon})
    install(FILES packaging/icons/${icon} DESTINATION share/icons/hicolor/${size}x${size}/apps
            RENAME pex.png COMPONENT deb)
  endforeach()
  install(FILES ${CMAKE_BINARY_DIR}/${PEX_APP_ID}.metainfo.xml DESTINATION share/metainfo
          COMPONENT deb)

  # Compressed as Debian wants them: the greatest compression, no name or time
  # stamp in the header, so that every build gives the same bytes.
  # Both carry the project's version.
  find_program(PEX_GZIP gzip REQUIRED)
  set(PEX_GZIPPED)
  foreach(file pex.6 changelog)
    configure_file(packaging/${file}.in ${file} @ONLY)
    add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/${file}.gz
      COMMAND ${PEX_GZIP} -9nc ${CMAKE_BINARY_DIR}/${file} > ${CMAKE_BINARY_DIR}/${file}.gz
      DEPENDS ${CMAKE_BINARY_DIR}/${file})
    list(APPEND PEX_GZIPPED ${CMAKE_BINARY_DIR}/${file}.gz)
  endforeach()
  add_custom_target(debfiles ALL DEPENDS ${PEX_GZIPPED})
  install(FILES ${CMAKE_BINARY_DIR}/pex.6.gz DESTINATION share/man/man6 COMPONENT deb)
  install(FILES packaging/copyright ${CMAKE_BINARY_DIR}/changelog.gz DESTINATION share/doc/pex
          COMPONENT deb)
endif()
