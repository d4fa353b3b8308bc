// libFuzzer target: arbitrary bytes as a package file. UnpackPackageFile must
// answer 0 or -2 without a crash, leak or sanitizer report.
#include "package/engine.h"
#include "platform/testing.h"
#include "platform/win32.h"

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string>

namespace {

// One emulated machine for the whole run: opening one per input costs more
// than the decoding.
const std::string& Scratch() {
    static const std::string scratch = [] {
        std::string dir = platform_testing::BeginTestMachine();
        atexit(platform_testing::EndTestMachine);
        return dir;
    }();
    return scratch;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string package = Scratch() + "fuzz.ppk";
    const std::string target = Scratch() + "out\\fuzz.bin";
    int handle = crt_open(package.c_str(), CRT_O_WRONLY | CRT_O_CREAT | CRT_O_TRUNC | CRT_O_BINARY);
    if (handle == -1)
        abort();
    if (size > 0 && crt_write(handle, data, static_cast<unsigned>(size)) != static_cast<int>(size))
        abort();
    crt_close(handle);

    int result = UnpackPackageFile(package.c_str(), target.c_str());
    if (result != 0 && result != -2)
        abort();
    return 0;
}
