// The .cur, .ico and .ani formats, as far as the loader checks them.
#include "platform/posix/user/cursor_file.h"

#include "platform/posix/kernel/little_endian.h"

#include <stdint.h>
#include <stdio.h>
#include <string.h>

namespace cursor_file {
namespace {

using little_endian::Get16;
using little_endian::Get32;

bool IsIconDirectory(const unsigned char* data, size_t size) {
    if (size < 22 || Get16(data) != 0 || (Get16(data + 2) != 1 && Get16(data + 2) != 2))
        return false;
    uint32_t count = Get16(data + 4);
    if (count == 0 || size < 6 + 16 * static_cast<size_t>(count))
        return false;
    uint32_t imageSize = Get32(data + 14), offset = Get32(data + 18);
    if (imageSize < 40 || offset > size || imageSize > size - offset)
        return false;
    const unsigned char* image = data + offset;
    uint32_t headerSize = Get32(image), planes = Get16(image + 12), bits = Get16(image + 14);
    int32_t width = static_cast<int32_t>(Get32(image + 4));
    int32_t height = static_cast<int32_t>(Get32(image + 8));
    bool knownBits = bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
    return headerSize >= 40 && headerSize <= imageSize && width > 0 && height > 0 && planes == 1 &&
           knownBits;
}

// The chunk `id` among the chunks in [data, data + size): its data and size.
bool FindChunk(const unsigned char* data, size_t size, const char* id, const unsigned char** found,
               size_t* foundSize) {
    size_t at = 0;
    while (size - at >= 8) {
        uint32_t length = Get32(data + at + 4);
        if (length > size - at - 8)
            return false;
        if (memcmp(data + at, id, 4) == 0) {
            *found = data + at + 8;
            *foundSize = length;
            return true;
        }
        at += 8 + static_cast<size_t>(length) + (length & 1);
    }
    return false;
}

bool IsAnimatedCursor(const unsigned char* data, size_t size) {
    if (size < 12 || memcmp(data, "RIFF", 4) != 0 || memcmp(data + 8, "ACON", 4) != 0)
        return false;
    size_t riffSize = Get32(data + 4);
    if (riffSize < 4 || riffSize > size - 8)
        return false;
    const unsigned char* chunks = data + 12;
    size_t chunksSize = riffSize - 4;
    const unsigned char* header = nullptr;
    size_t headerSize = 0;
    if (!FindChunk(chunks, chunksSize, "anih", &header, &headerSize) || headerSize < 36)
        return false;
    uint32_t frames = Get32(header + 4), flags = Get32(header + 32);
    if (frames == 0 || !(flags & 1))
        return false;
    // The frame list: a LIST chunk of type "fram" (other lists may come first).
    size_t at = 0;
    while (chunksSize - at >= 12) {
        uint32_t length = Get32(chunks + at + 4);
        if (length > chunksSize - at - 8)
            return false;
        if (memcmp(chunks + at, "LIST", 4) == 0 && length >= 4 &&
            memcmp(chunks + at + 8, "fram", 4) == 0) {
            const unsigned char* icons = chunks + at + 12;
            size_t left = length - 4;
            for (uint32_t i = 0; i < frames; ++i) {
                if (left < 8 || memcmp(icons, "icon", 4) != 0)
                    return false;
                size_t iconSize = Get32(icons + 4);
                if (iconSize > left - 8 || !IsIconDirectory(icons + 8, iconSize))
                    return false;
                size_t step = 8 + iconSize + (iconSize & 1);
                icons += step < left ? step : left;
                left -= step < left ? step : left;
            }
            return true;
        }
        at += 8 + static_cast<size_t>(length) + (length & 1);
    }
    return false;
}

} // namespace

bool IsCursorFile(const std::string& host) {
    FILE* f = fopen(host.c_str(), "rb");
    if (!f)
        return false;
    // Cursor files are small; a larger file is not taken for one.
    constexpr size_t kMostBytes = 4 << 20;
    std::string data(kMostBytes + 1, '\0');
    size_t n = fread(data.data(), 1, data.size(), f);
    fclose(f);
    if (n > kMostBytes)
        return false;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(data.data());
    return IsIconDirectory(bytes, n) || IsAnimatedCursor(bytes, n);
}

} // namespace cursor_file
