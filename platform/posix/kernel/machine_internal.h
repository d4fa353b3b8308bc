// State and host helpers shared by the files of the emulated machine
// (machine.cpp, drives.cpp, path_resolution.cpp, short_names.cpp,
// host_attributes.cpp, file_replacement.cpp). Only those files include it;
// everything else goes through machine.h.
#pragma once

#include "platform/posix/kernel/machine.h"

#include <stdint.h>
#include <string>
#include <vector>

namespace machine {

// The open machine; all empty and generation 0 while none is open.
struct State {
    std::string folder;
    std::string medium;
    std::string currentDirectory;
    Architecture architecture = Architecture::X86;
    Windows windows = Windows::Windows95;
    uint64_t generation = 0;
};
extern State g_state;

// The folder of the machine being opened or open: files replaced inside it
// are prepared in its pending folder.
extern std::string g_root;

// Extended attributes that keep what a host file system does not: hidden,
// system and archive, and the short name given to a long name.
extern const char kAttribXattr[];
extern const char kShortXattr[];

// ---- Host files ----

bool IsDirectory(const std::string& host);
// True when anything is there (a dangling link too).
bool Exists(const std::string& host);
// Makes a host directory and the missing ones above it; true when it is
// there afterwards.
bool MakeDirectories(const std::string& host);
// Names in a host directory without "." and "..", sorted.
std::vector<std::string> ListHost(const std::string& hostDir);
std::string JoinHost(const std::string& dir, const std::string& name);
// Value of an extended attribute of a host object; "" when it has none.
std::string GetXattr(const std::string& host, const char* name);

// ---- Names ----

// Windows name of a host directory entry (host names are UTF-8).
bool WindowsNameOf(const std::string& hostName, std::string* name);

// ---- Crash-safe replacement ----

// Removes the temporary files that processes killed while replacing a file
// left in the pending folder of the machine in `root`.
void RemoveAbandonedFiles(const std::string& root);

} // namespace machine
