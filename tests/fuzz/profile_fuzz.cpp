// libFuzzer target: arbitrary bytes as a profile (.ini) file. Every read
// must end inside the caller's buffer with the counts Windows reports; a
// write of one key must read back and leave every other line as it was
// (text and line end; the last line may gain a line end), a removal must
// take away only the lines it names.
#include "platform/testing.h"
#include "platform/win32.h"
#include "tests/fuzz/fuzz_support.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <stddef.h>
#include <stdio.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

namespace {

struct Line {
    std::string text;
    std::string end;
};

std::vector<Line> Split(const std::string& bytes) {
    std::vector<Line> lines;
    size_t pos = 0;
    while (pos < bytes.size()) {
        size_t nl = bytes.find('\n', pos);
        Line line;
        if (nl == std::string::npos) {
            line.text = bytes.substr(pos);
            pos = bytes.size();
        } else if (nl > pos && bytes[nl - 1] == '\r') {
            line.text = bytes.substr(pos, nl - 1 - pos);
            line.end = "\r\n";
            pos = nl + 1;
        } else {
            line.text = bytes.substr(pos, nl - pos);
            line.end = "\n";
            pos = nl + 1;
        }
        lines.push_back(line);
    }
    return lines;
}

std::string Trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t'))
        ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r'))
        --e;
    return s.substr(b, e - b);
}

// A name or value the file format can carry as it stands: no line breaks,
// no zero, no blanks at its ends, and none of `forbidden`.
std::string Clean(std::string s, const char* forbidden, const char* fallback) {
    std::string out;
    for (char c : s)
        if (c != '\0' && c != '\r' && c != '\n' && !strchr(forbidden, c))
            out += c;
    out = Trim(out);
    return out.empty() ? fallback : out;
}

// Same line, or the file's last line that gained a line end (when that
// line ends in a carriage return, the two make one CR LF line end).
bool SameLine(const Line& before, const Line& after, bool last) {
    if (before.text == after.text && before.end == after.end)
        return true;
    if (!last || !before.end.empty())
        return false;
    return before.text == after.text || (after.end == "\r\n" && before.text == after.text + "\r");
}

// `after` is `before` with the lines [at, at + count) of `before` replaced
// by `inserted` lines of `after`.
bool SameOutside(const std::vector<Line>& before, const std::vector<Line>& after, size_t at,
                 size_t count, size_t inserted) {
    if (after.size() + count != before.size() + inserted)
        return false;
    for (size_t i = 0; i < at; ++i)
        if (!SameLine(before[i], after[i], i + 1 == before.size()))
            return false;
    for (size_t i = at + count; i < before.size(); ++i)
        if (!SameLine(before[i], after[i - count + inserted], i + 1 == before.size()))
            return false;
    return true;
}

// The name of a key line as the reader sees it.
std::string KeyName(const std::string& text) {
    std::string t = Trim(text);
    size_t eq = t.find('=');
    return eq == std::string::npos ? std::string() : Trim(t.substr(0, eq));
}

