// The change trace of the emulated machine.
#include "platform/posix/kernel/trace.h"

#include "platform/posix/kernel/codepage.h"
#include "platform/posix/win_types.h"

#include <stdio.h>

namespace trace {

namespace detail {
bool g_on = false;
int g_quiet = 0;
} // namespace detail

namespace {

Sink& CurrentSink() {
    static Sink sink;
    return sink;
}

// Control characters as \r, \n, \t or \xNN; everything else as UTF-8.
std::string Escaped(const std::string& cp1252, bool quoteMarks) {
    std::string out;
    for (unsigned char c : cp1252) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\t')
            out += "\\t";
        else if (c < ' ' || c == 0x7F) {
            char hex[8];
            snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else if (quoteMarks && c == '"')
            out += "\\\"";
        else
            out += codepage::Cp1252ToUtf8(std::string(1, static_cast<char>(c)));
    }
    return out;
}

} // namespace

Sink SetSink(Sink sink) {
    Sink previous = std::move(CurrentSink());
    CurrentSink() = std::move(sink);
    detail::g_on = static_cast<bool>(CurrentSink());
    return previous;
}

void Report(const char* area, const std::string& what) {
    if (!On())
        return;
    CurrentSink()(std::string(area) + ": " + what);
}

std::string Quoted(const std::string& cp1252) {
    return "\"" + Escaped(cp1252, true) + "\"";
}

std::string Text(const std::string& cp1252) {
    return Escaped(cp1252, false);
}

std::string RegistryData(uint32_t type, const std::string& data) {
    if ((type == REG_SZ || type == REG_EXPAND_SZ) && !data.empty() && data.back() == '\0' &&
        data.find('\0') == data.size() - 1)
        return Quoted(data.substr(0, data.size() - 1)) + (type == REG_SZ ? "" : " (REG_EXPAND_SZ)");
    char text[64];
    if (type == REG_DWORD && data.size() == 4) {
        uint32_t v = static_cast<unsigned char>(data[0]) |
                     static_cast<unsigned char>(data[1]) << 8 |
                     static_cast<unsigned char>(data[2]) << 16 |
                     static_cast<uint32_t>(static_cast<unsigned char>(data[3])) << 24;
        snprintf(text, sizeof text, "dword 0x%08x (%u)", v, v);
        return text;
    }
    static const char* const kTypes[] = {"REG_NONE",   "REG_SZ",      "REG_EXPAND_SZ",
                                         "REG_BINARY", "REG_DWORD",   "REG_DWORD_BIG_ENDIAN",
                                         "REG_LINK",   "REG_MULTI_SZ"};
    std::string out;
    if (type < sizeof kTypes / sizeof kTypes[0])
        out = kTypes[type];
    else {
        snprintf(text, sizeof text, "type %lu", static_cast<unsigned long>(type));
        out = text;
    }
    snprintf(text, sizeof text, ", %zu bytes", data.size());
    out += text;
    for (size_t i = 0; i < data.size() && i < 32; ++i) {
        snprintf(text, sizeof text, "%s%02x", i ? " " : ": ", static_cast<unsigned char>(data[i]));
        out += text;
    }
    if (data.size() > 32)
        out += " ...";
    return out;
}

} // namespace trace
