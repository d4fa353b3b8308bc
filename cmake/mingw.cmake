# What both MinGW toolchain files share; they set CMAKE_SYSTEM_PROCESSOR and
# TOOLCHAIN_PREFIX first.
#
# WIESEN_THREAD_MODEL picks the compiler variant:
#   posix  (default) its libstdc++ has std::mutex and std::thread, which
#          GoogleTest needs; -static links winpthread into the binaries.
#   win32  no winpthread: the shipped setup.exe (its start-up would import
#          kernel functions that Windows 95 to XP lack).
set(CMAKE_SYSTEM_NAME Windows)
if(NOT WIESEN_THREAD_MODEL)
  set(WIESEN_THREAD_MODEL posix)
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES WIESEN_THREAD_MODEL)
set(CMAKE_C_COMPILER ${TOOLCHAIN_PREFIX}-gcc-${WIESEN_THREAD_MODEL})
set(CMAKE_CXX_COMPILER ${TOOLCHAIN_PREFIX}-g++-${WIESEN_THREAD_MODEL})
set(CMAKE_RC_COMPILER ${TOOLCHAIN_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
