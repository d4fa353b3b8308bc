// libFuzzer target: arbitrary bytes as the emulated machine's registry file.
// The reader must refuse the text with a line number inside it or load it;
// a loaded registry written out and read again must give the same registry.
// Every so often the text also goes through a machine's own loading and a
// registry call on it.
#include "platform/posix/kernel/machine.h"
#include "platform/posix/registry/registry_internal.h"
#include "platform/posix/registry/registry_store.h"
#include "platform/win32.h"
#include "tests/fuzz/fuzz_support.h"

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string>

using registry_store::Key;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    Key machineRoot, usersRoot;
    int line = 0;
    std::string message;
    if (!registry_store::ParseFile(text, &machineRoot, &usersRoot, &line, &message)) {
        size_t lines = 1;
        for (char c : text)
            lines += c == '\n';
        if (line < 1 || static_cast<size_t>(line) > lines || message.empty())
            abort();
        return 0;
    }
    const std::string written = registry_store::FormatFile(machineRoot, usersRoot);
    Key machineAgain, usersAgain;
    if (!registry_store::ParseFile(written, &machineAgain, &usersAgain, &line, &message))
        abort();
    if (registry_store::FormatFile(machineAgain, usersAgain) != written)
        abort();

    // The whole road of a machine: the file in the machine folder, loaded on
    // the first registry call after the machine was opened again.
    if (size % 8 == 0) {
        fuzz_support::Scratch();
        const std::string folder = machine::Folder();
        machine::WriteFileAtomically(machine::FolderFile("registry.reg"), text);
        std::string error;
        if (!machine::Open(folder, "", &error))
            abort();
        if (!registry_store::LoadError().empty())
            abort();
        HKEY key = nullptr;
        if (RegCreateKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Fuzz", &key) != ERROR_SUCCESS)
            abort();
        RegSetValueExA(key, "n", 0, REG_SZ, reinterpret_cast<const BYTE*>("v"), 2);
        RegCloseKey(key);
        Key machineSaved, usersSaved;
        std::string saved;
        if (!machine::ReadWholeFile(machine::FolderFile("registry.reg"), &saved) ||
            !registry_store::ParseFile(saved, &machineSaved, &usersSaved, &line, &message))
            abort();
    }
    return 0;
}
