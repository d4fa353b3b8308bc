// USER32's resource calls over the modules (kernel/resource_module.h):
// LoadStringA and LoadIconA.
#include "platform/posix/user/api_resources.h"

#include "platform/posix/kernel/api_base.h"
#include "platform/posix/kernel/codepage.h"
#include "platform/posix/kernel/little_endian.h"
#include "platform/posix/kernel/resource_module.h"
#include "platform/posix/kernel/calls.h"

#include <stdint.h>

#include <vector>

using calls::Fail;
using little_endian::Get16;

namespace {

int LoadString(HINSTANCE instance, UINT id, LPSTR buffer, int capacity) {
    buffer[0] = '\0';
    const resources::Entry* block = resources::Find(instance, 6, MAKEINTRESOURCEA((id >> 4) + 1));
    if (!block)
        return 0;
    const std::vector<uint8_t>& data = block->data;
    size_t offset = 0;
    for (UINT index = 0; index < (id & 15); ++index) {
        if (offset + 2 > data.size())
            return 0;
        offset += 2 + 2 * static_cast<size_t>(Get16(data.data() + offset));
    }
    if (offset + 2 > data.size())
        return 0;
    size_t length = Get16(data.data() + offset);
    offset += 2;
    if (offset + 2 * length > data.size())
        return 0;
    int copied = 0;
    for (size_t i = 0; i < length && copied < capacity - 1; ++i) {
        unsigned char byte = '?';
        codepage::FromUnicode(Get16(data.data() + offset + 2 * i), &byte);
        buffer[copied++] = static_cast<char>(byte);
    }
    buffer[copied] = '\0';
    return copied;
}

} // namespace

// String ids live in blocks of 16: block (id / 16) + 1, each string a WORD
// length and that many UTF-16 characters. Copies at most capacity - 1
// characters, terminates, and returns the number copied (0 when the string
// is missing or empty; a missing string leaves the empty text, as Wine
// does). The test switch fails the call with the buffer as it was, which
// Windows does not rule out.
int WINAPI LoadStringA(HINSTANCE instance, UINT id, LPSTR buffer, int capacity) {
    if (!buffer || capacity <= 0)
        return 0;
    return calls::Run(calls::kLoadStringA,
                      [&] { return LoadString(instance, id, buffer, capacity); });
}

// An icon handle names the icon group entry; the system's own icons
// (IDI_*, 32512 and up) are taken from no module and always exist.
HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name) {
    static resources::Entry systemIcon;
    if (!instance) {
        if (IS_INTRESOURCE(name) && reinterpret_cast<uintptr_t>(name) >= 32512)
            return reinterpret_cast<HICON>(&systemIcon);
        return nullptr;
    }
    const resources::Entry* entry = resources::Find(instance, 14, name);
    if (!entry)
        return Fail(ERROR_RESOURCE_NAME_NOT_FOUND, nullptr);
    return reinterpret_cast<HICON>(const_cast<resources::Entry*>(entry));
}
