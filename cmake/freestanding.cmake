# setup.exe as it ships: freestanding. Nothing is linked in but what the
# project compiles itself for the target: the program, its runtime
# (platform/windows/runtime: entry point, heap, strings, formatting, the file
# interface, the compiler's helpers) and zlib's raw inflate from Debian's
# source package. No C runtime DLL, no prebuilt object of MinGW or GCC (no
# start-up code, libgcc, libstdc++, libmingwex); only the import libraries of
# the system DLLs.
#
# The 32-bit setup.exe runs on an 80486: -march=i486 for the compiler, and
# the assembler refuses any later instruction. The 64-bit one (the test build
# for hosts that run no 32-bit code) is the same design for the x86-64
# baseline. tools/check-setup-exe reads the result.
#
# The MinGW headers stay: the runtime provides the C functions under the
# names they declare (_CRTIMP empty: plain functions, not imports of
# msvcrt.dll).
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  add_compile_options(-march=i486 -Wa,-march=i486
                      # 32-bit Windows unwinds along its own frame chain.
                      -fno-asynchronous-unwind-tables -fno-unwind-tables)
else()
  add_compile_options(-march=x86-64)
endif()
# Built for size (MinSizeRel: -Os): unused functions are dropped at the
# link, which also strips the symbols. Not data sections: with them GCC
# stores zero-filled data as zeros in the file ("w" sections) instead of
# leaving it to .bss, some 5 KB here; and data gets its ABI alignment only.
# The program throws and catches no exceptions and asks no type of an object
# at run time.
add_compile_options(-ffunction-sections -fno-ident -malign-data=abi -fno-stack-protector
                    $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions$<SEMICOLON>-fno-rtti$<SEMICOLON>-fno-threadsafe-statics>)
add_compile_definitions(WIESEN_FREESTANDING _CRTIMP=)
add_link_options(-nostdlib -Wl,--gc-sections -s)
set(CMAKE_C_STANDARD_LIBRARIES "")
set(CMAKE_CXX_STANDARD_LIBRARIES "")

# The runtime: objects on setup.exe's link line, ahead of the libraries that
# call it (the program's and zlib's).
file(GLOB WIESEN_RUNTIME_SOURCES CONFIGURE_DEPENDS
     ${CMAKE_SOURCE_DIR}/platform/windows/runtime/*.cpp)
add_library(wiesen_runtime OBJECT ${WIESEN_RUNTIME_SOURCES})
target_include_directories(wiesen_runtime PRIVATE ${CMAKE_SOURCE_DIR})
# Its memset is a loop, which the compiler must not turn back into a call.
target_compile_options(wiesen_runtime PRIVATE -ffreestanding -fno-tree-loop-distribute-patterns)
target_link_libraries(wiesen_runtime PUBLIC kernel32)

# zlib: raw inflate only (no gzip, hence no CRC; no compression), from
# Debian's source as it is (its warnings are not the project's).
include(${CMAKE_SOURCE_DIR}/cmake/zlib-source.cmake)
set(zlib_dir ${WIESEN_ZLIB_SOURCE_DIR})
add_library(wiesen_zlib STATIC ${zlib_dir}/inflate.c ${zlib_dir}/inftrees.c ${zlib_dir}/inffast.c
                               ${zlib_dir}/adler32.c ${zlib_dir}/zutil.c)
target_include_directories(wiesen_zlib SYSTEM PUBLIC ${zlib_dir})
target_compile_definitions(wiesen_zlib PRIVATE NO_GZIP)
target_compile_options(wiesen_zlib PRIVATE -w)
add_library(ZLIB::ZLIB ALIAS wiesen_zlib)
