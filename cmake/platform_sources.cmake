# Platform files are split by name, never by #ifdef blocks: foo_win32.cpp is
# built only for Windows, foo_posix.cpp only for Linux, everything else for
# both. tolvar_collect_sources(VAR DIR) lists the .cpp files of DIR that belong
# to the target being built.
function(tolvar_collect_sources out dir)
  file(GLOB all CONFIGURE_DEPENDS "${dir}/*.cpp")
  set(kept "")
  foreach(f IN LISTS all)
    get_filename_component(name "${f}" NAME_WE)
    if(WIN32 AND name MATCHES "_posix$")
      continue()
    endif()
    if(NOT WIN32 AND name MATCHES "_win32$")
      continue()
    endif()
    list(APPEND kept "${f}")
  endforeach()
  set(${out} "${kept}" PARENT_SCOPE)
endfunction()

# tolvar_layer_library(NAME DIR [DEPS...]): one static library per layer.
# Layers include only headers of the layers below them; the include root is
# src/, so code writes #include "transport/tcp_connection.h".
function(tolvar_layer_library name dir)
  tolvar_collect_sources(srcs "${dir}")
  add_library(${name} STATIC ${srcs})
  target_include_directories(${name} PUBLIC "${PROJECT_SOURCE_DIR}/src")
  target_link_libraries(${name} PUBLIC project_options ${ARGN})
endfunction()
