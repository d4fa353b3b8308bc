// The emulated registry's file: REGEDIT4 text, code page 1252, CR LF.
//
//   REGEDIT4
//
//   [HKEY_LOCAL_MACHINE\SOFTWARE\Vorq]
//   @="default value"
//   "text"="C:\\WINDOWS \"quoted\""
//   "number"=dword:0000002a
//   "bytes"=hex:01,02,ff
//   "other"=hex(2):25,57,49,4e,00
//
// Every key has its own section, empty ones included, so the file holds the
// whole tree. A string value is written as quoted text only when it is one
// text with exactly one terminating zero; otherwise (no terminator, zeros
// inside, empty data) it is written as hex(1): so the stored bytes come back
// unchanged. Long hex data continue on the next line after ",\".
#include "platform/posix/registry/registry_internal.h"
#include "platform/posix/registry/registry_store.h"

#include "platform/posix/kernel/codepage.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>

namespace registry_store {

const char kCurrentUser[] = "Benutzer";

// ---- The tree ----

int CompareNames(const std::string& a, const std::string& b) {
    size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        int x = codepage::ToLower(static_cast<unsigned char>(a[i]));
        int y = codepage::ToLower(static_cast<unsigned char>(b[i]));
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// Values and subkeys are kept in name order: lookups and insertions find
// their place by halving, so a key with a hundred thousand values loads
// and changes without walking them all.
namespace {

auto SubKeyAt(const Key& key, const std::string& name) {
    return std::lower_bound(key.subkeys.begin(), key.subkeys.end(), name,
                            [](const std::shared_ptr<Key>& sub, const std::string& n) {
                                return CompareNames(sub->name, n) < 0;
                            });
}

auto ValueAt(Key* key, const std::string& name) {
    return std::lower_bound(
        key->values.begin(), key->values.end(), name,
        [](const Value& v, const std::string& n) { return CompareNames(v.name, n) < 0; });
}

} // namespace

std::shared_ptr<Key> FindSubKey(const Key& key, const std::string& name) {
    auto at = SubKeyAt(key, name);
    return at != key.subkeys.end() && CompareNames((*at)->name, name) == 0 ? *at : nullptr;
}

void InsertSubKey(Key* key, const std::shared_ptr<Key>& sub) {
    sub->parent = key;
    key->subkeys.insert(SubKeyAt(*key, sub->name), sub);
}

std::shared_ptr<Key> AddSubKey(Key* key, const std::string& name) {
    auto sub = std::make_shared<Key>();
    sub->name = name;
    InsertSubKey(key, sub);
    return sub;
}

Value* FindValue(Key* key, const std::string& name) {
    auto at = ValueAt(key, name);
    return at != key->values.end() && CompareNames(at->name, name) == 0 ? &*at : nullptr;
}

void SetValue(Key* key, const std::string& name, DWORD type, const std::string& data) {
    auto at = ValueAt(key, name);
    if (at != key->values.end() && CompareNames(at->name, name) == 0) {
        at->type = type;
        at->data = data;
        return;
    }
    key->values.insert(at, Value{name, type, data});
}

// ---- Writing ----

namespace {

std::string Escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        default:
            out += c;
        }
    }
    return out;
}

bool IsPlainText(const std::string& data) {
    return !data.empty() && data.find('\0') == data.size() - 1;
}

void FormatValue(const Value& v, std::string* out) {
    std::string line = v.name.empty() ? "@=" : "\"" + Escape(v.name) + "\"=";
    if (v.type == REG_SZ && IsPlainText(v.data)) {
        *out += line + "\"" + Escape(v.data.substr(0, v.data.size() - 1)) + "\"\r\n";
        return;
    }
    char piece[32];
    if (v.type == REG_DWORD && v.data.size() == 4) {
        const unsigned char* b = reinterpret_cast<const unsigned char*>(v.data.data());
        unsigned long n =
            b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<unsigned long>(b[3]) << 24);
        snprintf(piece, sizeof piece, "dword:%08lx", n);
        *out += line + piece + "\r\n";
        return;
    }
    if (v.type == REG_BINARY)
        line += "hex:";
    else {
        snprintf(piece, sizeof piece, "hex(%lx):", static_cast<unsigned long>(v.type));
        line += piece;
    }
    for (size_t i = 0; i < v.data.size(); ++i) {
        bool more = i + 1 < v.data.size();
        snprintf(piece, sizeof piece, more ? "%02x," : "%02x",
                 static_cast<unsigned char>(v.data[i]));
        line += piece;
        if (more && line.size() >= 76) {
            *out += line + "\\\r\n";
            line = "  ";
        }
    }
    *out += line + "\r\n";
}

