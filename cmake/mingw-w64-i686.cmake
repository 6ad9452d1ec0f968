# Cross-builds the program for 32-bit x86 Windows with MinGW-w64
# (Debian: g++-mingw-w64-i686).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(target i686-w64-mingw32)
set(CMAKE_CXX_COMPILER ${target}-g++)
set(CMAKE_RC_COMPILER ${target}-windres)

# Libraries and headers come from the target's tree only; programs run at
# build time are the host's.
set(CMAKE_FIND_ROOT_PATH /usr/${target})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config too looks in the target's tree only, so that no library of the
# build machine is taken for one of Windows.
set(ENV{PKG_CONFIG_LIBDIR} /usr/${target}/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")
