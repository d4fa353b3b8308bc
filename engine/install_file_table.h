// What an install places on the machine: the fixed table of ten rows from a
// source file of the installation medium to an installed file, the list of
// the nine installation files for diskette copies, and the product-wide
// names. Program data, read-only, walked by index from row 0 to row 9.
#pragma once

#include "state/product_names.h"
#include "state/setup_state.h"

#include <stdint.h>

struct InstallFileEntry {
    const char* packageName; // source file in the source directory
    const char* targetName;  // name of the installed file
    LocationKind location;   // directory that receives it (Target, Windows or System)
    int32_t packed;          // 1: a package, unpacked; 0: copied byte for byte
    int32_t removeOnUninstall;
    InstallCategory category;
};

struct InstallFileTable {
    static constexpr int kCount = 10;
    static const InstallFileEntry rows[kCount];
};

// The installation files of a copy of the medium, "setup.exe" first; each
// distinct package name of the table once.
struct DisketteFileList {
    static constexpr int kCount = 9;
    static const char* const names[kCount];
    static const char* const toleratedName; // "setup.exe"
};

// The records' keys in the product's section (the product's names are in
// state/product_names.h).
extern const char kInstalledMarkerKey[]; // "OldScreenSave"
// The install directory, recorded with the old settings (without its
// trailing "\"), so that a run killed before the product key was written can
// still be uninstalled whole.
extern const char kInstallDirectoryKey[]; // "InstallDir"
// The installation files (names of the medium) that the install copied into
// the target directory, separated by ","; the uninstall deletes only these.
// Written "(none)" with the first records and the list once the copies are
// made; an install recorded before there was this record has all of them
// deleted, as then.
extern const char kSetupCopiesKey[]; // "SetupCopies"
