// Helpers for tests of the whole program: an installation medium in
// c:\medium (the current directory, as when setup.exe is started from it),
// looks at what an install leaves on the machine, and, on Windows, where
// tests share one machine, the removal of what a test installed.
#pragma once

#include "engine/install.h"
#include "engine/install_file_table.h"
#include "engine/setting_item.h"
#include "engine/uninstall.h"
#include "platform/testing.h"
#include "platform/win32.h"
#include "state/setup_state.h"
#include "system/profile_settings.h"
#include "system/registry_key.h"
#include "system/shell_integration.h"
#include "tests/support/package_files.h"
#include "tests/support/theme_machine.h"
#include "tools/make-medium/medium.h"

#include <stdio.h>
#include <string.h>
#include <string>

namespace program_test {

constexpr const char* kMedium = "c:\\medium\\";
constexpr const char* kUninstallEntry =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Wiesenhain-Scr";
constexpr const char* kProductGeneral = "SOFTWARE\\Vorq\\Wiesenhain\\general";

// The bytes standing in for setup.exe on the test medium.
inline std::string SetupBytes() {
    return std::string("MZ test setup program\r\n") + std::string(500, 'x');
}

// Writes setup.exe and the eight packages of the demo set into directory.
inline bool WriteMedium(const std::string& directory) {
    CreateDirectoryA(directory.c_str(), nullptr);
    bool ok = package_test::WriteWholeFile(directory + "setup.exe", SetupBytes());
    std::vector<medium::NamedFile> files = medium::DemoFiles();
    for (size_t i = 0; i < files.size(); ++i)
        ok = ok && package_test::WriteWholeFile(directory + medium::kPackages[i].package,
                                                medium::Deflate(files[i].data));
    return ok;
}

// Deletes a directory with everything in it (no error when missing).
inline void RemoveTree(const std::string& directory) {
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((directory + "\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string path = directory + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(find, &found));
        FindClose(find);
    }
    RemoveDirectoryA(directory.c_str());
}

inline bool KeyExists(HKEY root, const char* path) {
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// A string value, or "<missing>"; opens without creating.
inline std::string RegistryValue(HKEY root, const char* path, const char* name) {
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "<missing>";
    char data[600] = "";
    DWORD size = sizeof data - 1, type = 0;
    LONG status = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? std::string(data) : "<missing>";
}

inline bool IsInstalledMarkerPresent() {
    return ProfileSettings::IsPresent(kProductName, kInstalledMarkerKey) != 0;
}

inline std::string WindowsFile(const char* name) {
    char directory[MAX_PATH] = "";
    GetWindowsDirectoryA(directory, MAX_PATH);
    return std::string(directory) + "\\" + name;
}

// A file of the system directory as this process names it (under WOW64 it
// reaches SysWOW64), and the same where 64-bit Windows reads it.
inline std::string SystemFile(const char* name) {
    return theme_test::SystemDir() + name;
}
inline std::string NativeSystemFile(const char* name) {
    return theme_test::NativeSystemDir() + name;
}

inline bool ShortcutExists() {
    char name[300] = "";
    LoadStringA(platform_testing::ProgramInstance(), 100, name, sizeof name);
    char path[MAX_PATH];
    return DesktopShortcutPath(path, name) && package_test::Exists(path);
}

// Removes an install left by a test (Windows keeps one machine for all),
// and finishes an uninstall a test stopped before its last step.
inline void UninstallIfInstalled() {
    if (!IsInstalledMarkerPresent()) {
        ResetSetupState();
        g_setup.instance = platform_testing::ProgramInstance();
        LoadStringA(g_setup.instance, 100, g_setup.productName, sizeof g_setup.productName);
        if (IsUninstallUnfinished()) {
            ReadInstalledTargetDirectory();
            FinishUninstall();
        }
        ResetSetupState();
        return;
    }
    ResetSetupState();
    g_setup.instance = platform_testing::ProgramInstance();
    LoadStringA(g_setup.instance, 100, g_setup.productName, sizeof g_setup.productName);
    char directory[MAX_PATH] = "";
    ReadRegistryString(HKEY_LOCAL_MACHINE, kProductGeneral, "dir", directory, MAX_PATH - 1);
    snprintf(g_setup.targetDirectory, sizeof g_setup.targetDirectory, "%s\\", directory);
    PrepareSettingItems();
    RunUninstall();
    FinishUninstall();
    ResetSetupState();
}

} // namespace program_test
