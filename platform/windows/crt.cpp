// The runtime's low-level file interface on Windows: forwards to the C runtime.
#include "platform/crt.h"

#include <errno.h>
#include <fcntl.h>
#include <io.h>
#include <direct.h>
#include <stdio.h>
#include <sys/stat.h>
#include <time.h>

int crt_open(const char* path, int flags, int permission) {
    return _open(path, flags, permission);
}
int crt_read(int handle, void* buffer, unsigned count) {
    return _read(handle, buffer, count);
}
int crt_write(int handle, const void* buffer, unsigned count) {
    return _write(handle, buffer, count);
}
long crt_lseek(int handle, long offset, int origin) {
    return _lseek(handle, offset, origin);
}
long crt_filelength(int handle) {
    return _filelength(handle);
}
int crt_close(int handle) {
    return _close(handle);
}
// _stat and localtime: the 32-bit build defines _USE_32BIT_TIME_T, so that
// these are the calls of the msvcrt.dll that Windows 95 and 98 have (their
// *64 forms came later).
int crt_stat(const char* path, CrtStat* out) {
    struct _stat st;
    if (_stat(path, &st) != 0)
        return -1;
    out->size = st.st_size;
    out->modified = st.st_mtime;
    out->isDirectory = (st.st_mode & _S_IFDIR) != 0;
    return 0;
}
int crt_remove(const char* path) {
    return remove(path);
}
int crt_rename(const char* from, const char* to) {
    return rename(from, to);
}
int crt_mkdir(const char* path) {
    return _mkdir(path);
}
int crt_errno() {
    return errno;
}
void crt_set_errno(int value) {
    errno = value;
}
bool crt_localtime(int64_t time, CrtCalendar* out) {
    time_t t = static_cast<time_t>(time);
    if (static_cast<int64_t>(t) != time)
        return false; // past what the runtime's time_t holds
    const struct tm* local = localtime(&t);
    if (!local)
        return false;
    out->year = local->tm_year + 1900;
    out->month = local->tm_mon + 1;
    out->day = local->tm_mday;
    out->hour = local->tm_hour;
    out->minute = local->tm_min;
    out->second = local->tm_sec;
    return true;
}
void* crt_get_osfhandle(int handle) {
    intptr_t h = _get_osfhandle(handle);
    return h == -1 ? nullptr : reinterpret_cast<void*>(h);
}
