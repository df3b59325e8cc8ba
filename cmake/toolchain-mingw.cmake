# Shared part of the two Windows toolchains (MinGW-w64, posix-thread
# flavour, which std::thread and std::mutex need). The including file sets
# TOLVAR_MINGW_TRIPLET, CMAKE_SYSTEM_PROCESSOR, the default Wine loader and
# the name of the Wine prefix folder.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${TOLVAR_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOLVAR_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TOLVAR_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TOLVAR_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# A Wine prefix per word size, in the user's home (created by the first run,
# or up front by scripts/test.sh so that parallel runs never race for it).
if(NOT "$ENV{HOME}" STREQUAL "")
  set(_tolvar_home "$ENV{HOME}")
else()
  set(_tolvar_home /tmp)
endif()
set(TOLVAR_WINE_LOADER ${TOLVAR_WINE_LOADER_DEFAULT} CACHE FILEPATH "Wine loader that runs the test programs")
set(TOLVAR_WINE_PREFIX "${_tolvar_home}/${TOLVAR_WINE_PREFIX_NAME}" CACHE PATH "Wine prefix of the test runs")

# Every test program runs through Wine with this loader and prefix. The
# environment is part of the emulator command so that each CTest entry,
# whatever else it sets, runs under the right Wine.
# Cached too, so that a Linux tree's end-to-end tests can start this tree's
# programs the same way.
set(TOLVAR_WINE_COMMAND
  /usr/bin/env WINEDEBUG=-all "WINELOADER=${TOLVAR_WINE_LOADER}" "WINEPREFIX=${TOLVAR_WINE_PREFIX}"
  "${TOLVAR_WINE_LOADER}" CACHE INTERNAL "Command that runs one of this tree's programs")
# Each test program also gets an X display (scripts/with_display.sh), so that
# a tree's tests run by hand without one neither fail nor wait.
get_filename_component(_tolvar_scripts "${CMAKE_CURRENT_LIST_DIR}/../scripts" ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR bash "${_tolvar_scripts}/with_display.sh" ${TOLVAR_WINE_COMMAND})
