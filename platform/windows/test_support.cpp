// Test machine on Windows: the running system, with a fresh scratch directory
// under the temporary directory for each test.
#include "platform/testing.h"
#include "platform/win32.h"

#include <stdio.h>
#include <string.h>
#include <string>
#include <winioctl.h>

namespace platform_testing {
namespace {
std::string scratch;
std::string disketteFolder; // drive A while a diskette is in, ending in "\"
bool windows98 = false;     // Wine reports Windows 98 to setup.exe

void DeleteTree(const std::string& dir) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((dir + "*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = data.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string path = dir + name;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                DeleteTree(path + "\\");
            else
                DeleteFileA(path.c_str());
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    std::string without = dir.substr(0, dir.size() - 1);
    RemoveDirectoryA(without.c_str());
}
} // namespace

std::string BeginTestMachine(MachineFlavour) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    for (unsigned n = GetTickCount() & 0xFFFF;; ++n) {
        char dir[MAX_PATH];
        snprintf(dir, sizeof dir, "%swt%05u", temp, n);
        if (CreateDirectoryA(dir, nullptr)) {
            scratch = std::string(dir) + "\\";
            break;
        }
    }
    SetCurrentDirectoryA(scratch.c_str());
    return scratch;
}

void EndTestMachine() {
    EjectDiskette();
    if (windows98)
        ReportWindows98ToSetupProgram(false);
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    SetCurrentDirectoryA(temp);
    if (!scratch.empty())
        DeleteTree(scratch);
    scratch.clear();
}

bool IsEmulated() {
    return false;
}

std::vector<MachineFlavour> TestMachineFlavours() {
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    return {wow64 ? MachineFlavour::Windows64 : MachineFlavour::Windows32};
}

} // namespace platform_testing

namespace platform_testing {
const char* FaultFamilyName(FaultFamily) {
    return "";
}
bool InjectFault(FaultFamily, int) {
    return false;
}
int FaultCallCount(FaultFamily) {
    return 0;
}
void ResetFaultCounts() {}
bool InjectShortWrite(int) {
    return false;
}
bool InjectReadFailure(int) {
    return false;
}

namespace {
UINT WINAPI FailingWindowsDirectory(LPSTR, UINT) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return 0;
}

// Fails without touching the buffer.
int WINAPI FailingLoadString(HINSTANCE, UINT, LPSTR, int) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return 0;
}

// The import descriptors of a module mapped at `base` (the last one has no
// name), or null when it imports nothing.
IMAGE_IMPORT_DESCRIPTOR* ImportDescriptors(BYTE* base) {
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    return imports.VirtualAddress
               ? reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress)
               : nullptr;
}

// The slot of the running program's import table through which it calls
// `function` of `library`; null when it imports no such function.
void** ImportSlot(const char* library, const char* function) {
    BYTE* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    IMAGE_IMPORT_DESCRIPTOR* d = ImportDescriptors(base);
    for (; d && d->Name; ++d) {
        if (lstrcmpiA(reinterpret_cast<char*>(base + d->Name), library) != 0 ||
            !d->OriginalFirstThunk)
            continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (lstrcmpA(reinterpret_cast<char*>(byName->Name), function) == 0)
                return reinterpret_cast<void**>(&slots->u1.Function);
        }
    }
    return nullptr;
}

bool SetImport(const char* library, const char* function, void* target) {
    void** slot = ImportSlot(library, function);
    DWORD old = 0;
    if (!slot || !VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old))
        return false;
    *slot = target;
    VirtualProtect(slot, sizeof *slot, old, &old);
    return true;
}

// An import of the program pointed at a stand-in while `on`, and back at the
// function it had (kept in *real on first use).
bool SwitchImport(const char* library, const char* function, void* standIn, void** real, bool on) {
    if (!*real) {
        void** slot = ImportSlot(library, function);
        if (!slot)
            return false;
        *real = *slot;
    }
    return SetImport(library, function, on ? standIn : *real);
}

