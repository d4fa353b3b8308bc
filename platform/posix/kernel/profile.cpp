// Profile (.ini) files of the emulated machine.
//
// Reading follows Windows: section and key names match without regard to
// case, blanks around names and values are dropped, a value in matching
// quotes loses them, the first of two equal keys wins, a line without "="
// is no key. Writing changes only the lines it must: every other section,
// comment, blank line, unknown line and line end stays byte for byte, and
// the file is replaced atomically (temporary file, then rename). On a Windows
// 10 machine an entry that IniFileMapping maps lives in the registry instead
// (ini_file_mapping.h).
#include "platform/posix/kernel/api_profile.h"

#include "platform/posix/kernel/api_base.h"
#include "platform/posix/kernel/calls.h"
#include "platform/posix/kernel/codepage.h"
#include "platform/posix/kernel/files_internal.h"
#include "platform/posix/kernel/ini_file_mapping.h"
#include "platform/posix/kernel/machine.h"
#include "platform/posix/kernel/trace.h"

#include <string.h>

#include <string>
#include <vector>

using calls::Fail;

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

} // namespace

DWORD WINAPI GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultText, LPSTR buffer,
                                      DWORD capacity, LPCSTR fileName) {
    std::string fallback = defaultText ? defaultText : "";
    ini_mapping::Entry mapped;
    if (section && key && ini_mapping::Find(fileName, section, key, &mapped))
        return CopyCut(ini_mapping::Read(mapped, key, fallback), buffer, capacity);
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

namespace {

// `file`, `rewritten`: the profile file, and whether it was written (an entry
// that lives in the registry leaves it alone).
BOOL WritePrivateProfileString(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR fileName,
                               machine::Resolved* file, bool* rewritten) {
    if (!section || !fileName)
        return Fail(ERROR_INVALID_PARAMETER);
    ini_mapping::Entry mapped;
    if (key && ini_mapping::Find(fileName, section, key, &mapped))
        return ini_mapping::Write(mapped, key, value);
    // A section that goes takes its mapped entries with it.
    if (!key) {
        for (const std::string& name : ini_mapping::Names(fileName, section))
            if (ini_mapping::Find(fileName, section, name, &mapped) &&
                !ini_mapping::Write(mapped, name, nullptr))
                return FALSE;
    }
    machine::Resolved& r = *file;
    r = ProfilePath(fileName);
    if (!r.ok || !r.parentExists)
        return Fail(r.ok ? ERROR_PATH_NOT_FOUND : r.error);
    std::string bytes;
    if (r.exists && !machine::ReadWholeFile(r.host, &bytes))
        return Fail(ERROR_ACCESS_DENIED);
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
    if (files::OnProtectedDiskette(r))
        return Fail(ERROR_WRITE_PROTECT);
    if (r.exists && files::IsReadOnlyHost(r.host))
        return Fail(ERROR_ACCESS_DENIED);
    if (!machine::WriteFileAtomically(r.host, JoinLines(lines)))
        return Fail(ERROR_ACCESS_DENIED);
    *rewritten = true;
    return TRUE;
}

} // namespace

BOOL WINAPI WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR fileName) {
    machine::Resolved file;
    bool rewritten = false;
    return calls::Run(
        calls::kWritePrivateProfileStringA,
        [&] { return WritePrivateProfileString(section, key, value, fileName, &file, &rewritten); },
        [&](BOOL) -> calls::Lines {
            if (!rewritten)
                return {};
            std::string where = trace::Text(file.canonical) + " [" + trace::Text(section) + "]";
            if (!key)
                return {"remove section " + where};
            if (!value)
                return {"remove " + where + " " + trace::Text(key)};
            return {"write " + where + " " + trace::Text(key) + "=" + trace::Text(value)};
        });
}
