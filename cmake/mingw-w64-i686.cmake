# Cross toolchain for the 32-bit Windows build (MinGW-w64, posix threads), run under Wine's WoW64.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(FERNWICK_TARGET_TRIPLE i686-w64-mingw32)
# Also the Wine side that runs the build's programs (see scripts/wine-harness).
set(FERNWICK_TYPELIB_ENV win32)
set(FERNWICK_WINE_TLB_DIR /usr/lib/i386-linux-gnu/wine/i386-windows)
# Every Windows release since 8 requires SSE2; the text scans use it.
set(CMAKE_CXX_FLAGS_INIT -msse2)
include(${CMAKE_CURRENT_LIST_DIR}/MingwToolchain.cmake)
