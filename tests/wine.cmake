# The same cases against a Windows build of the program under Wine, when one is
# given: -DBITY_WINDOWS_PROGRAM=build-windows-x86/bity.exe, then the wine test
# preset. One test runs them all, so that giving the program needs no rebuild.
set(BITY_WINDOWS_PROGRAM "" CACHE FILEPATH "Windows build of the program to run the transcript cases on under Wine")
set(BITY_WINE wine CACHE STRING "The command that runs a Windows program")
if(BITY_WINDOWS_PROGRAM)
  cmake_path(ABSOLUTE_PATH BITY_WINDOWS_PROGRAM BASE_DIRECTORY ${PROJECT_SOURCE_DIR}
    OUTPUT_VARIABLE windows_program)
  # A prefix of its own with one server for all the cases, made before the
  # first case so that none waits for it, and stopped after the last so that no
  # Wine process is left running.
  set(wine_environment
    WINEPREFIX=${CMAKE_CURRENT_BINARY_DIR}/wine-prefix WINEDEBUG=-all "WINEDLLOVERRIDES=mscoree,mshtml=")
  # The server and the services it starts outlive this test: their output goes
  # to a file, since the test would not end while they held its own.
  add_test(NAME wine_start COMMAND sh -c [[
    mkdir -p "$WINEPREFIX" && log="$WINEPREFIX/start.log" &&
    { wineserver -p && "$@" wineboot -i; } >"$log" 2>&1 </dev/null || { cat "$log"; exit 1; }
  ]] sh ${BITY_WINE})
  add_test(NAME windows_transcripts COMMAND transcript_test)
  # Linked statically, it runs on a bare Windows: it needs no DLL but these.
  add_test(NAME windows_program_needs_only_system_dlls COMMAND sh -c [[
    dlls=$(objdump -p "$1" | sed -n 's/.*DLL Name: //p') && echo "$dlls" && [ -n "$dlls" ] &&
    ! echo "$dlls" | grep -viqE '^(kernel32|msvcrt)\.dll$'
  ]] sh ${windows_program})
  add_test(NAME wine_stop COMMAND wineserver -k)
  set_tests_properties(wine_start PROPERTIES FIXTURES_SETUP wine)
  set_tests_properties(wine_stop PROPERTIES FIXTURES_CLEANUP wine)
  set_tests_properties(windows_transcripts PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 600)
  set_tests_properties(windows_program_needs_only_system_dlls PROPERTIES LABELS wine)
  set_tests_properties(wine_start wine_stop PROPERTIES LABELS wine ENVIRONMENT "${wine_environment}")
  set_tests_properties(windows_transcripts PROPERTIES LABELS wine ENVIRONMENT
    "${wine_environment};BITY_PLATFORM=windows;BITY_COMMAND=${BITY_WINE} ${windows_program}")
endif()
