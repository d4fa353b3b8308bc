// The file system calls of the emulated machine: directories, attributes,
// deletion, copying and moving. Paths go through machine::Resolve; read-only is enforced here
// because the host may run us as root, which ignores permission bits.
#include "platform/posix/kernel/api_files.h"

#include "platform/posix/kernel/api_base.h"
#include "platform/posix/kernel/calls.h"
#include "platform/posix/kernel/codepage.h"
#include "platform/posix/kernel/errors.h"
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

using calls::Fail;

namespace {

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
        return Fail(ERROR_ACCESS_DENIED);
    if (!machine::WriteFileAtomically(to, bytes))
        return Fail(errors::ErrorFromErrno(errno));
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

// What a copy found and did.
struct Copy {
    machine::Resolved from, to;
    bool targetLost = false; // the old target went with a copy that did not fit
};

// What a move found.
struct Move {
    machine::Resolved from, to;
    bool directory = false;
};

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
    if (!r.ok || !r.exists)
        return Fail(MissingError(r), INVALID_FILE_ATTRIBUTES);
    return machine::HostAttributes(r.host);
}

namespace {

BOOL SetFileAttributes(LPCSTR path, DWORD attributes, machine::Resolved* r, DWORD* replaced) {
    *r = machine::Resolve(path);
    if (!r->ok || !r->exists)
        return Fail(MissingError(*r));
    if (files::OnProtectedDiskette(*r))
        return Fail(ERROR_WRITE_PROTECT);
    *replaced = machine::HostAttributes(r->host);
    if (!machine::SetHostAttributes(r->host, attributes))
        return Fail(errors::ErrorFromErrno(errno));
    return TRUE;
}

BOOL CreateDirectory(LPCSTR path, machine::Resolved* r) {
    *r = machine::Resolve(path);
    if (!r->ok)
        return Fail(r->error);
    if (r->exists)
        return Fail(ERROR_ALREADY_EXISTS);
    if (!r->parentExists)
        return Fail(ERROR_PATH_NOT_FOUND);
    if (files::OnProtectedDiskette(*r))
        return Fail(ERROR_WRITE_PROTECT);
    // On the diskette a directory takes a cluster.
    if (r->drive == 'A' && machine::DisketteUsed(0) + 512 > machine::DisketteCapacity())
        return Fail(ERROR_DISK_FULL);
    if (!machine::MakeHostDirectory(r->host))
        return Fail(errors::ErrorFromErrno(errno));
    return TRUE;
}

BOOL RemoveDirectory(LPCSTR path, machine::Resolved* r) {
    *r = machine::Resolve(path);
    if (!r->ok || !r->exists)
        return Fail(MissingError(*r));
    if (!files::IsHostDirectory(r->host))
        return Fail(ERROR_DIRECTORY);
    if (files::OnProtectedDiskette(*r))
        return Fail(ERROR_WRITE_PROTECT);
    if (r->canonical.size() <= 3) // a drive's root
        return Fail(ERROR_ACCESS_DENIED);
    if (files::IsReadOnlyHost(r->host))
        return Fail(ERROR_ACCESS_DENIED);
    // The current directory cannot be removed.
    machine::Resolved cwd = machine::Resolve(machine::CurrentDirectory().c_str());
    if (cwd.ok && cwd.host == r->host)
        return Fail(ERROR_SHARING_VIOLATION);
    if (!machine::RemoveHostDirectory(r->host))
        return Fail(errors::ErrorFromErrno(errno));
    return TRUE;
}

BOOL DeleteFile(LPCSTR path, machine::Resolved* r) {
    *r = machine::Resolve(path);
    if (!r->ok || !r->exists)
        return Fail(MissingError(*r));
    if (files::IsHostDirectory(r->host))
        return Fail(ERROR_ACCESS_DENIED);
    if (files::OnProtectedDiskette(*r))
        return Fail(ERROR_WRITE_PROTECT);
    if (files::IsReadOnlyHost(r->host))
        return Fail(ERROR_ACCESS_DENIED);
    if (files::IsOpenByRuntime(r->host))
        return Fail(ERROR_SHARING_VIOLATION);
    if (!machine::RemoveHostFile(r->host))
        return Fail(errors::ErrorFromErrno(errno));
    return TRUE;
}

BOOL CopyFile(LPCSTR existing, LPCSTR newFile, BOOL failIfExists, Copy* copy) {
    machine::Resolved& from = copy->from;
    machine::Resolved& to = copy->to;
    from = machine::Resolve(existing);
    if (!from.ok || !from.exists)
        return Fail(MissingError(from));
    if (files::IsHostDirectory(from.host))
        return Fail(ERROR_ACCESS_DENIED);
    to = machine::Resolve(newFile);
    if (!to.ok || !to.parentExists)
        return Fail(to.error ? to.error : ERROR_PATH_NOT_FOUND);
    if (to.exists) {
        if (to.host == from.host)
            return Fail(ERROR_SHARING_VIOLATION);
        if (failIfExists)
            return Fail(ERROR_FILE_EXISTS);
        if (files::IsHostDirectory(to.host) || files::IsReadOnlyHost(to.host))
            return Fail(ERROR_ACCESS_DENIED);
    }
    if (files::OnProtectedDiskette(to))
        return Fail(ERROR_WRITE_PROTECT);
    if (to.drive == 'A') {
        struct stat st;
        int64_t size = stat(from.host.c_str(), &st) == 0 ? st.st_size : 0;
        uint64_t replaced = to.exists ? InodeOf(to.host) : 0;
        if (machine::ClusterRound(size) >
            machine::DisketteCapacity() - machine::DisketteUsed(replaced)) {
            // Windows truncates the target, writes until the disk is full
            // and then deletes the partial copy: the old target is gone too.
            if (to.exists)
                copy->targetLost = machine::RemoveHostFile(to.host);
            return Fail(ERROR_DISK_FULL);
        }
    }
    return CopyHostFile(from.host, to.host);
}

BOOL MoveFile(LPCSTR existing, LPCSTR newFile, Move* move) {
    machine::Resolved& from = move->from;
    machine::Resolved& to = move->to;
    from = machine::Resolve(existing);
    if (!from.ok || !from.exists)
        return Fail(MissingError(from));
    to = machine::Resolve(newFile);
    if (!to.ok || !to.parentExists)
        return Fail(to.error ? to.error : ERROR_PATH_NOT_FOUND);
    bool sameObject = to.exists && to.host == from.host; // a change of case only
    if (to.exists && !sameObject)
        return Fail(ERROR_ALREADY_EXISTS);
    if (files::OnProtectedDiskette(from) || files::OnProtectedDiskette(to))
        return Fail(ERROR_WRITE_PROTECT);
    if (from.canonical.size() <= 3)
        return Fail(ERROR_ACCESS_DENIED);
    if (files::IsOpenByRuntime(from.host))
        return Fail(ERROR_SHARING_VIOLATION);
    move->directory = files::IsHostDirectory(from.host);
    if (from.drive != to.drive) {
        // Across drives a file is copied and the original deleted; a
        // directory cannot move.
        if (move->directory)
            return Fail(ERROR_NOT_SAME_DEVICE);
        if (!CopyFileA(existing, newFile, TRUE))
            return FALSE;
        machine::SetHostAttributes(from.host, FILE_ATTRIBUTE_NORMAL);
        machine::RemoveHostFile(from.host);
        return TRUE;
    }
    std::string target = to.host;
    if (sameObject) {
        size_t slash = from.host.rfind('/');
        target = from.host.substr(0, slash + 1) + codepage::Cp1252ToUtf8(TypedName(newFile));
    }
    if (!machine::RenameHost(from.host, target))
        return Fail(errors::ErrorFromErrno(errno));
    if (!sameObject)
        machine::ForgetShortName(target);
    return TRUE;
}

} // namespace

