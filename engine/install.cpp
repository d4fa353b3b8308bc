#include "engine/install.h"

#include "engine/install_file_table.h"
#include "engine/procedure_dialogs.h"
#include "engine/setting_item.h"
#include "package/decompression_engines.h"
#include "resources/resource_ids.h"
#include "state/setup_state.h"
#include "system/profile_settings.h"
#include "system/registry_key.h"
#include "system/shell_integration.h"
#include "system/wow64.h"
#include "text/directory_text.h"
#include "text/text_case.h"

#include <stdio.h>
#include <string.h>
#include <time.h>

const char kUninstallKeyPath[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

namespace {

// Copies a plain row and clears the copy's read-only attribute. 0 when done,
// -1 when the copy failed, 1 when its attributes could not be handled.
int CopyPlainFile(const char* source, const char* target) {
    if (!CopyFileA(source, target, FALSE))
        return -1;
    DWORD attributes = GetFileAttributesA(target);
    if (attributes == INVALID_FILE_ATTRIBUTES ||
        !SetFileAttributesA(target, attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY)))
        return 1;
    return 0;
}

// The installed file of a row as this process's file calls reach it. A file
// of the system directory goes where 64-bit Windows reads it (under WOW64 not
// SysWOW64, see system/wow64.h); EndNativeSystemFile(file) after the calls.
// The other files keep their places. False when the path does not fit.
bool BeginInstalledFile(const InstallFileEntry& entry, char* path, size_t capacity,
                        NativeSystemFile* file) {
    if (entry.location == LocationKind::System)
        return BeginNativeSystemFile(entry.targetName, path, capacity, file);
    file->switched = false;
    return JoinPath(path, capacity, DirectoryFor(entry.location), entry.targetName);
}

// True when two paths name one existing file: the same short form (the
// target directory may be the medium itself, named another way).
bool IsSameFile(const char* a, const char* b) {
    char shortA[MAX_PATH], shortB[MAX_PATH];
    DWORD lengthA = GetShortPathNameA(a, shortA, sizeof shortA);
    DWORD lengthB = GetShortPathNameA(b, shortB, sizeof shortB);
    return lengthA > 0 && lengthA < sizeof shortA && lengthB > 0 && lengthB < sizeof shortB &&
           EqualNoCase(shortA, shortB);
}

// Whether a ","-separated list holds a name (without regard to case).
bool ListHolds(const char* list, const char* name) {
    size_t length = strlen(name);
    for (const char* at = list; *at;) {
        const char* end = strchr(at, ',');
        size_t itemLength = end ? static_cast<size_t>(end - at) : strlen(at);
        char item[MAX_PATH];
        if (itemLength == length && itemLength < sizeof item) {
            memcpy(item, at, itemLength);
            item[itemLength] = 0;
            if (EqualNoCase(item, name))
                return true;
        }
        if (!end)
            break;
        at = end + 1;
    }
    return false;
}

// An installation file's place on the medium and its copy's in the target
// directory (buffers of kFullValueCapacity); false when one does not fit.
bool SetupFilePaths(const char* name, char* source, char* target) {
    return JoinPath(source, kFullValueCapacity, g_setup.sourceDirectory, name) &&
           JoinPath(target, kFullValueCapacity, g_setup.targetDirectory, name);
}

} // namespace

bool ResolveSystemDirectories() {
    struct {
        UINT (*get)(LPSTR, UINT);
        char* out;
    } steps[] = {
        {[](LPSTR b, UINT c) { return GetWindowsDirectoryA(b, c); }, g_setup.windowsDirectory},
        {[](LPSTR b, UINT c) { return GetSystemDirectoryA(b, c); }, g_setup.systemDirectory},
    };
    for (auto& step : steps) {
        char buffer[MAX_PATH];
        UINT length = step.get(buffer, sizeof buffer);
        if (length == 0 || length > 258) {
            g_setup.errorCode = 1;
            return false;
        }
        AppendBackslash(buffer, sizeof buffer);
        snprintf(step.out, kSystemDirectoryCapacity, "%s", buffer);
    }
    return true;
}

