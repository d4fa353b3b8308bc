// Throughput of UnpackPackageFile against two bare zlib loops on the same
// package, on the emulated machine:
//   unpack  UnpackPackageFile (storages with 4096-byte buffers, message pump)
//   bare4k  zlib raw inflate with the same 4096-byte reads and writes
//   large   zlib raw inflate with 1 MiB reads and writes
// The package holds 64 MiB of content: bitmap-like, cursor-like and
// program-like data, deflated at level 9.
//
//   unpack_bench [--machine DIR] [--only unpack|bare4k|large|none] [--runs N]
//
// --machine keeps the machine (and the package) in DIR between runs, so that
// `strace -c -f` of a run with --only counts one contender's system calls
// (bench/count-syscalls runs that).
#include "package/decompression_engines.h"
#include "platform/posix/kernel/machine.h"
#include "platform/win32.h"
#include "tools/make-medium/medium.h"

#include <chrono>
#include <ctime>
#include <filesystem>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>
#include <zlib.h>

namespace {

const size_t kContentSize = 64u << 20;
const char* const kPackage = "C:\\BENCH\\wiesen.ppk";
const char* const kTarget = "C:\\BENCH\\out\\wiesen.bin";

uint32_t Next(uint32_t& x) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    return x;
}

// A 24-bit bitmap with gradients, soft noise and flat areas.
void AppendBitmap(std::string& out, uint32_t& x, int width, int height) {
    out.append("BM", 2);
    out.append(52, '\0');
    for (int row = 0; row < height; ++row) {
        for (int col = 0; col < width; ++col) {
            bool flat = ((col / 64) + (row / 48)) % 5 == 0;
            unsigned noise = flat ? 0 : Next(x) % 6;
            out += static_cast<char>((col * 255 / width + noise) & 0xFF);
            out += static_cast<char>((row * 255 / height + noise) & 0xFF);
            out += static_cast<char>(((col + row) / 4 + (flat ? 0 : noise * 3)) & 0xFF);
        }
        out.append(static_cast<size_t>((4 - (width * 3) % 4) % 4), '\0');
    }
}

// A cursor file: header, 16-colour palette, 32x32 4-bit image and mask.
void AppendCursor(std::string& out, uint32_t& x) {
    static const unsigned char header[22] = {0, 0, 2, 0,    1, 0, 32, 32, 16, 0, 5,
                                             0, 5, 0, 0xE8, 2, 0, 0,  22, 0,  0, 0};
    out.append(reinterpret_cast<const char*>(header), sizeof header);
    out.append(40, '\0');
    for (int i = 0; i < 16; ++i) {
        unsigned v = (i * 16) & 0xFF;
        out += static_cast<char>(v);
        out += static_cast<char>(v);
        out += static_cast<char>(v);
        out += '\0';
    }
    int tip = static_cast<int>(Next(x) % 8);
    for (int row = 0; row < 32; ++row)
        for (int col = 0; col < 16; ++col)
            out += static_cast<char>(col * 2 < row + tip ? 0xF0 | (Next(x) % 3) : 0);
    for (int row = 0; row < 32; ++row)
        for (int col = 0; col < 4; ++col)
            out += static_cast<char>(col * 8 < row + tip ? 0x00 : 0xFF);
}

