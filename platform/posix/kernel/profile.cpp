// Profile (.ini) files of the emulated machine.
//
// Reading follows Windows: section and key names match without regard to
// case, blanks around names and values are dropped, a value in matching
// quotes loses them, the first of two equal keys wins, a line without "="
// is no key. Writing changes only the lines it must: every other section,
// comment, blank line, unknown line and line end stays byte for byte, and
// the file is replaced atomically (temporary file, then rename). On a Windows
// 10 machine an entry that IniFileMapping maps lives in the registry instead
// (windows_nt.h).
#include "platform/posix/kernel/api_profile.h"

#include "platform/posix/kernel/api_base.h"
#include "platform/posix/kernel/codepage.h"
#include "platform/posix/kernel/faults.h"
#include "platform/posix/kernel/files_internal.h"
#include "platform/posix/kernel/machine.h"
#include "platform/posix/kernel/trace.h"
#include "platform/posix/kernel/windows_nt.h"
#include "platform/posix/registry/api_registry.h"

#include <string.h>

#include <string>
#include <vector>

namespace {

struct Line {
    std::string text; // without its line end
    std::string end;  // "\r\n", "\n" or "" (last line without end)
};

enum class Kind { Section, Key, Other, Blank };

std::string Trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t'))
        ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r'))
        --e;
    return s.substr(b, e - b);
}

Kind Classify(const std::string& text, std::string* name, std::string* value) {
    std::string t = Trim(text);
    if (t.empty())
        return Kind::Blank;
    if (t[0] == '[') {
        size_t close = t.find(']');
        *name = Trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
        return Kind::Section;
    }
    size_t eq = t.find('=');
    if (eq == std::string::npos || t[0] == ';')
        return Kind::Other;
    *name = Trim(t.substr(0, eq));
    std::string v = Trim(t.substr(eq + 1));
    if (v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0])
        v = v.substr(1, v.size() - 2);
    *value = v;
    return Kind::Key;
}

std::vector<Line> SplitLines(const std::string& bytes) {
    std::vector<Line> lines;
    size_t pos = 0;
    while (pos < bytes.size()) {
        size_t nl = bytes.find('\n', pos);
        Line line;
        if (nl == std::string::npos) {
            line.text = bytes.substr(pos);
            pos = bytes.size();
        } else {
            size_t end = nl;
            if (end > pos && bytes[end - 1] == '\r') {
                line.text = bytes.substr(pos, end - 1 - pos);
                line.end = "\r\n";
            } else {
                line.text = bytes.substr(pos, end - pos);
                line.end = "\n";
            }
            pos = nl + 1;
        }
        lines.push_back(line);
    }
    return lines;
}

std::string JoinLines(const std::vector<Line>& lines) {
    std::string out;
    for (const Line& l : lines)
        out += l.text + l.end;
    return out;
}

// Where a profile file lies: a bare file name lies in the Windows directory.
machine::Resolved ProfilePath(LPCSTR fileName) {
    std::string name = fileName ? fileName : "";
    if (name.find_first_of("\\/:") == std::string::npos)
        name = machine::WindowsDirectory() + "\\" + name;
    return machine::Resolve(name.c_str());
}

// The lines of a section: [first, last) after its header; `header` is the
// index of the header line, or -1 when the section is missing.
struct SectionSpan {
    int header = -1;
    int end = 0; // index of the next section header (or the line count)
};

SectionSpan FindSection(const std::vector<Line>& lines, const std::string& section) {
    SectionSpan span;
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string name, value;
        if (Classify(lines[i].text, &name, &value) != Kind::Section)
            continue;
        if (span.header >= 0) {
            span.end = static_cast<int>(i);
            return span;
        }
        if (codepage::EqualNoCase(name, section))
            span.header = static_cast<int>(i);
    }
    span.end = static_cast<int>(lines.size());
    return span;
}

int FindKey(const std::vector<Line>& lines, const SectionSpan& span, const std::string& key,
            std::string* value) {
    for (int i = span.header + 1; i < span.end; ++i) {
        std::string name, v;
        if (Classify(lines[i].text, &name, &v) == Kind::Key && codepage::EqualNoCase(name, key)) {
            if (value)
                *value = v;
            return i;
        }
    }
    return -1;
}

