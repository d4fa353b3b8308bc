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
void ClearInjectedFaults() {}
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
