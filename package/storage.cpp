// Buffered storage over the runtime's low-level file interface.
#include "package/storage.h"

#include "platform/win32.h"
#include "text/text_case.h"

#include <ctype.h>
#include <new>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

char* CopyText(const char* text, size_t length, int32_t caseMode) {
    char* copy = static_cast<char*>(malloc(length + 1));
    if (!copy)
        return nullptr;
    for (size_t i = 0; i < length; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (caseMode == 0)
            c = static_cast<unsigned char>(toupper(c));
        else if (caseMode == 1)
            c = static_cast<unsigned char>(tolower(c));
        copy[i] = static_cast<char>(c);
    }
    copy[length] = '\0';
    return copy;
}

bool HasSeparator(const char* text) {
    return strchr(text, '/') || strchr(text, '\\');
}

// Julian day number of a Gregorian date (Fliegel and Van Flandern).
int64_t DayNumber(int64_t year, int64_t month, int64_t day) {
    return day - 32075 + 1461 * (year + 4800 + (month - 14) / 12) / 4 +
           367 * (month - 2 - (month - 14) / 12 * 12) / 12 -
           3 * ((year + 4900 + (month - 14) / 12) / 100) / 4;
}

// The Gregorian date of a Julian day number (the same authors' inverse).
void DateOfDayNumber(int64_t dayNumber, int* year, int* month, int* day) {
    int64_t l = dayNumber + 68569;
    int64_t n = 4 * l / 146097;
    l = l - (146097 * n + 3) / 4;
    int64_t i = 4000 * (l + 1) / 1461001;
    l = l - 1461 * i / 4 + 31;
    int64_t j = 80 * l / 2447;
    *day = static_cast<int>(l - 2447 * j / 80);
    l = j / 11;
    *month = static_cast<int>(j + 2 - 12 * l);
    *year = static_cast<int>(100 * (n - 49) + i + l);
}

const int64_t kDayNumber1970 = 2440588;

} // namespace

// ---- ErrorStatus -----------------------------------------------------------

ErrorStatus::~ErrorStatus() {
    free(message);
}

int32_t ErrorStatus::SetError(int32_t newCode, const char* format, ...) {
    code = newCode;
    if (!format) {
        free(message);
        message = nullptr;
        return code;
    }
    if (!message)
        message = static_cast<char*>(malloc(capacity));
    if (message) {
        va_list args;
        va_start(args, format);
        vsnprintf(message, capacity, format, args);
        va_end(args);
        message[capacity - 1] = '\0';
    }
    return code;
}

void ErrorStatus::CopyFrom(const ErrorStatus& other) {
    if (&other == this)
        return;
    if (!other.message) {
        free(message);
        message = nullptr;
    } else {
        if (!message)
            message = static_cast<char*>(malloc(capacity));
        if (message)
            snprintf(message, capacity, "%s", other.message);
    }
    code = other.code;
}

// ---- StorageName -----------------------------------------------------------

StorageName::~StorageName() {
    free(current);
    free(previous);
}

void StorageName::Replace(char* copy) {
    free(previous);
    previous = current;
    current = copy;
}

bool StorageName::Set(const char* text) {
    if (!text)
        text = "";
    if (current && text == current)
        return true;
    char* copy = CopyText(text, strlen(text), caseMode);
    Replace(copy);
    return copy != nullptr;
}

bool StorageName::ChangeExtension(const char* extension) {
    const char* base = Current();
    const char* dot = strrchr(base, '.');
    size_t keep = dot ? static_cast<size_t>(dot - base) : strlen(base);
    size_t extensionLength = strlen(extension);
    char* joined = static_cast<char*>(malloc(keep + extensionLength + 1));
    char* copy = nullptr;
    if (joined) {
        memcpy(joined, base, keep);
        memcpy(joined + keep, extension, extensionLength + 1);
        copy = CopyText(joined, keep + extensionLength, caseMode);
        free(joined);
    }
    Replace(copy);
    return copy != nullptr;
}

bool StorageName::SameName(const char* a, const char* b) const {
    if (caseMode == 2)
        return strcmp(a, b) == 0;
    return EqualNoCase(a, b);
}

// ---- ALStorage -------------------------------------------------------------

ALStorage::ALStorage(const char* name, int32_t bufferSize, int32_t typeCode, int32_t caseMode)
    : typeCode(typeCode), bufferSize(bufferSize), name(caseMode) {
    if (!this->name.Set(name))
        status.SetError(AL_CANT_ALLOCATE_MEMORY,
                        "Allocation of buffer failed in ALStorage constructor");
}

ALStorage::~ALStorage() {
    free(buffer);
}

int32_t WriteZeroSettings(ALStorage& target) {
    return target.PutWord16(0);
}

int32_t SkipSettings(ALStorage& source) {
    int16_t ignored = 0;
    return source.GetWord16(&ignored);
}

