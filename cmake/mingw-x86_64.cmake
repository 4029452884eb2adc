# Cross-compiles the game for 64-bit Windows with mingw-w64 (win32 threads):
#   cmake -S . -B build-win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake
#   cmake --build build-win64 -j2 --target delver
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(DELVER_MINGW_PREFIX x86_64-w64-mingw32)
# Prefer the win32-thread-model compilers: their runtime links statically
# without a pthread DLL.
find_program(CMAKE_C_COMPILER NAMES ${DELVER_MINGW_PREFIX}-gcc-win32 ${DELVER_MINGW_PREFIX}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${DELVER_MINGW_PREFIX}-g++-win32 ${DELVER_MINGW_PREFIX}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${DELVER_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${DELVER_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

