# Packages of what `cmake --install` puts in place (docs/CMakeLists.txt):
# a .deb on Linux, a zip of the programs and their help page on Windows.
#   cmake --build --preset linux --target package   -> build/linux/tolvar_VERSION_amd64.deb
#   cmake --build --preset win32 --target package   -> build/win32/tolvar-VERSION-win32.zip
set(CPACK_PACKAGE_NAME tolvar)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "the tolvar developers")
set(CPACK_PACKAGE_CONTACT "${TOLVAR_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "command-line web page fetcher and HTML link lister for scripts")
# The linux tree keeps debug information; the package does not.
set(CPACK_STRIP_FILES ON)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(CPACK_SYSTEM_NAME win32)
  else()
    set(CPACK_SYSTEM_NAME win64)
  endif()
  set(CPACK_PACKAGE_FILE_NAME "tolvar-${PROJECT_VERSION}-${CPACK_SYSTEM_NAME}")
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION net)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # The libraries the programs link against, as dpkg-shlibdeps finds them in
  # the binaries; nothing is typed by hand. OpenSSL is not among them: only
  # the TLS handler loads it, at run time, and tolvar never installs that.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  # The synopsis line comes from the summary above; this is the rest.
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "tolvar makes one HTTP request (GET, POST or PUT) for one URL per run,
optionally through an HTTP proxy and with Basic credentials, writes the body
to standard output or a file while it arrives and tells the calling script
through its exit status how the run ended.
.
tagsift reads HTML from files or standard input and prints the values of one
tag parameter (HREF by default), one per line, so that tolvar's output piped
into it lists the links of a page.")
endif()

include(CPack)
