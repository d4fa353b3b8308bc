#include "system/shell_integration.h"

#include "platform/win32.h"
#include "state/setup_state.h"
#include "text/directory_text.h"

#include <stdio.h>

namespace {

// Whether snprintf's result into a MAX_PATH buffer fitted with its
// terminator.
bool FitsPath(int length) {
    return length >= 0 && length < MAX_PATH;
}

// Frees an item identifier list with the shell's allocator.
void FreeItemList(LPITEMIDLIST list) {
    IMalloc* allocator = nullptr;
    if (SUCCEEDED(SHGetMalloc(&allocator)) && allocator) {
        allocator->Free(list);
        allocator->Release();
    }
}

} // namespace

void CreateDesktopShortcut(const char* directory, const char* fileName, const char* shortcutName,
                           int iconIndex) {
    if (!fileName || !shortcutName)
        return;
    char target[MAX_PATH];
    if (!JoinPath(target, sizeof target, directory ? directory : g_setup.systemDirectory, fileName))
        return;

    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))) ||
        !link)
        return;
    link->SetPath(target);
    link->SetIconLocation(target, iconIndex);
    link->SetDescription(shortcutName);

    char shortcutPath[MAX_PATH];
    IPersistFile* persist = nullptr;
    if (DesktopShortcutPath(shortcutPath, shortcutName) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist))) &&
        persist) {
        WCHAR widePath[MAX_PATH];
        if (MultiByteToWideChar(CP_ACP, 0, shortcutPath, -1, widePath, MAX_PATH) > 0)
            persist->Save(widePath, TRUE);
        persist->Release();
    }
    link->Release();
}

void DeleteDesktopShortcut(const char* shortcutName) {
    char shortcutPath[MAX_PATH];
    if (shortcutName && DesktopShortcutPath(shortcutPath, shortcutName))
        DeleteFileA(shortcutPath);
}

int DesktopShortcutPath(char* buffer, const char* shortcutName) {
    if (!buffer || !shortcutName)
        return 0;
    LPITEMIDLIST list = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOPDIRECTORY, &list)) || !list)
        return 0;
    char desktop[MAX_PATH];
    BOOL found = SHGetPathFromIDListA(list, desktop);
    FreeItemList(list);
    if (!found)
        return 0;
    char file[MAX_PATH];
    if (!FitsPath(snprintf(file, sizeof file, "%s.lnk", shortcutName)) ||
        !JoinPath(buffer, MAX_PATH, desktop, file)) {
        buffer[0] = '\0';
        return 0;
    }
    return 1;
}

void RefreshDesktopItems() {
    IMalloc* allocator = nullptr;
    if (FAILED(SHGetMalloc(&allocator)) || !allocator)
        return;

    IShellFolder* desktop = nullptr;
    if (SUCCEEDED(SHGetDesktopFolder(&desktop)) && desktop) {
        IEnumIDList* items = nullptr;
        if (SUCCEEDED(desktop->EnumObjects(nullptr, SHCONTF_FOLDERS, &items)) && items) {
            LPITEMIDLIST item = nullptr;
            ULONG fetched = 0;
            while (SUCCEEDED(items->Next(1, &item, &fetched)) && fetched == 1) {
                SHChangeNotify(SHCNE_UPDATEITEM, SHCNF_IDLIST, item, item);
                allocator->Free(item);
                item = nullptr;
            }
            items->Release();
        }
        desktop->Release();
    }

    LPITEMIDLIST root = nullptr;
    if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &root)) && root) {
        SHChangeNotify(SHCNE_UPDATEDIR, SHCNF_IDLIST, root, nullptr);
        allocator->Free(root);
    }
    allocator->Release();
}
