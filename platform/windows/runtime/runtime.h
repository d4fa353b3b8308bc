// The parts of setup.exe's runtime that the test programs compile too: the
// memory, string and format functions (text.cpp, format.cpp) and the 64-bit
// division (compiler.cpp).
//
// In setup.exe (WIESEN_FREESTANDING) they are the C library itself: memcpy,
// strlen, ... under their own names, and the formatter under the name that
// MinGW's <stdio.h> gives it (its snprintf and vsnprintf are inline calls of
// __mingw_vsnprintf); the division is GCC's helpers __divdi3 and the rest,
// on the 32-bit target only. The test programs have a C library and GCC's
// helpers of their own, so they get the same code with a "runtime_" prefix,
// and tests/runtime_test.cpp runs it natively and under Wine.
//
// The text functions work on bytes as the C runtime does in the "C" locale,
// which setup.exe never changes: only A to Z and a to z are letters to
// toupper and tolower.
#pragma once

#include <stdarg.h>
#include <stddef.h>
#include <stdint.h>

#ifdef WIESEN_FREESTANDING
#define WIESEN_RUNTIME_NAME(name) name
#define WIESEN_RUNTIME_VSNPRINTF __mingw_vsnprintf
#define WIESEN_RUNTIME_SNPRINTF __mingw_snprintf
#else
#define WIESEN_RUNTIME_NAME(name) runtime_##name
#define WIESEN_RUNTIME_VSNPRINTF runtime_vsnprintf
#define WIESEN_RUNTIME_SNPRINTF runtime_snprintf
#endif

#if !defined(WIESEN_FREESTANDING)
#define WIESEN_RUNTIME_DIVISION(name) runtime_##name
#elif defined(__i386__)
#define WIESEN_RUNTIME_DIVISION(name) __##name
#endif

extern "C" {
void* WIESEN_RUNTIME_NAME(memcpy)(void* to, const void* from, size_t count);
void* WIESEN_RUNTIME_NAME(memmove)(void* to, const void* from, size_t count);
void* WIESEN_RUNTIME_NAME(memset)(void* to, int value, size_t count);
int WIESEN_RUNTIME_NAME(memcmp)(const void* a, const void* b, size_t count);
void* WIESEN_RUNTIME_NAME(memchr)(const void* in, int value, size_t count);
size_t WIESEN_RUNTIME_NAME(strlen)(const char* text);
int WIESEN_RUNTIME_NAME(strcmp)(const char* a, const char* b);
char* WIESEN_RUNTIME_NAME(strcat)(char* to, const char* from);
char* WIESEN_RUNTIME_NAME(strchr)(const char* text, int c);
char* WIESEN_RUNTIME_NAME(strrchr)(const char* text, int c);
char* WIESEN_RUNTIME_NAME(strstr)(const char* text, const char* part);
size_t WIESEN_RUNTIME_NAME(strcspn)(const char* text, const char* set);
char* WIESEN_RUNTIME_NAME(strpbrk)(const char* text, const char* set);
unsigned long WIESEN_RUNTIME_NAME(strtoul)(const char* text, char** end, int base);
int WIESEN_RUNTIME_NAME(toupper)(int c);
int WIESEN_RUNTIME_NAME(tolower)(int c);

int WIESEN_RUNTIME_VSNPRINTF(char* out, size_t capacity, const char* format, va_list args);
int WIESEN_RUNTIME_SNPRINTF(char* out, size_t capacity, const char* format, ...);

#ifdef WIESEN_RUNTIME_DIVISION
int64_t WIESEN_RUNTIME_DIVISION(divdi3)(int64_t a, int64_t b);
int64_t WIESEN_RUNTIME_DIVISION(moddi3)(int64_t a, int64_t b);
int64_t WIESEN_RUNTIME_DIVISION(divmoddi4)(int64_t a, int64_t b, int64_t* remainder);
uint64_t WIESEN_RUNTIME_DIVISION(udivdi3)(uint64_t a, uint64_t b);
uint64_t WIESEN_RUNTIME_DIVISION(umoddi3)(uint64_t a, uint64_t b);
#endif
}
