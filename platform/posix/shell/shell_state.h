// What the emulated shell keeps for tests and for a front end that redraws
// the desktop: the change notifications it received, the number of live
// component objects and shell allocations, and fault switches that make its
// calls fail. Emulation code, tests and host programs only; the program's
// code never includes this header.
#pragma once

#include "platform/posix/win_types.h"

#include <string>
#include <vector>

namespace shell_state {

// One SHChangeNotify call. An item is named by what it stands for: "Desktop"
// (the desktop root), "Computer", "Network", "Recycle Bin", a full path for a
// file-system item or a path given as text, "" for no item and "?" for an
// item list the shell does not know.
struct Notification {
    LONG eventId;
    UINT flags;
    std::string item1;
    std::string item2;
};

// The notifications received since the machine was opened (or since the
// last ClearNotifications), oldest first.
const std::vector<Notification>& Notifications();
void ClearNotifications();

// Component objects alive now (shell links, desktop folders, enumerators;
// the shell allocator while someone holds a reference to it), and blocks of
// the shell allocator not yet freed (item identifier lists included). Both
// are 0 when every caller released what it obtained.
int LiveObjects();
int LiveAllocations();

// Number of shell and component-object calls made so far in this process
// (CoCreateInstance, SHGetSpecialFolderLocation, SHGetPathFromIDListA,
// SHGetMalloc, SHGetDesktopFolder, SHChangeNotify).
int CallCount();

// Fault switches; all are off when a machine is opened.
enum class Fault {
    ObjectCreation,     // CoCreateInstance fails with REGDB_E_CLASSNOTREG
    Allocator,          // SHGetMalloc fails with E_FAIL
    DesktopFolder,      // SHGetDesktopFolder fails with E_FAIL
    DesktopEnumeration, // IShellFolder::EnumObjects fails with E_FAIL
    SpecialFolder,      // SHGetSpecialFolderLocation fails with E_FAIL
};
void SetFault(Fault fault, bool on);
void ClearFaults();

} // namespace shell_state
