# Cross-compiling for 64-bit Windows with MinGW-w64 (Debian: g++-mingw-w64-x86-64-posix,
# binutils-mingw-w64-x86-64). The posix flavour is the one with std::thread and std::mutex.
# Programs built here run under Wine (Debian: wine64) as the build's CMAKE_CROSSCOMPILING_EMULATOR.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLE}-windres)
set(CMAKE_OBJDUMP /usr/bin/${MINGW_TRIPLE}-objdump CACHE FILEPATH "objdump for PE files")

# Libraries and headers come from the MinGW sysroot only, never from the Linux system.
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Wine runs the built programs, each build folder in a Wine prefix of its own, so that runs do not
# share (or wait for) a Wine server with anything else on the machine. Console programs need
# neither Wine's .NET nor its browser engine, so the prefix is made without asking for them.
# scripts/wine-run.sh starts each program again when Wine refuses to start it for a moment.
# Wine's error messages stay on: a program that Wine cannot load or start, or ends in its start-up,
# says so only there.
set(CMAKE_CROSSCOMPILING_EMULATOR
    env WINEPREFIX=${CMAKE_BINARY_DIR}/wine-prefix WINEDEBUG=-all,err+all WINEDLLOVERRIDES=mscoree,mshtml=
    ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
