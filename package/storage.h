// Buffered storage: named byte containers with one fixed-size buffer, an
// error status and a table of virtual operations. FileStorage is the one
// concrete kind, a storage over one disk file through the runtime's
// handle-based file interface.
//
// Errors are sticky: once a storage's status code is negative, Open, Create,
// FillBuffer, Flush and Seek do nothing further and return that code, so a
// caller may run a whole transfer and look at the status once at the end.
#pragma once

#include <stdint.h>

// Error codes of the storages and engines. Each comes with a formatted
// English message in the ErrorStatus.
enum : int32_t {
    AL_CANT_ALLOCATE_MEMORY = -1200, // name copy or buffer not allocated
    AL_DELETE_ERROR = -1991,         // Delete
    AL_WRITE_ERROR = -1992,          // Flush
    AL_READ_ERROR = -1993,           // FillBuffer
    AL_SEEK_ERROR = -1994,           // FillBuffer, Seek
    AL_CANT_OPEN_FILE = -1995,       // Open, Create
    AL_RENAME_ERROR = -1996,         // Rename, RestoreName, MakeBackup
    AL_INFLATE_ERROR = -1997,        // InflateEngine::Decompress: corrupt or truncated stream
};

// A negative code plus a formatted message of at most capacity - 1 characters.
class ErrorStatus {
  public:
    ErrorStatus() = default;
    ~ErrorStatus();
    ErrorStatus(const ErrorStatus&) = delete;
    ErrorStatus& operator=(const ErrorStatus&) = delete;

    // Sets the code. With a format (printf conventions) the message is
    // formatted, cut at capacity - 1 characters; without one the message is
    // removed. Returns the code.
    int32_t SetError(int32_t code, const char* format = nullptr, ...);
    // Takes over the other status's code and message.
    void CopyFrom(const ErrorStatus& other);
    // The message, or "" when none is set.
    const char* Text() const { return message ? message : ""; }

    int32_t code = 0;
    uint32_t capacity = 129;
    char* message = nullptr; // owned; capacity bytes once allocated
};

// The current and previous name of a storage. Case mode 0 stores names in
// upper case, 1 in lower case, any other mode unchanged; Rename compares
// case-sensitively under mode 2 only, otherwise as the file system does
// (EqualNoCase: every letter of the ANSI code page).
class StorageName {
  public:
    explicit StorageName(int32_t caseMode) : caseMode(caseMode) {}
    ~StorageName();
    StorageName(const StorageName&) = delete;
    StorageName& operator=(const StorageName&) = delete;

    // Makes a copy of text (none counts as "") the current name; the
    // current name becomes the previous one. Returns false when the copy
    // could not be allocated (the current name is then absent).
    bool Set(const char* text);
    // Replaces everything from the last '.' of the whole text by extension,
    // or appends it when there is no '.'.
    bool ChangeExtension(const char* extension);

    const char* Current() const { return current ? current : ""; }
    const char* Previous() const { return previous ? previous : ""; }
    bool SameName(const char* a, const char* b) const;

    char* current = nullptr;
    char* previous = nullptr;
    int32_t caseMode;

  private:
    void Replace(char* copy);
};

// A time stamp in local calendar fields; year 0 means none is known.
struct FileTimeDate {
    int16_t year = 0;
    int16_t month = 0;
    int16_t day = 0;
    int16_t hour = 0;
    int16_t minute = 0;
    int16_t second = 0;
};

// Attribute flags of a storage.
enum : uint8_t {
    AL_ATTR_READ_ONLY = 0x01,
    AL_ATTR_SYSTEM = 0x02,
    AL_ATTR_HIDDEN = 0x04,
    AL_ATTR_ARCHIVE = 0x08,
    AL_ATTR_NONE = 0x10, // set the file's attributes to 0 at Close
};

// Type code of FileStorage.
enum : int32_t { AL_FILE_OBJECT = 1 };

// The buffer of the storages that unpack a package file, and of a clone: a
// package is read, and its target written, one block at a time.
enum : int32_t { kStorageBlockSize = 4096 };

// The abstract storage. The order of the virtual operations is fixed.
class ALStorage {
  public:
    ALStorage(const char* name, int32_t bufferSize, int32_t typeCode, int32_t caseMode);
    virtual ~ALStorage(); // slot 0
    ALStorage(const ALStorage&) = delete;
    ALStorage& operator=(const ALStorage&) = delete;

    virtual int32_t WriteSettings(ALStorage& target);                 // slot 1
    virtual int32_t ReadSettings(ALStorage& source);                  // slot 2
    virtual int32_t Open();                                           // slot 3
    virtual int32_t Create(long expectedSize);                        // slot 4
    virtual int32_t Close();                                          // slot 5
    virtual long FillBuffer(long filePosition) = 0;                   // slot 6
    virtual int32_t Flush() = 0;                                      // slot 7
    virtual int32_t Seek(long filePosition) = 0;                      // slot 8
    virtual int32_t ProcessMessages();                                // slot 9
    virtual int32_t Rename(const char* newName, int deleteFirst) = 0; // slot 10
    virtual int32_t RestoreName(int deleteFirst) = 0;                 // slot 11
    virtual int32_t MakeBackup(int deleteFirst) = 0;                  // slot 12
    virtual int32_t Delete() = 0;                                     // slot 13
    virtual ALStorage* Clone(const char* name, int32_t typeCode) = 0; // slot 14

    // Byte access through the buffer.
    int GetByte(); // 0..255, -1 at end of data, or the error code
    int PutByte(int byte);
    int32_t GetWord16(int16_t* value); // high byte first
    int32_t PutWord16(int16_t value);
    long Position() const;

    bool IsOpen() const { return buffer != nullptr; }

    unsigned char* buffer = nullptr; // present while open
    long bytesInBuffer = 0;
    long writeIndex = 0;
    long readIndex = 0;
    long physicalPosition = 0;
    long size = -1;
    int16_t createdMark = 0;
    int32_t typeCode;
    int32_t bufferSize;
    FileTimeDate timeDate;
    uint8_t attributes = 0;
    StorageName name;
    ErrorStatus status;

  protected:
    // The base steps of Open and Create: allocate the buffer, reset the
    // counters. False (with -1200 set) when the buffer cannot be allocated.
    bool AllocateBuffer();
};

// WriteSettings / ReadSettings shared by the storages and the engines: a
// 16-bit zero written to the target, a 16-bit value read from the source
// and discarded. Both return the argument's status code.
int32_t WriteZeroSettings(ALStorage& target);
int32_t SkipSettings(ALStorage& source);

// A storage over one disk file. An empty name selects a temporary file
// "~al~NNN.tmp" in the current directory at Create.
class FileStorage : public ALStorage {
  public:
    FileStorage(const char* name, int32_t bufferSize, int32_t caseMode);
    ~FileStorage() override;

    int32_t Open() override;
    int32_t Create(long expectedSize) override;
    int32_t Close() override;
    long FillBuffer(long filePosition) override;
    int32_t Flush() override;
    int32_t Seek(long filePosition) override;
    int32_t Rename(const char* newName, int deleteFirst) override;
    int32_t RestoreName(int deleteFirst) override;
    int32_t MakeBackup(int deleteFirst) override;
    int32_t Delete() override;
    ALStorage* Clone(const char* name, int32_t typeCode) override;
    virtual void SetTempName(int tryNumber); // slot 15
    virtual int CreateParentDirectories();   // slot 16

    int fileHandle = -1;

  private:
    void StampTime();
    // AL_RENAME_ERROR when source and target name one file, else 0.
    int32_t RefuseSameName(const char* source, const char* target);
};
