// Time on the emulated machine: the host's local zone is the machine's time
// zone; file times are the host files' times.
#include "platform/posix/kernel/api_base.h"
#include "platform/posix/kernel/errors.h"
#include "platform/posix/kernel/files_internal.h"
#include "platform/posix/kernel/calls.h"

#include <errno.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>

using calls::Fail;

namespace {

// 100-nanosecond intervals between 1601-01-01 and 1970-01-01.
const int64_t kEpochDifference = 116444736000000000LL;

int64_t Ticks(const FILETIME& t) {
    return static_cast<int64_t>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
}

FILETIME FromTicks(int64_t ticks) {
    FILETIME t;
    t.dwLowDateTime = static_cast<DWORD>(static_cast<uint64_t>(ticks));
    t.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(ticks) >> 32);
    return t;
}

// Seconds east of UTC of local time at `t`.
long OffsetAt(time_t t, bool* daylight = nullptr) {
    struct tm local;
    localtime_r(&t, &local);
    if (daylight)
        *daylight = local.tm_isdst > 0;
    return local.tm_gmtoff;
}

// The current bias in ticks (UTC = local + bias), as Windows applies it to
// every conversion, whatever the date converted.
int64_t CurrentBiasTicks() {
    return -static_cast<int64_t>(OffsetAt(time(nullptr))) * 10000000LL;
}

// The local time just before the change of daylight state within (from, to],
// as a Windows transition rule: month, weekday, week of the month (5 = the
// last), hour and minute.
SYSTEMTIME TransitionRule(time_t from, time_t to) {
    bool startDaylight;
    OffsetAt(from, &startDaylight);
    while (to - from > 1) {
        time_t mid = from + (to - from) / 2;
        bool daylight;
        OffsetAt(mid, &daylight);
        if (daylight == startDaylight)
            from = mid;
        else
            to = mid;
    }
    // The wall clock at the change, read with the offset in force before it.
    time_t wall = to + OffsetAt(from);
    struct tm at;
    gmtime_r(&wall, &at);
    SYSTEMTIME rule = {};
    rule.wMonth = static_cast<WORD>(at.tm_mon + 1);
    rule.wDayOfWeek = static_cast<WORD>(at.tm_wday);
    int week = (at.tm_mday - 1) / 7 + 1;
    static const int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (at.tm_mday + 7 > kDays[at.tm_mon])
        week = 5;
    rule.wDay = static_cast<WORD>(week);
    rule.wHour = static_cast<WORD>(at.tm_hour);
    rule.wMinute = static_cast<WORD>(at.tm_min);
    return rule;
}

void CopyName(WCHAR* out, const char* name) {
    for (int i = 0; i < 31 && name && name[i]; ++i) {
        out[i] = static_cast<WCHAR>(static_cast<unsigned char>(name[i]));
        out[i + 1] = 0;
    }
}

} // namespace

namespace files {

FILETIME FileTimeFromHost(const struct timespec& t) {
    return FromTicks(static_cast<int64_t>(t.tv_sec) * 10000000LL + t.tv_nsec / 100 +
                     kEpochDifference);
}

struct timespec HostFromFileTime(const FILETIME& t) {
    int64_t ticks = Ticks(t) - kEpochDifference;
    int64_t seconds = ticks / 10000000LL;
    int64_t rest = ticks % 10000000LL;
    if (rest < 0) {
        rest += 10000000LL;
        --seconds;
    }
    struct timespec out;
    out.tv_sec = static_cast<time_t>(seconds);
    out.tv_nsec = static_cast<long>(rest * 100);
    return out;
}

} // namespace files

