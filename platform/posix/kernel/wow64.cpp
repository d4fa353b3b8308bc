// The 64-bit Windows of the emulated machine (see wow64.h): its record in
// machine.ini, WOW64's file system and registry redirection, and the kernel
// calls through which a program learns of WOW64 and steers it.
#include "platform/posix/kernel/wow64.h"

#include "platform/posix/kernel/api_base.h"
#include "platform/posix/kernel/codepage.h"
#include "platform/posix/kernel/resource_module.h"
#include "platform/posix/kernel/calls.h"

#include <string.h>

using calls::Fail;

namespace wow64 {
namespace {

// ---- File system redirection ----

// Whether the calling thread switched redirection off, and on which
// opening of a machine (a new machine starts with it on).
thread_local bool t_redirectionOff = false;
thread_local uint64_t t_generation = 0;

bool RedirectionOff() {
    if (t_generation != machine::Generation()) {
        t_generation = machine::Generation();
        t_redirectionOff = false;
    }
    return t_redirectionOff;
}

// The last component of a directory path ("SYSTEM32" of C:\WINDOWS\SYSTEM32).
std::string LastName(const std::string& path) {
    return path.substr(path.rfind('\\') + 1);
}

// Subdirectories of the system directory that both views share.
bool IsShared(const std::vector<std::string>& parts) {
    if (parts.size() < 3)
        return false;
    for (const char* name : {"catroot", "catroot2", "driverstore", "logfiles", "spool"})
        if (codepage::EqualNoCase(parts[2], name))
            return true;
    return parts.size() >= 4 && codepage::EqualNoCase(parts[2], "drivers") &&
           codepage::EqualNoCase(parts[3], "etc");
}

// A stand-in for the module handle of KERNEL32 (it names no resources).
HMODULE const kKernel32 = reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x7B600000));
// The pseudo handle GetCurrentProcess gives, as on Windows.
HANDLE const kCurrentProcess = reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1));

} // namespace

bool Is64Bit() {
    return machine::MachineArchitecture() != machine::Architecture::X86;
}

FileRedirect RedirectFiles(char drive, const std::vector<std::string>& parts) {
    FileRedirect none;
    std::string windows = machine::WindowsDirectory(); // "C:\WINDOWS"
    if (!Is64Bit() || codepage::ToUpper(static_cast<unsigned char>(drive)) != windows[0] ||
        parts.size() < 2 || !codepage::EqualNoCase(parts[0], LastName(windows)))
        return none;
    std::string system = LastName(machine::SystemDirectory());
    if (codepage::EqualNoCase(parts[1], "Sysnative")) {
        if (machine::MachineArchitecture() != machine::Architecture::X64)
            return none;
        FileRedirect alias;
        alias.component = 1;
        alias.hostName = system;
        alias.alias = true;
        return alias;
    }
    if (!codepage::EqualNoCase(parts[1], system) || RedirectionOff() || IsShared(parts))
        return none;
    FileRedirect redirected;
    redirected.component = 1;
    redirected.hostName = "SysWOW64";
    return redirected;
}

bool RedirectsSubkey(const std::vector<std::string>& parentPath, const std::string& name) {
    auto is = [&](std::initializer_list<const char*> path) {
        if (parentPath.size() != path.size())
            return false;
        size_t i = 0;
        for (const char* step : path)
            if (!codepage::EqualNoCase(parentPath[i++], step))
                return false;
        return true;
    };
    if (codepage::EqualNoCase(name, "Wow6432Node"))
        return false;
    if (is({"SOFTWARE"}))
        return !codepage::EqualNoCase(name, "Classes");
    if (is({"SOFTWARE", "Classes"})) {
        for (const char* redirected :
             {"CLSID", "DirectShow", "Interface", "Media Type", "MediaFoundation"})
            if (codepage::EqualNoCase(name, redirected))
                return true;
    }
    return false;
}

