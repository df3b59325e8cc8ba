# Fails when a file includes a header of a layer above its own.
#
#   cmake -DSOURCE_DIR=<dir holding platform/, transport/, ...> -P check_layers.cmake
#
# tolvar's layers, lowest first: platform <- transport <- http <- client; a
# layer includes headers of its own and of the layers below it only. Inside
# the client its folders are layers of the same kind, lowest first: support
# <- options <- help <- transfer <- entry. tagsift (filter/) shares nothing
# with tolvar, in either direction. Above the platform seam no file includes
# an operating system's own headers.
cmake_minimum_required(VERSION 3.25)

if(NOT SOURCE_DIR)
  message(FATAL_ERROR "check_layers.cmake: SOURCE_DIR is not set")
endif()

set(layers platform transport http client)
set(client_folders support options help transfer entry)
set(os_headers windows.h winsock2.h ws2tcpip.h unistd.h pthread.h fcntl.h sys/socket.h sys/stat.h
  sys/types.h netinet/in.h arpa/inet.h netdb.h poll.h dlfcn.h iconv.h langinfo.h pwd.h spawn.h)

set(violations "")
set(checked 0)
foreach(layer IN LISTS layers ITEMS filter)
  if(NOT IS_DIRECTORY "${SOURCE_DIR}/${layer}")
    continue()
  endif()
  if(layer STREQUAL "filter")
    set(allowed filter)
  else()
    list(FIND layers ${layer} index)
    list(SUBLIST layers 0 ${index} allowed)
    list(APPEND allowed ${layer})
  endif()
  file(GLOB_RECURSE files "${SOURCE_DIR}/${layer}/*.h" "${SOURCE_DIR}/${layer}/*.cpp")
  foreach(f IN LISTS files)
    math(EXPR checked "${checked} + 1")
    file(STRINGS "${f}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]")
    file(RELATIVE_PATH rel "${SOURCE_DIR}" "${f}")
    get_filename_component(stem "${f}" NAME_WE)
    # The client folder of this file and the folders it may include.
    set(client_allowed "")
    if(layer STREQUAL "client" AND rel MATCHES "^client/([a-z_]+)/")
      list(FIND client_folders "${CMAKE_MATCH_1}" folder_index)
      if(folder_index LESS 0)
        list(APPEND violations "${rel}: client folder ${CMAKE_MATCH_1} is not in the folder order")
      else()
        math(EXPR folder_end "${folder_index} + 1")
        list(SUBLIST client_folders 0 ${folder_end} client_allowed)
      endif()
    endif()
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[\"<]([^\">]*)[\">].*$" "\\1" header "${line}")
      if(header MATCHES "^([a-z_]+)/")
        set(top "${CMAKE_MATCH_1}")
        if(top IN_LIST layers OR top STREQUAL "filter")
          if(NOT top IN_LIST allowed)
            list(APPEND violations "${rel}: ${layer} includes ${header} of ${top}")
          elseif(client_allowed AND header MATCHES "^client/([a-z_]+)/")
            if(NOT CMAKE_MATCH_1 IN_LIST client_allowed)
              get_filename_component(from "${rel}" DIRECTORY)
              list(APPEND violations "${rel}: ${from} includes ${header} of client/${CMAKE_MATCH_1}")
            endif()
          endif()
        endif()
      endif()
      # The platform layer and tagsift's own OS files are where these belong.
      if(NOT layer STREQUAL "platform" AND NOT stem MATCHES "(_posix|_win32)$" AND NOT layer STREQUAL "filter")
        if(header IN_LIST os_headers)
          list(APPEND violations "${rel}: above the platform seam includes <${header}>")
        endif()
      endif()
    endforeach()
  endforeach()
endforeach()

if(checked EQUAL 0)
  message(FATAL_ERROR "check_layers.cmake: no source file found below ${SOURCE_DIR}")
endif()
if(violations)
  list(JOIN violations "\n  " text)
  message(FATAL_ERROR "Layer check failed:\n  ${text}")
endif()
