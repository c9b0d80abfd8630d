# The data folder and, of its files, the ones the user changes while playing:
# the settings file and the level. Every build that lays out an application
# folder (PexInstall.cmake, PexWeb.cmake) treats them apart.
set(PEX_DATA_DIR ${CMAKE_CURRENT_LIST_DIR}/../data)
get_filename_component(PEX_DATA_DIR ${PEX_DATA_DIR} ABSOLUTE)
set(PEX_USER_FILES pex.ini level/default/1.txt)