// A text as a C string sees it: a zero byte in the file ends it, so that the
// count reported is the length of the text the caller finds.
std::string UpToZero(const std::string& text) {
    return text.substr(0, text.find('\0'));
}

// Copies a text into the caller's buffer, cut to capacity - 1 characters and
// always terminated; returns the count copied.
DWORD CopyCut(const std::string& whole, LPSTR buffer, DWORD capacity) {
    if (!buffer || capacity == 0)
        return 0;
    std::string text = UpToZero(whole);
    size_t n = text.size() < capacity - 1 ? text.size() : capacity - 1;
    memcpy(buffer, text.data(), n);
    buffer[n] = 0;
    return static_cast<DWORD>(n);
}

// A list of names, each terminated, the list ending with a second zero, cut
// to the buffer as Windows does (the result is capacity - 2 when cut).
DWORD CopyList(const std::vector<std::string>& names, LPSTR buffer, DWORD capacity) {
    if (!buffer || capacity == 0)
        return 0;
    if (capacity == 1) {
        buffer[0] = 0;
        return 0;
    }
    DWORD pos = 0;
    for (const std::string& name : names) {
        std::string n = UpToZero(name);
        if (n.empty()) // would end the list early
            continue;
        for (char c : n) {
            if (pos + 2 >= capacity) {
                buffer[pos] = 0;
                buffer[pos + 1] = 0;
                return capacity - 2;
            }
            buffer[pos++] = c;
        }
        if (pos + 2 >= capacity) {
            buffer[pos] = 0;
            buffer[pos + 1] = 0;
            return capacity - 2;
        }
        buffer[pos++] = 0;
    }
    buffer[pos] = 0;
    if (pos == 0 && capacity > 1)
        buffer[1] = 0;
    return pos;
}

// An entry that IniFileMapping keeps in the registry (NT): read as the
// value's text, the default when it is not there.
DWORD ReadMappedEntry(const nt::MappedEntry& entry, const std::string& key,
                      const std::string& fallback, LPSTR buffer, DWORD capacity) {
    std::string value = fallback;
    HKEY handle;
    if (RegOpenKeyExA(entry.root, entry.keyPath.c_str(), 0, KEY_READ, &handle) == ERROR_SUCCESS) {
        char data[1024];
        DWORD size = sizeof data - 1, type = 0;
        if (RegQueryValueExA(handle, key.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data),
                             &size) == ERROR_SUCCESS &&
            (type == REG_SZ || type == REG_EXPAND_SZ)) {
            data[size] = 0;
            value = data;
        }
        RegCloseKey(handle);
    }
    return CopyCut(value, buffer, capacity);
}

// Writes (or with no value deletes) a mapped entry as a REG_SZ value.
BOOL WriteMappedEntry(const nt::MappedEntry& entry, const std::string& key, LPCSTR value) {
    HKEY handle;
    LONG result = value ? RegCreateKeyA(entry.root, entry.keyPath.c_str(), &handle)
                        : RegOpenKeyExA(entry.root, entry.keyPath.c_str(), 0,
                                        KEY_READ | KEY_SET_VALUE, &handle);
    if (!value && result == ERROR_FILE_NOT_FOUND)
        return TRUE;
    if (result == ERROR_SUCCESS) {
        result = value ? RegSetValueExA(handle, key.c_str(), 0, REG_SZ,
                                        reinterpret_cast<const BYTE*>(value),
                                        static_cast<DWORD>(strlen(value) + 1))
                       : RegDeleteValueA(handle, key.c_str());
        RegCloseKey(handle);
    }
    if (result == ERROR_SUCCESS || (!value && result == ERROR_FILE_NOT_FOUND))
        return TRUE;
    SetLastError(static_cast<DWORD>(result));
    return FALSE;
}

} // namespace

