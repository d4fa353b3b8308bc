# Run by the build (cmake -P): refuses a program include that climbs out of
# its folder ("../"), which would find a header past the layer's view.
#   -DFILES=<;-list of sources and headers> -DSTAMP=<file written when none does>
foreach(file ${FILES})
  file(STRINGS ${file} climbing REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]\\.\\.")
  if(climbing)
    message(FATAL_ERROR "${file}: an include climbs out of its folder: ${climbing}")
  endif()
endforeach()
file(TOUCH ${STAMP})
