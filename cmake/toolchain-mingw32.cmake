# 32-bit Windows console programs: the product as its users run it. Tests
# run under 32-bit Wine where the host kernel can run 32-bit programs.
set(TOLVAR_MINGW_TRIPLET i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TOLVAR_WINE_LOADER_DEFAULT /usr/lib/wine/wine)
set(TOLVAR_WINE_PREFIX_NAME .wine)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
