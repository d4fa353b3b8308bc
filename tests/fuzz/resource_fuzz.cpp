// libFuzzer target: arbitrary bytes as a compiled resource file (.res). The
// reader must refuse it or make a module; every resource of a module is then
// read the way the program and the dialog manager read them: strings into
// patterned buffers of every interesting size, data texts, icons and dialog
// templates. Nothing may be written past a buffer.
#include "platform/dialog_template.h"
#include "platform/posix/kernel/resource_module.h"
#include "platform/win32.h"
#include "system/dialog_support.h"
#include "tests/fuzz/fuzz_support.h"

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

namespace {

void ReadStrings(HINSTANCE module, unsigned block) {
    char buffer[300 + 16];
    for (UINT id = (block - 1) * 16; id < block * 16; ++id) {
        for (int capacity : {1, 2, 3, 40, 299, 300}) {
            fuzz_support::Fill(buffer, sizeof buffer);
            int n = LoadStringA(module, id, buffer, capacity);
            if (n < 0 || n >= capacity || buffer[n] != '\0' ||
                !fuzz_support::Untouched(buffer + capacity, sizeof buffer - capacity, capacity))
                abort();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The module's own copy must not lean on the caller's bytes.
    std::vector<uint8_t> bytes(data, data + size);
    HINSTANCE module = resources::LoadModule(bytes.data(), bytes.size());
    bytes.assign(bytes.size(), 0xEE);
    if (!module)
        return 0;
    const resources::Module* m = resources::ModuleOf(module);
    if (!m)
        abort();
    for (const resources::Entry& entry : m->entries) {
        if (entry.type.isString)
            continue;
        LPCSTR name =
            entry.name.isString ? entry.name.name.c_str() : MAKEINTRESOURCEA(entry.name.ordinal);
        // An empty name, or ordinal 0 (MAKEINTRESOURCE(0) is null), names
        // nothing a caller can ask for.
        if (entry.name.isString ? entry.name.name.empty() : entry.name.ordinal == 0)
            continue;
        switch (entry.type.ordinal) {
        case 5: { // dialog
            HRSRC found = FindResourceA(module, name, RT_DIALOG);
            if (!found) // a string name such as "#12" names an ordinal
                break;
            dialog_template::Template t;
            dialog_template::Parse(LockResource(LoadResource(module, found)),
                                   SizeofResource(module, found), &t);
            break;
        }
        case 6: // string block
            if (!entry.name.isString)
                ReadStrings(module, entry.name.ordinal);
            break;
        case 10: // data text
            if (!entry.name.isString) {
                ResourceText text(module, entry.name.ordinal);
                const resources::Entry* first =
                    resources::Find(module, 10, MAKEINTRESOURCEA(entry.name.ordinal));
                if (text.IsEmpty() || !first || text.Size() != first->data.size() ||
                    text.Text()[text.Size()] != '\0')
                    abort();
            }
            break;
        case 14: // icon group
            if (!entry.name.isString && !LoadIconA(module, name))
                abort();
            break;
        default:
            break;
        }
    }
    resources::UnloadModule(module);
    if (resources::ModuleOf(module))
        abort();
    return 0;
}
