# Cross-compiles the game for 32-bit Windows with mingw-w64 (win32 threads):
#   cmake -S . -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
#   cmake --build build-win32 -j2 --target delver
set(CMAKE_SYSTEM_PROCESSOR i686)
set(DELVER_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
