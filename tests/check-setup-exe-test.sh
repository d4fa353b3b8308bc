#!/bin/sh
# tools/check-setup-exe on two small programs built here with the 32-bit
# MinGW compiler: one made as setup.exe is (freestanding, for the 80486, its
# one import on the list) passes every check; one made as MinGW makes a
# program by default (its start-up code, msvcrt.dll, Pentium Pro code, a
# TLS callback, debug sections) fails each check, naming the faults, with the
# function of each instruction from the linker's map.
# usage: check-setup-exe-test.sh SOURCE_DIR
set -eu
source_dir=$1
check="$source_dir/tools/check-setup-exe"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "check-setup-exe-test: $*"; cat "$work/out"; exit 1; }

mkdir "$work/good" "$work/bad"
cat >"$work/good/entry.c" <<'C'
__declspec(dllimport) void __stdcall ExitProcess(unsigned code);
void __stdcall WinMainCRTStartup(void) { ExitProcess(0); }
C
i686-w64-mingw32-gcc -Os -march=i486 -ffreestanding -nostdlib -mwindows \
  -o "$work/good/setup.exe" "$work/good/entry.c" -lkernel32 -Wl,-e,_WinMainCRTStartup@0 -s
if ! bash "$check" "$work/good/setup.exe" >"$work/out" 2>&1; then
  fail "a freestanding 80486 program failed"
fi
for c in imports instructions TLS subsystem "debug sections" size; do
  grep -q "^ok: $c:" "$work/out" || fail "no ok line for $c"
done

cat >"$work/bad/main.c" <<'C'
#include <windows.h>
int Larger(int a, int b) { return a > b ? a : b; }
static void NTAPI Callback(PVOID module, DWORD reason, PVOID reserved) {
    (void)module; (void)reason; (void)reserved;
}
__attribute__((section(".CRT$XLB"), used)) PIMAGE_TLS_CALLBACK g_callback = Callback;
int main(int argc, char** argv) { (void)argv; return Larger(argc, 3); }
C
i686-w64-mingw32-gcc -O2 -g -march=pentiumpro -ffunction-sections -o "$work/bad/setup.exe" \
  "$work/bad/main.c" -Wl,-Map="$work/bad/setup.map"
if bash "$check" "$work/bad/setup.exe" >"$work/out" 2>&1; then
  fail "a default MinGW program passed"
fi
grep -q '^  setup.exe imports from msvcrt.dll, which is not a system DLL of Windows 95$' "$work/out" ||
  fail "msvcrt.dll not named"
grep -q '^FAILED: imports:' "$work/out" || fail "imports not failed"
grep -Eq '^  cmov[a-z]+ at 0x[0-9a-f]+ in Larger$' "$work/out" || fail "the cmov in Larger not named"
grep -Eq '^FAILED: instructions: [0-9]+ of [0-9]+ outside the 80486.s set \(.*cmov\* [0-9]+' \
  "$work/out" || fail "instructions not failed"
grep -Eq '^  TLS callback at 0x[0-9a-f]+$' "$work/out" || fail "no TLS callback named"
grep -Eq '^FAILED: TLS: a thread-local storage directory at 0x[0-9a-f]+ \(24 bytes\) with [1-9][0-9]* callbacks' \
  "$work/out" || fail "TLS not failed"
grep -q '^FAILED: debug sections: .debug' "$work/out" || fail "debug sections not failed"
echo "check-setup-exe-test: ok"
