// 8.3 short names on the emulated machine: a long name gets the first free
// "BASE~N.EXT" of its directory, kept with the host object in an extended
// attribute so that a later file never changes it.
#include "platform/posix/kernel/machine.h"

#include "platform/posix/kernel/codepage.h"
#include "platform/posix/kernel/machine_internal.h"

#include <string.h>
#include <sys/xattr.h>

#include <algorithm>
#include <vector>

namespace machine {

const char kShortXattr[] = "user.win.short";

namespace {

bool IsShortNameChar(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c >= 128 ||
           strchr("$%'-_@~`!(){}^#&", c) != nullptr;
}

std::string ShortChars(const std::string& text) {
    std::string out;
    for (unsigned char c : codepage::Upper(text)) {
        if (c == ' ' || c == '.')
            continue;
        if (strchr("+,;=[]", c))
            out += '_';
        else if (IsShortNameChar(c))
            out += static_cast<char>(c);
        else
            out += '_';
    }
    return out;
}

// A name that already is a valid 8.3 name (upper case compared) needs no
// short name of its own.
bool IsValidShortName(const std::string& name) {
    std::string up = codepage::Upper(name);
    if (up == "." || up == "..")
        return true;
    size_t dot = up.find('.');
    std::string base = up.substr(0, dot);
    std::string ext = dot == std::string::npos ? "" : up.substr(dot + 1);
    if (base.empty() || base.size() > 8 || ext.size() > 3 || ext.find('.') != std::string::npos)
        return false;
    for (unsigned char c : base + ext)
        if (!IsShortNameChar(c))
            return false;
    return true;
}

} // namespace

std::string ShortNameOf(const std::string& hostDirectory, const std::string& longName) {
    if (IsValidShortName(longName))
        return codepage::Upper(longName);
    std::string hostName;
    // The host entry of the long name, where it exists: its short name is
    // kept with it once given, so that a later file never changes it.
    std::string hostPath;
    for (const std::string& n : ListHost(hostDirectory)) {
        std::string win;
        if (WindowsNameOf(n, &win) && codepage::EqualNoCase(win, longName)) {
            hostPath = JoinHost(hostDirectory, n);
            break;
        }
    }
    if (!hostPath.empty()) {
        std::string kept = GetXattr(hostPath, kShortXattr);
        if (!kept.empty())
            return kept;
    }
    // Names already taken in the directory.
    std::vector<std::string> taken;
    for (const std::string& n : ListHost(hostDirectory)) {
        std::string win;
        if (!WindowsNameOf(n, &win))
            continue;
        std::string p = JoinHost(hostDirectory, n);
        if (p == hostPath)
            continue;
        if (IsValidShortName(win))
            taken.push_back(codepage::Upper(win));
        else {
            std::string kept = GetXattr(p, kShortXattr);
            if (!kept.empty())
                taken.push_back(kept);
        }
    }
    size_t dot = longName.rfind('.');
    std::string base = ShortChars(dot == std::string::npos ? longName : longName.substr(0, dot));
    std::string ext = dot == std::string::npos ? "" : ShortChars(longName.substr(dot + 1));
    if (ext.size() > 3)
        ext.resize(3);
    if (base.empty())
        base = "_";
    std::string chosen;
    for (int n = 1; n < 1000000 && chosen.empty(); ++n) {
        std::string tail = "~" + std::to_string(n);
        std::string candidate = base.substr(0, std::min(base.size(), 8 - tail.size())) + tail;
        if (!ext.empty())
            candidate += "." + ext;
        if (std::find(taken.begin(), taken.end(), candidate) == taken.end())
            chosen = candidate;
    }
    if (!hostPath.empty()) {
        CountChange();
        lsetxattr(hostPath.c_str(), kShortXattr, chosen.data(), chosen.size(), 0);
    }
    return chosen;
}

bool IsShortName(const std::string& name) {
    return IsValidShortName(name);
}

void ForgetShortName(const std::string& hostPath) {
    CountChange();
    lremovexattr(hostPath.c_str(), kShortXattr);
}

} // namespace machine
