# The flags Debian builds its packages with: those of dpkg-buildflags with
# every hardening feature on (hardening=+all), the preprocessor's after the
# compiler's, as debhelper hands them to CMake. dpkg-buildflags names the
# directory it runs in as the part of the source paths that the program is
# not to keep (-ffile-prefix-map): it runs in the source directory, as in a
# Debian package build.
find_program(DPKG_BUILDFLAGS dpkg-buildflags)
if(NOT DPKG_BUILDFLAGS)
  message(FATAL_ERROR "BITY_DPKG_BUILDFLAGS needs dpkg-buildflags "
                      "(Debian: apt-get install dpkg-dev)")
endif()
foreach(flags CXXFLAGS CPPFLAGS LDFLAGS)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
            ${DPKG_BUILDFLAGS} --get ${flags}
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
    OUTPUT_VARIABLE ${flags} OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
endforeach()
message(STATUS "dpkg-buildflags (hardening=+all): ${CXXFLAGS} ${CPPFLAGS}; linking: ${LDFLAGS}")
string(APPEND CMAKE_CXX_FLAGS " ${CXXFLAGS} ${CPPFLAGS}")
string(APPEND CMAKE_EXE_LINKER_FLAGS " ${LDFLAGS}")
