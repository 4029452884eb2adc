# Cross-compiles the game for 64-bit Windows with mingw-w64 (win32 threads):
#   cmake -S . -B build-win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake
#   cmake --build build-win64 -j2 --target delver
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(DELVER_MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
