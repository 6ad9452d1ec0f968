# Cross-builds the program for 32-bit x86 Windows with MinGW-w64
# (Debian: g++-mingw-w64-i686).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(target i686-w64-mingw32)
set(CMAKE_CXX_COMPILER ${target}-g++)
set(CMAKE_RC_COMPILER ${target}-windres)

include(${CMAKE_CURRENT_LIST_DIR}/target_tree.cmake)
