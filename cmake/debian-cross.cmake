# Cross-builds the program for Linux on another processor with Debian's cross
# compilers, and runs what is built for it, the tests among them, under QEMU's
# user-mode emulator. BITY_CROSS_PROCESSOR names the processor as Debian's
# cross packages do: s390x, aarch64 or i686 (Debian: g++-PROCESSOR-linux-gnu,
# qemu-user-static). One file serves them all, since the compilers, the
# target's libraries and the emulator are all named after it (the emulator
# with one exception, below).
if(NOT BITY_CROSS_PROCESSOR)
  message(FATAL_ERROR "Set BITY_CROSS_PROCESSOR to the target processor (s390x, aarch64, i686)")
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
# processor: no binfmt_misc entry is made or used. QEMU names its emulators
# as Debian names its cross packages, but for 32-bit x86: Debian's triplet
# says i686, QEMU's emulator is qemu-i386.
#
# 32-bit x86 programs run under the emulator too, even where the kernel
# could start them itself: on the build machines it cannot, and an exec of
# one that works may only mean that a binfmt_misc entry hands it to QEMU for
# a while, as .ci/windows makes one for its own run.
if(BITY_CROSS_PROCESSOR STREQUAL "i686")
  set(qemu qemu-i386-static)
else()
  set(qemu qemu-${BITY_CROSS_PROCESSOR}-static)
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR ${qemu} -L /usr/${target})
