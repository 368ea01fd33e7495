# Included by cpack before it builds a package. The files in it are dated by
# the release, from the changelog, unless the builder has set a date, so that
# two builds of one commit give the same bytes.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  set(ENV{SOURCE_DATE_EPOCH} ${CPACK_CONSTCHECK_RELEASE_EPOCH})
endif()
