# Building for web browsers with Debian's Emscripten (emscripten):
#   cmake -S . -B build-web/cross -DCMAKE_TOOLCHAIN_FILE=cmake/emscripten.cmake \
#         -DCMAKE_PREFIX_PATH=<prefix of the WebAssembly SDL2 and libxmp> -DSTROBARIUM_WEB_DATA=<Data/>
# with PKG_CONFIG_LIBDIR=<that prefix>/lib/pkgconfig and NODE_PATH=/usr/share/nodejs in the
# environment. scripts/web does all of this.
find_program(emccProgram emcc REQUIRED)
get_filename_component(emscriptenRoot ${emccProgram} REALPATH)
get_filename_component(emscriptenRoot ${emscriptenRoot} DIRECTORY)
include(${emscriptenRoot}/cmake/Modules/Platform/Emscripten.cmake)
# The static libraries are found only under the prefix (and Emscripten's own system root).
list(APPEND CMAKE_FIND_ROOT_PATH ${CMAKE_PREFIX_PATH})