const char kFreshRegistry64[] =
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID\\{208D2C60-3AEA-1069-A2D7-08002B30309D}"
    "\\DefaultIcon]\n"
    "@=\"C:\\\\WINDOWS\\\\SYSTEM32\\\\shell32.dll,17\"\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID\\{645FF040-5081-101B-9F08-00AA002F954E}"
    "\\DefaultIcon]\n"
    "@=\"C:\\\\WINDOWS\\\\SYSTEM32\\\\shell32.dll,31\"\n"
    "\"empty\"=\"C:\\\\WINDOWS\\\\SYSTEM32\\\\shell32.dll,31\"\n"
    "\"full\"=\"C:\\\\WINDOWS\\\\SYSTEM32\\\\shell32.dll,32\"\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\Wow6432Node\\CLSID\\"
    "{20D04FE0-3AEA-1069-A2D8-08002B30309D}]\n"
    "@=\"Arbeitsplatz\"\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\Wow6432Node\\CLSID\\"
    "{20D04FE0-3AEA-1069-A2D8-08002B30309D}\\DefaultIcon]\n"
    "@=\"C:\\\\WINDOWS\\\\SysWOW64\\\\explorer.exe,0\"\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\Wow6432Node\\CLSID\\"
    "{208D2C60-3AEA-1069-A2D7-08002B30309D}]\n"
    "@=\"Netzwerkumgebung\"\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\Wow6432Node\\CLSID\\"
    "{208D2C60-3AEA-1069-A2D7-08002B30309D}\\DefaultIcon]\n"
    "@=\"C:\\\\WINDOWS\\\\SysWOW64\\\\shell32.dll,17\"\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\Wow6432Node\\CLSID\\"
    "{645FF040-5081-101B-9F08-00AA002F954E}]\n"
    "@=\"Papierkorb\"\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\Wow6432Node\\CLSID\\"
    "{645FF040-5081-101B-9F08-00AA002F954E}\\DefaultIcon]\n"
    "@=\"C:\\\\WINDOWS\\\\SysWOW64\\\\shell32.dll,31\"\n"
    "\"empty\"=\"C:\\\\WINDOWS\\\\SysWOW64\\\\shell32.dll,31\"\n"
    "\"full\"=\"C:\\\\WINDOWS\\\\SysWOW64\\\\shell32.dll,32\"\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall]\n"
    "\n";

} // namespace wow64

// ---- The kernel calls ----

HANDLE WINAPI GetCurrentProcess() {
    return wow64::kCurrentProcess;
}

// Only of this process: the emulation runs no other.
BOOL WINAPI IsWow64Process(HANDLE process, PBOOL wow64Process) {
    if (process != wow64::kCurrentProcess || !wow64Process)
        return Fail(ERROR_INVALID_HANDLE);
    *wow64Process = wow64::Is64Bit() ? TRUE : FALSE;
    return TRUE;
}

// The old value is the thread's state before the call, for the revert.
BOOL WINAPI Wow64DisableWow64FsRedirection(PVOID* oldValue) {
    if (!wow64::Is64Bit())
        return Fail(ERROR_INVALID_FUNCTION);
    if (!oldValue)
        return Fail(ERROR_INVALID_PARAMETER);
    *oldValue = reinterpret_cast<PVOID>(static_cast<uintptr_t>(wow64::RedirectionOff() ? 1 : 0));
    wow64::t_redirectionOff = true;
    return TRUE;
}

BOOL WINAPI Wow64RevertWow64FsRedirection(PVOID oldValue) {
    if (!wow64::Is64Bit())
        return Fail(ERROR_INVALID_FUNCTION);
    wow64::RedirectionOff(); // a state of an earlier machine is gone
    wow64::t_redirectionOff = oldValue != nullptr;
    return TRUE;
}

// KERNEL32 (with or without ".DLL", any case) and the program's own module
// (no name); no other module is loaded.
HMODULE WINAPI GetModuleHandleA(LPCSTR name) {
    if (!name)
        return resources::ProgramModule();
    if (codepage::EqualNoCase(name, "KERNEL32") || codepage::EqualNoCase(name, "KERNEL32.DLL"))
        return wow64::kKernel32;
    return Fail(ERROR_MOD_NOT_FOUND, nullptr);
}

// KERNEL32's functions that a program looks up because older Windows lack
// them: the WOW64 ones, exported only on a 64-bit machine (Windows 95 has
// none of them). Names only, no ordinals.
FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR name) {
    const struct {
        const char* name;
        void* function; // as FARPROC, which the caller casts to the function's own type
    } kExports[] = {
        {"IsWow64Process", reinterpret_cast<void*>(&IsWow64Process)},
        {"Wow64DisableWow64FsRedirection",
         reinterpret_cast<void*>(&Wow64DisableWow64FsRedirection)},
        {"Wow64RevertWow64FsRedirection", reinterpret_cast<void*>(&Wow64RevertWow64FsRedirection)},
    };
    if (module == wow64::kKernel32 && wow64::Is64Bit() && name &&
        reinterpret_cast<uintptr_t>(name) > 0xFFFF) {
        for (const auto& e : kExports)
            if (strcmp(e.name, name) == 0)
                return reinterpret_cast<FARPROC>(e.function);
    }
    return Fail(ERROR_PROC_NOT_FOUND, nullptr);
}
