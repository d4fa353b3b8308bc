# Run by the build (cmake -P): the emulation's areas include each other in
# one direction only, so that no two areas include each other, directly or
# round a circle:
#   kernel    nothing of the other areas (modules, files, the machine)
#   registry  kernel
#   shell     kernel
#   user      kernel, registry
# win_types.h includes no area; posix_api.h and the test support, above
# them all, include every area.
#   -DROOT=<posix folder> -DSTAMP=<file written when all keep to it>
set(allowed_kernel "kernel")
set(allowed_registry "kernel;registry")
set(allowed_shell "kernel;shell")
set(allowed_user "kernel;registry;user")
file(GLOB_RECURSE files ${ROOT}/*.cpp ${ROOT}/*.h)
foreach(file ${files})
  file(RELATIVE_PATH relative ${ROOT} ${file})
  if(NOT relative MATCHES "^([a-z_]+)/")
    if(relative STREQUAL "win_types.h")
      set(area "types")
    else()
      continue()
    endif()
  else()
    set(area ${CMAKE_MATCH_1})
  endif()
  if(NOT DEFINED allowed_${area} AND NOT area STREQUAL "types")
    message(FATAL_ERROR "${file}: the emulation has no area '${area}' (add its row here)")
  endif()
  file(STRINGS ${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"platform/posix/")
  foreach(line ${includes})
    if(line MATCHES "\"platform/posix/([a-z_]+)/")
      list(FIND allowed_${area} ${CMAKE_MATCH_1} found)
      if(found EQUAL -1)
        message(FATAL_ERROR "${file}: the ${area} area may not include ${CMAKE_MATCH_1}/: ${line}")
      endif()
    elseif(area STREQUAL "types" OR NOT line MATCHES "\"platform/posix/win_types\\.h\"")
      message(FATAL_ERROR "${file}: the ${area} area may include of the top only win_types.h: ${line}")
    endif()
  endforeach()
endforeach()
file(TOUCH ${STAMP})
