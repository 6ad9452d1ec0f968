# Cross-builds the program for Linux on another processor with Debian's cross
# compilers, and runs what is built for it, the tests among them, under QEMU's
# user-mode emulator. BITY_CROSS_PROCESSOR names the processor as Debian's
# cross packages and QEMU's emulators do: s390x or aarch64 (Debian:
# g++-PROCESSOR-linux-gnu, qemu-user-static). One file serves both, since the
# compilers, the target's libraries and the emulator are all named after it.
if(NOT BITY_CROSS_PROCESSOR)
  message(FATAL_ERROR "Set BITY_CROSS_PROCESSOR to the target processor (s390x, aarch64)")
endif()
# The checks that compile a test project read this file again.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES BITY_CROSS_PROCESSOR)

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR ${BITY_CROSS_PROCESSOR})

set(target ${BITY_CROSS_PROCESSOR}-linux-gnu)
# GoogleTest, built for the target from its sources, needs a C compiler too.
set(CMAKE_C_COMPILER ${target}-gcc)
set(CMAKE_CXX_COMPILER ${target}-g++)

include(${CMAKE_CURRENT_LIST_DIR}/target_tree.cmake)

# The emulator is named in each command that runs a program built here, with
# the target's libraries (-L), so that the kernel need not know the
# processor: no binfmt_misc entry is made or used.
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-${BITY_CROSS_PROCESSOR}-static -L /usr/${target})
