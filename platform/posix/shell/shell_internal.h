// Internals shared by the files of the emulated shell: the process-wide state
// behind shell_state.h, the reference counting of its component objects, the
// little-endian fields of its binary formats, the desktop's virtual folders
// and item identifier lists, and the shell-link object's fields as a link
// file stores them. Included only by files of this folder.
#pragma once

#include "platform/posix/kernel/little_endian.h"
#include "platform/posix/shell/shell_state.h"
#include "platform/posix/win_types.h"

#include <string.h>

#include <set>
#include <string>
#include <vector>

namespace shell_internal {

inline bool SameGuid(const GUID& a, const GUID& b) {
    return memcmp(&a, &b, sizeof(GUID)) == 0;
}

// ---- Process-wide state ----

struct State {
    uint64_t generation = 0;
    std::vector<shell_state::Notification> notifications;
    int liveObjects = 0;
    std::set<void*> blocks; // live blocks of the shell allocator
    int calls = 0;
};
extern State g_state;

// Per-machine state starts afresh with every machine that is opened (the
// fault switches do so in faults.cpp).
void Sync();
// Counts one shell or component-object call.
void Called();

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

using little_endian::Get16;
using little_endian::Get32;
using little_endian::Put16;
using little_endian::Put32;

// ---- The desktop's virtual folders and item identifier lists ----

// The desktop's virtual folders, in the order the desktop lists them.
struct RootFolder {
    const char* name;
    CLSID clsid;
    BYTE sortOrder;
};
inline const RootFolder kRootFolders[] = {
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

// One item: its size, then the bytes.
void PutItem(std::string& list, const std::string& bytes);
// The item of the desktop's virtual folder kRootFolders[index].
std::string RootItem(int index);
// Copies a list into a block of the shell allocator, adding the terminator;
// nullptr when the allocator has no memory.
LPITEMIDLIST AllocList(const std::string& list);
// What a list names, for the notification record: "Desktop", a virtual
// folder's name, a file-system path, or "?".
std::string ListName(LPCITEMIDLIST list);

// ---- The shell-link object ----

// What a link file keeps of the shell-link object.
struct LinkFields {
    std::string path, description, workingDirectory, arguments, iconLocation;
    int iconIndex = 0;
};

// The link file: header, LinkInfo, string data, terminal block.
std::string SerialiseLink(const LinkFields& link);
// Reads a link file of this format or one the shell of a later Windows
// wrote (target item list, Unicode strings, extra blocks are accepted).
// False, leaving *link alone, when the bytes are no link file.
bool ParseLink(const std::string& bytes, LinkFields* link);

// A new shell-link object, asked for interface `riid` (CoCreateInstance).
HRESULT CreateShellLink(REFIID riid, void** object);

} // namespace shell_internal
