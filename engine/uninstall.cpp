#include "engine/uninstall.h"

#include "engine/install.h"
#include "engine/install_file_table.h"
#include "engine/procedure_dialogs.h"
#include "engine/setting_item.h"
#include "resources/resource_ids.h"
#include "state/setup_state.h"
#include "system/profile_settings.h"
#include "system/registry_key.h"
#include "system/shell_integration.h"
#include "text/directory_text.h"

#include <stdio.h>
#include <string.h>

namespace {

// The product key's subkeys, in the order they are removed. Only "general"
// is written by this program; the others come from the screen saver.
const char* const kProductSubkeys[] = {"general", "plants",   "seeds",    "animations", "aniint",
                                       "sounds",  "soundint", "specials", "specialint"};
// Subkeys whose value names name library files of the install directory.
const char* const kLibrarySubkeys[] = {"plants", "animations", "sounds", "specials"};

// A value name that names a file of the install directory and nothing else:
// no separators, no drive, not "." or "..".
bool IsPlainFileName(const char* name) {
    return name[0] && strpbrk(name, "\\/:") == nullptr && strcmp(name, ".") != 0 &&
           strcmp(name, "..") != 0;
}

} // namespace

void ReadInstalledTargetDirectory() {
    char* target = g_setup.targetDirectory;
    RegistryKey product(HKEY_LOCAL_MACHINE, kProductKeyPath);
    if (!product.ReadString("general", "dir", target, kDirectoryCapacity) || !target[0]) {
        target[0] = 0;
        ProfileSettings::Read(kInstallDirectoryKey, target, kDirectoryCapacity);
    }
    AppendBackslash(target, kDirectoryCapacity);
}

bool RunUninstall() {
    if (!ResolveSystemDirectories())
        return false;
    ShowStatusLine(kStringRestoringSettings);
    SettingItemList& list = SettingItemList::Program();
    int failedCode = 0;
    for (int i = 0; i < list.count; ++i) {
        SettingItem* item = list.items[i];
        if (!item->HasSaved())
            continue;
        if (!item->RestoreSaved() && !failedCode)
            failedCode = item->GetErrorCode();
    }
    // A setting that could not be put back still uses the theme's files and
    // needs its record: both stay, the theme stays installed, and the next
    // uninstall, once the cause is gone, restores it and finishes.
    if (!failedCode)
        RemoveInstalledFiles();
    RefreshDesktopItems();
    // Records left behind would still mark the theme as installed on a
    // machine that is the user's again: that is a failure too, and the next
    // uninstall, which finds nothing left to restore, finishes.
    if (!failedCode && !ProfileSettings::RemoveSection())
        failedCode = 3;
    ShowStatusLine(0);
    if (failedCode) {
        g_setup.errorCode = failedCode;
        return false;
    }
    return true;
}

void DeleteProductSubkeys() {
    RegistryKey product(HKEY_LOCAL_MACHINE, kProductKeyPath);
    for (const char* subkey : kProductSubkeys) {
        // Delete the values one by one, each time from the first: a deletion
        // shifts the later values down. Stop when a value does not go.
        char name[MAX_PATH], previous[MAX_PATH] = "";
        bool first = true;
        for (;;) {
            if (!product.BeginValueEnum(subkey))
                break;
            bool fetched = product.NextValueName(name, sizeof name);
            if (fetched && (first || strcmp(name, previous) != 0))
                product.DeleteValue(subkey, name);
            else
                fetched = false;
            product.EndValueEnum();
            if (!fetched)
                break;
            snprintf(previous, sizeof previous, "%s", name);
            first = false;
        }
        HKEY key;
        if (RegOpenKeyA(HKEY_LOCAL_MACHINE, kProductKeyPath, &key) != ERROR_SUCCESS)
            continue;
        RegDeleteKeyA(key, subkey);
        RegCloseKey(key);
    }
}

