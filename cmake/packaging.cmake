# Packages of what `cmake --install` puts in place (docs/CMakeLists.txt):
# two .deb on Linux, a zip of the programs and their help page on Windows.
#   cmake --build --preset linux --target package   -> build/linux/tolvar_VERSION_amd64.deb
#                                                      and tolvar-desktop_VERSION_amd64.deb
#   cmake --build --preset win32 --target package   -> build/win32/tolvar-VERSION-win32.zip
set(CPACK_PACKAGE_NAME tolvar)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "the tolvar developers")
set(CPACK_PACKAGE_CONTACT "${TOLVAR_PACKAGE_MAINTAINER}")
# The linux tree keeps debug information; the package does not.
set(CPACK_STRIP_FILES ON)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "command-line web page fetcher and HTML link lister for scripts")
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
  # One package per install component (docs/CMakeLists.txt): tolvar with the
  # programs, tolvar-desktop with the module that shows the window. A
  # scripted run needs only the first, so a server gets no X library.
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_ALL tolvar desktop)
  set(CPACK_DEBIAN_TOLVAR_PACKAGE_NAME tolvar)
  set(CPACK_DEBIAN_DESKTOP_PACKAGE_NAME tolvar-desktop)
  # The libraries each package's binaries link against, as dpkg-shlibdeps
  # finds them; nothing is typed by hand. OpenSSL is not among them: only
  # the TLS handler loads it, at run time, and tolvar never installs that.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  # The module is built with the program's own headers: any other version
  # of tolvar may expect another interface from it. Its libraries are added
  # by cmake/deb_desktop_depends.cmake, from the module as built.
  set(CPACK_DEBIAN_DESKTOP_PACKAGE_DEPENDS "tolvar (= ${CPACK_PACKAGE_VERSION})")
  set(CPACK_DEBIAN_DESKTOP_PACKAGE_SHLIBDEPS OFF)
  set(CPACK_PROJECT_CONFIG_FILE "${CMAKE_CURRENT_LIST_DIR}/deb_desktop_depends.cmake")
  set(CPACK_TOLVAR_DESKTOP_MODULE "${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/tolvar-desktop.so")
  set(CPACK_TOLVAR_SHLIBDEPS_DIR "${PROJECT_BINARY_DIR}/package/shlibdeps")
  # Suggests, not Recommends: apt installs recommended packages by default,
  # and a server that runs tolvar from scripts should not get X with it.
  set(CPACK_DEBIAN_TOLVAR_PACKAGE_SUGGESTS tolvar-desktop)
  # Each description starts with its own synopsis line (so no common
  # CPACK_PACKAGE_DESCRIPTION_SUMMARY, which CPack would put above both).
  set(CPACK_DEBIAN_TOLVAR_DESCRIPTION
    "command-line web page fetcher and HTML link lister for scripts
tolvar makes one HTTP request (GET, POST or PUT) for one URL per run,
optionally through an HTTP proxy and with Basic credentials, writes the body
to standard output or a file while it arrives and tells the calling script
through its exit status how the run ended.
.
tagsift reads HTML from files or standard input and prints the values of one
tag parameter (HREF by default), one per line, so that tolvar's output piped
into it lists the links of a page.
.
A scripted run (tolvar -q) needs nothing else; tolvar's window comes with
the package tolvar-desktop.")
  set(CPACK_DEBIAN_DESKTOP_DESCRIPTION
    "window of the tolvar web page fetcher, for X desktops
The module that tolvar loads when it runs without -q: the main window with
its options, the status log and the file choosers, and the error dialog,
drawn with FLTK on an X display.
.
Scripts that run tolvar -q do not need this package.")
endif()

include(CPack)
