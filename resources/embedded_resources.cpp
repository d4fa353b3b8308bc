// The compiled resource file (.res, made by windres from setup.rc), embedded
// into the native binaries. platform/posix reads it as the program module's
// resources.
//
// wiesen_resource_file .. wiesen_resource_file_end delimit the bytes.

#ifndef WIESEN_RES_FILE
#error "WIESEN_RES_FILE must name the compiled resource file"
#endif

asm(".section .rodata\n"
    ".global wiesen_resource_file\n"
    ".global wiesen_resource_file_end\n"
    ".balign 16\n"
    "wiesen_resource_file:\n"
    ".incbin \"" WIESEN_RES_FILE "\"\n"
    "wiesen_resource_file_end:\n"
    ".byte 0\n"
    ".previous\n");
