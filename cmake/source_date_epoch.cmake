# The one time stamped on everything the build makes that carries a time, in
# seconds since 1970, so that every build of one commit makes the same files,
# whenever and wherever it runs: SOURCE_DATE_EPOCH when the builder sets it,
# else the time of the last commit, else (a tree outside git, as a source
# tarball unpacks) the date of the changelog's latest entry.

# The seconds since 1970 of a date as Debian changelogs write it (RFC 2822):
# "Tue, 08 Dec 2026 07:00:00 +0000".
function(bity_seconds_of_changelog_date date out_var)
  set(date_pattern "^[A-Z][a-z][a-z], ([0-9]+) ([A-Z][a-z][a-z]) ([0-9]+) ")
  set(time_pattern "([0-9][0-9]):([0-9][0-9]):([0-9][0-9]) ([+-])([0-9][0-9])([0-9][0-9])$")
  if(NOT date MATCHES "${date_pattern}${time_pattern}")
    message(FATAL_ERROR "packaging/changelog: not a date like \"Tue, 08 Dec 2026 07:00:00 +0000\": "
                        "${date}")
  endif()
  set(day ${CMAKE_MATCH_1})
  set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
  list(FIND months ${CMAKE_MATCH_2} month)
  set(year ${CMAKE_MATCH_3})
  math(EXPR time_of_day "${CMAKE_MATCH_4} * 3600 + ${CMAKE_MATCH_5} * 60 + ${CMAKE_MATCH_6}")
  math(EXPR offset "${CMAKE_MATCH_7}(${CMAKE_MATCH_8} * 3600 + ${CMAKE_MATCH_9} * 60)")
  if(month EQUAL -1)
    message(FATAL_ERROR "packaging/changelog: no month is called ${CMAKE_MATCH_2}: ${date}")
  endif()
  # Days are counted in years that begin on 1 March: a leap day then ends its
  # year, so every month starts a fixed number of days into the year,
  # (153 m + 2) / 5 for the month m months after March. Counted from 1 March
  # of the year 0, 1 January 1970 is day 719468.
  if(month LESS 2)
    math(EXPR year "${year} - 1")
    math(EXPR month "${month} + 10")
  else()
    math(EXPR month "${month} - 2")
  endif()
  math(EXPR days "365 * ${year} + ${year} / 4 - ${year} / 100 + ${year} / 400
                  + (153 * ${month} + 2) / 5 + ${day} - 1 - 719468")
  math(EXPR seconds "${days} * 86400 + ${time_of_day} - ${offset}")
  set(${out_var} ${seconds} PARENT_SCOPE)
endfunction()

function(bity_source_date_epoch out_var)
  set(epoch "$ENV{SOURCE_DATE_EPOCH}")
  set(origin "the environment")
  if(epoch STREQUAL "")
    find_package(Git QUIET)
    if(GIT_FOUND)
      execute_process(COMMAND ${GIT_EXECUTABLE} log -1 --format=%ct
        WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
        OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
      set(origin "the last commit")
    endif()
  elseif(NOT epoch MATCHES "^[0-9]+$")
    message(FATAL_ERROR "SOURCE_DATE_EPOCH is not a number of seconds: ${epoch}")
  endif()
  if(epoch STREQUAL "")
    file(READ ${PROJECT_SOURCE_DIR}/packaging/changelog changelog)
    # The first trailer line is the latest entry's.
    if(NOT changelog MATCHES "\n -- [^\n]*>  ([^\n]*)")
      message(FATAL_ERROR "packaging/changelog: no line \" -- name <address>  date\"")
    endif()
    bity_seconds_of_changelog_date("${CMAKE_MATCH_1}" epoch)
    set(origin "packaging/changelog")
  endif()
  message(STATUS "SOURCE_DATE_EPOCH: ${epoch} (from ${origin})")
  set(${out_var} ${epoch} PARENT_SCOPE)
endfunction()