DWORD WINAPI GetTimeZoneInformation(LPTIME_ZONE_INFORMATION info) {
    if (!info)
        return Fail(ERROR_INVALID_PARAMETER, TIME_ZONE_ID_INVALID);
    memset(info, 0, sizeof *info);
    tzset();
    time_t now = time(nullptr);
    bool daylightNow;
    long offsetNow = OffsetAt(now, &daylightNow);
    // Sample the year around now for the standard and the daylight offsets
    // and the changes between them.
    struct tm local;
    localtime_r(&now, &local);
    struct tm january = {};
    january.tm_year = local.tm_year;
    january.tm_mday = 1;
    january.tm_isdst = -1;
    time_t yearStart = timegm(&january) - 14 * 3600;
    long standardOffset = offsetNow;
    long daylightOffset = offsetNow;
    bool haveStandard = !daylightNow;
    bool haveDaylight = daylightNow;
    time_t previous = yearStart;
    bool previousDaylight;
    OffsetAt(previous, &previousDaylight);
    for (int day = 1; day <= 366 + 2; ++day) {
        time_t t = yearStart + static_cast<time_t>(day) * 86400;
        bool daylight;
        long offset = OffsetAt(t, &daylight);
        if (daylight) {
            daylightOffset = haveDaylight ? daylightOffset : offset;
            haveDaylight = true;
        } else {
            standardOffset = haveStandard ? standardOffset : offset;
            haveStandard = true;
        }
        if (daylight != previousDaylight) {
            if (daylight)
                info->DaylightDate = TransitionRule(previous, t);
            else
                info->StandardDate = TransitionRule(previous, t);
        }
        previous = t;
        previousDaylight = daylight;
    }
    info->Bias = -standardOffset / 60;
    info->StandardBias = 0;
    CopyName(info->StandardName, tzname[0]);
    if (!haveDaylight || !haveStandard || info->DaylightDate.wMonth == 0) {
        info->Bias = -offsetNow / 60;
        memset(&info->DaylightDate, 0, sizeof info->DaylightDate);
        memset(&info->StandardDate, 0, sizeof info->StandardDate);
        info->DaylightBias = -60; // as Windows keeps it for zones without daylight time
        return TIME_ZONE_ID_UNKNOWN;
    }
    CopyName(info->DaylightName, tzname[1]);
    info->DaylightBias = -(daylightOffset - standardOffset) / 60;
    return daylightNow ? TIME_ZONE_ID_DAYLIGHT : TIME_ZONE_ID_STANDARD;
}

// A DOS date (bits 15-9 years since 1980, 8-5 month, 4-0 day) and time
// (15-11 hours, 10-5 minutes, 4-0 seconds / 2), taken as they are.
BOOL WINAPI DosDateTimeToFileTime(WORD dosDate, WORD dosTime, LPFILETIME fileTime) {
    struct tm t = {};
    t.tm_year = 80 + (dosDate >> 9);
    t.tm_mon = ((dosDate >> 5) & 0xF) - 1;
    t.tm_mday = dosDate & 0x1F;
    t.tm_hour = dosTime >> 11;
    t.tm_min = (dosTime >> 5) & 0x3F;
    t.tm_sec = (dosTime & 0x1F) * 2;
    static const int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (!fileTime || t.tm_mon < 0 || t.tm_mon > 11 || t.tm_mday < 1 ||
        t.tm_mday > kDays[t.tm_mon] || t.tm_hour > 23 || t.tm_min > 59 || t.tm_sec > 59)
        return Fail(ERROR_INVALID_PARAMETER);
    time_t seconds = timegm(&t);
    *fileTime = FromTicks(static_cast<int64_t>(seconds) * 10000000LL + kEpochDifference);
    return TRUE;
}

BOOL WINAPI FileTimeToLocalFileTime(const FILETIME* fileTime, LPFILETIME localFileTime) {
    if (!fileTime || !localFileTime)
        return Fail(ERROR_INVALID_PARAMETER);
    *localFileTime = FromTicks(Ticks(*fileTime) - CurrentBiasTicks());
    return TRUE;
}

BOOL WINAPI LocalFileTimeToFileTime(const FILETIME* localFileTime, LPFILETIME fileTime) {
    if (!fileTime || !localFileTime)
        return Fail(ERROR_INVALID_PARAMETER);
    *fileTime = FromTicks(Ticks(*localFileTime) + CurrentBiasTicks());
    return TRUE;
}

BOOL WINAPI SetFileTime(HANDLE file, const FILETIME* creation, const FILETIME* lastAccess,
                        const FILETIME* lastWrite) {
    (void)creation; // the host keeps no creation time
    int fd = files::HostFdOfHandle(file, nullptr);
    if (fd < 0)
        return Fail(ERROR_INVALID_HANDLE);
    struct timespec times[2];
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_nsec = UTIME_OMIT;
    if (lastAccess)
        times[0] = files::HostFromFileTime(*lastAccess);
    if (lastWrite)
        times[1] = files::HostFromFileTime(*lastWrite);
    if (!machine::SetHostFileTimes(fd, times))
        return Fail(errors::ErrorFromErrno(errno));
    return TRUE;
}

BOOL WINAPI GetFileTime(HANDLE file, LPFILETIME creation, LPFILETIME lastAccess,
                        LPFILETIME lastWrite) {
    int fd = files::HostFdOfHandle(file, nullptr);
    struct stat st;
    if (fd < 0 || fstat(fd, &st) != 0)
        return Fail(ERROR_INVALID_HANDLE);
    if (creation)
        *creation = files::FileTimeFromHost(st.st_mtim);
    if (lastAccess)
        *lastAccess = files::FileTimeFromHost(st.st_atim);
    if (lastWrite)
        *lastWrite = files::FileTimeFromHost(st.st_mtim);
    return TRUE;
}
