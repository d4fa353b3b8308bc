// Special folders and item identifier lists: SHGetSpecialFolderLocation,
// SHGetPathFromIDListA, and SHGetMalloc, the shell allocator the lists are
// allocated from. Item identifier lists have the layout of the Windows 95
// shell: root items carry the class id of Computer, Network or Recycle Bin,
// a drive item "C:\" follows Computer, then one item per directory or file
// name. The empty list is the desktop root, whose files live in the desktop
// directory.
#include "platform/posix/kernel/api_base.h"
#include "platform/posix/kernel/calls.h"
#include "platform/posix/kernel/machine.h"
#include "platform/posix/shell/api_shell.h"
#include "platform/posix/shell/shell_internal.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

using namespace shell_internal;

namespace {

const IID kIidMalloc = {0x00000002, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// One allocator for the process, as on Windows.
class ShellAllocator final : public IMalloc, public Resident {
  public:
    ShellAllocator() : Resident(0) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!object)
            return E_POINTER;
        if (SameGuid(riid, IID_IUnknown) || SameGuid(riid, kIidMalloc)) {
            AddRef();
            *object = static_cast<IMalloc*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return DoAddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return DoRelease(); }
    void* STDMETHODCALLTYPE Alloc(size_t size) override {
        void* block = malloc(size ? size : 1);
        if (block)
            g_state.blocks.insert(block);
        return block;
    }
    void STDMETHODCALLTYPE Free(void* block) override {
        if (!block)
            return;
        if (g_state.blocks.erase(block) == 0) {
            // Windows would corrupt its heap here; the emulation stops.
            fprintf(stderr, "IMalloc::Free of a block the shell allocator did not give out\n");
            abort();
        }
        free(block);
    }
};
ShellAllocator g_allocator;

} // namespace

// ---- Item identifier lists ----

// One item: its size, then the bytes.
void shell_internal::PutItem(std::string& list, const std::string& bytes) {
    Put16(list, static_cast<uint32_t>(bytes.size() + 2));
    list += bytes;
}

std::string shell_internal::RootItem(int index) {
    std::string item;
    item += '\x1F';
    item += static_cast<char>(kRootFolders[index].sortOrder);
    item.append(reinterpret_cast<const char*>(&kRootFolders[index].clsid), sizeof(CLSID));
    return item;
}

// Copies a list into a block of the shell allocator, adding the terminator.
LPITEMIDLIST shell_internal::AllocList(const std::string& list) {
    std::string bytes = list;
    Put16(bytes, 0);
    void* block = g_allocator.Alloc(bytes.size());
    if (!block)
        return nullptr;
    memcpy(block, bytes.data(), bytes.size());
    return static_cast<LPITEMIDLIST>(block);
}

namespace {

// The list of a full path "C:\DIR\NAME" below Computer.
std::string PathList(const std::string& path) {
    std::string list;
    PutItem(list, RootItem(kComputer));
    std::string drive = "\x2F" + path.substr(0, 2) + "\\";
    drive.resize(23, '\0');
    PutItem(list, drive);
    size_t start = 3;
    while (start < path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string::npos)
            end = path.size();
        // Directory item: type, a zero, size, DOS date and time, attributes,
        // then the name with its terminator, padded to an even length.
        std::string item;
        item += '\x31';
        item += '\0';
        Put32(item, 0);
        Put32(item, 0);
        Put16(item, FILE_ATTRIBUTE_DIRECTORY);
        item += path.substr(start, end - start);
        item += '\0';
        if (item.size() % 2)
            item += '\0';
        PutItem(list, item);
        start = end + 1;
    }
    return list;
}

// The items of a list.
std::vector<std::string> Items(LPCITEMIDLIST list) {
    std::vector<std::string> items;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(list);
    while (p && Get16(p) >= 2) {
        uint32_t size = Get16(p);
        items.emplace_back(reinterpret_cast<const char*>(p + 2), size - 2);
        p += size;
    }
    return items;
}

int RootIndex(const std::string& item) {
    if (item.size() < 2 + sizeof(CLSID) || item[0] != '\x1F')
        return -1;
    for (int i = 0; i < static_cast<int>(sizeof kRootFolders / sizeof kRootFolders[0]); ++i)
        if (memcmp(item.data() + 2, &kRootFolders[i].clsid, sizeof(CLSID)) == 0)
            return i;
    return -1;
}

// The file-system path of a list, or "" when it has none.
std::string ListPath(LPCITEMIDLIST list) {
    std::vector<std::string> items = Items(list);
    if (items.empty())
        return machine::DesktopDirectory(); // the desktop root lives in the desktop directory
    if (RootIndex(items[0]) != kComputer || items.size() < 2)
        return "";
    if (items[1].size() < 4 || items[1][0] != '\x2F')
        return "";
    std::string path = std::string(items[1].data() + 1, 3);
    for (size_t i = 2; i < items.size(); ++i) {
        const std::string& item = items[i];
        if (item.size() < 13 || (item[0] != '\x31' && item[0] != '\x32'))
            return "";
        if (path.back() != '\\')
            path += '\\';
        path += item.c_str() + 12;
    }
    return path;
}

} // namespace

// What a list names, for the notification record.
std::string shell_internal::ListName(LPCITEMIDLIST list) {
    std::vector<std::string> items = Items(list);
    if (items.empty())
        return "Desktop";
    int root = RootIndex(items[0]);
    if (root >= 0 && items.size() == 1)
        return kRootFolders[root].name;
    std::string path = ListPath(list);
    return path.empty() ? "?" : path;
}

// ---- Shell ----

HRESULT WINAPI SHGetSpecialFolderLocation(HWND, int folder, LPITEMIDLIST* list) {
    Called();
    if (!list)
        return E_INVALIDARG;
    *list = nullptr;
    return calls::Run(calls::kSHGetSpecialFolderLocation, [&]() -> HRESULT {
        std::string bytes;
        if (folder == CSIDL_DESKTOPDIRECTORY)
            bytes = PathList(machine::DesktopDirectory());
        else if (folder != CSIDL_DESKTOP)
            return E_INVALIDARG;
        *list = AllocList(bytes);
        return *list ? S_OK : E_OUTOFMEMORY;
    });
}

BOOL WINAPI SHGetPathFromIDListA(LPCITEMIDLIST list, LPSTR path) {
    Called();
    if (!path)
        return FALSE;
    path[0] = '\0';
    if (!list)
        return FALSE;
    std::string text = ListPath(list);
    if (text.empty() || text.size() >= MAX_PATH)
        return FALSE;
    memcpy(path, text.c_str(), text.size() + 1);
    return TRUE;
}

HRESULT WINAPI SHGetMalloc(IMalloc** allocator) {
    Called();
    if (!allocator)
        return E_INVALIDARG;
    *allocator = nullptr;
    return calls::Run(calls::kSHGetMalloc, [&]() -> HRESULT {
        g_allocator.AddRef();
        *allocator = &g_allocator;
        return S_OK;
    });
}