// Code-like bytes: common instruction patterns with varying operands,
// string tables and padding.
void AppendProgram(std::string& out, uint32_t& x, size_t size) {
    static const char* const patterns[] = {
        "\x55\x8B\xEC", "\x83\xEC", "\x8B\x45", "\x89\x45", "\xE8",     "\xFF\x15", "\x6A",
        "\x68",         "\x85\xC0", "\x74",     "\x75",     "\x5D\xC3", "\x33\xC0", "\x8D\x4D"};
    static const char* const strings[] = {"GetProfileStringA\0", "RegOpenKeyExA\0",
                                          "Der Garten wird gegossen.\0", "KERNEL32.dll\0",
                                          "Wiesenhain Bildschirmschoner\0"};
    size_t end = out.size() + size;
    while (out.size() < end) {
        uint32_t r = Next(x);
        if (r % 97 == 0) {
            out += strings[(r >> 8) % 5];
        } else if (r % 113 == 0) {
            out.append(16 + (r >> 10) % 48, static_cast<char>(0xCC));
        } else {
            out += patterns[(r >> 8) % 14];
            int operands = static_cast<int>((r >> 16) % 5);
            for (int i = 0; i < operands; ++i)
                out += static_cast<char>(i == 0 ? (r >> 24) : (Next(x) % 16));
        }
    }
    out.resize(end);
}

std::string MakeContent() {
    std::string data;
    data.reserve(kContentSize + (1u << 20));
    uint32_t x = 2718281;
    while (data.size() < kContentSize / 3)
        AppendBitmap(data, x, 800, 600);
    while (data.size() < kContentSize / 2)
        AppendCursor(data, x);
    AppendProgram(data, x, kContentSize - data.size());
    data.resize(kContentSize);
    return data;
}

bool WriteAll(const char* path, const std::string& data) {
    int handle = crt_open(path, CRT_O_WRONLY | CRT_O_CREAT | CRT_O_TRUNC | CRT_O_BINARY);
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

// CRC-32 and length of a file, read in large blocks.
uint32_t FileCrc(const char* path, size_t* length) {
    int handle = crt_open(path, CRT_O_RDONLY | CRT_O_BINARY);
    *length = 0;
    if (handle == -1)
        return 0;
    std::vector<unsigned char> block(1u << 20);
    uLong crc = crc32(0, nullptr, 0);
    int count;
    while ((count = crt_read(handle, block.data(), static_cast<unsigned>(block.size()))) > 0) {
        crc = crc32(crc, block.data(), static_cast<uInt>(count));
        *length += static_cast<size_t>(count);
    }
    crt_close(handle);
    return static_cast<uint32_t>(crc);
}

// Raw inflate of the package with reads and writes of blockSize bytes.
bool BareInflate(size_t blockSize) {
    int in = crt_open(kPackage, CRT_O_RDONLY | CRT_O_BINARY);
    int out = crt_open(kTarget, CRT_O_RDWR | CRT_O_CREAT | CRT_O_TRUNC | CRT_O_BINARY);
    if (in == -1 || out == -1)
        return false;
    std::vector<unsigned char> input(blockSize), output(blockSize);
    z_stream stream{};
    inflateInit2(&stream, -15);
    stream.next_out = output.data();
    stream.avail_out = static_cast<uInt>(blockSize);
    int result = Z_OK;
    bool ok = true;
    bool ended = false;
    while (result == Z_OK) {
        if (stream.avail_in == 0 && !ended) {
            int count = crt_read(in, input.data(), static_cast<unsigned>(blockSize));
            ended = count <= 0;
            stream.next_in = input.data();
            stream.avail_in = count > 0 ? static_cast<uInt>(count) : 0;
        }
        result = inflate(&stream, Z_NO_FLUSH);
        size_t produced = blockSize - stream.avail_out;
        if (stream.avail_out == 0 || (result != Z_OK && produced > 0)) {
            ok &= crt_write(out, output.data(), static_cast<unsigned>(produced)) ==
                  static_cast<int>(produced);
            stream.next_out = output.data();
            stream.avail_out = static_cast<uInt>(blockSize);
        }
    }
    inflateEnd(&stream);
    crt_close(in);
    crt_close(out);
    return ok && result == Z_STREAM_END;
}

bool RunContender(const std::string& name) {
    if (name == "unpack")
        return UnpackPackageFile(kPackage, kTarget) == 0;
    if (name == "bare4k")
        return BareInflate(4096);
    if (name == "large")
        return BareInflate(1u << 20);
    return name == "none";
}

} // namespace