// Reads into a patterned buffer and checks the answer stays inside it.
DWORD Read(const char* section, const char* key, char* buffer, DWORD capacity, const char* file) {
    fuzz_support::Fill(buffer, capacity + 16);
    DWORD n = GetPrivateProfileStringA(section, key, "dflt", buffer, capacity, file);
    fuzz_support::Require(fuzz_support::Untouched(buffer + capacity, 16, capacity),
                          "a read wrote past the buffer");
    if (capacity == 0)
        return n;
    if (section && key) {
        fuzz_support::Require(n < capacity && buffer[n] == '\0' && strlen(buffer) == n,
                              "a value read is not one terminated text of the count reported");
    } else if (capacity >= 2) {
        // names, each terminated, and the list's own zero; an empty list is
        // two zeros, and so is the end of a list cut at the buffer's end
        bool whole = n == 0 ? buffer[1] == '\0' : buffer[n - 1] == '\0';
        bool cut = n == capacity - 2 && buffer[n + 1] == '\0';
        fuzz_support::Require(n <= capacity - 2 && buffer[n] == '\0' && (whole || cut),
                              "a list read is not a terminated list of the count reported");
    }
    return n;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    std::string section = Clean(in.ConsumeRandomLengthString(40), "]", "S");
    std::string key = Clean(in.ConsumeRandomLengthString(40), "=", "K");
    if (key[0] == '[' || key[0] == ';')
        key[0] = 'k';
    std::string value = Clean(in.ConsumeRandomLengthString(60), "", "v");
    if (value[0] == '"' || value[0] == '\'')
        value[0] = 'v';
    int operation = in.ConsumeIntegralInRange(0, 2);
    DWORD capacity = in.ConsumeIntegralInRange<DWORD>(0, 300);
    std::string content = in.ConsumeRemainingBytesAsString();

    const std::string file = fuzz_support::Scratch() + "fuzz.ini";
    fuzz_support::WriteFile(file, content);

    std::vector<char> buffer(capacity + 16);
    Read(nullptr, nullptr, buffer.data(), capacity, file.c_str());
    Read(section.c_str(), nullptr, buffer.data(), capacity, file.c_str());
    Read(section.c_str(), key.c_str(), buffer.data(), capacity, file.c_str());

    std::vector<Line> before = Split(content);
    // Ends the run with what was asked, the file before and after.
    auto check = [&](bool ok, const char* what) {
        if (ok)
            return;
        fprintf(stderr, "operation %d [%s] %s=%s\nbefore: %s\nafter:  %s\n", operation,
                fuzz_support::Escaped(section).c_str(), fuzz_support::Escaped(key).c_str(),
                fuzz_support::Escaped(value).c_str(), fuzz_support::Escaped(content).c_str(),
                fuzz_support::Escaped(fuzz_support::ReadFile(file)).c_str());
        fuzz_support::Require(false, what);
    };
    if (operation == 0) {
        check(WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str()),
              "a write failed");
        char back[128];
        GetPrivateProfileStringA(section.c_str(), key.c_str(), "", back, sizeof back, file.c_str());
        check(value == back, "the value written does not read back");
        std::vector<Line> after = Split(fuzz_support::ReadFile(file));
        bool ok = false;
        for (size_t at = 0; at <= before.size() && !ok; ++at) {
            // the key's line rewritten, or one line inserted
            ok = (at < before.size() && SameOutside(before, after, at, 1, 1) &&
                  after[at].text == KeyName(before[at].text) + "=" + value) ||
                 (SameOutside(before, after, at, 0, 1) && after[at].text == key + "=" + value);
        }
        // a new section at the end
        ok = ok || (SameOutside(before, after, before.size(), 0, 2) &&
                    after[before.size()].text == "[" + section + "]" &&
                    after[before.size() + 1].text == key + "=" + value);
        check(ok, "a write changed other lines");
    } else if (operation == 1) {
        check(WritePrivateProfileStringA(section.c_str(), key.c_str(), nullptr, file.c_str()),
              "a key removal failed");
        std::vector<Line> after = Split(fuzz_support::ReadFile(file));
        bool ok = after.size() == before.size();
        for (size_t at = 0; at < before.size() && !ok; ++at)
            ok = SameOutside(before, after, at, 1, 0);
        check(ok, "a key removal changed other lines");
    } else {
        check(WritePrivateProfileStringA(section.c_str(), nullptr, nullptr, file.c_str()),
              "a section removal failed");
        std::vector<Line> after = Split(fuzz_support::ReadFile(file));
        check(after.size() <= before.size(), "a section removal added lines");
        size_t removed = before.size() - after.size();
        bool ok = removed == 0 && after.size() == before.size();
        for (size_t at = 0; at + removed <= before.size() && !ok; ++at)
            ok = Trim(before[at].text)[0] == '[' && SameOutside(before, after, at, removed, 0);
        check(ok, "a section removal changed other lines");
    }
    return 0;
}
