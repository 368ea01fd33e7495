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

configure_file(${CPACK_CONSTCHECK_LINTIAN_OVERRIDES} ${usr}/share/lintian/overrides/constcheck COPYONLY)
