# Compile settings every target of the project shares, on both targets.
add_library(project_options INTERFACE)
target_compile_options(project_options INTERFACE -Wall -Wextra -Werror)
target_compile_definitions(project_options INTERFACE
  TOLVAR_VERSION_TEXT="${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.${PROJECT_VERSION_TWEAK}")

if(WIN32)
  # Windows XP-era API level is enough; the programs use only classic calls.
  target_compile_definitions(project_options INTERFACE
    WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0501)
  # No DLL beside the .exe: the C++ runtime and winpthread are linked in.
  target_link_options(project_options INTERFACE -static -static-libgcc -static-libstdc++)
endif()

set(TOLVAR_SANITIZE "" CACHE STRING "Sanitizers: empty, 'address' (ASan + UBSan), 'thread' or 'fuzzer' (clang)")
if(TOLVAR_SANITIZE STREQUAL "address")
  target_compile_options(project_options INTERFACE
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  target_link_options(project_options INTERFACE -fsanitize=address,undefined)
elseif(TOLVAR_SANITIZE STREQUAL "thread")
  target_compile_options(project_options INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
  target_link_options(project_options INTERFACE -fsanitize=thread)
elseif(TOLVAR_SANITIZE STREQUAL "fuzzer")
  # Coverage for libFuzzer in every library; only the fuzz targets link the
  # fuzzer's own main (fuzz/CMakeLists.txt).
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "TOLVAR_SANITIZE=fuzzer needs clang++")
  endif()
  target_compile_options(project_options INTERFACE
    -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  target_link_options(project_options INTERFACE -fsanitize=address,undefined)
elseif(NOT TOLVAR_SANITIZE STREQUAL "")
  message(FATAL_ERROR "TOLVAR_SANITIZE must be empty, 'address', 'thread' or 'fuzzer'")
endif()
