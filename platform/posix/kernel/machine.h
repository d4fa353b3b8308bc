// The emulated machine: a folder on the host that plays a Windows 95 machine,
// or a 64-bit Windows one on which the program runs under WOW64.
//
// Layout of a machine folder (see docs/architecture.md):
//   machine.ini        the machine's own settings (its architecture)
//   diskette-write-protected
//                      present while the diskette is write-protected
//   registry.reg       the registry, REGEDIT4 text
//   display.ini        the display state of the running session
//   pending/           files being replaced (see WriteFileAtomically)
//   drives/c/          drive C: (WINDOWS, WINDOWS\SYSTEM, WINDOWS\TEMP,
//                      WINDOWS\Desktop, ...; on a 64-bit machine
//                      WINDOWS\SYSTEM32 and WINDOWS\SysWOW64 in place of
//                      WINDOWS\SYSTEM)
//   drives/a/          drive A:, the diskette; absent = no diskette inserted
//   D:                 the installation medium, a host folder given at open
//
// Everything here is for the emulation's own areas (files, profile files,
// registry, ...) and for the host programs and tests that open a machine.
// The program's code never includes this header.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <time.h>
#include <string>
#include <vector>

namespace machine {

// What Windows a machine plays, chosen when it is made and kept in its
// machine.ini: 32-bit Windows (Windows 95), or 64-bit Windows, on which the
// program is a 32-bit program under WOW64 (platform/posix/kernel/wow64.h), with the
// Sysnative alias of Windows Vista and later or without it (64-bit Windows
// XP and Server 2003).
enum class Architecture { X86, X64, X64WithoutSysnative };

// Which Windows a machine plays, chosen like the architecture and kept in
// machine.ini ("windows=10"; without it Windows 95): Windows 95, whose
// settings are plain REG_SZ texts, or Windows 10 of the NT family, with a
// user's own REG_EXPAND_SZ schemes, profile entries mapped to the registry
// and NT's cursors (platform/posix/kernel/windows_nt.h).
enum class Windows { Windows95, Windows10 };

// Opens the machine in host folder `folder`, creating a fresh machine of the
// architecture `fresh` and the Windows `freshWindows` there when the folder does not exist yet (or
// is empty); an existing machine keeps its own. The medium folder, when not empty, is mapped as
// drive D: and becomes the current directory; otherwise the current directory is C:\. Returns false
// with a message in *error when the folder cannot be used. A machine that is open is closed first.
bool Open(const std::string& folder, const std::string& mediumFolder, std::string* error,
          Architecture fresh = Architecture::X86, Windows freshWindows = Windows::Windows95);

// The architecture of the open machine (X86 when none is open).
Architecture MachineArchitecture();
// Its Windows (Windows95 when none is open).
Windows MachineWindows();

// Closes the open machine (open handles are dropped). Safe to call when none
// is open.
void Close();

// True while a machine is open.
bool IsOpen();

// The host folder of the open machine ("" when none is open).
const std::string& Folder();

// Host path of a file of the machine folder itself, e.g. "registry.reg".
std::string FolderFile(const char* name);

// Default machine folder: $XDG_DATA_HOME/wiesenhain/machine, or
// ~/.local/share/wiesenhain/machine.
std::string DefaultFolder();

// ---- Drives ----

// A drive letter 'A'..'Z' maps to a host folder. Returns "" for a drive that
// does not exist. A drive can exist without a medium (the diskette drive with
// no diskette): then HasMedium is false.
std::string DriveRoot(char letter);
bool DriveExists(char letter);
bool HasMedium(char letter);
// Letters of the existing drives, in order ("ACD").
std::string DriveLetters();

// Diskette state, for tests and the host: insert (creates an empty formatted
// diskette when none is there), eject (removes it and its contents),
// write-protect, and the capacity in bytes (1,457,664 for a 1.44 MB diskette).
void InsertDiskette();
void EjectDiskette();
void SetDisketteWriteProtected(bool on);
bool IsDisketteWriteProtected();
int64_t DisketteCapacity();
// Space a file of `size` bytes takes on the diskette (512-byte clusters).
int64_t ClusterRound(int64_t size);
// Space in use on drive A: every file rounded up to whole clusters, every
// subdirectory one cluster. The file with host inode `exceptInode` (0: none)
// is left out.
int64_t DisketteUsed(uint64_t exceptInode);

// ---- Paths ----

// Result of resolving a Windows path.
struct Resolved {
    bool ok = false;           // the path is well formed and its drive exists
    char drive = 0;            // 'A'..'Z'
    std::string canonical;     // full Windows path, "\" separators, e.g. "C:\WINDOWS\x.ini",
                               // long names with their stored case where they exist; where
                               // WOW64 redirected the path, the directory it led to
                               // ("C:\WINDOWS\SysWOW64\x.scr")
    std::string named;         // the same as the caller named it: differs from canonical
                               // only where WOW64 redirected the path
    bool throughAlias = false; // the path passes through the Sysnative alias, which no
                               // directory lists (short and long names cannot be had)
    std::string host;          // host path of the object (existing components in their real case)
    bool exists = false;       // the object exists
    bool parentExists = false; // its directory exists
    uint32_t error = 0;        // Win32 error when !ok or when a middle component is missing
};

// Resolves a Windows path (absolute, drive-relative "C:x", rooted "\x" or
// relative to the current directory; "\" or "/"; "." and ".."; names matched
// without regard to case; 8.3 short names of long names accepted).
Resolved Resolve(const char* path);

// The current directory (full Windows path, no trailing "\" except for a
// root such as "C:\").
const std::string& CurrentDirectory();
bool SetCurrentDirectory(const char* path);

// Windows directory "C:\WINDOWS", system directory "C:\WINDOWS\SYSTEM"
// ("C:\WINDOWS\SYSTEM32" on a 64-bit machine), temporary directory
// "C:\WINDOWS\TEMP", desktop "C:\WINDOWS\Desktop".
std::string WindowsDirectory();
std::string SystemDirectory();
std::string TempDirectory();
std::string DesktopDirectory();

// The 8.3 short name of a long name in a host directory ("WIESEN~1.SCR"), or
// the name itself when it is already a valid short name.
std::string ShortNameOf(const std::string& hostDirectory, const std::string& longName);
// True when a name is a valid 8.3 name as it stands (case aside).
bool IsShortName(const std::string& name);
// Drops the short name kept with a host object (after it moved to another
// directory, where its old short name may be taken).
void ForgetShortName(const std::string& hostPath);

// ---- Attributes ----

// Windows attributes of a host object (FILE_ATTRIBUTE_*), or
// INVALID_FILE_ATTRIBUTES. Read-only lives in the host write bits, hidden,
// system and archive in an extended attribute.
uint32_t HostAttributes(const std::string& hostPath);
bool SetHostAttributes(const std::string& hostPath, uint32_t attributes);

// ---- Changes of host objects ----

// The changes the emulated calls make to host objects, each counted as one
// change (CountChange) just before it is made. False (-1) with errno set
// when the host refuses.
bool MakeHostDirectory(const std::string& hostPath);
bool RemoveHostDirectory(const std::string& hostPath);
bool RemoveHostFile(const std::string& hostPath);
bool RenameHost(const std::string& from, const std::string& to);
// open(2); `changes`: the open creates or truncates the file.
int OpenHostFile(const std::string& hostPath, int flags, bool changes);
// Writes `size` bytes (fewer when the host runs out of room): the bytes
// written, -1 when not even the first could be written.
long WriteHostFile(int fd, const void* data, size_t size);
// futimens(2).
bool SetHostFileTimes(int fd, const struct timespec times[2]);

// ---- Crash-safe writing ----

// Replaces a host file atomically: writes a temporary file (in the machine's
// pending folder, or beside a file outside the machine), flushes it, renames
// it over the target. A crash leaves either the old or the new file, and at
// most a temporary file in the pending folder, which Open removes. Returns false (and leaves the
// old file) on failure.
bool WriteFileAtomically(const std::string& hostPath, const std::string& bytes);
// Reads a whole host file; false when it cannot be read.
bool ReadWholeFile(const std::string& hostPath, std::string* bytes);

// ---- Crash points ----

// Every change the emulation makes to the machine's host files (creating,
// writing, renaming or deleting a file or directory, changing attributes or
// times) counts as one step, counted just before it is made. A crash test
// has the process kill itself (SIGKILL) just before its nth step, which
// leaves the machine exactly as a crash at that moment would.
void CountChange();
// 0: never (the default).
void CrashAtChange(uint64_t n);
// Steps counted since the process started.
uint64_t ChangeCount();

// ---- Areas ----

// Emulated areas that keep state per machine (registry, display, shell) load
// it lazily: they remember the generation they loaded and load again when it
// changed. Every Open gives a new generation; 0 means no machine is open.
uint64_t Generation();

} // namespace machine