int32_t ALStorage::WriteSettings(ALStorage& target) {
    return WriteZeroSettings(target);
}
int32_t ALStorage::ReadSettings(ALStorage& source) {
    return SkipSettings(source);
}

bool ALStorage::AllocateBuffer() {
    if (!buffer)
        buffer = static_cast<unsigned char*>(malloc(static_cast<size_t>(bufferSize)));
    bytesInBuffer = writeIndex = readIndex = physicalPosition = 0;
    if (!buffer) {
        status.SetError(AL_CANT_ALLOCATE_MEMORY, "Allocation of buffer failed in Open()");
        return false;
    }
    return true;
}

int32_t ALStorage::Open() {
    AllocateBuffer();
    return status.code;
}

int32_t ALStorage::Create(long) {
    AllocateBuffer();
    size = 0;
    createdMark = 1;
    return status.code;
}

int32_t ALStorage::Close() {
    free(buffer);
    buffer = nullptr;
    return status.code;
}

int32_t ALStorage::ProcessMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}

int ALStorage::GetByte() {
    if (bytesInBuffer - readIndex <= 0) {
        long loaded = FillBuffer(physicalPosition);
        if (loaded < 0)
            return static_cast<int>(loaded);
    }
    return buffer[readIndex++];
}

int ALStorage::PutByte(int byte) {
    if (bufferSize - writeIndex <= 0) {
        if (Flush() < 0)
            return status.code;
    }
    buffer[writeIndex++] = static_cast<unsigned char>(byte);
    return byte & 0xFF;
}

int32_t ALStorage::GetWord16(int16_t* value) {
    int high = GetByte();
    int low = GetByte();
    *value = static_cast<int16_t>(((high & 0xFF) << 8) | (low & 0xFF));
    return status.code;
}

int32_t ALStorage::PutWord16(int16_t value) {
    PutByte((value >> 8) & 0xFF);
    PutByte(value & 0xFF);
    return status.code;
}

long ALStorage::Position() const {
    if (writeIndex > 0)
        return physicalPosition + writeIndex;
    return physicalPosition - bytesInBuffer + readIndex;
}

// ---- FileStorage -----------------------------------------------------------

FileStorage::FileStorage(const char* name, int32_t bufferSize, int32_t caseMode)
    : ALStorage(name, bufferSize, AL_FILE_OBJECT, caseMode) {}

FileStorage::~FileStorage() {
    if (fileHandle != -1)
        Close();
}

int32_t FileStorage::Open() {
    if (status.code < 0)
        return status.code;
    const char* path = name.Current();
    fileHandle = crt_open(path, CRT_O_RDWR | CRT_O_BINARY);
    if (fileHandle == -1 && crt_errno() == CRT_EACCES)
        fileHandle = crt_open(path, CRT_O_RDONLY | CRT_O_BINARY);
    if (fileHandle == -1)
        return status.SetError(AL_CANT_OPEN_FILE,
                               "File open failure.  Open of %s returned errno = %d", path,
                               crt_errno());
    ALStorage::Open();

    CrtStat info;
    CrtCalendar local;
    if (crt_stat(path, &info) != 0)
        return status.SetError(AL_CANT_OPEN_FILE,
                               "Couldn't get time, date, and size information for %s.  errno = %d.",
                               path, crt_errno());
    size = static_cast<long>(info.size);
    if (crt_localtime(info.modified, &local)) {
        timeDate.year = static_cast<int16_t>(local.year);
        timeDate.month = static_cast<int16_t>(local.month);
        timeDate.day = static_cast<int16_t>(local.day);
        timeDate.hour = static_cast<int16_t>(local.hour);
        timeDate.minute = static_cast<int16_t>(local.minute);
        timeDate.second = static_cast<int16_t>(local.second);
    }

    DWORD found = GetFileAttributesA(path);
    if (found != static_cast<DWORD>(-1)) {
        attributes = 0;
        if (found & FILE_ATTRIBUTE_READONLY)
            attributes |= AL_ATTR_READ_ONLY;
        if (found & FILE_ATTRIBUTE_SYSTEM)
            attributes |= AL_ATTR_SYSTEM;
        if (found & FILE_ATTRIBUTE_HIDDEN)
            attributes |= AL_ATTR_HIDDEN;
        if (found & FILE_ATTRIBUTE_ARCHIVE)
            attributes |= AL_ATTR_ARCHIVE;
    }
    return status.code < 0 ? status.code : 0;
}

