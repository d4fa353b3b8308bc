// Component objects and the shell of the emulated machine.
//
// The shell-link object writes and reads shell link files in the platform's
// binary format: a 0x4C-byte header with the link class id, a LinkInfo
// block holding the target as a local path on a volume, and the description
// and icon location as counted code page 1252 strings (the IsUnicode flag is
// never set, as on Windows 95). Item identifier lists have the layout of the
// Windows 95 shell: root items carry the class id of Computer, Network or
// Recycle Bin, a drive item "C:\" follows Computer, then one item per
// directory or file name. Every object counts its references; the live
// counts and the notifications received are visible through shell_state.h.
#include "platform/posix/kernel/api_base.h"
#include "platform/posix/kernel/api_files.h"
#include "platform/posix/shell/api_shell.h"
#include "platform/posix/kernel/codepage.h"
#include "platform/posix/kernel/faults.h"
#include "platform/posix/kernel/file_checks.h"
#include "platform/posix/kernel/machine.h"
#include "platform/posix/shell/shell_state.h"
#include "platform/posix/kernel/trace.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <set>
#include <string>
#include <vector>

const CLSID CLSID_ShellLink = {0x00021401, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IShellLinkA = {0x000214EE, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IPersistFile = {0x0000010B, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

namespace {

const IID kIidMalloc = {0x00000002, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID kIidShellFolder = {0x000214E6, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID kIidEnumIdList = {0x000214F2, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// The desktop's virtual folders, in the order the desktop lists them.
struct RootFolder {
    const char* name;
    CLSID clsid;
    BYTE sortOrder;
};
const RootFolder kRootFolders[] = {
    {"Computer",
     {0x20D04FE0, 0x3AEA, 0x1069, {0xA2, 0xD8, 0x08, 0x00, 0x2B, 0x30, 0x30, 0x9D}},
     0x50},
    {"Network",
     {0x208D2C60, 0x3AEA, 0x1069, {0xA2, 0xD7, 0x08, 0x00, 0x2B, 0x30, 0x30, 0x9D}},
     0x58},
    {"Recycle Bin",
     {0x645FF040, 0x5081, 0x101B, {0x9F, 0x08, 0x00, 0xAA, 0x00, 0x2F, 0x95, 0x4E}},
     0x60},
};
const int kComputer = 0;

const HRESULT kAccessDenied = static_cast<HRESULT>(0x80070005L);
HRESULT FromWin32(DWORD error) {
    return static_cast<HRESULT>((error & 0xFFFF) | 0x80070000u);
}

bool SameGuid(const GUID& a, const GUID& b) {
    return memcmp(&a, &b, sizeof(GUID)) == 0;
}

// ---- Process-wide state ----

struct State {
    uint64_t generation = 0;
    std::vector<shell_state::Notification> notifications;
    std::set<shell_state::Fault> faults;
    int liveObjects = 0;
    std::set<void*> blocks; // live blocks of the shell allocator
    int calls = 0;
};
State g_state;
thread_local int g_comInitCount = 0;

// Per-machine state starts afresh with every machine that is opened.
void Sync() {
    if (g_state.generation != machine::Generation()) {
        g_state.generation = machine::Generation();
        g_state.notifications.clear();
        g_state.faults.clear();
    }
}

bool Faulty(shell_state::Fault fault) {
    Sync();
    return g_state.faults.count(fault) != 0;
}

// Counts one shell or component-object call.
void Called() {
    Sync();
    ++g_state.calls;
}

// A component object with a real reference count; it deletes itself when
// the last reference goes.
class Counted {
  public:
    Counted() { ++g_state.liveObjects; }
    virtual ~Counted() { --g_state.liveObjects; }
    ULONG DoAddRef() { return ++refs; }
    ULONG DoRelease() {
        ULONG left = --refs;
        if (left == 0)
            delete this;
        return left;
    }

  private:
    ULONG refs = 1;
};

// ---- The shell allocator ----

// An object the shell itself keeps for the whole process (the allocator,
// the desktop folder), holding `baseline` references of its own. It counts as
// a live object while anyone else holds a reference to it.
class Resident {
  public:
    explicit Resident(ULONG baseline) : baseline(baseline), refs(baseline) {}
    ULONG DoAddRef() {
        if (refs++ == baseline)
            ++g_state.liveObjects;
        return refs;
    }
    ULONG DoRelease() {
        if (refs == baseline)
            return refs; // a release too many: the shell's own references stay
        if (--refs == baseline)
            --g_state.liveObjects;
        return refs;
    }

  private:
    const ULONG baseline;
    ULONG refs;
};

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

// ---- Item identifier lists ----

void Put16(std::string& out, uint32_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}
void Put32(std::string& out, uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}
uint32_t Get16(const unsigned char* p) {
    return p[0] | (p[1] << 8);
}
uint32_t Get32(const unsigned char* p) {
    return Get16(p) | (Get16(p + 2) << 16);
}

// One item: its size, then the bytes.
void PutItem(std::string& list, const std::string& bytes) {
    Put16(list, static_cast<uint32_t>(bytes.size() + 2));
    list += bytes;
}

std::string RootItem(int index) {
    std::string item;
    item += '\x1F';
    item += static_cast<char>(kRootFolders[index].sortOrder);
    item.append(reinterpret_cast<const char*>(&kRootFolders[index].clsid), sizeof(CLSID));
    return item;
}

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

// Copies a list into a block of the shell allocator, adding the terminator.
LPITEMIDLIST AllocList(const std::string& list) {
    std::string bytes = list;
    Put16(bytes, 0);
    void* block = g_allocator.Alloc(bytes.size());
    if (!block)
        return nullptr;
    memcpy(block, bytes.data(), bytes.size());
    return static_cast<LPITEMIDLIST>(block);
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

// What a list names, for the notification record.
std::string ListName(LPCITEMIDLIST list) {
    std::vector<std::string> items = Items(list);
    if (items.empty())
        return "Desktop";
    int root = RootIndex(items[0]);
    if (root >= 0 && items.size() == 1)
        return kRootFolders[root].name;
    std::string path = ListPath(list);
    return path.empty() ? "?" : path;
}

// ---- The shell-link object ----

const uint32_t kHasLinkInfo = 0x02;
const uint32_t kHasName = 0x04;
const uint32_t kHasWorkingDirectory = 0x10;
const uint32_t kHasArguments = 0x20;
const uint32_t kHasIconLocation = 0x40;
const uint32_t kIsUnicode = 0x80;
const uint32_t kHasLinkTargetIdList = 0x01;
const uint32_t kVolumeIdAndLocalBasePath = 0x01;
const uint32_t kShowNormal = 1;

uint32_t DriveType(char letter) {
    if (letter == 'A' || letter == 'B')
        return 2; // removable
    if (letter == 'C')
        return 3; // fixed
    return 5;     // the installation medium: CD-ROM
}

void CopyOut(const std::string& text, LPSTR buffer, int capacity) {
    if (!buffer || capacity <= 0)
        return;
    size_t n = text.size() < static_cast<size_t>(capacity - 1) ? text.size()
                                                               : static_cast<size_t>(capacity - 1);
    memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
}

std::string Narrow(LPCWSTR wide) {
    int size = WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return "";
    std::string text(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text.data(), size, nullptr, nullptr);
    text.resize(static_cast<size_t>(size - 1));
    return text;
}

class ShellLink final : public IShellLinkA, public IPersistFile, public Counted {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!object)
            return E_POINTER;
        if (SameGuid(riid, IID_IUnknown) || SameGuid(riid, IID_IShellLinkA))
            *object = static_cast<IShellLinkA*>(this);
        else if (SameGuid(riid, IID_IPersistFile))
            *object = static_cast<IPersistFile*>(this);
        else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        DoAddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return DoAddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return DoRelease(); }

    HRESULT STDMETHODCALLTYPE GetPath(LPSTR file, int capacity, WIN32_FIND_DATAA* data,
                                      DWORD) override {
        CopyOut(path, file, capacity);
        if (data) {
            memset(data, 0, sizeof *data);
            size_t slash = path.rfind('\\');
            CopyOut(slash == std::string::npos ? path : path.substr(slash + 1), data->cFileName,
                    MAX_PATH);
        }
        return path.empty() ? S_FALSE : S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetPath(LPCSTR file) override {
        if (!file)
            return E_INVALIDARG;
        // The shell keeps the full path of the target.
        char full[MAX_PATH];
        DWORD length = GetFullPathNameA(file, MAX_PATH, full, nullptr);
        path = length > 0 && length < MAX_PATH ? full : file;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDescription(LPSTR name, int capacity) override {
        CopyOut(description, name, capacity);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetDescription(LPCSTR name) override {
        if (!name)
            return E_INVALIDARG;
        description = name;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetIconLocation(LPSTR iconPath, int capacity, int* icon) override {
        CopyOut(iconLocation, iconPath, capacity);
        if (icon)
            *icon = iconIndex;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetIconLocation(LPCSTR iconPath, int icon) override {
        iconLocation = iconPath ? iconPath : "";
        iconIndex = icon;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetWorkingDirectory(LPSTR directory, int capacity) override {
        CopyOut(workingDirectory, directory, capacity);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetWorkingDirectory(LPCSTR directory) override {
        if (!directory)
            return E_INVALIDARG;
        workingDirectory = directory;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetArguments(LPSTR text, int capacity) override {
        CopyOut(arguments, text, capacity);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetArguments(LPCSTR text) override {
        if (!text)
            return E_INVALIDARG;
        arguments = text;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Load(LPCWSTR fileName, DWORD) override {
        if (!fileName)
            return E_INVALIDARG;
        machine::Resolved r = machine::Resolve(Narrow(fileName).c_str());
        if (!r.ok || !r.exists)
            return FromWin32(r.error ? r.error : ERROR_FILE_NOT_FOUND);
        std::string bytes;
        if (!machine::ReadWholeFile(r.host, &bytes))
            return kAccessDenied;
        if (!Parse(bytes))
            return E_FAIL;
        currentFile = r.canonical;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Save(LPCWSTR fileName, BOOL remember) override {
        std::string name = fileName ? Narrow(fileName) : currentFile;
        if (name.empty())
            return E_INVALIDARG;
        machine::Resolved r = machine::Resolve(name.c_str());
        if (!r.ok || !r.parentExists)
            return FromWin32(r.error ? r.error : ERROR_PATH_NOT_FOUND);
        if (files::OnProtectedDiskette(r))
            return FromWin32(ERROR_WRITE_PROTECT);
        if (r.exists && (files::IsHostDirectory(r.host) || files::IsReadOnlyHost(r.host)))
            return kAccessDenied;
        if (faults::Take(platform_testing::FaultFamily::FileCreate) ||
            !machine::WriteFileAtomically(r.host, Serialise()))
            return E_FAIL;
        if (remember)
            currentFile = r.canonical;
        if (trace::On()) {
            std::string what =
                "save link " + trace::Text(r.canonical) + " -> " + trace::Quoted(path);
            if (!arguments.empty())
                what += ", arguments " + trace::Quoted(arguments);
            if (!workingDirectory.empty())
                what += ", in " + trace::Quoted(workingDirectory);
            what += ", icon " + trace::Quoted(iconLocation) + "," + std::to_string(iconIndex);
            trace::Report("shell", what);
        }
        return S_OK;
    }

  private:
    // The link file: header, LinkInfo, string data, terminal block.
    std::string Serialise() const {
        uint32_t flags = 0;
        machine::Resolved target = machine::Resolve(path.c_str());
        bool local = target.ok && path.size() >= 3 && path[1] == ':' && path[2] == '\\';
        if (local)
            flags |= kHasLinkInfo;
        if (!description.empty())
            flags |= kHasName;
        if (!workingDirectory.empty())
            flags |= kHasWorkingDirectory;
        if (!arguments.empty())
            flags |= kHasArguments;
        if (!iconLocation.empty())
            flags |= kHasIconLocation;

        uint32_t attributes = 0, size = 0;
        uint64_t writeTime = 0;
        struct stat st;
        if (local && target.exists && stat(target.host.c_str(), &st) == 0) {
            attributes = machine::HostAttributes(target.host);
            size = static_cast<uint32_t>(st.st_size);
            writeTime = (static_cast<uint64_t>(st.st_mtim.tv_sec) + 11644473600ull) * 10000000ull +
                        static_cast<uint64_t>(st.st_mtim.tv_nsec) / 100;
        }

        std::string out;
        Put32(out, 0x4C);
        out.append(reinterpret_cast<const char*>(&CLSID_ShellLink), sizeof(CLSID));
        Put32(out, flags);
        Put32(out, attributes);
        for (int i = 0; i < 3; ++i) { // creation, access, write
            Put32(out, static_cast<uint32_t>(writeTime));
            Put32(out, static_cast<uint32_t>(writeTime >> 32));
        }
        Put32(out, size);
        Put32(out, static_cast<uint32_t>(iconIndex));
        Put32(out, kShowNormal);
        Put16(out, 0); // hot key
        Put16(out, 0); // reserved
        Put32(out, 0);
        Put32(out, 0);

        if (flags & kHasLinkInfo) {
            // VolumeID: size, drive type, serial number, label offset, label.
            std::string volume;
            Put32(volume, 0x11);
            Put32(volume, DriveType(target.drive));
            Put32(volume, 0x57480000u | static_cast<uint32_t>(target.drive));
            Put32(volume, 0x10);
            volume += '\0';
            const uint32_t headerSize = 0x1C;
            uint32_t basePathOffset = headerSize + static_cast<uint32_t>(volume.size());
            uint32_t suffixOffset = basePathOffset + static_cast<uint32_t>(path.size()) + 1;
            uint32_t total = suffixOffset + 1;
            Put32(out, total);
            Put32(out, headerSize);
            Put32(out, kVolumeIdAndLocalBasePath);
            Put32(out, headerSize); // VolumeID follows the header
            Put32(out, basePathOffset);
            Put32(out, 0); // no network link
            Put32(out, suffixOffset);
            out += volume;
            out += path;
            out += '\0';
            out += '\0'; // empty common path suffix
        }
        for (const std::string* text :
             {&description, &workingDirectory, &arguments, &iconLocation}) {
            if (text->empty())
                continue;
            size_t n = text->size() > 0xFFFF ? 0xFFFF : text->size();
            Put16(out, static_cast<uint32_t>(n));
            out.append(*text, 0, n);
        }
        Put32(out, 0); // terminal block
        return out;
    }

    // Reads a link file of this format or one the shell of a later Windows
    // wrote (target item list, Unicode strings, extra blocks are accepted).
    bool Parse(const std::string& bytes) {
        const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes.data());
        size_t size = bytes.size(), at = 0x4C;
        if (size < 0x4C || Get32(p) != 0x4C || memcmp(p + 4, &CLSID_ShellLink, sizeof(CLSID)))
            return false;
        uint32_t flags = Get32(p + 0x14);
        std::string target, name, directory, commandLine, icon;
        if (flags & kHasLinkTargetIdList) {
            if (at + 2 > size)
                return false;
            at += 2 + Get16(p + at);
        }
        if (flags & kHasLinkInfo) {
            if (at + 0x1C > size || Get32(p + at) < 0x1C || at + Get32(p + at) > size)
                return false;
            const unsigned char* info = p + at;
            uint32_t infoSize = Get32(info);
            if ((Get32(info + 8) & kVolumeIdAndLocalBasePath) && Get32(info + 16) < infoSize &&
                Get32(info + 24) < infoSize) {
                target = std::string(reinterpret_cast<const char*>(info + Get32(info + 16)),
                                     strnlen(reinterpret_cast<const char*>(info + Get32(info + 16)),
                                             infoSize - Get32(info + 16)));
                target +=
                    std::string(reinterpret_cast<const char*>(info + Get32(info + 24)),
                                strnlen(reinterpret_cast<const char*>(info + Get32(info + 24)),
                                        infoSize - Get32(info + 24)));
            }
            at += infoSize;
        }
        const uint32_t stringFlags[] = {kHasName, 0x08, kHasWorkingDirectory, kHasArguments,
                                        kHasIconLocation};
        for (uint32_t flag : stringFlags) {
            if (!(flags & flag))
                continue;
            if (at + 2 > size)
                return false;
            size_t count = Get16(p + at);
            at += 2;
            size_t length = (flags & kIsUnicode) ? count * 2 : count;
            if (at + length > size)
                return false;
            std::string text;
            for (size_t i = 0; i < count; ++i) {
                if (!(flags & kIsUnicode)) {
                    text += static_cast<char>(p[at + i]);
                    continue;
                }
                unsigned char byte;
                text += codepage::FromUnicode(Get16(p + at + 2 * i), &byte)
                            ? static_cast<char>(byte)
                            : '?';
            }
            at += length;
            if (flag == kHasName)
                name = text;
            else if (flag == kHasWorkingDirectory)
                directory = text;
            else if (flag == kHasArguments)
                commandLine = text;
            else if (flag == kHasIconLocation)
                icon = text;
        }
        path = target;
        description = name;
        workingDirectory = directory;
        arguments = commandLine;
        iconLocation = icon;
        iconIndex = static_cast<int32_t>(Get32(p + 0x38));
        return true;
    }

    std::string path, description, workingDirectory, arguments, iconLocation, currentFile;
    int iconIndex = 0;
};

// ---- The desktop folder ----

class DesktopEnumerator final : public IEnumIDList, public Counted {
  public:
    explicit DesktopEnumerator(std::vector<int> roots) : roots(std::move(roots)) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!object)
            return E_POINTER;
        if (SameGuid(riid, IID_IUnknown) || SameGuid(riid, kIidEnumIdList)) {
            DoAddRef();
            *object = static_cast<IEnumIDList*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return DoAddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return DoRelease(); }
    HRESULT STDMETHODCALLTYPE Next(ULONG count, LPITEMIDLIST* items, ULONG* fetched) override {
        if (!items || (count > 1 && !fetched))
            return E_INVALIDARG;
        ULONG n = 0;
        while (n < count && next < roots.size()) {
            std::string list;
            PutItem(list, RootItem(roots[next]));
            items[n] = AllocList(list);
            if (!items[n])
                break;
            ++next;
            ++n;
        }
        if (fetched)
            *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }

  private:
    std::vector<int> roots;
    size_t next = 0;
};

// The desktop folder is one object for the process; the shell holds a
// reference of its own, so the last caller's Release leaves 1.
class DesktopFolder final : public IShellFolder, public Resident {
  public:
    DesktopFolder() : Resident(1) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!object)
            return E_POINTER;
        if (SameGuid(riid, IID_IUnknown) || SameGuid(riid, kIidShellFolder)) {
            DoAddRef();
            *object = static_cast<IShellFolder*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return DoAddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return DoRelease(); }
    HRESULT STDMETHODCALLTYPE EnumObjects(HWND, DWORD flags, IEnumIDList** enumerator) override {
        if (!enumerator)
            return E_INVALIDARG;
        *enumerator = nullptr;
        if (Faulty(shell_state::Fault::DesktopEnumeration))
            return E_FAIL;
        std::vector<int> roots;
        if (flags & SHCONTF_FOLDERS)
            for (int i = 0; i < static_cast<int>(sizeof kRootFolders / sizeof kRootFolders[0]); ++i)
                roots.push_back(i);
        *enumerator = new DesktopEnumerator(roots);
        return S_OK;
    }
};

} // namespace

// ---- Component objects ----

HRESULT WINAPI CoInitialize(LPVOID) {
    return g_comInitCount++ == 0 ? S_OK : S_FALSE;
}

void WINAPI CoUninitialize() {
    if (g_comInitCount > 0)
        --g_comInitCount;
}

HRESULT WINAPI CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD, REFIID riid,
                                LPVOID* object) {
    Called();
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (g_comInitCount == 0)
        return CO_E_NOTINITIALIZED;
    if (Faulty(shell_state::Fault::ObjectCreation) || !SameGuid(clsid, CLSID_ShellLink))
        return REGDB_E_CLASSNOTREG;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    ShellLink* link = new ShellLink;
    HRESULT result = link->QueryInterface(riid, object);
    link->Release();
    return result;
}

// ---- Shell ----

HRESULT WINAPI SHGetSpecialFolderLocation(HWND, int folder, LPITEMIDLIST* list) {
    Called();
    if (!list)
        return E_INVALIDARG;
    *list = nullptr;
    if (Faulty(shell_state::Fault::SpecialFolder))
        return E_FAIL;
    std::string bytes;
    if (folder == CSIDL_DESKTOPDIRECTORY)
        bytes = PathList(machine::DesktopDirectory());
    else if (folder != CSIDL_DESKTOP)
        return E_INVALIDARG;
    *list = AllocList(bytes);
    return *list ? S_OK : E_OUTOFMEMORY;
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
    if (Faulty(shell_state::Fault::Allocator))
        return E_FAIL;
    g_allocator.AddRef();
    *allocator = &g_allocator;
    return S_OK;
}

HRESULT WINAPI SHGetDesktopFolder(IShellFolder** folder) {
    Called();
    if (!folder)
        return E_INVALIDARG;
    *folder = nullptr;
    if (Faulty(shell_state::Fault::DesktopFolder))
        return E_FAIL;
    static DesktopFolder desktop;
    desktop.AddRef();
    *folder = &desktop;
    return S_OK;
}

void WINAPI SHChangeNotify(LONG eventId, UINT flags, LPCVOID item1, LPCVOID item2) {
    Called();
    auto name = [flags](LPCVOID item) -> std::string {
        if (!item)
            return "";
        switch (flags & 0xFF) {
        case SHCNF_IDLIST:
            return ListName(static_cast<LPCITEMIDLIST>(item));
        case 0x0001: // SHCNF_PATHA
            return static_cast<const char*>(item);
        default:
            return "?";
        }
    };
    g_state.notifications.push_back({eventId, flags, name(item1), name(item2)});
    if (trace::On()) {
        const shell_state::Notification& n = g_state.notifications.back();
        std::string what = "notify ";
        if (eventId == SHCNE_UPDATEITEM)
            what += "update item";
        else if (eventId == SHCNE_UPDATEDIR)
            what += "update directory";
        else if (eventId == SHCNE_ASSOCCHANGED)
            what += "associations changed";
        else {
            char text[32];
            snprintf(text, sizeof text, "event 0x%08lx", static_cast<unsigned long>(eventId));
            what += text;
        }
        if (!n.item1.empty())
            what += " " + trace::Text(n.item1);
        if (!n.item2.empty() && n.item2 != n.item1)
            what += ", " + trace::Text(n.item2);
        trace::Report("shell", what);
    }
}

// ---- What tests and front ends see ----

namespace shell_state {

const std::vector<Notification>& Notifications() {
    Sync();
    return g_state.notifications;
}
void ClearNotifications() {
    Sync();
    g_state.notifications.clear();
}
int LiveObjects() {
    return g_state.liveObjects;
}
int LiveAllocations() {
    return static_cast<int>(g_state.blocks.size());
}
int CallCount() {
    return g_state.calls;
}
void SetFault(Fault fault, bool on) {
    Sync();
    if (on)
        g_state.faults.insert(fault);
    else
        g_state.faults.erase(fault);
}
void ClearFaults() {
    Sync();
    g_state.faults.clear();
}

} // namespace shell_state
