# Cross-building for 64-bit Windows with Debian's MinGW-w64 (g++-mingw-w64-x86-64-posix):
#   cmake -S . -B build-windows/cross -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
#         -DCMAKE_PREFIX_PATH=<prefix of the Windows SDL2, libxmp and libpng>
# with PKG_CONFIG_LIBDIR=<that prefix>/lib/pkgconfig in the environment, so that pkg-config
# never hands out the build machine's own libraries. scripts/windows does all of this.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(mingwTriple x86_64-w64-mingw32)
# The posix flavour: std::thread needs it.
set(CMAKE_C_COMPILER ${mingwTriple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingwTriple}-g++-posix)
set(CMAKE_RC_COMPILER ${mingwTriple}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${mingwTriple} ${CMAKE_PREFIX_PATH})
# Build tools come from this machine, libraries and headers only from the target's folders.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