void FormatKey(const Key& key, const std::string& path, std::string* out) {
    *out += "\r\n[" + path + "]\r\n";
    for (const Value& v : key.values)
        FormatValue(v, out);
    for (const auto& sub : key.subkeys)
        FormatKey(*sub, path + "\\" + sub->name, out);
}

} // namespace

std::string FormatFile(const Key& machine, const Key& users) {
    std::string out = "REGEDIT4\r\n";
    FormatKey(machine, "HKEY_LOCAL_MACHINE", &out);
    FormatKey(users, "HKEY_USERS", &out);
    out += "\r\n";
    return out;
}

// ---- Reading ----

namespace {

struct Reader {
    Key* machine;
    Key* users;
    Key* current = nullptr; // key of the last section
    std::string message;
};

std::string TrimRight(const std::string& s) {
    size_t end = s.size();
    while (end > 0 && (s[end - 1] == ' ' || s[end - 1] == '\t' || s[end - 1] == '\r'))
        --end;
    return s.substr(0, end);
}

size_t SkipBlanks(const std::string& s, size_t pos) {
    while (pos < s.size() && (s[pos] == ' ' || s[pos] == '\t'))
        ++pos;
    return pos;
}

// A quoted text starting at s[*pos] == '"'; *pos ends after the closing quote.
bool ReadQuoted(const std::string& s, size_t* pos, std::string* text, std::string* message) {
    text->clear();
    for (size_t i = *pos + 1; i < s.size(); ++i) {
        char c = s[i];
        if (c == '"') {
            *pos = i + 1;
            return true;
        }
        if (c != '\\') {
            *text += c;
            continue;
        }
        if (++i == s.size())
            break;
        switch (s[i]) {
        case '\\':
        case '"':
            *text += s[i];
            break;
        case 'r':
            *text += '\r';
            break;
        case 'n':
            *text += '\n';
            break;
        default:
            *message = std::string("unknown escape \\") + s[i] + " in a quoted text";
            return false;
        }
    }
    *message = "a quoted text has no closing \"";
    return false;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Hex digits from s[*pos] on (at most maxDigits, at least one).
bool ReadHexNumber(const std::string& s, size_t* pos, int maxDigits, unsigned long* n) {
    *n = 0;
    int digits = 0;
    while (*pos < s.size() && digits < maxDigits && HexDigit(s[*pos]) >= 0) {
        *n = *n * 16 + HexDigit(s[(*pos)++]);
        ++digits;
    }
    return digits > 0;
}

// "01,02,ff" (blanks allowed around the bytes) up to the end of s.
bool ReadHexBytes(const std::string& s, size_t pos, std::string* data) {
    data->clear();
    pos = SkipBlanks(s, pos);
    if (pos == s.size())
        return true;
    for (;;) {
        unsigned long byte;
        if (!ReadHexNumber(s, &pos, 2, &byte))
            return false;
        *data += static_cast<char>(byte);
        pos = SkipBlanks(s, pos);
        if (pos == s.size())
            return true;
        if (s[pos] != ',')
            return false;
        pos = SkipBlanks(s, pos + 1);
        if (pos == s.size())
            return true; // a trailing comma
    }
}

bool ReadSection(Reader* r, const std::string& line) {
    size_t close = line.rfind(']');
    if (close == std::string::npos || close < 1) {
        r->message = "a key line has no closing ]";
        return false;
    }
    if (SkipBlanks(line, close + 1) != line.size()) {
        r->message = "text after the ] of a key line";
        return false;
    }
    std::string path = line.substr(1, close - 1);
    if (!path.empty() && path[0] == '-') {
        r->message = "a key deletion ([-...]) has no place in the registry itself";
        return false;
    }
    std::vector<std::string> names;
    size_t start = 0;
    for (;;) {
        size_t slash = path.find('\\', start);
        names.push_back(path.substr(start, slash == std::string::npos ? slash : slash - start));
        if (slash == std::string::npos)
            break;
        start = slash + 1;
    }
    Key* key;
    std::vector<std::string> prefix;
    if (names[0] == "HKEY_LOCAL_MACHINE")
        key = r->machine;
    else if (names[0] == "HKEY_USERS")
        key = r->users;
    else if (names[0] == "HKEY_CLASSES_ROOT") {
        key = r->machine;
        prefix = {"SOFTWARE", "Classes"};
    } else if (names[0] == "HKEY_CURRENT_USER") {
        key = r->users;
        prefix = {kCurrentUser};
    } else {
        r->message = "unknown root key \"" + names[0] + "\"";
        return false;
    }
    names.erase(names.begin());
    names.insert(names.begin(), prefix.begin(), prefix.end());
    for (const std::string& name : names) {
        if (name.empty()) {
            r->message = "an empty key name in \"" + path + "\"";
            return false;
        }
        std::shared_ptr<Key> sub = FindSubKey(*key, name);
        key = sub ? sub.get() : AddSubKey(key, name).get();
    }
    r->current = key;
    return true;
}

bool ReadValue(Reader* r, const std::string& line) {
    if (!r->current) {
        r->message = "a value before the first key line";
        return false;
    }
    std::string name;
    size_t pos = 0;
    if (line[0] == '@')
        pos = 1;
    else if (!ReadQuoted(line, &pos, &name, &r->message))
        return false;
    if (pos >= line.size() || line[pos] != '=') {
        r->message = "no = after the value name";
        return false;
    }
    ++pos;
    std::string rest = line.substr(pos);
    std::string data;
    DWORD type;
    if (rest.compare(0, 1, "\"") == 0) {
        size_t end = 0;
        if (!ReadQuoted(rest, &end, &data, &r->message))
            return false;
        if (SkipBlanks(rest, end) != rest.size()) {
            r->message = "text after the closing \" of a value";
            return false;
        }
        data += '\0';
        type = REG_SZ;
    } else if (rest.compare(0, 6, "dword:") == 0) {
        size_t at = 6;
        unsigned long n;
        if (!ReadHexNumber(rest, &at, 8, &n) || SkipBlanks(rest, at) != rest.size()) {
            r->message = "dword: wants up to eight hex digits";
            return false;
        }
        for (int i = 0; i < 4; ++i)
            data += static_cast<char>((n >> (8 * i)) & 0xFF);
        type = REG_DWORD;
    } else if (rest.compare(0, 4, "hex:") == 0 || rest.compare(0, 4, "hex(") == 0) {
        size_t at = 4;
        type = REG_BINARY;
        if (rest[3] == '(') {
            unsigned long n;
            if (!ReadHexNumber(rest, &at, 8, &n) || rest.compare(at, 2, "):") != 0) {
                r->message = "hex( wants a hex type number and \"):\"";
                return false;
            }
            type = static_cast<DWORD>(n);
            at += 2;
        }
        if (!ReadHexBytes(rest, at, &data)) {
            r->message = "hex data wants two-digit hex bytes separated by commas";
            return false;
        }
    } else {
        r->message = "unrecognised value data (neither \"text\", dword: nor hex:)";
        return false;
    }
    SetValue(r->current, name, type, data);
    return true;
}

} // namespace

bool ParseFile(const std::string& text, Key* machine, Key* users, int* line, std::string* message) {
    Reader r{machine, users, nullptr, std::string()};
    size_t pos = 0;
    int number = 0;
    bool headerSeen = false;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        std::string current = TrimRight(text.substr(pos, end - pos));
        pos = end + 1;
        *line = ++number;
        // A value line ending in "\" continues on the next line.
        while (!current.empty() && current.back() == '\\' && current[0] != '[' &&
               pos < text.size()) {
            end = text.find('\n', pos);
            if (end == std::string::npos)
                end = text.size();
            std::string next = TrimRight(text.substr(pos, end - pos));
            pos = end + 1;
            ++number;
            current.pop_back();
            current += next.substr(SkipBlanks(next, 0));
        }
        if (!headerSeen) {
            if (current != "REGEDIT4") {
                *message = "the file does not begin with REGEDIT4";
                return false;
            }
            headerSeen = true;
            continue;
        }
        bool ok = true;
        if (current.empty() || current[0] == ';')
            continue;
        if (current[0] == '[')
            ok = ReadSection(&r, current);
        else if (current[0] == '"' || current[0] == '@')
            ok = ReadValue(&r, current);
        else {
            r.message = "unrecognised line (neither [key] nor \"name\"=value)";
            ok = false;
        }
        if (!ok) {
            *message = r.message;
            return false;
        }
    }
    if (!headerSeen) {
        *line = 1;
        *message = "the file is empty (it should begin with REGEDIT4)";
        return false;
    }
    return true;
}

