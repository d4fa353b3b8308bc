// The file system calls of the emulated machine: directories, attributes,
// deletion, copying and moving. Paths go through machine::Resolve; read-only is enforced here
// because the host may run us as root, which ignores permission bits.
#include "platform/posix/kernel/api_files.h"

#include "platform/posix/kernel/api_base.h"
#include "platform/posix/kernel/codepage.h"
#include "platform/posix/kernel/errors.h"
#include "platform/posix/kernel/faults.h"
#include "platform/posix/kernel/files_internal.h"
#include "platform/posix/kernel/machine.h"
#include "platform/posix/kernel/trace.h"

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace files {

UINT CopyOut(const std::string& text, LPSTR buffer, UINT capacity) {
    if (!buffer || text.size() + 1 > capacity)
        return static_cast<UINT>(text.size() + 1);
    memcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<UINT>(text.size());
}

bool IsReadOnlyHost(const std::string& host) {
    uint32_t a = machine::HostAttributes(host);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY);
}

bool IsHostDirectory(const std::string& host) {
    struct stat st;
    return stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool OnProtectedDiskette(const machine::Resolved& r) {
    return r.drive == 'A' && machine::IsDisketteWriteProtected();
}

} // namespace files

using files::CopyOut;

namespace {

bool FailWith(DWORD error) {
    SetLastError(error);
    return false;
}

// The error for a path that does not name an existing object.
DWORD MissingError(const machine::Resolved& r) {
    return r.error ? r.error : ERROR_FILE_NOT_FOUND;
}

uint64_t InodeOf(const std::string& host) {
    struct stat st;
    return stat(host.c_str(), &st) == 0 ? st.st_ino : 0;
}

// Copies a host file over `to` (replaced atomically), with the source's
// attributes and modification time, as CopyFileA gives them.
bool CopyHostFile(const std::string& from, const std::string& to) {
    std::string bytes;
    if (!machine::ReadWholeFile(from, &bytes))
        return FailWith(ERROR_ACCESS_DENIED);
    if (!machine::WriteFileAtomically(to, bytes))
        return FailWith(errors::ErrorFromErrno(errno));
    struct stat st;
    if (stat(from.c_str(), &st) == 0) {
        struct timespec times[2] = {st.st_atim, st.st_mtim};
        utimensat(AT_FDCWD, to.c_str(), times, 0);
    }
    machine::SetHostAttributes(to, machine::HostAttributes(from));
    return true;
}

// The last component of a path as typed (Windows drops trailing dots and
// blanks).
std::string TypedName(const char* path) {
    std::string p = path;
    size_t cut = p.find_last_of("\\/:");
    std::string name = cut == std::string::npos ? p : p.substr(cut + 1);
    while (!name.empty() && (name.back() == '.' || name.back() == ' '))
        name.pop_back();
    return name;
}

// Attributes as words for the trace.
std::string AttributeWords(DWORD attributes) {
    std::string out;
    const struct {
        DWORD bit;
        const char* word;
    } kWords[] = {{FILE_ATTRIBUTE_READONLY, "read-only"},
                  {FILE_ATTRIBUTE_HIDDEN, "hidden"},
                  {FILE_ATTRIBUTE_SYSTEM, "system"},
                  {FILE_ATTRIBUTE_ARCHIVE, "archive"}};
    for (const auto& w : kWords) {
        if (attributes & w.bit)
            out += out.empty() ? w.word : std::string(" ") + w.word;
    }
    return out.empty() ? "normal" : out;
}

} // namespace

DWORD WINAPI GetFileAttributesA(LPCSTR path) {
    machine::Resolved r = machine::Resolve(path);
    if (!r.ok || !r.exists) {
        SetLastError(r.error ? r.error : ERROR_FILE_NOT_FOUND);
        return INVALID_FILE_ATTRIBUTES;
    }
    return machine::HostAttributes(r.host);
}

