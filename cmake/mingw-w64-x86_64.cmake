# Cross-compiling for 64-bit Windows with MinGW-w64 (Debian: g++-mingw-w64-x86-64).
#   cmake -S . -B build/mingw -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VORLANTH_MINGW_PREFIX x86_64-w64-mingw32 CACHE STRING "Target triple prefix of the MinGW-w64 tools")

set(CMAKE_C_COMPILER ${VORLANTH_MINGW_PREFIX}-gcc)
set(CMAKE_CXX_COMPILER ${VORLANTH_MINGW_PREFIX}-g++)
set(CMAKE_RC_COMPILER ${VORLANTH_MINGW_PREFIX}-windres)

# Headers and libraries come from the MinGW sysroot only; host programs from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${VORLANTH_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Lets the built program run through a Win32 implementation where one is installed.
find_program(VORLANTH_WINE wine)
if(VORLANTH_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VORLANTH_WINE})
endif()