int32_t FileStorage::Create(long expectedSize) {
    ALStorage::Create(expectedSize);
    if (status.code < 0)
        return status.code;

    const int createFlags = CRT_O_RDWR | CRT_O_CREAT | CRT_O_TRUNC | CRT_O_BINARY;
    int failure = 0;
    if (name.Current()[0] != '\0') {
        const char* path = name.Current();
        fileHandle = crt_open(path, createFlags);
        failure = crt_errno();
        if (fileHandle == -1 && failure == CRT_ENOENT && HasSeparator(path) &&
            CreateParentDirectories()) {
            fileHandle = crt_open(path, createFlags);
            failure = crt_errno();
        }
    } else {
        for (int tryNumber = 0; tryNumber < 1000; ++tryNumber) {
            SetTempName(tryNumber);
            fileHandle =
                crt_open(name.Current(), CRT_O_RDWR | CRT_O_CREAT | CRT_O_EXCL | CRT_O_BINARY);
            if (fileHandle != -1)
                break;
            failure = crt_errno();
            if (failure != CRT_EEXIST && failure != CRT_EACCES) {
                status.SetError(AL_CANT_OPEN_FILE,
                                "Temporary file creation failure.  Open of %s returned errno = %d",
                                name.Current(), failure);
                name.Set("");
                return status.code;
            }
        }
        if (fileHandle == -1) {
            status.SetError(AL_CANT_OPEN_FILE,
                            "Temporary file creation failure.  Tried 1000 times to open %s (or a "
                            "name something like that).",
                            name.Current());
            name.Set("");
            return status.code;
        }
    }
    if (fileHandle == -1)
        return status.SetError(AL_CANT_OPEN_FILE,
                               "File creation failure.  Open of %s returned errno = %d",
                               name.Current(), failure);
    return 0;
}

void FileStorage::SetTempName(int tryNumber) {
    char text[32];
    snprintf(text, sizeof text, "~al~%03d.tmp", tryNumber);
    name.Set(text);
}

int FileStorage::CreateParentDirectories() {
    const char* current = name.Current();
    if (current[0] == '\0')
        return 0;
    char* path = CopyText(current, strlen(current), 3);
    if (!path)
        return 0;
    int result = 1;
    for (char* at = path;; ++at) {
        at += strcspn(at, "/\\");
        if (*at == '\0')
            break;
        char separator = *at;
        *at = '\0';
        if (crt_mkdir(path) != 0) {
            int failure = crt_errno();
            if (failure != CRT_EACCES && failure != CRT_EEXIST && failure != CRT_ENFILE &&
                failure != CRT_ENOENT) {
                result = 0;
                break;
            }
        }
        *at = separator;
        if (at[1] == '\0') {
            result = 0;
            break;
        }
    }
    free(path);
    return result;
}

long FileStorage::FillBuffer(long filePosition) {
    if (status.code < 0)
        return status.code;
    if (filePosition != physicalPosition) {
        if (crt_lseek(fileHandle, filePosition, CRT_SEEK_SET) == -1)
            return status.SetError(AL_SEEK_ERROR, "Seek failure on %s.  errno = %d", name.Current(),
                                   crt_errno());
        physicalPosition = filePosition;
    }
    int count = crt_read(fileHandle, buffer, static_cast<unsigned>(bufferSize));
    if (count == 0)
        return -1;
    if (count < 0)
        return status.SetError(AL_READ_ERROR, "Read failure on %s.  errno = %d", name.Current(),
                               crt_errno());
    readIndex = 0;
    bytesInBuffer = count;
    physicalPosition += count;
    ProcessMessages();
    return count;
}

int32_t FileStorage::Flush() {
    if (status.code < 0)
        return status.code;
    if (writeIndex > 0) {
        int written = crt_write(fileHandle, buffer, static_cast<unsigned>(writeIndex));
        if (written != writeIndex)
            return status.SetError(AL_WRITE_ERROR, "Write failure on %s.  result = %d, errno = %d",
                                   name.Current(), written, crt_errno());
        physicalPosition += written;
        writeIndex = 0;
    }
    readIndex = 0;
    bytesInBuffer = 0;
    ProcessMessages();
    return 0;
}

int32_t FileStorage::Seek(long filePosition) {
    if (Flush() < 0)
        return status.code;
    if (filePosition != physicalPosition && crt_lseek(fileHandle, filePosition, CRT_SEEK_SET) == -1)
        return status.SetError(AL_SEEK_ERROR, "Seek failure on %s.  errno = %d", name.Current(),
                               crt_errno());
    physicalPosition = filePosition;
    return 0;
}

