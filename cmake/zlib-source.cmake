# Debian's zlib source package, unpacked once into the build's directory
# (tools/zlib-source, which needs the deb-src entry and dpkg-dev that
# tools/install-deps sets up). Sets WIESEN_ZLIB_SOURCE_DIR.
if(NOT WIESEN_ZLIB_SOURCE_DIR)
  execute_process(
    COMMAND bash ${CMAKE_SOURCE_DIR}/tools/zlib-source ${CMAKE_BINARY_DIR}/zlib
    OUTPUT_VARIABLE WIESEN_ZLIB_SOURCE_DIR
    ERROR_VARIABLE zlib_source_error
    RESULT_VARIABLE zlib_source_result
    OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT zlib_source_result EQUAL 0)
    message(FATAL_ERROR "zlib's source: ${zlib_source_error}")
  endif()
  file(STRINGS ${WIESEN_ZLIB_SOURCE_DIR}/debian/changelog zlib_source_release LIMIT_COUNT 1)
  message(STATUS "zlib's source: ${WIESEN_ZLIB_SOURCE_DIR} (${zlib_source_release})")
endif()
