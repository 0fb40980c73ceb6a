# Cross-compiles Brelunda.exe for 64-bit Windows with Debian's mingw-w64:
#
#   cmake -S . -B build-windows --toolchain cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release
#
# The result is one file that imports nothing but Windows' own DLLs: the C++ runtime and libgcc are
# linked in. The window subsystem (-mwindows) comes with add_executable(... WIN32), so a console
# probe built in the same tree keeps its standard output.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(brelunda_mingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${brelunda_mingw}-gcc)
set(CMAKE_CXX_COMPILER ${brelunda_mingw}-g++)
set(CMAKE_RC_COMPILER ${brelunda_mingw}-windres)

# Headers and libraries from the MinGW tree only; programs (djpeg, python3) from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${brelunda_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# What Windows looks for in the PE header: relocatable at a random 64-bit base, no code run from
# data pages. Binutils 2.40 sets all three by default; asking keeps it so with older linkers.
# Sections aligned to pages in the file too: Wine maps such an image where it lies instead of
# copying it into private memory (1.2 MiB less for Brelunda.exe, most of it picture and fonts).
# No link time in the header (nor so in its checksum): two builds of one source give one file.
set(CMAKE_EXE_LINKER_FLAGS_INIT
    "-static -static-libgcc -static-libstdc++ -Wl,--dynamicbase,--high-entropy-va,--nxcompat,--file-alignment,4096,--no-insert-timestamp")
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")
set(CMAKE_EXE_LINKER_FLAGS_MINSIZEREL_INIT "-s")
