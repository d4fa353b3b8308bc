# The program's layers (docs/architecture.md, "Layers and folders"), made by
# the build: one static library per folder, which sees only the folders the
# table lets it include and is linked only to the layers it lets it call.
#
# A layer's sources are compiled with one include directory, its view: a
# directory of links to the headers of its own folder, of the folders it may
# include and of the Win32 surface (platform/win32.h and what that includes).
# A header of any other folder is not found, so a wrong include fails the
# compile. Natively the build also compiles every header of a layer on its
# own within the layer's view (so that a header no source of its layer
# includes is held to the table too), and links every layer whole into a
# program of its own beside the layers it may call: a call into any other
# layer is an undefined reference there.
#
#   wiesen_layer(NAME FOLDER folder USES layer... [SOURCES file...]
#                [LIBRARIES library...])
#     wiesen_<NAME>: the static library of folder/*.cpp (or of SOURCES),
#     linked to wiesen_<layer> for each layer it uses ("resources" is the
#     ids header alone; "platform" is the Win32 surface, linked to
#     wiesen_platform) and to LIBRARIES (zlib).
#   wiesen_view(VARIABLE NAME folder...)
#     Makes the view NAME of the folders' headers and sets VARIABLE to its
#     directory. The folder "win32" stands for the Win32 surface; the folder
#     "platform" is every header of platform/, the emulation's included (the
#     platform itself and the native host).

set(WIESEN_LAYER_VIEWS ${CMAKE_BINARY_DIR}/layers)
file(MAKE_DIRECTORY ${WIESEN_LAYER_VIEWS}/checks)
set(WIESEN_LAYER_CHECKS OFF)
if(NOT WIESEN_WINDOWS AND NOT WIESEN_FUZZ)
  set(WIESEN_LAYER_CHECKS ON)
endif()

# The headers a program layer reaches of the platform: win32.h and what it
# includes on either target.
file(GLOB WIESEN_WIN32_SURFACE CONFIGURE_DEPENDS
     ${CMAKE_SOURCE_DIR}/platform/win32.h ${CMAKE_SOURCE_DIR}/platform/crt.h
     ${CMAKE_SOURCE_DIR}/platform/windows/windows_api.h
     ${CMAKE_SOURCE_DIR}/platform/posix/posix_api.h
     ${CMAKE_SOURCE_DIR}/platform/posix/win_types.h
     ${CMAKE_SOURCE_DIR}/platform/posix/*/api_*.h)

# The program's includes are written from the tree's root; one that climbs
# out of its folder ("../") would pass by the views. The build refuses it
# (cmake/check_includes.cmake) before it compiles `target`.
function(wiesen_refuse_climbing_includes target)
  set(stamp ${WIESEN_LAYER_VIEWS}/checks/${target}.includes)
  string(REPLACE ";" "\\;" files "${ARGN}")
  add_custom_command(OUTPUT ${stamp}
                     COMMAND ${CMAKE_COMMAND} -DFILES=${files} -DSTAMP=${stamp}
                             -P ${CMAKE_SOURCE_DIR}/cmake/check_includes.cmake
                     DEPENDS ${ARGN} ${CMAKE_SOURCE_DIR}/cmake/check_includes.cmake
                     COMMENT "Checking the includes of ${target}" VERBATIM)
  add_custom_target(${target}_includes DEPENDS ${stamp})
  add_dependencies(${target} ${target}_includes)
endfunction()

function(wiesen_view variable name)
  set(view ${WIESEN_LAYER_VIEWS}/${name})
  file(REMOVE_RECURSE ${view})
  set(headers "")
  foreach(folder ${ARGN})
    if(folder STREQUAL "win32")
      list(APPEND headers ${WIESEN_WIN32_SURFACE})
    else()
      file(GLOB_RECURSE found CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*.h)
      list(APPEND headers ${found})
    endif()
  endforeach()
  list(REMOVE_DUPLICATES headers)
  foreach(header ${headers})
    file(RELATIVE_PATH relative ${CMAKE_SOURCE_DIR} ${header})
    get_filename_component(directory ${view}/${relative} DIRECTORY)
    file(MAKE_DIRECTORY ${directory})
    file(CREATE_LINK ${header} ${view}/${relative} SYMBOLIC)
  endforeach()
  file(MAKE_DIRECTORY ${view})
  set(${variable} ${view} PARENT_SCOPE)
endfunction()

function(wiesen_layer name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "FOLDER" "USES;SOURCES;LIBRARIES")
  if(NOT arg_SOURCES)
    file(GLOB arg_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${arg_FOLDER}/*.cpp)
  endif()
  file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${arg_FOLDER}/*.h)

  set(folders ${arg_FOLDER})
  set(libraries ${arg_LIBRARIES})
  foreach(used ${arg_USES})
    if(used STREQUAL "platform")
      list(APPEND folders win32)
      list(APPEND libraries wiesen_platform)
    elseif(used STREQUAL "resources")
      list(APPEND folders resources)
    else()
      list(APPEND folders ${used})
      list(APPEND libraries wiesen_${used})
    endif()
  endforeach()
  wiesen_view(view ${name} ${folders})

  add_library(wiesen_${name} STATIC ${arg_SOURCES})
  wiesen_refuse_climbing_includes(wiesen_${name} ${arg_SOURCES} ${headers})
  target_include_directories(wiesen_${name} PRIVATE ${view})
  target_link_libraries(wiesen_${name} PRIVATE ${libraries})

  if(WIESEN_LAYER_CHECKS)
    # Each header on its own, within the view.
    set(header_sources "")
    foreach(header ${headers})
      file(RELATIVE_PATH relative ${CMAKE_SOURCE_DIR} ${header})
      string(MAKE_C_IDENTIFIER ${relative} stem)
      set(source ${WIESEN_LAYER_VIEWS}/checks/${stem}.cpp)
      file(CONFIGURE OUTPUT ${source} CONTENT "#include \"${relative}\"\n")
      list(APPEND header_sources ${source})
    endforeach()
    if(header_sources)
      add_library(wiesen_${name}_headers OBJECT ${header_sources})
      target_include_directories(wiesen_${name}_headers PRIVATE ${view})
      target_link_libraries(wiesen_${name}_headers PRIVATE ${libraries})
    endif()
    # The whole layer beside the layers it may call.
    set(main ${WIESEN_LAYER_VIEWS}/checks/link_check_main.cpp)
    file(CONFIGURE OUTPUT ${main} CONTENT "int main() { return 0; }\n")
    add_executable(wiesen_${name}_link_check ${main})
    target_link_libraries(wiesen_${name}_link_check
                          PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,wiesen_${name}>")
  endif()
endfunction()
