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
int crt_stat(const char* path, CrtStat* out) {
    struct _stat64 st;
    if (_stat64(path, &st) != 0)
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
    __time64_t t = time;
    struct tm tmv;
    if (_localtime64_s(&tmv, &t) != 0)
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
    intptr_t h = _get_osfhandle(handle);
    return h == -1 ? nullptr : reinterpret_cast<void*>(h);
}
