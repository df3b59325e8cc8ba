# 64-bit Windows build of the same sources. It proves the Windows code on
# hosts that cannot run 32-bit programs, and keeps the code 64-bit clean
# (pointer-sized window data, WPARAM/LPARAM widths). The 64-bit loader is
# called directly: /usr/bin/wine picks the 32-bit one whenever it is
# installed, even where it cannot run.
set(TOLVAR_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOLVAR_WINE_LOADER_DEFAULT /usr/lib/wine/wine64)
set(TOLVAR_WINE_PREFIX_NAME .wine64)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