bool CopyInstallFiles() {
    ShowStatusLine(kStringCopyingFiles);
    SetCursor(LoadCursorA(nullptr, IDC_WAIT));

    // One longer than the chooser's capacity, which writes its terminator
    // after as many characters.
    char source[MAX_PATH + 1] = "a:\\";
    char current[MAX_PATH];
    DWORD length = GetCurrentDirectoryA(257, current);
    if (length > 0 && length < 257)
        snprintf(source, sizeof source, "%s", current);
    AppendBackslash(source, sizeof source);

    g_setup.errorCode = 0;
    bool good = true;
    for (int row = 0; row < InstallFileTable::kCount && good; ++row) {
        const InstallFileEntry& entry = InstallFileTable::rows[row];
        if (!IsCategorySelected(entry.category))
            continue;
        char target[kFullValueCapacity];
        for (;;) {
            char sourcePath[kFullValueCapacity];
            JoinPath(sourcePath, sizeof sourcePath, source, entry.packageName);
            NativeSystemFile file;
            BeginInstalledFile(entry, target, sizeof target, &file);
            int outcome = entry.packed ? UnpackPackageFile(sourcePath, target)
                                       : CopyPlainFile(sourcePath, target);
            EndNativeSystemFile(&file);
            if (outcome == 0)
                break;
            if (outcome == -1) {
                // The installation files are not where we looked: ask.
                if (AskForSourceDirectory(source, MAX_PATH))
                    continue;
                good = false;
            } else if (entry.packed) {
                g_setup.errorCode = 11;
                good = false;
            } else {
                good = false; // the copy's attributes: code 2 below
            }
            break;
        }
    }
    if (good)
        snprintf(g_setup.sourceDirectory, sizeof g_setup.sourceDirectory, "%s", source);
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    ShowStatusLine(0);
    if (!good && g_setup.errorCode == 0)
        g_setup.errorCode = 2;
    return good;
}

bool SaveOldSettings() {
    SettingItemList& list = SettingItemList::Program();
    // The install directory goes first: every state that holds the
    // installed marker also knows where the files are, even when the run
    // ends before the product key is written.
    char directory[kDirectoryCapacity];
    // No copy of the installation files is made yet: an uninstall of a run
    // that ends before they are deletes none of those in the target
    // directory, which may be the user's only copy of the medium.
    bool good = CopyWithoutBackslash(directory, sizeof directory, g_setup.targetDirectory) &&
                ProfileSettings::Write(kInstallDirectoryKey, directory) != 0 &&
                ProfileSettings::Write(kSetupCopiesKey, "") != 0;
    for (int i = 0; good && i < list.count; ++i) {
        SettingItem* item = list.items[i];
        if (IsCategorySelected(item->GetCategory()) && !item->SaveCurrent())
            good = false;
    }
    if (!good) {
        g_setup.errorCode = 3;
        ProfileSettings::RemoveSection();
        RemoveInstalledFiles(false);
    }
    return good;
}

void ApplyThemeSettings() {
    SettingItemList& list = SettingItemList::Program();
    for (int i = 0; i < list.count; ++i) {
        SettingItem* item = list.items[i];
        if (!IsCategorySelected(item->GetCategory()) || !item->isSaved)
            continue;
        char value[kValueCapacity];
        item->GetThemeValue(value, sizeof value);
        char full[kFullValueCapacity];
        if (item->location == LocationKind::Literal)
            snprintf(full, sizeof full, "%s", value);
        else
            JoinPath(full, sizeof full, DirectoryFor(item->location), value);
        if (!item->Apply(full)) {
            // Apply may have changed part of the setting (the display, a
            // second value) before it failed: put the recorded value back
            // before the record goes, or nothing could ever restore it.
            item->RestoreSaved();
            // The installed marker stays: without it the other records could
            // never be used, and a new install would record the theme's
            // values over the user's.
            if (strcmp(item->keyName, kInstalledMarkerKey) != 0)
                item->ForgetSaved();
            g_setup.errorCode = item->GetErrorCode();
        }
    }
}

