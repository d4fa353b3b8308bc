// A hook module that plays a scenario inside setup.exe: the tests start the
// program, hook its thread with this module (Windows then loads it into the
// program), and the first call of the hook starts the scenario driver on the
// program's own thread. When the program ends, the driver's result goes into
// a file. Both paths come from the environment the tests gave the program:
// WIESEN_SCENARIO (the scenario file) and WIESEN_SCENARIO_RESULT.
// The result's first line is "played on Windows 4.10" (the version the
// program was told), the driver's result follows.
#include "platform/win32.h"
#include "platform/windows/test_driver.h"

#include <string>

namespace {

bool g_started = false;
bool g_running = false;
std::string g_resultPath;

std::string Environment(const char* name) {
    char value[MAX_PATH * 2];
    DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    return n > 0 && n < sizeof value ? std::string(value, n) : "";
}

bool ReadWhole(const std::string& path, std::string* out) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    char block[4096];
    DWORD n = 0;
    while (ReadFile(file, block, sizeof block, &n, nullptr) && n > 0)
        out->append(block, n);
    CloseHandle(file);
    return true;
}

void WriteResult(const std::string& text) {
    HANDLE file =
        CreateFileA(g_resultPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    // The first line says that the driver reported at all, and on which
    // Windows version the program ran.
    DWORD version = GetVersion();
    std::string report = "played on Windows " + std::to_string(LOBYTE(LOWORD(version))) + "." +
                         std::to_string(HIBYTE(LOWORD(version))) + "\n" + text;
    DWORD n = 0;
    WriteFile(file, report.data(), static_cast<DWORD>(report.size()), &n, nullptr);
    CloseHandle(file);
}

void StartOnce() {
    if (g_started)
        return;
    g_started = true;
    std::string scenarioPath = Environment("WIESEN_SCENARIO");
    g_resultPath = Environment("WIESEN_SCENARIO_RESULT");
    if (scenarioPath.empty() || g_resultPath.empty())
        return;
    std::string text;
    if (!ReadWhole(scenarioPath, &text)) {
        WriteResult("cannot read " + scenarioPath);
        return;
    }
    std::string name = scenarioPath.substr(scenarioPath.find_last_of("\\/") + 1);
    std::string error = platform_testing::StartScenario(text, name);
    if (!error.empty()) {
        WriteResult(error);
        return;
    }
    g_running = true;
}

} // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK
    ScenarioHook(int code, WPARAM wParam, LPARAM lParam) {
    StartOnce();
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_DETACH && g_running) {
        g_running = false;
        WriteResult(platform_testing::StopScenario(true));
    }
    return TRUE;
}
