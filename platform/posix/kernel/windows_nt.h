// The NT family of the emulated machine (machine::Windows::Windows10): what
// Windows 10 has where the theme works that Windows 95 lacks or has
// otherwise.
//
// - GetVersion says NT: 6.2, build 9200, what Windows 8 and later tell a
//   program whose manifest names no later Windows (Windows 95: 4.0, build
//   950, the high bit set).
// - The environment: Windows 95 has windir, TEMP, PATH ...; Windows 10 also
//   SystemRoot, SystemDrive, ProgramFiles ... ExpandEnvironmentStringsA
//   expands them on both (a name that is not set stays as %name%).
// - A fresh machine's registry holds what a fresh Windows 10 holds there:
//   the REG_EXPAND_SZ texts of the desktop icons
//   (%SystemRoot%\System32\imageres.dll,-109 ...), the user's cursor scheme
//   (%SystemRoot%\cursors\aero_arrow.cur ...) and recycle-bin sound in the
//   user's own key apart from ".Default"'s, and the files they name.
// - IniFileMapping: a profile entry that
//   HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows NT\CurrentVersion\IniFileMapping
//   maps lives in the registry, not in the file (kernel/ini_file_mapping.h).
//   A fresh machine maps system.ini [boot] SCRNSAVE.EXE to
//   HKEY_CURRENT_USER\Control Panel\Desktop, as NT does.
// - NT's system cursors: LoadCursorA(NULL, id) gives the system cursor as
//   SetSystemCursor replaced it (platform/posix/user/display.cpp).
//
// Only for the emulation's areas; the program's code never includes it.
#pragma once

#include "platform/posix/win_types.h"

#include <string>

namespace nt {

// True on a Windows 10 machine.
bool IsNt();

// Makes the files a fresh Windows 10 has beside Windows 95's in the host
// folder of drive C being made: the cursor scheme's files in
// WINDOWS\Cursors, the sounds in WINDOWS\Media. False with a message when
// one cannot be written.
bool SeedFreshFiles(const std::string& hostDriveC, std::string* error);

// REGEDIT4 text (without its header) added to the registry of a fresh
// Windows 10 machine, after Windows 95's (and the 64-bit one's), whose
// values it overrides; `is64Bit`: the desktop icons in both views.
std::string FreshRegistry(bool is64Bit);

// %name% strings of the machine's environment expanded (names without regard
// to case).
std::string ExpandEnvironment(const std::string& text);

// The key below HKEY_LOCAL_MACHINE that holds the IniFileMapping
// (registry/ini_file_mapping.cpp).
extern const char kIniFileMappingKey[];

} // namespace nt
