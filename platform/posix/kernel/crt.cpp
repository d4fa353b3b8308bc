// The runtime's low-level file interface on the emulated machine. Handles
// index a table of host file descriptors; paths go through the machine's
// resolution; read-only files, the write-protected diskette and its capacity
// are enforced here, since the host may run us as root.
#include "platform/crt.h"

#include "platform/posix/kernel/api_base.h"
#include "platform/posix/kernel/api_files.h"
#include "platform/posix/kernel/calls.h"
#include "platform/posix/kernel/errors.h"
#include "platform/posix/kernel/files_internal.h"
#include "platform/posix/kernel/trace.h"

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

struct OpenFile {
    int fd = -1;
    bool canRead = false;
    bool canWrite = false;
    bool onDiskette = false;
    uint64_t generation = 0; // the machine the handle belongs to
    std::string name;        // the file's full Windows name
    int64_t written = 0;     // bytes written through this handle
    bool traced = false;     // the change trace follows the handle (it was on at the open)
};

// Handles 0 to 2 are the standard streams of the C runtime; files start at 3.
const int kFirstHandle = 3;
const size_t kMaxHandles = 64;
std::vector<OpenFile> g_files;
thread_local int g_errno = 0;

int Fail(int e) {
    g_errno = e;
    return -1;
}

OpenFile* Lookup(int handle) {
    if (handle < kFirstHandle || static_cast<size_t>(handle - kFirstHandle) >= g_files.size())
        return nullptr;
    OpenFile* f = &g_files[static_cast<size_t>(handle - kFirstHandle)];
    if (f->fd < 0)
        return nullptr;
    if (f->generation != machine::Generation()) { // the machine was closed under it
        close(f->fd);
        f->fd = -1;
        return nullptr;
    }
    return f;
}

int AddHandle(const OpenFile& file) {
    for (size_t i = 0; i < g_files.size(); ++i) {
        if (g_files[i].fd < 0 || g_files[i].generation != machine::Generation()) {
            if (g_files[i].fd >= 0)
                close(g_files[i].fd);
            g_files[i] = file;
            return kFirstHandle + static_cast<int>(i);
        }
    }
    if (g_files.size() >= kMaxHandles)
        return -1;
    g_files.push_back(file);
    return kFirstHandle + static_cast<int>(g_files.size() - 1);
}

// The part of `count` bytes written at `position` into a diskette file of
// that still fits on the diskette.
unsigned FittingOnDiskette(int fd, int64_t position, unsigned count) {
    struct stat st;
    if (fstat(fd, &st) != 0)
        return count;
    int64_t free = machine::DisketteCapacity() - machine::DisketteUsed(st.st_ino);
    int64_t end = std::max<int64_t>(st.st_size, position + count);
    if (machine::ClusterRound(end) <= free)
        return count;
    int64_t room = std::max<int64_t>(free - position, 0);
    return static_cast<unsigned>(std::min<int64_t>(room, count));
}

} // namespace

namespace files {
int HostFdOfHandle(HANDLE handle, bool* writable) {
    OpenFile* f = Lookup(static_cast<int>(reinterpret_cast<intptr_t>(handle)));
    if (!f)
        return -1;
    if (writable)
        *writable = f->canWrite;
    return f->fd;
}
bool IsOpenByRuntime(const std::string& host) {
    struct stat target;
    if (stat(host.c_str(), &target) != 0)
        return false;
    for (size_t i = 0; i < g_files.size(); ++i) {
        struct stat st;
        if (Lookup(kFirstHandle + static_cast<int>(i)) && fstat(g_files[i].fd, &st) == 0 &&
            st.st_dev == target.st_dev && st.st_ino == target.st_ino)
            return true;
    }
    return false;
}
} // namespace files

