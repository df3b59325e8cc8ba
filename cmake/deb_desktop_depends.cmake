# Read by cpack before it makes the packages (CPACK_PROJECT_CONFIG_FILE):
# the libraries tolvar-desktop depends on, as dpkg-shlibdeps finds them in
# the module. CPack's own run of dpkg-shlibdeps would find the same, but it
# also writes an ldconfig call into the maintainer scripts of any package
# with a shared object under /usr/lib; the module's private folder is not
# one that ldconfig reads, so the call would do nothing (and lintian warns).
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()
set(dir "${CPACK_TOLVAR_SHLIBDEPS_DIR}")
# dpkg-shlibdeps wants to be run beside a debian/control, which may be empty.
file(REMOVE_RECURSE "${dir}")
file(MAKE_DIRECTORY "${dir}/debian")
file(WRITE "${dir}/debian/control" "")
execute_process(COMMAND dpkg-shlibdeps -O "${CPACK_TOLVAR_DESKTOP_MODULE}" WORKING_DIRECTORY "${dir}"
  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT out MATCHES "shlibs:Depends=([^\n]+)")
  message(FATAL_ERROR "dpkg-shlibdeps finds no dependencies of ${CPACK_TOLVAR_DESKTOP_MODULE}: ${err}")
endif()
string(APPEND CPACK_DEBIAN_DESKTOP_PACKAGE_DEPENDS ", ${CMAKE_MATCH_1}")