DWORD WINAPI GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultText, LPSTR buffer,
                                      DWORD capacity, LPCSTR fileName) {
    std::string fallback = defaultText ? defaultText : "";
    nt::MappedEntry mapped;
    if (section && key && nt::FindMappedEntry(fileName, section, key, &mapped))
        return ReadMappedEntry(mapped, key, fallback, buffer, capacity);
    machine::Resolved r = ProfilePath(fileName);
    std::string bytes;
    std::vector<Line> lines;
    if (r.ok && r.exists && machine::ReadWholeFile(r.host, &bytes))
        lines = SplitLines(bytes);
    if (!section) {
        std::vector<std::string> names;
        for (const Line& l : lines) {
            std::string name, value;
            if (Classify(l.text, &name, &value) == Kind::Section)
                names.push_back(name);
        }
        return CopyList(names, buffer, capacity);
    }
    SectionSpan span = FindSection(lines, section);
    if (!key) {
        std::vector<std::string> names;
        for (int i = span.header + 1; span.header >= 0 && i < span.end; ++i) {
            std::string name, value;
            if (Classify(lines[i].text, &name, &value) == Kind::Key)
                names.push_back(name);
        }
        return CopyList(names, buffer, capacity);
    }
    std::string value;
    if (span.header < 0 || FindKey(lines, span, key, &value) < 0)
        value = fallback;
    return CopyCut(value, buffer, capacity);
}

BOOL WINAPI WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR fileName) {
    if (faults::Take(platform_testing::FaultFamily::ProfileWrite)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (!section || !fileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    nt::MappedEntry mapped;
    if (key && nt::FindMappedEntry(fileName, section, key, &mapped))
        return WriteMappedEntry(mapped, key, value);
    // A section that goes takes its mapped entries with it.
    if (!key) {
        for (const std::string& name : nt::MappedEntryNames(fileName, section))
            if (nt::FindMappedEntry(fileName, section, name, &mapped) &&
                !WriteMappedEntry(mapped, name, nullptr))
                return FALSE;
    }
    machine::Resolved r = ProfilePath(fileName);
    if (!r.ok || !r.parentExists) {
        SetLastError(r.ok ? ERROR_PATH_NOT_FOUND : r.error);
        return FALSE;
    }
    std::string bytes;
    if (r.exists && !machine::ReadWholeFile(r.host, &bytes)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    std::vector<Line> lines = SplitLines(bytes);
    std::string newline = lines.empty() || lines[0].end.empty() ? "\r\n" : lines[0].end;
    SectionSpan span = FindSection(lines, section);

    bool changed = false;
    if (!key) {
        // Delete the section: its header and its lines up to the last
        // non-blank one; blank lines that separate it from the next stay.
        if (span.header >= 0) {
            int last = span.end - 1;
            while (last > span.header && Trim(lines[last].text).empty())
                --last;
            lines.erase(lines.begin() + span.header, lines.begin() + last + 1);
            changed = true;
        }
    } else if (!value) {
        int at = span.header >= 0 ? FindKey(lines, span, key, nullptr) : -1;
        if (at >= 0) {
            lines.erase(lines.begin() + at);
            changed = true;
        }
    } else {
        std::string text = std::string(key) + "=" + value;
        if (span.header >= 0) {
            int at = FindKey(lines, span, key, nullptr);
            if (at >= 0) {
                std::string name, old;
                Classify(lines[at].text, &name, &old);
                lines[at].text = name + "=" + value;
            } else {
                int last = span.end - 1;
                while (last > span.header && Trim(lines[last].text).empty())
                    --last;
                if (lines[last].end.empty())
                    lines[last].end = newline;
                lines.insert(lines.begin() + last + 1, Line{text, newline});
            }
        } else {
            if (!lines.empty() && lines.back().end.empty())
                lines.back().end = newline;
            lines.push_back(Line{std::string("[") + section + "]", newline});
            lines.push_back(Line{text, newline});
        }
        changed = true;
    }
    if (!changed)
        return TRUE;
    if (files::OnProtectedDiskette(r)) {
        SetLastError(ERROR_WRITE_PROTECT);
        return FALSE;
    }
    if (r.exists && files::IsReadOnlyHost(r.host)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (!machine::WriteFileAtomically(r.host, JoinLines(lines))) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (trace::On()) {
        std::string where = trace::Text(r.canonical) + " [" + trace::Text(section) + "]";
        if (!key)
            trace::Report("profile", "remove section " + where);
        else if (!value)
            trace::Report("profile", "remove " + where + " " + trace::Text(key));
        else
            trace::Report("profile",
                          "write " + where + " " + trace::Text(key) + "=" + trace::Text(value));
    }
    return TRUE;
}