void* g_realWindowsDirectory = nullptr;
void* g_realLoadString = nullptr;
} // namespace

void ClearInjectedFaults() {
    FailWindowsDirectory(false);
    FailStringLoads(false);
}

// The program's calls go through its import table: the slot of the function
// is pointed at a failing stand-in and back.
bool FailWindowsDirectory(bool on) {
    return SwitchImport("kernel32.dll", "GetWindowsDirectoryA",
                        reinterpret_cast<void*>(&FailingWindowsDirectory), &g_realWindowsDirectory,
                        on);
}

bool FailStringLoads(bool on) {
    return SwitchImport("user32.dll", "LoadStringA", reinterpret_cast<void*>(&FailingLoadString),
                        &g_realLoadString, on);
}
} // namespace platform_testing

namespace platform_testing {
HINSTANCE ProgramInstance() {
    return GetModuleHandleA(nullptr);
}

// Built by resources/CMakeLists.txt into the tests' directory.
HINSTANCE InstanceWithoutTerms() {
    static HINSTANCE module = LoadLibraryA("wiesen_without_terms.dll");
    return module;
}
} // namespace platform_testing

namespace platform_testing {
namespace {

// A path of the build (a host path under Wine) as a Windows path on Z:.
std::string BuildPath(const char* path) {
    std::string out = path[0] == '/' ? std::string("Z:") + path : path;
    for (char& c : out)
        if (c == '/')
            c = '\\';
    return out;
}

std::string ReadWhole(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "";
    std::string out;
    char block[65536];
    DWORD n = 0;
    while (ReadFile(file, block, sizeof block, &n, nullptr) && n > 0)
        out.append(block, n);
    CloseHandle(file);
    return out;
}

bool WriteWhole(const std::string& path, const std::string& data) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD n = 0;
    bool ok = WriteFile(file, data.data(), static_cast<DWORD>(data.size()), &n, nullptr) &&
              n == data.size();
    CloseHandle(file);
    return ok;
}

// The directory of the running test program, ending in "\".
std::string OwnDirectory() {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string own = path;
    return own.substr(0, own.find_last_of("\\/") + 1);
}

// The DLLs that every Windows from 95 on has. Not its C runtime: Windows 95
// has no msvcrt.dll of its own, and setup.exe carries its runtime.
const char* const kSystemLibraries[] = {"kernel32.dll", "user32.dll", "gdi32.dll",   "advapi32.dll",
                                        "shell32.dll",  "ole32.dll",  "comctl32.dll"};

// What keeps `program` from starting on a Windows that has nothing but the
// system's DLLs: the first DLL it imports beyond them. Wine has some more
// (its own user32.dll needs its zlib1.dll), so that a program importing one
// of those would start under Wine and nowhere else. "" when there is none.
std::string NonSystemImport(const std::string& program) {
    HMODULE image = LoadLibraryExA(program.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    if (!image)
        return "cannot read the imports of " + program + " (error " +
               std::to_string(GetLastError()) + ")";
    BYTE* base = reinterpret_cast<BYTE*>(image);
    std::string found;
    for (IMAGE_IMPORT_DESCRIPTOR* d = ImportDescriptors(base); d && d->Name && found.empty(); ++d) {
        const char* library = reinterpret_cast<const char*>(base + d->Name);
        bool system = false;
        for (const char* known : kSystemLibraries)
            system = system || lstrcmpiA(library, known) == 0;
        if (!system)
            found = program + " needs " + library + ", which Windows does not have";
    }
    FreeLibrary(image);
    return found;
}

// The Windows version the scenario hook saw in the program ("4.10" is
// Windows 98), from the first line of its report ("played on Windows 4.10").
std::string ReportedVersion(const std::string& result) {
    const std::string mark = "played on Windows ";
    size_t end = result.find('\n');
    if (result.compare(0, mark.size(), mark) != 0 || end == std::string::npos)
        return "";
    return result.substr(mark.size(), end - mark.size());
}

} // namespace

std::string SetupProgramBytes() {
    return ReadWhole(BuildPath(WIESEN_SETUP_PROGRAM));
}

std::string RunSetupProgram(const std::string& medium, const std::string& text,
                            const std::string& name) {
    char temp[MAX_PATH] = "";
    GetTempPathA(MAX_PATH, temp);
    std::string scenarioFile = std::string(temp) + name, resultFile = scenarioFile + ".result";
    DeleteFileA(resultFile.c_str());
    if (!WriteWhole(scenarioFile, text))
        return "cannot write " + scenarioFile;
    std::string hookPath = OwnDirectory() + "scenario_hook.dll";
    HMODULE hookModule = LoadLibraryA(hookPath.c_str());
    if (!hookModule)
        return "cannot load " + hookPath + " (error " + std::to_string(GetLastError()) + ")";
    HOOKPROC hook = reinterpret_cast<HOOKPROC>(
        reinterpret_cast<void*>(GetProcAddress(hookModule, "ScenarioHook")));
    if (!hook)
        return hookPath + " exports no ScenarioHook";
    std::string program = medium + "setup.exe", commandLine = "\"" + program + "\"";
    std::string missing = NonSystemImport(program);
    if (!missing.empty())
        return missing;
    SetEnvironmentVariableA("WIESEN_SCENARIO", scenarioFile.c_str());
    SetEnvironmentVariableA("WIESEN_SCENARIO_RESULT", resultFile.c_str());
    STARTUPINFOA start = {};
    start.cb = sizeof start;
    PROCESS_INFORMATION process = {};
    // Suspended until its thread is hooked, so the driver sees every window.
    BOOL created = CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                                  CREATE_SUSPENDED, nullptr, medium.c_str(), &start, &process);
    SetEnvironmentVariableA("WIESEN_SCENARIO", nullptr);
    SetEnvironmentVariableA("WIESEN_SCENARIO_RESULT", nullptr);
    if (!created)
        return "cannot start " + program + " (error " + std::to_string(GetLastError()) + ")";
    HHOOK hooked = SetWindowsHookExA(WH_GETMESSAGE, hook, hookModule, process.dwThreadId);
    if (!hooked) {
        TerminateProcess(process.hProcess, 1);
    } else {
        ResumeThread(process.hThread);
    }
    std::string outcome;
    if (hooked && WaitForSingleObject(process.hProcess, 120000) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 1);
        outcome = "the program did not end within two minutes";
    }
    WaitForSingleObject(process.hProcess, 10000);
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    if (hooked)
        UnhookWindowsHookEx(hooked);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (!hooked)
        return "cannot hook the program's thread (error " + std::to_string(GetLastError()) + ")";
    if (!outcome.empty())
        return outcome;
    std::string result = ReadWhole(resultFile);
    DeleteFileA(resultFile.c_str());
    DeleteFileA(scenarioFile.c_str());
    std::string version = ReportedVersion(result);
    if (version.empty())
        return "the scenario driver never started in the program";
    if (windows98 && version != "4.10")
        return "the program saw Windows " + version + ", not Windows 98 (4.10)";
    if (exitCode != 0)
        return "the program ended with " + std::to_string(exitCode);
    return result.substr(result.find('\n') + 1);
}

} // namespace platform_testing

