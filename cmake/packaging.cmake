# What `cmake --install` puts where, and the packages CPack makes of it: a
# Debian package from the deb preset, a ZIP from the windows-x86 preset (see
# packagePresets in CMakePresets.json).
include(GNUInstallDirs)

if(WIN32)
  # A folder to unpack anywhere: the program and its texts, with the line ends
  # Windows editors expect.
  install(TARGETS bity DESTINATION .)
  foreach(text README.md LICENSE)
    file(READ ${PROJECT_SOURCE_DIR}/${text} content)
    string(REPLACE "\n" "\r\n" content "${content}")
    cmake_path(GET text STEM name)
    file(WRITE ${PROJECT_BINARY_DIR}/${name}.txt "${content}")
    install(FILES ${PROJECT_BINARY_DIR}/${name}.txt DESTINATION .)
  endforeach()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS README.md LICENSE)
else()
  install(TARGETS bity)
  # The installed program carries no debug sections, whatever the build
  # type: they are for the build tree, and would be most of its size. Nor
  # does it keep the compiler's name in the .comment section, which
  # Debian's packages drop.
  install(CODE "
    execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-all --remove-section=.comment
      \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/bity\"
      COMMAND_ERROR_IS_FATAL ANY)")
  # The manual page and the changelog are installed compressed, as Debian
  # wants them, with no name or time stamp inside, so that every build of
  # the package is the same.
  foreach(source man/bity.1 packaging/changelog)
    cmake_path(GET source FILENAME name)
    execute_process(COMMAND gzip -9n
      INPUT_FILE ${PROJECT_SOURCE_DIR}/${source} OUTPUT_FILE ${PROJECT_BINARY_DIR}/${name}.gz
      COMMAND_ERROR_IS_FATAL ANY)
  endforeach()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS man/bity.1 packaging/changelog)
  install(FILES ${PROJECT_BINARY_DIR}/bity.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES packaging/copyright ${PROJECT_BINARY_DIR}/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()

set(CPACK_PACKAGE_VENDOR "the bity authors")
set(CPACK_PACKAGE_CONTACT "the bity authors <bity@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "show integers in hexadecimal, bit-reversed, with their count of 1-bits")
set(CPACK_PACKAGE_DESCRIPTION [[
A small console dialogue in Czech, written without diacritics. It reports
where the largest element of a built-in array stands, counts the blanks in a
line of text, and then shows each integer typed (decimal, octal or
hexadecimal, as C's %i reads them) as eight hexadecimal digits, with its 32
bits in reverse order and its count of 1-bits.

It reads standard input and writes standard output, so it works as a filter
and at a terminal, where lines can be edited and recalled.]])
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# CPack runs as a process of its own. With SOURCE_DATE_EPOCH in its
# environment it stamps every entry of a package (ar, tar and ZIP alike) with
# that time and writes no time into gzip headers; without it, the entries
# carry the times the build made the files at. It reads this file when it
# packages, so the build's one time (BITY_SOURCE_DATE_EPOCH) reaches it
# however it is started. A ZIP entry holds its time also as a date and time
# of day in the packager's time zone, the same in every build only when the
# zone is: UTC.
file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/CPackProjectConfig.cmake
  CONTENT "set(ENV{SOURCE_DATE_EPOCH} @BITY_SOURCE_DATE_EPOCH@)\nset(ENV{TZ} UTC0)\n" @ONLY)
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_BINARY_DIR}/CPackProjectConfig.cmake)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the program is linked with (the C library alone), as
# dpkg-shlibdeps names their packages.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

include(CPack)
