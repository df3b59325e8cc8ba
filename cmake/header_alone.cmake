# Build checks that run with every build of every preset:
#
# - header_alone: a compile-only library with one translation unit per
#   header of src/, each including nothing but that header (twice, for the
#   include guard). A header that leans on what its includer happened to
#   include first fails here, on Linux and on both Windows builds alike.
# - layer_check: cmake/check_layers.cmake over src/; a file that includes a
#   header of a higher layer fails the build.

file(GLOB_RECURSE tolvar_all_headers CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/src/*.h")
set(header_alone_sources "")
foreach(header IN LISTS tolvar_all_headers)
  get_filename_component(stem "${header}" NAME_WE)
  # Headers of the other target's seam are never compiled here.
  if(WIN32 AND stem MATCHES "_posix$")
    continue()
  endif()
  if(NOT WIN32 AND stem MATCHES "_win32$")
    continue()
  endif()
  file(RELATIVE_PATH rel "${PROJECT_SOURCE_DIR}/src" "${header}")
  string(REGEX REPLACE "[/.]" "_" name "${rel}")
  set(tu "${PROJECT_BINARY_DIR}/header_alone/${name}.cpp")
  file(CONFIGURE OUTPUT "${tu}" CONTENT "#include \"${rel}\"\n#include \"${rel}\"\n" @ONLY)
  list(APPEND header_alone_sources "${tu}")
endforeach()
if(header_alone_sources AND TOLVAR_HEADER_CHECK)
  add_library(header_alone OBJECT ${header_alone_sources})
  target_include_directories(header_alone PRIVATE "${PROJECT_SOURCE_DIR}/src")
  target_link_libraries(header_alone PRIVATE project_options)
endif()

add_custom_target(layer_check ALL
  COMMAND "${CMAKE_COMMAND}" "-DSOURCE_DIR=${PROJECT_SOURCE_DIR}/src" -P "${PROJECT_SOURCE_DIR}/cmake/check_layers.cmake"
  COMMENT "Checking that no layer includes a header of a higher one"
  VERBATIM)
