// libFuzzer target: arbitrary bytes as a package file. UnpackPackageFile must
// answer without a crash, leak or sanitizer report, and agree with zlib's
// own raw inflate of the same bytes: 0 and exactly the decoded bytes when
// the stream reaches its final block (or the file is empty), -2 and no more
// than a prefix of them otherwise.
#include "package/decompression_engines.h"
#include "platform/testing.h"
#include "platform/win32.h"
#include "tests/fuzz/fuzz_support.h"

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string>
#include <zlib.h>

namespace {

// zlib's decoding of a raw deflate stream, up to `most` bytes; `complete`
// tells whether it reached the final block.
std::string Reference(const uint8_t* data, size_t size, size_t most, bool* complete) {
    z_stream stream{};
    inflateInit2(&stream, -15);
    stream.next_in = const_cast<Bytef*>(data);
    stream.avail_in = static_cast<uInt>(size);
    std::string out;
    char block[65536];
    int result;
    do {
        stream.next_out = reinterpret_cast<Bytef*>(block);
        stream.avail_out = sizeof block;
        result = inflate(&stream, Z_NO_FLUSH);
        out.append(block, sizeof block - stream.avail_out);
    } while (result == Z_OK && out.size() <= most);
    inflateEnd(&stream);
    *complete = result == Z_STREAM_END;
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string package = fuzz_support::Scratch() + "fuzz.ppk";
    const std::string target = fuzz_support::Scratch() + "out\\fuzz.bin";
    fuzz_support::WriteFile(package, std::string(reinterpret_cast<const char*>(data), size));

    int result = UnpackPackageFile(package.c_str(), target.c_str());
    fuzz_support::Require(result == 0 || result == -2, "unpack answered neither 0 nor -2");

    const size_t most = 16u << 20; // beyond that only the answer is checked
    bool complete = false;
    std::string expected = Reference(data, size, most, &complete);
    if (expected.size() > most)
        return 0;
    std::string written = fuzz_support::ReadFile(target);
    if (size == 0 || complete) {
        fuzz_support::Require(result == 0, "a whole stream was refused");
        fuzz_support::Require(written == expected, "a whole stream was decoded wrongly");
    } else {
        fuzz_support::Require(result == -2, "a broken stream was accepted");
        fuzz_support::Require(expected.compare(0, written.size(), written) == 0,
                              "a broken stream left bytes zlib does not decode");
    }
    return 0;
}
