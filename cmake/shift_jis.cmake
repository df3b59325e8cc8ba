# The programs' Japanese texts are Shift_JIS (code page 932) bytes; their
# sources hold them readable in UTF-8. tolvar_shift_jis_sources(VAR SRC...)
# sets VAR to copies of the sources SRC, made at build time, whose string
# literals spell those bytes as escapes: every compiler then makes the same
# bytes, with no execution character set option (which clang lacks).
find_package(Python3 REQUIRED COMPONENTS Interpreter)

function(tolvar_shift_jis_sources out)
  set(converter "${PROJECT_SOURCE_DIR}/cmake/shift_jis_literals.py")
  set(generated "")
  foreach(src IN LISTS ARGN)
    get_filename_component(source "${src}" ABSOLUTE)
    file(RELATIVE_PATH relative "${PROJECT_SOURCE_DIR}" "${source}")
    set(copy "${PROJECT_BINARY_DIR}/shift_jis/${relative}")
    add_custom_command(OUTPUT "${copy}"
      COMMAND "${Python3_EXECUTABLE}" "${converter}" "${source}" "${copy}"
      DEPENDS "${source}" "${converter}"
      COMMENT "Shift_JIS texts of ${relative}"
      VERBATIM)
    list(APPEND generated "${copy}")
  endforeach()
  set(${out} "${generated}" PARENT_SCOPE)
endfunction()