// The copies are listed before they are made, so that the uninstall deletes
// no other file of those names: a file that is its own source (the target
// directory is the medium) is neither copied nor listed, it is the user's.
// A list that cannot be written makes no copy (the record says "none").
void CopySetupFiles() {
    // Each name once, and only those the list has room for.
    bool copied[InstallFileTable::kCount] = {};
    char copies[kValueCapacity] = "";
    size_t used = 0;
    for (int row = 0; row < InstallFileTable::kCount; ++row) {
        const char* name = InstallFileTable::rows[row].packageName;
        char source[kFullValueCapacity], target[kFullValueCapacity];
        if (!SetupFilePaths(name, source, target) || IsSameFile(source, target) ||
            ListHolds(copies, name))
            continue;
        int n = snprintf(copies + used, sizeof copies - used, "%s%s", used ? "," : "", name);
        if (n > 0 && static_cast<size_t>(n) < sizeof copies - used) {
            used += static_cast<size_t>(n);
            copied[row] = true;
        } else {
            copies[used] = 0;
        }
    }
    if (!ProfileSettings::Write(kSetupCopiesKey, copies))
        return;
    for (int row = 0; row < InstallFileTable::kCount; ++row) {
        char source[kFullValueCapacity], target[kFullValueCapacity];
        if (!copied[row] ||
            !SetupFilePaths(InstallFileTable::rows[row].packageName, source, target) ||
            !CopyFileA(source, target, FALSE))
            continue;
        DWORD attributes = GetFileAttributesA(target);
        if (attributes != INVALID_FILE_ATTRIBUTES)
            SetFileAttributesA(target, attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    }
}

void RemoveInstalledFiles(bool setupCopies) {
    // Only through directories that were resolved: an empty directory text
    // (the Windows directory was not found) or the single "\\" of a product
    // key without "dir" would address files of these names in the current
    // directory or the root of the current drive.
    bool target = IsFullDirectory(g_setup.targetDirectory);
    // Only the copies the install made; a record from before there was the
    // list has them all deleted, as then.
    char copies[kValueCapacity] = "";
    bool listed = setupCopies && ProfileSettings::ValueLength(kSetupCopiesKey) > 0;
    if (listed)
        ProfileSettings::Read(kSetupCopiesKey, copies, sizeof copies);
    for (int row = 0; row < InstallFileTable::kCount; ++row) {
        const InstallFileEntry& entry = InstallFileTable::rows[row];
        if (!entry.removeOnUninstall)
            continue;
        char path[kFullValueCapacity];
        if (IsFullDirectory(DirectoryFor(entry.location))) {
            NativeSystemFile file;
            if (BeginInstalledFile(entry, path, sizeof path, &file))
                DeleteFileA(path);
            EndNativeSystemFile(&file);
        }
        if (setupCopies && target && (!listed || ListHolds(copies, entry.packageName)) &&
            JoinPath(path, sizeof path, g_setup.targetDirectory, entry.packageName))
            DeleteFileA(path);
    }
}

void DeleteWindowsFile(const char* name) {
    char path[kFullValueCapacity];
    if (JoinPath(path, sizeof path, g_setup.windowsDirectory, name))
        DeleteFileA(path);
}

bool RunInstall() {
    // A failed install has not yet copied the installation files into the
    // target directory (that is its last step): files of those names there
    // are the user's, often the very medium the setup runs from, and stay.
    if (!ResolveSystemDirectories() || !CopyInstallFiles()) {
        RemoveInstalledFiles(false);
        return false;
    }
    if (!SaveOldSettings())
        return false;
    ShowStatusLine(kStringChangingSettings);
    ApplyThemeSettings();
    DeleteWindowsFile("ShellIconCache");
    RefreshDesktopItems();
    CopySetupFiles();
    ShowStatusLine(0);
    return true;
}

void RegisterUninstallEntry() {
    char keyName[200], displayName[200];
    if (LoadStringA(g_setup.instance, kStringUninstallKey, keyName, sizeof keyName) <= 0 ||
        LoadStringA(g_setup.instance, kStringUninstallName, displayName, sizeof displayName) <= 0)
        return;
    char remover[kFullValueCapacity];
    JoinPath(remover, sizeof remover, g_setup.windowsDirectory, "wiesenhain-remove.exe");
    RegistryKey uninstall(HKEY_LOCAL_MACHINE, kUninstallKeyPath);
    uninstall.WriteString(keyName, "DisplayName", displayName);
    uninstall.WriteString(keyName, "UninstallString", remover);
}

void CompleteInstall() {
    RegistryKey product(HKEY_LOCAL_MACHINE, kProductKeyPath);
    // "dir" names the directory without its "\"; the state keeps it.
    char directory[kDirectoryCapacity];
    if (g_setup.targetDirectory[0] &&
        CopyWithoutBackslash(directory, sizeof directory, g_setup.targetDirectory))
        product.WriteString("general", "dir", directory);
    DWORD now = static_cast<DWORD>(time(nullptr));
    product.WriteString("general", "user", g_setup.gardenName);
    product.WriteString("general", "scr", kScreenSaverFileName);
    product.WriteDword("general", "2", now);
    RegisterUninstallEntry();
    CreateDesktopShortcut(nullptr, kScreenSaverFileName, g_setup.productName, 0);
}
