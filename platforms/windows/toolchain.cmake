# CMake toolchain for the Windows build: Debian's MinGW-w64 (win32 threads) for 64-bit
# Windows, and SDL 1.2 built for it in SOMBRIAL_SDL_PREFIX (platforms/windows/build.sh).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-win32)
set(CMAKE_ASM_COMPILER x86_64-w64-mingw32-gcc-win32)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

# Libraries, headers and packages only from the MinGW tree and SDL's prefix, never the
# machine's own (Linux) ones; programs from the machine.
set(CMAKE_TRY_COMPILE_PLATFORM_VARIABLES SOMBRIAL_SDL_PREFIX)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${SOMBRIAL_SDL_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The GCC runtimes linked in: the program needs only SDL.dll beside it. No link time stamp:
# the same sources give the same program.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -Wl,--no-insert-timestamp")
