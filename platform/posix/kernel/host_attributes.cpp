// Windows attributes of host objects on the emulated machine: read-only in
// the host write bits, hidden, system and archive in an extended attribute.
#include "platform/posix/kernel/machine.h"

#include "platform/posix/kernel/machine_internal.h"
#include "platform/posix/win_types.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include <string>

namespace machine {

const char kAttribXattr[] = "user.win.attrib";

namespace {

// The attributes kept in the extended attribute. A directory keeps its
// read-only there too: on Windows that attribute does not stop files being
// made in it, so its host write bits stay (without root they would).
uint32_t KeptAttributes(const struct stat& st) {
    uint32_t kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
    return S_ISDIR(st.st_mode) ? kept | FILE_ATTRIBUTE_READONLY : kept;
}

} // namespace

uint32_t HostAttributes(const std::string& hostPath) {
    struct stat st;
    if (stat(hostPath.c_str(), &st) != 0)
        return INVALID_FILE_ATTRIBUTES;
    uint32_t attributes = 0;
    std::string kept = GetXattr(hostPath, kAttribXattr);
    if (!kept.empty())
        attributes = static_cast<uint32_t>(strtoul(kept.c_str(), nullptr, 10)) & KeptAttributes(st);
    else if (!S_ISDIR(st.st_mode))
        attributes = FILE_ATTRIBUTE_ARCHIVE;
    if (!(st.st_mode & S_IWUSR))
        attributes |= FILE_ATTRIBUTE_READONLY;
    if (S_ISDIR(st.st_mode))
        attributes |= FILE_ATTRIBUTE_DIRECTORY;
    if (attributes == 0)
        attributes = FILE_ATTRIBUTE_NORMAL;
    return attributes;
}

bool SetHostAttributes(const std::string& hostPath, uint32_t attributes) {
    struct stat st;
    if (stat(hostPath.c_str(), &st) != 0)
        return false;
    mode_t mode = st.st_mode & 07777;
    if (S_ISDIR(st.st_mode))
        mode |= S_IWUSR; // read-only goes into the extended attribute
    else if (attributes & FILE_ATTRIBUTE_READONLY)
        mode &= ~(S_IWUSR | S_IWGRP | S_IWOTH);
    else
        mode |= S_IWUSR;
    CountChange();
    if (chmod(hostPath.c_str(), mode) != 0)
        return false;
    std::string kept = std::to_string(attributes & KeptAttributes(st));
    // Where the host file system keeps no extended attributes, hidden,
    // system and archive are simply not kept.
    CountChange();
    lsetxattr(hostPath.c_str(), kAttribXattr, kept.data(), kept.size(), 0);
    return true;
}

} // namespace machine
