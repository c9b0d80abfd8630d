# Run by CPack after it installed a package's files into its staging folder
# and before it packs them (CPACK_PRE_BUILD_SCRIPTS): every file, folder and
# link gets the time of the commit built (CPACK_PEX_SOURCE_DATE_EPOCH), so that
# the packages of one commit are the same byte for byte wherever they are built.
if(CPACK_PEX_SOURCE_DATE_EPOCH)
  execute_process(COMMAND find ${CPACK_TEMPORARY_INSTALL_DIRECTORY} -exec
                          touch -h -d @${CPACK_PEX_SOURCE_DATE_EPOCH} {} +
                  COMMAND_ERROR_IS_FATAL ANY)
endif()