BOOL WINAPI SetFileAttributesA(LPCSTR path, DWORD attributes) {
    machine::Resolved r = machine::Resolve(path);
    if (!r.ok || !r.exists) {
        SetLastError(r.error ? r.error : ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    if (files::OnProtectedDiskette(r)) {
        SetLastError(ERROR_WRITE_PROTECT);
        return FALSE;
    }
    DWORD before = trace::On() ? machine::HostAttributes(r.host) : 0;
    if (!machine::SetHostAttributes(r.host, attributes)) {
        SetLastError(errors::ErrorFromErrno(errno));
        return FALSE;
    }
    if (trace::On() && machine::HostAttributes(r.host) != before)
        trace::Report("file", "attributes " + trace::Text(r.canonical) + " = " +
                                  AttributeWords(machine::HostAttributes(r.host)));
    return TRUE;
}

BOOL WINAPI CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES) {
    if (faults::Take(platform_testing::FaultFamily::CreateDirectory))
        return FailWith(ERROR_ACCESS_DENIED);
    machine::Resolved r = machine::Resolve(path);
    if (!r.ok) {
        SetLastError(r.error);
        return FALSE;
    }
    if (r.exists) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return FALSE;
    }
    if (!r.parentExists) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    if (files::OnProtectedDiskette(r)) {
        SetLastError(ERROR_WRITE_PROTECT);
        return FALSE;
    }
    // On the diskette a directory takes a cluster.
    if (r.drive == 'A' && machine::DisketteUsed(0) + 512 > machine::DisketteCapacity()) {
        SetLastError(ERROR_DISK_FULL);
        return FALSE;
    }
    machine::CountChange();
    if (mkdir(r.host.c_str(), 0755) != 0) {
        SetLastError(errors::ErrorFromErrno(errno));
        return FALSE;
    }
    if (trace::On())
        trace::Report("directory", "create " + trace::Text(r.canonical));
    return TRUE;
}

