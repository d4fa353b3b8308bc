#include "system/wow64.h"

#include "state/setup_state.h"
#include "text/directory_text.h"

namespace {

typedef BOOL(WINAPI* IsWow64ProcessFunction)(HANDLE, PBOOL);
typedef BOOL(WINAPI* DisableRedirectionFunction)(PVOID*);
typedef BOOL(WINAPI* RevertRedirectionFunction)(PVOID);

// A function of KERNEL32 that older Windows may lack (null then), so that
// the program does not import it.
template <typename Function> Function KernelFunction(const char* name) {
    HMODULE kernel = GetModuleHandleA("KERNEL32.DLL");
    FARPROC found = kernel ? GetProcAddress(kernel, name) : nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(found));
}

bool SwitchRedirectionOff(PVOID* state) {
    auto disable = KernelFunction<DisableRedirectionFunction>("Wow64DisableWow64FsRedirection");
    return disable && disable(state);
}

void SwitchRedirectionBack(PVOID state) {
    auto revert = KernelFunction<RevertRedirectionFunction>("Wow64RevertWow64FsRedirection");
    if (revert)
        revert(state);
}

bool IsDirectory(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

bool RunsUnderWow64() {
    auto isWow64 = KernelFunction<IsWow64ProcessFunction>("IsWow64Process");
    BOOL wow64 = FALSE;
    return isWow64 && isWow64(GetCurrentProcess(), &wow64) && wow64;
}

REGSAM NativeRegistryView() {
    return RunsUnderWow64() ? KEY_WOW64_64KEY : 0;
}

bool BeginNativeSystemFile(const char* name, char* path, size_t capacity, NativeSystemFile* file) {
    file->switched = false;
    if (RunsUnderWow64()) {
        char alias[MAX_PATH];
        if (JoinPath(alias, sizeof alias, g_setup.windowsDirectory, "Sysnative") &&
            IsDirectory(alias))
            return JoinPath(path, capacity, alias, name);
        file->switched = SwitchRedirectionOff(&file->redirection);
    }
    return JoinPath(path, capacity, g_setup.systemDirectory, name);
}

void EndNativeSystemFile(NativeSystemFile* file) {
    if (file->switched)
        SwitchRedirectionBack(file->redirection);
    file->switched = false;
}

DWORD NativeShortPathName(const char* path, char* buffer, DWORD capacity) {
    PVOID state = nullptr;
    bool switched = RunsUnderWow64() && SwitchRedirectionOff(&state);
    DWORD length = GetShortPathNameA(path, buffer, capacity);
    if (switched)
        SwitchRedirectionBack(state);
    return length;
}