// Drive A as a folder. Windows maps a drive letter onto a folder with
// DefineDosDevice (as subst does). Wine keeps its drives as links in the
// prefix, which DefineDosDevice does not touch; its mount manager makes and
// removes them (as its configuration program does) and takes the folder as
// a host path.
namespace platform_testing {
namespace {

// The mount manager's request to define or (no mount point) remove a drive,
// as Wine 8 declares it.
struct WineUnixDrive {
    ULONG size;
    ULONG type;
    ULONG fsType;
    DWORD serial;
    ULONGLONG unixDevice;
    WCHAR letter;
    USHORT mountPointOffset;
    USHORT deviceOffset;
    USHORT labelOffset;
};
constexpr DWORD kDefineUnixDrive =
    CTL_CODE(0x6d, 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);

using UnixFileName = char*(CDECL*)(LPCWSTR);

UnixFileName WineUnixFileName() {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    return kernel ? reinterpret_cast<UnixFileName>(
                        reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_unix_file_name")))
                  : nullptr;
}

// Makes drive A the host folder unixPath (removes drive A when null).
bool DefineWineDriveA(const char* unixPath) {
    HANDLE manager =
        CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (manager == INVALID_HANDLE_VALUE)
        return false;
    char request[sizeof(WineUnixDrive) + MAX_PATH * 4] = {};
    auto* drive = reinterpret_cast<WineUnixDrive*>(request);
    DWORD size = sizeof *drive;
    drive->type = DRIVE_REMOVABLE;
    drive->letter = L'a';
    if (unixPath) {
        size_t length = strlen(unixPath) + 1;
        if (length > sizeof request - size) {
            CloseHandle(manager);
            return false;
        }
        drive->mountPointOffset = static_cast<USHORT>(size);
        memcpy(request + size, unixPath, length);
        size += static_cast<DWORD>(length);
    }
    drive->size = size;
    DWORD returned = 0;
    BOOL ok =
        DeviceIoControl(manager, kDefineUnixDrive, request, size, nullptr, 0, &returned, nullptr);
    CloseHandle(manager);
    return ok != FALSE;
}

// Points drive A at folder (a Windows path ending in "\"); removes it when
// folder is empty.
bool MapDriveA(const std::string& folder) {
    UnixFileName unixFileName = WineUnixFileName();
    if (!unixFileName) {
        if (folder.empty())
            return DefineDosDeviceA(DDD_REMOVE_DEFINITION, "A:", nullptr) != FALSE;
        return DefineDosDeviceA(0, "A:", folder.substr(0, folder.size() - 1).c_str()) != FALSE;
    }
    if (folder.empty())
        return DefineWineDriveA(nullptr);
    WCHAR wide[MAX_PATH];
    if (!MultiByteToWideChar(CP_ACP, 0, folder.c_str(), -1, wide, MAX_PATH))
        return false;
    char* unixPath = unixFileName(wide);
    if (!unixPath)
        return false;
    bool ok = DefineWineDriveA(unixPath);
    HeapFree(GetProcessHeap(), 0, unixPath);
    return ok;
}

} // namespace

bool InsertDiskette() {
    EjectDiskette();
    if (scratch.empty())
        return false;
    std::string folder = scratch + "diskette\\";
    if (!CreateDirectoryA(folder.c_str(), nullptr) || !MapDriveA(folder)) {
        DeleteTree(folder);
        return false;
    }
    disketteFolder = folder;
    DWORD root = GetFileAttributesA("A:\\");
    return root != INVALID_FILE_ATTRIBUTES && (root & FILE_ATTRIBUTE_DIRECTORY);
}

void EjectDiskette() {
    if (disketteFolder.empty())
        return;
    MapDriveA("");
    DeleteTree(disketteFolder);
    disketteFolder.clear();
}

} // namespace platform_testing

// Wine takes the Windows version it reports to a program from its settings
// for the program's file name.
namespace platform_testing {
namespace {
const char kWineSetupSettings[] = "Software\\Wine\\AppDefaults\\setup.exe";
} // namespace

bool ReportWindows98ToSetupProgram(bool on) {
    if (!WineUnixFileName())
        return false;
    windows98 = false;
    if (!on)
        return RegDeleteKeyA(HKEY_CURRENT_USER, kWineSetupSettings) == ERROR_SUCCESS;
    HKEY key = nullptr;
    if (RegCreateKeyA(HKEY_CURRENT_USER, kWineSetupSettings, &key) != ERROR_SUCCESS)
        return false;
    windows98 = RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>("win98"),
                               sizeof "win98") == ERROR_SUCCESS;
    RegCloseKey(key);
    return windows98;
}

} // namespace platform_testing
