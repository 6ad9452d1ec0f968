# The one time stamped on everything the build makes that carries a time, in
# seconds since 1970, so that every build of one commit makes the same files,
# whenever and wherever it runs: SOURCE_DATE_EPOCH when the builder sets it,
# else the time of the last commit, else (a tree outside git, as a source
# tarball unpacks) the date of the changelog's latest entry as
# dpkg-parsechangelog reads it, else (without dpkg-dev either) the time the
# changelog file was last changed, which an unpacked tarball keeps.
function(bity_source_date_epoch out_var)
  set(epoch "$ENV{SOURCE_DATE_EPOCH}")
  set(origin "the environment")
  set(changelog ${PROJECT_SOURCE_DIR}/packaging/changelog)
  if(NOT epoch STREQUAL "" AND NOT epoch MATCHES "^[0-9]+$")
    message(FATAL_ERROR "SOURCE_DATE_EPOCH is not a number of seconds: ${epoch}")
  endif()
  if(epoch STREQUAL "")
    find_package(Git QUIET)
    if(GIT_FOUND)
      execute_process(COMMAND ${GIT_EXECUTABLE} log -1 --format=%ct
        WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
        OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
      set(origin "the last commit")
    endif()
  endif()
  if(epoch STREQUAL "")
    find_program(DPKG_PARSECHANGELOG dpkg-parsechangelog)
    if(DPKG_PARSECHANGELOG)
      execute_process(COMMAND ${DPKG_PARSECHANGELOG} -l ${changelog} -STimestamp
        OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE failed)
      if(failed OR NOT epoch MATCHES "^[0-9]+$")
        message(FATAL_ERROR "packaging/changelog: dpkg-parsechangelog gives no time: ${epoch}")
      endif()
      set(origin "packaging/changelog's latest entry")
    endif()
  endif()
  if(epoch STREQUAL "")
    file(TIMESTAMP ${changelog} epoch "%s" UTC)
    set(origin "packaging/changelog's modification time")
  endif()
  message(STATUS "SOURCE_DATE_EPOCH: ${epoch} (from ${origin})")
  set(${out_var} ${epoch} PARENT_SCOPE)
endfunction()
