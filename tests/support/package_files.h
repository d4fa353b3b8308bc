// Helpers for the storage and package tests: whole files through the
// runtime's file interface, deflate streams made with zlib, test data.
#pragma once

#include "package/storage.h"
#include "platform/win32.h"

#include <stdint.h>
#include <string>
#include <vector>
#include <zlib.h>

namespace package_test {

inline bool WriteWholeFile(const std::string& path, const std::string& data) {
    int handle = crt_open(path.c_str(), CRT_O_WRONLY | CRT_O_CREAT | CRT_O_TRUNC | CRT_O_BINARY);
    if (handle == -1)
        return false;
    size_t done = 0;
    while (done < data.size()) {
        size_t piece = data.size() - done < (1u << 20) ? data.size() - done : (1u << 20);
        int written = crt_write(handle, data.data() + done, static_cast<unsigned>(piece));
        if (written <= 0)
            break;
        done += static_cast<size_t>(written);
    }
    crt_close(handle);
    return done == data.size();
}

// The file's bytes, or "<missing>" when it cannot be opened.
inline std::string ReadWholeFile(const std::string& path) {
    int handle = crt_open(path.c_str(), CRT_O_RDONLY | CRT_O_BINARY);
    if (handle == -1)
        return "<missing>";
    std::string data;
    char block[65536];
    int count;
    while ((count = crt_read(handle, block, sizeof block)) > 0)
        data.append(block, static_cast<size_t>(count));
    crt_close(handle);
    return data;
}

inline bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != static_cast<DWORD>(-1);
}

// Makes path read-only and tells whether writing to it is refused now. Wine
// running as root maps the attribute to host permissions that root ignores.
inline bool MakeReadOnlyEnforced(const std::string& path) {
    if (!SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY))
        return false;
    int handle = crt_open(path.c_str(), CRT_O_RDWR | CRT_O_BINARY);
    if (handle == -1)
        return true;
    crt_close(handle);
    return false;
}

// A raw deflate stream (window bits -15) of data. With flushEvery > 0 the
// stream is cut into blocks by a full flush after every flushEvery bytes.
inline std::string Deflate(const std::string& data, int level = Z_DEFAULT_COMPRESSION,
                           int strategy = Z_DEFAULT_STRATEGY, size_t flushEvery = 0) {
    z_stream stream{};
    deflateInit2(&stream, level, Z_DEFLATED, -15, 9, strategy);
    std::string out;
    char block[65536];
    size_t done = 0;
    int flush;
    do {
        size_t piece = data.size() - done;
        if (flushEvery && piece > flushEvery)
            piece = flushEvery;
        if (piece > (1u << 20))
            piece = 1u << 20;
        flush = done + piece == data.size() ? Z_FINISH : (flushEvery ? Z_FULL_FLUSH : Z_NO_FLUSH);
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data() + done));
        stream.avail_in = static_cast<uInt>(piece);
        done += piece;
        do {
            stream.next_out = reinterpret_cast<Bytef*>(block);
            stream.avail_out = sizeof block;
            deflate(&stream, flush);
            out.append(block, sizeof block - stream.avail_out);
        } while (stream.avail_out == 0);
    } while (flush != Z_FINISH);
    deflateEnd(&stream);
    return out;
}

// Deterministic pseudo-random bytes (xorshift).
inline std::string RandomBytes(size_t count, uint32_t seed) {
    std::string data(count, '\0');
    uint32_t x = seed ? seed : 1;
    for (size_t i = 0; i < count; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        data[i] = static_cast<char>(x >> 24);
    }
    return data;
}

// Compressible text-like bytes: words from a small vocabulary.
inline std::string TextLike(size_t count, uint32_t seed) {
    static const char* const words[] = {"Wiese ",   "Garten ",   "Blume ",   "Rasen ",    "Beet ",
                                        "giessen ", "pflanzen ", "Unkraut ", "Sommer\r\n"};
    std::string data;
    data.reserve(count + 16);
    uint32_t x = seed ? seed : 1;
    while (data.size() < count) {
        x = x * 1103515245u + 12345u;
        data += words[(x >> 16) % 9];
    }
    data.resize(count);
    return data;
}

// Records every block the storage writes and counts the message pumps.
class CountingStorage : public FileStorage {
  public:
    explicit CountingStorage(const char* name, int32_t size = 4096) : FileStorage(name, size, 3) {}
    int32_t Flush() override {
        if (writeIndex > 0 && status.code == 0)
            blocks.push_back(writeIndex);
        return FileStorage::Flush();
    }
    int32_t ProcessMessages() override {
        ++pumps;
        return FileStorage::ProcessMessages();
    }
    std::vector<long> blocks;
    int pumps = 0;
};

} // namespace package_test
