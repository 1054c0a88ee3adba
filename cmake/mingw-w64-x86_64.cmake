# Cross toolchain for the 64-bit Windows build (MinGW-w64, posix threads).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(FERNWICK_TARGET_TRIPLE x86_64-w64-mingw32)
# Also the Wine side that runs the build's programs (see scripts/wine-harness).
set(FERNWICK_TYPELIB_ENV win64)
set(FERNWICK_WINE_TLB_DIR /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)
include(${CMAKE_CURRENT_LIST_DIR}/MingwToolchain.cmake)