// Stamps the open file with the recorded local time/date (2-second
// resolution of the DOS time).
void FileStorage::StampTime() {
    int64_t dayNumber = DayNumber(timeDate.year, timeDate.month, timeDate.day);
    int64_t seconds = 0;
    if (dayNumber >= kDayNumber1970)
        seconds = (dayNumber - kDayNumber1970) * 86400 + timeDate.hour * 3600 +
                  timeDate.minute * 60 + timeDate.second;
    TIME_ZONE_INFORMATION zone;
    memset(&zone, 0, sizeof zone);
    DWORD zoneState = GetTimeZoneInformation(&zone);
    seconds += static_cast<int64_t>(zone.Bias) * 60;
    if (zoneState == TIME_ZONE_ID_DAYLIGHT)
        seconds += static_cast<int64_t>(zone.DaylightBias) * 60;
    if (seconds < 0)
        seconds = 0;

    int year, month, day;
    DateOfDayNumber(kDayNumber1970 + seconds / 86400, &year, &month, &day);
    int secondOfDay = static_cast<int>(seconds % 86400);
    if (year < 1980)
        return; // a DOS date cannot hold it
    WORD dosDate = static_cast<WORD>(day + (month << 5) + ((year - 1980) << 9));
    WORD dosTime = static_cast<WORD>((secondOfDay % 60) / 2 + ((secondOfDay / 60 % 60) << 5) +
                                     ((secondOfDay / 3600) << 11));
    FILETIME stamp;
    if (DosDateTimeToFileTime(dosDate, dosTime, &stamp))
        SetFileTime(static_cast<HANDLE>(crt_get_osfhandle(fileHandle)), nullptr, nullptr, &stamp);
}

int32_t FileStorage::Close() {
    if (fileHandle == -1)
        return status.code;
    Flush();
    size = crt_filelength(fileHandle);
    bool stamp = createdMark && timeDate.year != 0;
    if (stamp)
        StampTime();
    crt_close(fileHandle);
    fileHandle = -1;
    ALStorage::Close();
    if (stamp) {
        DWORD flags = 0;
        if (!(attributes & AL_ATTR_NONE)) {
            if (attributes & AL_ATTR_READ_ONLY)
                flags |= FILE_ATTRIBUTE_READONLY;
            if (attributes & AL_ATTR_HIDDEN)
                flags |= FILE_ATTRIBUTE_HIDDEN;
            if (attributes & AL_ATTR_SYSTEM)
                flags |= FILE_ATTRIBUTE_SYSTEM;
            if (attributes & AL_ATTR_ARCHIVE)
                flags |= FILE_ATTRIBUTE_ARCHIVE;
        }
        SetFileAttributesA(name.Current(), flags);
    }
    createdMark = 0;
    return status.code;
}

// On a case-blind file system the target of a rename between two spellings
// of one name is the source itself: deleting it first would lose the file.
int32_t FileStorage::RefuseSameName(const char* source, const char* target) {
    if (!name.SameName(target, source))
        return 0;
    return status.SetError(AL_RENAME_ERROR,
                           "Error attempting to rename %s to %s.  Can't rename to the same name!",
                           source, target);
}

int32_t FileStorage::Rename(const char* newName, int deleteFirst) {
    const char* source = newName ? name.Current() : name.Previous();
    const char* target = newName ? newName : name.Current();
    if (deleteFirst) {
        if (RefuseSameName(source, target) < 0)
            return status.code;
        if (crt_remove(target) != 0 && crt_errno() != CRT_ENOENT)
            return status.SetError(AL_RENAME_ERROR,
                                   "Error deleting %s before renaming %s.  errno = %d", target,
                                   source, crt_errno());
    }
    if (crt_rename(source, target) != 0)
        return status.SetError(AL_RENAME_ERROR, "Error renaming %s to %s.  errno = %d", source,
                               target, crt_errno());
    if (newName)
        name.Set(newName);
    return 0;
}

int32_t FileStorage::RestoreName(int deleteFirst) {
    const char* previous = name.Previous();
    const char* current = name.Current();
    if (deleteFirst && RefuseSameName(current, previous) < 0)
        return status.code;
    if (deleteFirst && crt_remove(previous) != 0 && crt_errno() != CRT_ENOENT)
        return status.SetError(AL_RENAME_ERROR, "Error deleting %s before renaming %s.  errno = %d",
                               previous, current, crt_errno());
    if (crt_rename(current, previous) != 0 && crt_errno() != CRT_ENOENT)
        return status.SetError(AL_RENAME_ERROR, "Error renaming %s to %s.  errno = %d", current,
                               previous, crt_errno());
    name.Set(previous);
    return 0;
}

int32_t FileStorage::MakeBackup(int deleteFirst) {
    name.ChangeExtension(".bak");
    return Rename(nullptr, deleteFirst);
}

int32_t FileStorage::Delete() {
    if (crt_remove(name.Current()) != 0)
        return status.SetError(AL_DELETE_ERROR, "Error deleting file %s, errno = %d ",
                               name.Current(), crt_errno());
    return 0;
}

ALStorage* FileStorage::Clone(const char* newName, int32_t newTypeCode) {
    if (newTypeCode != -1 && newTypeCode != AL_FILE_OBJECT)
        return nullptr;
    return new (std::nothrow) FileStorage(newName, kStorageBlockSize, 3);
}
