// Test machine on Windows: the running system, with a fresh scratch directory
// under the temporary directory for each test.
#include "platform/testing.h"
#include "platform/win32.h"

#include <stdio.h>
#include <string>

namespace platform_testing {
namespace {
std::string scratch;

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

std::string BeginTestMachine() {
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

} // namespace platform_testing

namespace platform_testing {
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

// The slot of the running program's import table through which it calls
// `function` of `library`; null when it imports no such function.
void** ImportSlot(const char* library, const char* function) {
    BYTE* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!imports.VirtualAddress)
        return nullptr;
    for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         d->Name; ++d) {
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

void* g_realWindowsDirectory = nullptr;
} // namespace

void ClearInjectedFaults() {
    FailWindowsDirectory(false);
}

// The program's calls go through its import table: the slot of
// GetWindowsDirectoryA is pointed at a failing stand-in and back.
bool FailWindowsDirectory(bool on) {
    if (!g_realWindowsDirectory) {
        void** slot = ImportSlot("kernel32.dll", "GetWindowsDirectoryA");
        if (!slot)
            return false;
        g_realWindowsDirectory = *slot;
    }
    return SetImport("kernel32.dll", "GetWindowsDirectoryA",
                     on ? reinterpret_cast<void*>(&FailingWindowsDirectory)
                        : g_realWindowsDirectory);
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
