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

set(TOLVAR_SANITIZE "" CACHE STRING "Sanitizers: empty, 'address' (ASan + UBSan) or 'thread'")
if(TOLVAR_SANITIZE STREQUAL "address")
  target_compile_options(project_options INTERFACE
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  target_link_options(project_options INTERFACE -fsanitize=address,undefined)
elseif(TOLVAR_SANITIZE STREQUAL "thread")
  target_compile_options(project_options INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
  target_link_options(project_options INTERFACE -fsanitize=thread)
elseif(NOT TOLVAR_SANITIZE STREQUAL "")
  message(FATAL_ERROR "TOLVAR_SANITIZE must be empty, 'address' or 'thread'")
endif()
