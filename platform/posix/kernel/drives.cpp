// The drives of the emulated machine: C: and the diskette drive A: in the
// machine folder, D: the installation medium; inserting, ejecting and
// write-protecting the diskette, and the diskette's space.
#include "platform/posix/kernel/machine.h"

#include "platform/posix/kernel/codepage.h"
#include "platform/posix/kernel/machine_internal.h"

#include <dirent.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace machine {
namespace {

std::string DisketteProtectMarker() {
    return g_state.folder + "/diskette-write-protected";
}

} // namespace

std::string DriveRoot(char letter) {
    if (!IsOpen())
        return "";
    letter = static_cast<char>(codepage::ToUpper(static_cast<unsigned char>(letter)));
    switch (letter) {
    case 'A':
        return g_state.folder + "/drives/a";
    case 'C':
        return g_state.folder + "/drives/c";
    case 'D':
        return g_state.medium;
    default:
        return "";
    }
}

bool DriveExists(char letter) {
    letter = static_cast<char>(codepage::ToUpper(static_cast<unsigned char>(letter)));
    if (letter == 'A')
        return IsOpen();
    return !DriveRoot(letter).empty();
}

bool HasMedium(char letter) {
    std::string root = DriveRoot(letter);
    return !root.empty() && IsDirectory(root);
}

std::string DriveLetters() {
    std::string letters;
    for (char c = 'A'; c <= 'Z'; ++c)
        if (DriveExists(c))
            letters += c;
    return letters;
}

void InsertDiskette() {
    if (IsOpen())
        MakeDirectories(g_state.folder + "/drives/a");
}

void EjectDiskette() {
    if (!IsOpen())
        return;
    std::string cmd;
    // Remove the diskette's contents recursively.
    std::vector<std::string> stack = {g_state.folder + "/drives/a"};
    std::vector<std::string> dirs;
    while (!stack.empty()) {
        std::string dir = stack.back();
        stack.pop_back();
        dirs.push_back(dir);
        for (const std::string& n : ListHost(dir)) {
            std::string p = JoinHost(dir, n);
            if (IsDirectory(p))
                stack.push_back(p);
            else {
                CountChange();
                unlink(p.c_str());
            }
        }
    }
    for (auto it = dirs.rbegin(); it != dirs.rend(); ++it) {
        CountChange();
        rmdir(it->c_str());
    }
}

void SetDisketteWriteProtected(bool on) {
    if (!IsOpen())
        return;
    CountChange();
    if (on) {
        FILE* f = fopen(DisketteProtectMarker().c_str(), "w");
        if (f)
            fclose(f);
    } else {
        unlink(DisketteProtectMarker().c_str());
    }
}

bool IsDisketteWriteProtected() {
    return IsOpen() && Exists(DisketteProtectMarker());
}

int64_t DisketteCapacity() {
    return 1457664;
}

int64_t ClusterRound(int64_t size) {
    return (size + 511) / 512 * 512;
}

int64_t DisketteUsed(uint64_t exceptInode) {
    int64_t used = 0;
    std::vector<std::string> stack = {DriveRoot('A')};
    while (!stack.empty()) {
        std::string dir = stack.back();
        stack.pop_back();
        DIR* d = opendir(dir.c_str());
        if (!d)
            continue;
        while (dirent* e = readdir(d)) {
            if (strcmp(e->d_name, ".") == 0 || strcmp(e->d_name, "..") == 0)
                continue;
            std::string path = dir + "/" + e->d_name;
            struct stat st;
            if (lstat(path.c_str(), &st) != 0 || st.st_ino == exceptInode)
                continue;
            if (S_ISDIR(st.st_mode)) {
                used += 512;
                stack.push_back(path);
            } else {
                used += ClusterRound(st.st_size);
            }
        }
        closedir(d);
    }
    return used;
}

} // namespace machine
