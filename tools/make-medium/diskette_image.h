// The installation medium as a 1.44 MB diskette image: FAT12, 80 cylinders,
// 2 heads, 18 sectors of 512 bytes, the files in its root directory, no boot
// code. The file system is written and read by mtools (mformat, mcopy,
// mtype, mdir), run as subprocesses.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

namespace diskette_image {

struct File {
    std::string name; // 8.3 name in the root directory, e.g. "wall.ppk"
    std::string data;
};

// Empty when DATA is a 32-bit Windows (i386 PE) program; otherwise a
// sentence saying what it is instead.
std::string WhyNotWindowsProgram(const std::string& data);

// Bytes that DATA occupies on a file system of CLUSTER-byte clusters.
uintmax_t OnDisk(uintmax_t size, uintmax_t cluster);

// Writes IMAGE anew: a formatted diskette with volume label LABEL (up to 11
// characters) holding FILES in its root. The image is built beside IMAGE and
// renamed over it only when complete. On failure *error says why (files
// that do not fit: by how many bytes) and IMAGE is left as it was.
bool Write(const std::string& image, const std::vector<File>& files, const std::string& label,
           uintmax_t* freeBytes, std::string* error);

enum class ReadResult { Ok, Missing, Failed };

// Checks that IMAGE is a FAT file system mtools can read; *label gets its
// volume label (trimmed), *freeBytes the space left.
bool Open(const std::string& image, std::string* label, uintmax_t* freeBytes, std::string* error);

// One file of the root directory (names match case-insensitively, as FAT
// does).
ReadResult ReadFile(const std::string& image, const std::string& name, std::string* data,
                    std::string* error);

} // namespace diskette_image
