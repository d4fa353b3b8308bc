// Decompression engines over storages, and the unpacking of one package file.
//
// A package file (*.ppk) is one raw deflate stream (RFC 1951) from its first
// byte: no wrapper, no header, no check value. Its decoded bytes are the
// target file's contents.
#pragma once

#include "package/storage.h"

#include <stdint.h>

// Type codes of the engines.
enum : int32_t {
    AL_COMPRESSION_COPY = 0,
    AL_COMPRESSION_DEFLATE = 108,
};

class EngineBase {
  public:
    EngineBase(int32_t typeCode, const char* displayName)
        : typeCode(typeCode), displayName(displayName) {}
    virtual ~EngineBase() = default; // slot 0
    EngineBase(const EngineBase&) = delete;
    EngineBase& operator=(const EngineBase&) = delete;

    virtual int32_t WriteSettings(ALStorage& target); // slot 1
    virtual int32_t ReadSettings(ALStorage& source);  // slot 2

    int32_t typeCode;
    const char* displayName; // not owned
    ErrorStatus status;
};

class DecompressionEngine : public EngineBase {
  public:
    using EngineBase::EngineBase;

    // A new engine on the heap (owned by the caller) for a type code, or null.
    virtual DecompressionEngine* Clone(int32_t typeCode) = 0; // slot 3
    // Decodes from the input's current position into the output. length is
    // the greatest number of input bytes to decode; -1, or any negative
    // length, decodes all. Storages that are closed are opened (the output
    // through Create) and closed again. Returns the engine's status code: 0,
    // or the first failing storage's code (the input's first), or
    // AL_INFLATE_ERROR.
    virtual int32_t Decompress(ALStorage& input, ALStorage& output, long length) = 0; // slot 4
};

// Raw inflate (window bits -15) with zlib.
class InflateEngine : public DecompressionEngine {
  public:
    InflateEngine() : DecompressionEngine(AL_COMPRESSION_DEFLATE, "Inflate") {}
    DecompressionEngine* Clone(int32_t typeCode) override;
    int32_t Decompress(ALStorage& input, ALStorage& output, long length) override;

    int32_t option = 0; // 0..3 from type codes 108..111; decoding does not use it
};

// A plain byte copy.
class CopyEngine : public DecompressionEngine {
  public:
    CopyEngine() : DecompressionEngine(AL_COMPRESSION_COPY, "Binary copy") {}
    DecompressionEngine* Clone(int32_t typeCode) override;
    int32_t Decompress(ALStorage& input, ALStorage& output, long length) override;
};

// Opens the storages that are closed for the length of a scope (the input
// with Open, the output with Create(-1)) and closes exactly those at its end,
// the output first.
class StorageOpenGuard {
  public:
    StorageOpenGuard(ALStorage& input, ALStorage& output);
    ~StorageOpenGuard();
    // Closes what the guard opened now rather than at the end of the scope.
    void Close();
    StorageOpenGuard(const StorageOpenGuard&) = delete;
    StorageOpenGuard& operator=(const StorageOpenGuard&) = delete;

  private:
    struct Entry {
        ALStorage& storage;
        bool wasOpen;
    };
    Entry input;
    Entry output;
};

// Unpacks one package file into its target file (created or truncated, with
// missing directories made). A read-only package is decoded from a writable
// temporary copy in the temporary directory, deleted afterwards.
// Returns 0 on success, -1 when the package is missing (nothing was done),
// -2 on any other failure (including a corrupt or truncated package).
int UnpackPackageFile(const char* source, const char* target);
