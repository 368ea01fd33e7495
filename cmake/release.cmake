# The release is dated by the newest entry of the changelog, never by the
# clock: the manual page shows that date, and the packages take it as
# SOURCE_DATE_EPOCH (unless the builder sets one), so that two builds of one
# commit give the same bytes, as Debian's tools have it.
file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/debian/changelog.in signed REGEX "^ -- " LIMIT_COUNT 1)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/packaging/debian/changelog.in)
# Its signature's date, as in "Thu, 10 Dec 2026 07:00:00 +0000" (always in UTC).
string(REGEX MATCH "([0-9][0-9]) ([A-Z][a-z][a-z]) ([0-9]+) ([0-9][0-9]):([0-9][0-9]):([0-9][0-9])" signed "${signed}")
math(EXPR day "${CMAKE_MATCH_1}")  # without the leading zero
string(FIND "JanFebMarAprMayJunJulAugSepOctNovDec" "${CMAKE_MATCH_2}" month)
math(EXPR month "${month} / 3 + 1")
set(year ${CMAKE_MATCH_3})
math(EXPR seconds_of_day "3600 * ${CMAKE_MATCH_4} + 60 * ${CMAKE_MATCH_5} + ${CMAKE_MATCH_6}")
math(EXPR number "10000 * ${year} + 100 * ${month} + ${day}")
string(REGEX REPLACE "(....)(..)(..)" "\\1-\\2-\\3" CONSTCHECK_RELEASE_DATE ${number})

# Seconds since 1970: whole years, their leap days, the months before this one, days, time of day.
set(days_before_month 0 31 59 90 120 151 181 212 243 273 304 334)
math(EXPR index "${month} - 1")
list(GET days_before_month ${index} days)
math(EXPR days "${days} + ${day} - 1 + 365 * (${year} - 1970) + (${year} - 1969) / 4 - (${year} - 1901) / 100 + (${year} - 1601) / 400")
math(EXPR fourth "${year} % 4")
math(EXPR hundredth "${year} % 100")
math(EXPR four_hundredth "${year} % 400")
if(month GREATER 2 AND fourth EQUAL 0 AND (NOT hundredth EQUAL 0 OR four_hundredth EQUAL 0))
  math(EXPR days "${days} + 1")  # this year's 29 February
endif()
math(EXPR CONSTCHECK_RELEASE_EPOCH "86400 * ${days} + ${seconds_of_day}")
