// libFuzzer target: arbitrary bytes as a package file. UnpackPackageFile must
// answer 0 or -2 without a crash, leak or sanitizer report.
#include "package/engine.h"
#include "platform/testing.h"
#include "platform/win32.h"
#include "tests/fuzz/fuzz_support.h"

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string package = fuzz_support::Scratch() + "fuzz.ppk";
    const std::string target = fuzz_support::Scratch() + "out\\fuzz.bin";
    fuzz_support::WriteFile(package, std::string(reinterpret_cast<const char*>(data), size));

    int result = UnpackPackageFile(package.c_str(), target.c_str());
    if (result != 0 && result != -2)
        abort();
    return 0;
}
