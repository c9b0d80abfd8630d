# Read by CPack once per generator (CPACK_PROJECT_CONFIG_FILE): the archives
# hold the application folder and their README.txt, the Debian package its own
# layout.
if(CPACK_GENERATOR STREQUAL "DEB")
  set(CPACK_COMPONENTS_ALL deb)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY OFF)
else()
  # The archive unpacks into pex-<version>-<system>/.
  set(CPACK_COMPONENTS_ALL app archive)
  set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY ON)
endif()

# Every time stamp in a package is the commit's (PexReproducible.cmake; the
# Debian generator reads SOURCE_DATE_EPOCH itself), and a zip file's local
# times are UTC's.
if(CPACK_PEX_SOURCE_DATE_EPOCH)
  set(ENV{SOURCE_DATE_EPOCH} ${CPACK_PEX_SOURCE_DATE_EPOCH})
  set(ENV{TZ} UTC)
endif()
