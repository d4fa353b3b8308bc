// The 64-bit Windows of the emulated machine. On a machine made as 64-bit
// Windows (machine::Architecture) the program is a 32-bit program under
// WOW64, and the emulation shows it what WOW64 shows such a program:
//
// - Files: its paths under the system directory C:\WINDOWS\SYSTEM32 lead to
//   C:\WINDOWS\SysWOW64 (except a few subdirectories both share), and
//   C:\WINDOWS\Sysnative leads to the real SYSTEM32 (only where the machine
//   has that alias; no directory lists it). Wow64DisableWow64FsRedirection
//   switches the first off for the calling thread.
// - Registry: the keys below HKEY_LOCAL_MACHINE\SOFTWARE other than Classes,
//   and the class keys CLSID, DirectShow, Interface, Media Type and
//   MediaFoundation, have a 32-bit view in a "Wow6432Node" subkey of their
//   parent. A call reads them there unless it asks for the 64-bit view
//   (KEY_WOW64_64KEY); without either flag a call relative to an open key
//   uses the view that key was opened in.
// - Kernel: IsWow64Process answers yes, and GetProcAddress finds the WOW64
//   functions of KERNEL32, which Windows 95 lacks.
//
// Only for the emulation's areas; the program's code never includes it.
#pragma once

#include "platform/posix/kernel/machine.h"

#include <stddef.h>
#include <string>
#include <vector>

namespace wow64 {

// True on a 64-bit machine: the program runs under WOW64.
bool Is64Bit();

// ---- Files ----

// How the host walk reads one component of a path (machine::Resolve).
struct FileRedirect {
    size_t component = static_cast<size_t>(-1); // the component read under another name
    std::string hostName;                       // the name it is read as
    bool alias = false;                         // the component is the Sysnative alias
};

// The redirection of a path on drive `drive` whose components (below the
// root, "." and ".." applied) are `parts`; none on a 32-bit machine.
FileRedirect RedirectFiles(char drive, const std::vector<std::string>& parts);

// ---- Registry ----

// Whether the 32-bit view reads the subkey `name` of the key at `parentPath`
// (its names below HKEY_LOCAL_MACHINE) in that key's "Wow6432Node" subkey.
bool RedirectsSubkey(const std::vector<std::string>& parentPath, const std::string& name);

// REGEDIT4 text added to the registry of a fresh 64-bit machine: the desktop
// icons in both views (the 64-bit ones with the real system directory's
// files, the 32-bit ones with SysWOW64's) and the 32-bit uninstall key.
extern const char kFreshRegistry64[];

} // namespace wow64