// ---- The calls: the way in and out (calls.h) ----

BOOL WINAPI SetFileAttributesA(LPCSTR path, DWORD attributes) {
    machine::Resolved file;
    DWORD replaced = 0;
    return calls::Run(
        calls::kSetFileAttributesA,
        [&] { return SetFileAttributes(path, attributes, &file, &replaced); },
        [&](BOOL set) -> calls::Lines {
            DWORD now = machine::HostAttributes(file.host);
            if (!set || now == replaced)
                return {};
            return {"attributes " + trace::Text(file.canonical) + " = " + AttributeWords(now)};
        });
}

BOOL WINAPI CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES) {
    machine::Resolved directory;
    return calls::Run(
        calls::kCreateDirectoryA, [&] { return CreateDirectory(path, &directory); },
        [&](BOOL made) -> calls::Lines {
            if (!made)
                return {};
            return {"create " + trace::Text(directory.canonical)};
        });
}

BOOL WINAPI RemoveDirectoryA(LPCSTR path) {
    machine::Resolved directory;
    return calls::Run(
        calls::kRemoveDirectoryA, [&] { return RemoveDirectory(path, &directory); },
        [&](BOOL removed) -> calls::Lines {
            if (!removed)
                return {};
            return {"remove " + trace::Text(directory.canonical)};
        });
}

BOOL WINAPI DeleteFileA(LPCSTR path) {
    machine::Resolved file;
    return calls::Run(
        calls::kDeleteFileA, [&] { return DeleteFile(path, &file); },
        [&](BOOL deleted) -> calls::Lines {
            if (!deleted)
                return {};
            return {"delete " + trace::Text(file.canonical)};
        });
}

BOOL WINAPI CopyFileA(LPCSTR existing, LPCSTR newFile, BOOL failIfExists) {
    Copy copy;
    return calls::Run(
        calls::kCopyFileA, [&] { return CopyFile(existing, newFile, failIfExists, &copy); },
        [&](BOOL copied) -> calls::Lines {
            if (copied)
                return {"copy " + trace::Text(copy.from.canonical) + " -> " +
                        trace::Text(machine::Resolve(newFile).canonical)};
            if (copy.targetLost)
                return {"delete " + trace::Text(copy.to.canonical) + " (disk full)"};
            return {};
        });
}

BOOL WINAPI MoveFileA(LPCSTR existing, LPCSTR newFile) {
    Move move;
    return calls::Run(
        calls::kMoveFileA, [&] { return MoveFile(existing, newFile, &move); },
        [&](BOOL moved) -> calls::Lines {
            if (!moved)
                return {};
            std::string what = move.from.drive != move.to.drive ? "move "
                               : move.directory                 ? "rename directory "
                                                                : "rename ";
            return {what + trace::Text(move.from.canonical) + " -> " +
                    trace::Text(machine::Resolve(newFile).canonical)};
        });
}
