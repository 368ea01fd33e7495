# Run by CPack on the staged files before it builds the Debian package: adds
# what a Debian package holds beyond what `cmake --install` puts in place.
set(usr ${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX})

# Debian wants manual pages and changelogs compressed, with no time stamp inside.
function(compress source target)
  execute_process(COMMAND gzip -9nc ${source} OUTPUT_FILE ${target} COMMAND_ERROR_IS_FATAL ANY)
  file(CHMOD ${target} PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
endfunction()

compress(${usr}/${CPACK_CONSTCHECK_MANUAL_PAGE} ${usr}/${CPACK_CONSTCHECK_MANUAL_PAGE}.gz)
file(REMOVE ${usr}/${CPACK_CONSTCHECK_MANUAL_PAGE})

file(MAKE_DIRECTORY ${usr}/${CPACK_CONSTCHECK_DOC_DIR})
compress(${CPACK_CONSTCHECK_CHANGELOG} ${usr}/${CPACK_CONSTCHECK_DOC_DIR}/changelog.gz)

# The license in Debian's machine-readable form: its text indented by one
# space, an empty line written as a lone point.
file(READ ${CPACK_CONSTCHECK_LICENSE} license)
string(STRIP "${license}" license)
string(REPLACE "\n" "\n " license " ${license}")
string(REPLACE "\n \n" "\n .\n" license "${license}")
file(WRITE ${usr}/${CPACK_CONSTCHECK_DOC_DIR}/copyright
  "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
  "Upstream-Name: constcheck\n\n"
  "Files: *\n"
  "Copyright: 2026 the constcheck developers\n"
  "License: Expat\n${license}\n")