int main(int argc, char** argv) {
    std::string folder, only;
    int runs = 5;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!strcmp(argv[i], "--machine"))
            folder = argv[i + 1];
        else if (!strcmp(argv[i], "--only"))
            only = argv[i + 1];
        else if (!strcmp(argv[i], "--runs"))
            runs = atoi(argv[i + 1]);
    }
    bool keep = !folder.empty();
    if (!keep) {
        char pattern[] = "/tmp/wiesen-bench-XXXXXX";
        if (!mkdtemp(pattern))
            return 1;
        folder = std::string(pattern) + "/machine";
    }
    std::string error;
    if (!machine::Open(folder, "", &error)) {
        fprintf(stderr, "cannot open machine %s: %s\n", folder.c_str(), error.c_str());
        return 1;
    }
    CreateDirectoryA("C:\\BENCH", nullptr);

    size_t packageSize = 0;
    uint32_t expectedCrc = 0;
    size_t expectedSize = kContentSize;
    CrtStat info;
    bool havePackage = crt_stat(kPackage, &info) == 0;
    if (!havePackage || only.empty()) {
        std::string content = MakeContent();
        expectedCrc = static_cast<uint32_t>(crc32(crc32(0, nullptr, 0),
                                                  reinterpret_cast<const Bytef*>(content.data()),
                                                  static_cast<uInt>(content.size())));
        if (!havePackage && !WriteAll(kPackage, medium::Deflate(content))) {
            fprintf(stderr, "cannot write the package\n");
            return 1;
        }
    }
    crt_stat(kPackage, &info);
    packageSize = static_cast<size_t>(info.size);

    if (!only.empty()) {
        // One contender, once: for counting its system calls.
        return RunContender(only) ? 0 : 1;
    }

    printf("package %zu bytes, content %zu bytes (ratio %.2f), best of %d runs\n", packageSize,
           expectedSize, static_cast<double>(expectedSize) / static_cast<double>(packageSize),
           runs);
    // Wall time and the process's processor time (user and system): on a
    // shared machine the processor time is the steadier figure.
    const char* const contenders[] = {"unpack", "bare4k", "large"};
    double bestWall[3] = {0, 0, 0}, bestCpu[3] = {0, 0, 0};
    for (int run = 0; run < runs; ++run) {
        for (int c = 0; c < 3; ++c) {
            DeleteFileA(kTarget);
            auto start = std::chrono::steady_clock::now();
            std::clock_t cpuStart = std::clock();
            bool ok = RunContender(contenders[c]);
            double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
            double wall =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            size_t length;
            uint32_t crc = FileCrc(kTarget, &length);
            if (!ok || crc != expectedCrc || length != expectedSize) {
                fprintf(stderr, "%s: wrong output\n", contenders[c]);
                return 1;
            }
            double mib = static_cast<double>(expectedSize) / (1u << 20);
            if (mib / wall > bestWall[c])
                bestWall[c] = mib / wall;
            if (mib / cpu > bestCpu[c])
                bestCpu[c] = mib / cpu;
        }
    }
    printf("MiB of output per second   wall    processor\n");
    for (int c = 0; c < 3; ++c)
        printf("%-7s                 %8.1f %8.1f\n", contenders[c], bestWall[c], bestCpu[c]);
    printf("unpack / bare4k          %8.3f %8.3f\n", bestWall[0] / bestWall[1],
           bestCpu[0] / bestCpu[1]);
    printf("unpack / large           %8.3f %8.3f\n", bestWall[0] / bestWall[2],
           bestCpu[0] / bestCpu[2]);
    printf("bare4k / large           %8.3f %8.3f\n", bestWall[1] / bestWall[2],
           bestCpu[1] / bestCpu[2]);

    machine::Close();
    if (!keep) {
        std::error_code ignored;
        std::filesystem::remove_all(folder.substr(0, folder.rfind('/')), ignored);
    }
    return 0;
}
