# For the toolchain files of cross builds, once they have set `target` to the
# target's triplet: libraries, headers and pkg-config's packages come from the
# target's tree (/usr/TRIPLET) only, so that no library of the build machine
# (its GoogleTest, say) is taken for one of the target; programs run at build
# time are the build machine's.
set(CMAKE_FIND_ROOT_PATH /usr/${target})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(ENV{PKG_CONFIG_LIBDIR} /usr/${target}/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")