BOOL WINAPI RemoveDirectoryA(LPCSTR path) {
    if (faults::Take(platform_testing::FaultFamily::RemoveDirectory))
        return FailWith(ERROR_ACCESS_DENIED);
    machine::Resolved r = machine::Resolve(path);
    if (!r.ok || !r.exists) {
        SetLastError(r.error ? r.error : ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    if (!files::IsHostDirectory(r.host)) {
        SetLastError(ERROR_DIRECTORY);
        return FALSE;
    }
    if (files::OnProtectedDiskette(r)) {
        SetLastError(ERROR_WRITE_PROTECT);
        return FALSE;
    }
    if (r.canonical.size() <= 3) { // a drive's root
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (files::IsReadOnlyHost(r.host)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    // The current directory cannot be removed.
    machine::Resolved cwd = machine::Resolve(machine::CurrentDirectory().c_str());
    if (cwd.ok && cwd.host == r.host) {
        SetLastError(ERROR_SHARING_VIOLATION);
        return FALSE;
    }
    machine::CountChange();
    if (rmdir(r.host.c_str()) != 0) {
        SetLastError(errors::ErrorFromErrno(errno));
        return FALSE;
    }
    if (trace::On())
        trace::Report("directory", "remove " + trace::Text(r.canonical));
    return TRUE;
}

BOOL WINAPI DeleteFileA(LPCSTR path) {
    if (faults::Take(platform_testing::FaultFamily::Delete))
        return FailWith(ERROR_ACCESS_DENIED);
    machine::Resolved r = machine::Resolve(path);
    if (!r.ok || !r.exists) {
        SetLastError(r.error ? r.error : ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    if (files::IsHostDirectory(r.host)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (files::OnProtectedDiskette(r)) {
        SetLastError(ERROR_WRITE_PROTECT);
        return FALSE;
    }
    if (files::IsReadOnlyHost(r.host)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (files::IsOpenByRuntime(r.host)) {
        SetLastError(ERROR_SHARING_VIOLATION);
        return FALSE;
    }
    machine::CountChange();
    if (unlink(r.host.c_str()) != 0) {
        SetLastError(errors::ErrorFromErrno(errno));
        return FALSE;
    }
    if (trace::On())
        trace::Report("file", "delete " + trace::Text(r.canonical));
    return TRUE;
}

BOOL WINAPI CopyFileA(LPCSTR existing, LPCSTR newFile, BOOL failIfExists) {
    if (faults::Take(platform_testing::FaultFamily::Copy))
        return FailWith(ERROR_DISK_FULL);
    machine::Resolved from = machine::Resolve(existing);
    if (!from.ok || !from.exists)
        return FailWith(MissingError(from));
    if (files::IsHostDirectory(from.host))
        return FailWith(ERROR_ACCESS_DENIED);
    machine::Resolved to = machine::Resolve(newFile);
    if (!to.ok || !to.parentExists)
        return FailWith(to.error ? to.error : ERROR_PATH_NOT_FOUND);
    if (to.exists) {
        if (to.host == from.host)
            return FailWith(ERROR_SHARING_VIOLATION);
        if (failIfExists)
            return FailWith(ERROR_FILE_EXISTS);
        if (files::IsHostDirectory(to.host) || files::IsReadOnlyHost(to.host))
            return FailWith(ERROR_ACCESS_DENIED);
    }
    if (files::OnProtectedDiskette(to))
        return FailWith(ERROR_WRITE_PROTECT);
    if (to.drive == 'A') {
        struct stat st;
        int64_t size = stat(from.host.c_str(), &st) == 0 ? st.st_size : 0;
        uint64_t replaced = to.exists ? InodeOf(to.host) : 0;
        if (machine::ClusterRound(size) >
            machine::DisketteCapacity() - machine::DisketteUsed(replaced)) {
            // Windows truncates the target, writes until the disk is full
            // and then deletes the partial copy: the old target is gone too.
            if (to.exists) {
                machine::CountChange();
                if (unlink(to.host.c_str()) == 0 && trace::On())
                    trace::Report("file", "delete " + trace::Text(to.canonical) + " (disk full)");
            }
            return FailWith(ERROR_DISK_FULL);
        }
    }
    if (!CopyHostFile(from.host, to.host))
        return FALSE;
    if (trace::On())
        trace::Report("file", "copy " + trace::Text(from.canonical) + " -> " +
                                  trace::Text(machine::Resolve(newFile).canonical));
    return TRUE;
}

BOOL WINAPI MoveFileA(LPCSTR existing, LPCSTR newFile) {
    machine::Resolved from = machine::Resolve(existing);
    if (!from.ok || !from.exists)
        return FailWith(MissingError(from));
    machine::Resolved to = machine::Resolve(newFile);
    if (!to.ok || !to.parentExists)
        return FailWith(to.error ? to.error : ERROR_PATH_NOT_FOUND);
    bool sameObject = to.exists && to.host == from.host; // a change of case only
    if (to.exists && !sameObject)
        return FailWith(ERROR_ALREADY_EXISTS);
    if (files::OnProtectedDiskette(from) || files::OnProtectedDiskette(to))
        return FailWith(ERROR_WRITE_PROTECT);
    if (from.canonical.size() <= 3)
        return FailWith(ERROR_ACCESS_DENIED);
    if (files::IsOpenByRuntime(from.host))
        return FailWith(ERROR_SHARING_VIOLATION);
    bool directory = files::IsHostDirectory(from.host);
    if (from.drive != to.drive) {
        // Across drives a file is copied and the original deleted; a
        // directory cannot move.
        if (directory)
            return FailWith(ERROR_NOT_SAME_DEVICE);
        {
            trace::Quiet quiet; // reported as the move it is
            if (!CopyFileA(existing, newFile, TRUE))
                return FALSE;
        }
        machine::SetHostAttributes(from.host, FILE_ATTRIBUTE_NORMAL);
        machine::CountChange();
        unlink(from.host.c_str());
        if (trace::On())
            trace::Report("file", "move " + trace::Text(from.canonical) + " -> " +
                                      trace::Text(machine::Resolve(newFile).canonical));
        return TRUE;
    }
    std::string target = to.host;
    if (sameObject) {
        size_t slash = from.host.rfind('/');
        target = from.host.substr(0, slash + 1) + codepage::Cp1252ToUtf8(TypedName(newFile));
    }
    machine::CountChange();
    if (rename(from.host.c_str(), target.c_str()) != 0)
        return FailWith(errors::ErrorFromErrno(errno));
    if (!sameObject)
        machine::ForgetShortName(target);
    if (trace::On())
        trace::Report("file", std::string(directory ? "rename directory " : "rename ") +
                                  trace::Text(from.canonical) + " -> " +
                                  trace::Text(machine::Resolve(newFile).canonical));
    return TRUE;
}