// ---- A fresh machine ----

// What a fresh German Windows 95 has where the theme touches: the desktop
// icons (HKEY_CLASSES_ROOT\CLSID\{...}\DefaultIcon), the desktop, colour
// and cursor settings of the current user and of .Default, and the sound of
// emptying the recycle bin.
const char kFreshRegistry[] =
    "REGEDIT4\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID\\{20D04FE0-3AEA-1069-A2D8-08002B30309D}]\n"
    "@=\"Arbeitsplatz\"\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID\\{20D04FE0-3AEA-1069-A2D8-08002B30309D}"
    "\\DefaultIcon]\n"
    "@=\"explorer.exe,0\"\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID\\{208D2C60-3AEA-1069-A2D7-08002B30309D}]\n"
    "@=\"Netzwerkumgebung\"\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID\\{208D2C60-3AEA-1069-A2D7-08002B30309D}"
    "\\DefaultIcon]\n"
    "@=\"C:\\\\WINDOWS\\\\SYSTEM\\\\shell32.dll,17\"\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID\\{645FF040-5081-101B-9F08-00AA002F954E}]\n"
    "@=\"Papierkorb\"\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID\\{645FF040-5081-101B-9F08-00AA002F954E}"
    "\\DefaultIcon]\n"
    "@=\"C:\\\\WINDOWS\\\\SYSTEM\\\\shell32.dll,31\"\n"
    "\"empty\"=\"C:\\\\WINDOWS\\\\SYSTEM\\\\shell32.dll,31\"\n"
    "\"full\"=\"C:\\\\WINDOWS\\\\SYSTEM\\\\shell32.dll,32\"\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall]\n"
    "\n"
    "[HKEY_USERS\\.Default\\AppEvents\\Schemes\\Apps\\Explorer\\EmptyRecycleBin\\.current]\n"
    "@=\"C:\\\\WINDOWS\\\\MEDIA\\\\Papierkorb leeren.wav\"\n"
    "\n"
    "[HKEY_USERS\\.Default\\Control Panel\\Colors]\n"
    "\"Background\"=\"0 128 128\"\n"
    "\n"
    "[HKEY_USERS\\.Default\\Control Panel\\Cursors]\n"
    "@=\"\"\n"
    "\"AppStarting\"=\"\"\n"
    "\"Arrow\"=\"\"\n"
    "\"Wait\"=\"\"\n"
    "\n"
    "[HKEY_USERS\\.Default\\Control Panel\\Desktop]\n"
    "\"ScreenSaveActive\"=\"1\"\n"
    "\"TileWallpaper\"=\"0\"\n"
    "\"Wallpaper\"=\"(None)\"\n"
    "\n"
    "[HKEY_CURRENT_USER\\AppEvents\\Schemes\\Apps\\Explorer\\EmptyRecycleBin\\.current]\n"
    "@=\"C:\\\\WINDOWS\\\\MEDIA\\\\Papierkorb leeren.wav\"\n"
    "\n"
    "[HKEY_CURRENT_USER\\Control Panel\\Colors]\n"
    "\"Background\"=\"0 128 128\"\n"
    "\"ButtonFace\"=\"192 192 192\"\n"
    "\"Window\"=\"255 255 255\"\n"
    "\"WindowText\"=\"0 0 0\"\n"
    "\n"
    "[HKEY_CURRENT_USER\\Control Panel\\Cursors]\n"
    "@=\"\"\n"
    "\"AppStarting\"=\"\"\n"
    "\"Arrow\"=\"\"\n"
    "\"Wait\"=\"\"\n"
    "\n"
    "[HKEY_CURRENT_USER\\Control Panel\\Desktop]\n"
    "\"Pattern\"=\"(None)\"\n"
    "\"ScreenSaveActive\"=\"1\"\n"
    "\"TileWallpaper\"=\"0\"\n"
    "\"Wallpaper\"=\"(None)\"\n"
    "\n"
    "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion]\n";

} // namespace registry_store