namespace {

int Open(const machine::Resolved& r, int flags, int permission) {
    int access = flags & 3;
    bool wantsWrite = access != CRT_O_RDONLY || (flags & CRT_O_TRUNC);
    bool create = (flags & CRT_O_CREAT) != 0;
    if (r.exists) {
        if (create && (flags & CRT_O_EXCL))
            return Fail(CRT_EEXIST);
        if (files::IsHostDirectory(r.host))
            return Fail(CRT_EACCES);
        if (wantsWrite && (files::IsReadOnlyHost(r.host) || files::OnProtectedDiskette(r)))
            return Fail(CRT_EACCES);
    } else {
        if (!r.parentExists || !create)
            return Fail(CRT_ENOENT);
        if (files::OnProtectedDiskette(r))
            return Fail(CRT_EACCES);
    }
    int hostFlags = O_CLOEXEC;
    hostFlags |= access == CRT_O_WRONLY ? O_WRONLY : access == CRT_O_RDWR ? O_RDWR : O_RDONLY;
    if (flags & CRT_O_TRUNC)
        hostFlags = (hostFlags & ~O_ACCMODE) | (access == CRT_O_RDWR ? O_RDWR : O_WRONLY);
    if (flags & CRT_O_APPEND)
        hostFlags |= O_APPEND;
    if (create)
        hostFlags |= O_CREAT;
    if (flags & CRT_O_TRUNC)
        hostFlags |= O_TRUNC;
    int fd = machine::OpenHostFile(r.host, hostFlags, !r.exists || (flags & CRT_O_TRUNC));
    if (fd < 0)
        return Fail(errors::CrtErrnoFromError(errors::ErrorFromErrno(errno)));
    // A file created without write permission is read-only from then on;
    // this handle may still write to it.
    if (!r.exists && !(permission & CRT_S_IWRITE))
        machine::SetHostAttributes(r.host, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
    OpenFile file;
    file.fd = fd;
    file.canRead = access != CRT_O_WRONLY && !(flags & CRT_O_TRUNC && access == CRT_O_RDONLY);
    file.canWrite = wantsWrite;
    file.onDiskette = r.drive == 'A';
    file.generation = machine::Generation();
    file.name = r.canonical;
    int handle = AddHandle(file);
    if (handle < 0) {
        close(fd);
        return Fail(CRT_EMFILE);
    }
    return handle;
}

// `halved`: the disk takes half of what is asked (an injected short write).
int Write(OpenFile* f, const void* buffer, unsigned count, bool halved) {
    unsigned wanted = halved ? count / 2 : count;
    if (f->onDiskette && wanted > 0) {
        off_t position = lseek(f->fd, 0, SEEK_CUR);
        if (fcntl(f->fd, F_GETFL) & O_APPEND) {
            struct stat st;
            if (fstat(f->fd, &st) == 0)
                position = st.st_size;
        }
        wanted = FittingOnDiskette(f->fd, position, wanted);
    }
    long done = machine::WriteHostFile(f->fd, buffer, wanted);
    if (done < 0)
        return Fail(errno == ENOSPC ? CRT_ENOSPC : CRT_EBADF);
    if (static_cast<unsigned long>(done) < count)
        g_errno = CRT_ENOSPC;
    f->written += done;
    return static_cast<int>(done);
}

int Read(OpenFile* f, void* buffer, unsigned count) {
    size_t done = 0;
    while (done < count) {
        ssize_t n = read(f->fd, static_cast<char*>(buffer) + done, count - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return Fail(CRT_EBADF);
        }
        if (n == 0)
            break;
        done += static_cast<size_t>(n);
    }
    return static_cast<int>(done);
}

} // namespace

// ---- The calls: the way in and out (calls.h) ----

int crt_open(const char* path, int flags, int permission) {
    machine::Resolved r = machine::Resolve(path);
    if (!r.ok)
        return Fail(errors::CrtErrnoFromError(r.error));
    bool wantsWrite = (flags & 3) != CRT_O_RDONLY || (flags & CRT_O_TRUNC);
    if (!wantsWrite && !(flags & CRT_O_CREAT))
        return Open(r, flags, permission); // a read changes nothing and never fails by injection
    return calls::Run(
        calls::kCrtOpenForWriting, [&] { return Open(r, flags, permission); },
        [&](int handle) -> calls::Lines {
            OpenFile* f = Lookup(handle);
            if (!f || !f->canWrite)
                return {};
            f->traced = true;
            if (!r.exists)
                return {"create " + trace::Text(f->name)};
            if (flags & CRT_O_TRUNC)
                return {"truncate " + trace::Text(f->name)};
            return {};
        });
}

int crt_read(int handle, void* buffer, unsigned count) {
    OpenFile* f = Lookup(handle);
    if (!f || !f->canRead)
        return Fail(CRT_EBADF);
    return calls::Run(calls::kCrtRead, [&] { return Read(f, buffer, count); });
}

int crt_write(int handle, const void* buffer, unsigned count) {
    OpenFile* f = Lookup(handle);
    if (!f || !f->canWrite)
        return Fail(CRT_EBADF);
    return calls::Run(calls::kCrtWrite,
                      [&](bool halved) { return Write(f, buffer, count, halved); });
}

long crt_lseek(int handle, long offset, int origin) {
    OpenFile* f = Lookup(handle);
    if (!f)
        return Fail(CRT_EBADF);
    int whence = origin == CRT_SEEK_SET   ? SEEK_SET
                 : origin == CRT_SEEK_CUR ? SEEK_CUR
                 : origin == CRT_SEEK_END ? SEEK_END
                                          : -1;
    if (whence < 0)
        return Fail(CRT_EINVAL);
    off_t at = lseek(f->fd, offset, whence);
    if (at < 0)
        return Fail(CRT_EINVAL);
    return static_cast<long>(at);
}

long crt_filelength(int handle) {
    OpenFile* f = Lookup(handle);
    struct stat st;
    if (!f || fstat(f->fd, &st) != 0)
        return Fail(CRT_EBADF);
    return static_cast<long>(st.st_size);
}

int crt_close(int handle) {
    OpenFile* f = Lookup(handle);
    if (!f)
        return Fail(CRT_EBADF);
    OpenFile closed = *f;
    return calls::Run(
        calls::kCrtClose,
        [&] {
            int rc = close(f->fd);
            f->fd = -1;
            return rc == 0 ? 0 : Fail(CRT_EBADF);
        },
        [&](int) -> calls::Lines {
            if (!closed.traced || closed.written == 0)
                return {};
            return {"write " + trace::Text(closed.name) + " (" + std::to_string(closed.written) +
                    " bytes)"};
        });
}

int crt_stat(const char* path, CrtStat* out) {
    machine::Resolved r = machine::Resolve(path);
    if (!r.ok || !r.exists)
        return Fail(CRT_ENOENT);
    struct stat st;
    if (stat(r.host.c_str(), &st) != 0)
        return Fail(CRT_ENOENT);
    out->size = S_ISDIR(st.st_mode) ? 0 : static_cast<int64_t>(st.st_size);
    out->modified = st.st_mtime;
    out->isDirectory = S_ISDIR(st.st_mode);
    return 0;
}

int crt_remove(const char* path) {
    if (DeleteFileA(path))
        return 0;
    return Fail(errors::CrtErrnoFromError(GetLastError()));
}

int crt_rename(const char* from, const char* to) {
    if (MoveFileA(from, to))
        return 0;
    return Fail(errors::CrtErrnoFromError(GetLastError()));
}

int crt_mkdir(const char* path) {
    if (CreateDirectoryA(path, nullptr))
        return 0;
    return Fail(errors::CrtErrnoFromError(GetLastError()));
}

int crt_errno() {
    return g_errno;
}

void crt_set_errno(int value) {
    g_errno = value;
}

bool crt_localtime(int64_t time, CrtCalendar* out) {
    if (time < 0)
        return false;
    time_t t = static_cast<time_t>(time);
    struct tm tmv;
    if (!localtime_r(&t, &tmv))
        return false;
    out->year = tmv.tm_year + 1900;
    out->month = tmv.tm_mon + 1;
    out->day = tmv.tm_mday;
    out->hour = tmv.tm_hour;
    out->minute = tmv.tm_min;
    out->second = tmv.tm_sec;
    return true;
}

void* crt_get_osfhandle(int handle) {
    if (!Lookup(handle))
        return nullptr;
    return reinterpret_cast<void*>(static_cast<intptr_t>(handle));
}
