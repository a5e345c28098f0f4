# Cross-compiles nest.exe for 64-bit Windows with Debian's mingw-w64
# (package g++-mingw-w64-x86-64-posix).
# The posix thread model gives the standard library its threads; the runtime
# is linked in statically, so nest.exe is one file that runs on a bare
# Windows. x86-64 does its floating point in SSE2 registers, as on Linux.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(NEST_MINGW_PREFIX x86_64-w64-mingw32)
find_program(CMAKE_CXX_COMPILER NAMES ${NEST_MINGW_PREFIX}-g++-posix REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${NEST_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${NEST_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