void RemoveProductData() {
    RegistryKey product(HKEY_LOCAL_MACHINE, kProductKeyPath);
    char directory[MAX_PATH];
    // Without "dir" (a run ended before the product key was written) the
    // directory this run read from the records stands in for it; without
    // either no file can be found, but the keys still go: kept, they would
    // stand for an install that nothing can remove (see
    // IsUninstallUnfinished).
    bool known = product.ReadString("general", "dir", directory, sizeof directory) && directory[0];
    if (!known)
        known = IsFullDirectory(g_setup.targetDirectory) &&
                CopyWithoutBackslash(directory, sizeof directory, g_setup.targetDirectory);
    // The directory text of the files; without room for its "\" no file path
    // can be formed either.
    char files[MAX_PATH] = "";
    if (known)
        snprintf(files, sizeof files, "%s", directory);
    bool room = known && AppendBackslash(files, sizeof files);
    if (room) {
        char path[kFullValueCapacity];
        if (JoinPath(path, sizeof path, files, "data."))
            DeleteFileA(path);
        for (const char* subkey : kLibrarySubkeys) {
            if (!product.BeginValueEnum(subkey))
                continue;
            char name[90];
            while (product.NextValueName(name, sizeof name)) {
                char library[sizeof name + 4];
                if (IsPlainFileName(name) &&
                    snprintf(library, sizeof library, "%s.dll", name) > 0 &&
                    JoinPath(path, sizeof path, files, library))
                    DeleteFileA(path);
            }
            product.EndValueEnum();
        }
    }
    // The directory goes before "dir", which names it for a run that
    // finishes this one after a stop.
    if (known)
        RemoveDirectoryA(directory);
    product.DeleteValue("general", "dir");
    DeleteProductSubkeys();

    HKEY maker;
    if (RegOpenKeyA(HKEY_LOCAL_MACHINE, kMakerKeyPath, &maker) != ERROR_SUCCESS)
        return;
    RegDeleteKeyA(maker, kProductName);
    char other[MAX_PATH];
    if (RegEnumKeyA(maker, 0, other, sizeof other) == ERROR_NO_MORE_ITEMS) {
        RegCloseKey(maker);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kMakerKeyPath);
    } else {
        RegCloseKey(maker);
    }
}

void RemoveUninstallEntry() {
    char keyName[200];
    if (LoadStringA(g_setup.instance, kStringUninstallKey, keyName, sizeof keyName) <= 0)
        return;
    RegistryKey uninstall(HKEY_LOCAL_MACHINE, kUninstallKeyPath);
    uninstall.DeleteValue(keyName, "DisplayName");
    uninstall.DeleteValue(keyName, "UninstallString");
    HKEY key;
    if (RegOpenKeyA(HKEY_LOCAL_MACHINE, kUninstallKeyPath, &key) != ERROR_SUCCESS)
        return;
    RegDeleteKeyA(key, keyName);
    RegCloseKey(key);
}

// Only this program writes them: the product key's "general" (the screen
// saver writes the other subkeys) and the uninstall entry. Looked at without
// creating either.
bool IsUninstallUnfinished() {
    char general[RegistryKey::kFullPathSize];
    snprintf(general, sizeof general, "%s\\general", kProductKeyPath);
    if (MissingRegistryKeys(HKEY_LOCAL_MACHINE, general) == 0)
        return true;
    char keyName[200], entry[RegistryKey::kFullPathSize];
    if (LoadStringA(g_setup.instance, kStringUninstallKey, keyName, sizeof keyName) <= 0)
        return false;
    int n = snprintf(entry, sizeof entry, "%s\\%s", kUninstallKeyPath, keyName);
    return n > 0 && static_cast<size_t>(n) < sizeof entry &&
           MissingRegistryKeys(HKEY_LOCAL_MACHINE, entry) == 0;
}

void FinishUninstall() {
    RemoveProductData();
    RemoveUninstallEntry();
    DeleteDesktopShortcut(g_setup.productName);
}
