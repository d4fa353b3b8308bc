// Path resolution on the emulated machine: a Windows path (drive letters,
// "\", "." and "..", case-blind long or 8.3 short names) against the current
// directory to its canonical Windows form and its host path; the current
// directory and the machine's well-known directories.
#include "platform/posix/kernel/machine.h"

#include "platform/posix/kernel/codepage.h"
#include "platform/posix/kernel/machine_internal.h"
#include "platform/posix/kernel/wow64.h"
#include "platform/posix/win_types.h"

#include <string.h>

#include <algorithm>
#include <vector>

namespace machine {

// Windows name of a host directory entry (host names are UTF-8).
bool WindowsNameOf(const std::string& hostName, std::string* name) {
    return codepage::Utf8ToCp1252(hostName, name);
}

namespace {

bool IsInvalidNameChar(unsigned char c) {
    return c < 32 || strchr("<>\"|?*:", c) != nullptr;
}

// Windows drops trailing dots and blanks of a name ("data." is "data").
std::string TrimName(const std::string& name) {
    if (name == "." || name == "..")
        return name;
    size_t end = name.size();
    while (end > 0 && (name[end - 1] == '.' || name[end - 1] == ' '))
        --end;
    return name.substr(0, end);
}

// Host entry of a directory whose Windows name (or short name) matches.
bool FindEntry(const std::string& hostDir, const std::string& name, std::string* hostName) {
    std::vector<std::string> names = ListHost(hostDir);
    for (const std::string& n : names) {
        std::string win;
        if (WindowsNameOf(n, &win) && codepage::EqualNoCase(win, name)) {
            *hostName = n;
            return true;
        }
    }
    if (name.find('~') != std::string::npos && IsShortName(name)) {
        for (const std::string& n : names) {
            std::string win;
            if (!WindowsNameOf(n, &win) || IsShortName(win))
                continue;
            if (codepage::EqualNoCase(ShortNameOf(hostDir, win), name)) {
                *hostName = n;
                return true;
            }
        }
    }
    return false;
}

} // namespace

const std::string& CurrentDirectory() {
    return g_state.currentDirectory;
}

bool SetCurrentDirectory(const char* path) {
    Resolved r = Resolve(path);
    if (!r.ok || !r.exists || !IsDirectory(r.host))
        return false;
    g_state.currentDirectory = r.named;
    return true;
}

std::string WindowsDirectory() {
    return "C:\\WINDOWS";
}
std::string SystemDirectory() {
    bool windows95 =
        g_state.architecture == Architecture::X86 && g_state.windows == Windows::Windows95;
    return windows95 ? "C:\\WINDOWS\\SYSTEM" : "C:\\WINDOWS\\SYSTEM32";
}
std::string TempDirectory() {
    return "C:\\WINDOWS\\TEMP";
}
std::string DesktopDirectory() {
    return "C:\\WINDOWS\\Desktop";
}

Resolved Resolve(const char* path) {
    Resolved r;
    if (!IsOpen() || !path || !*path) {
        r.error = ERROR_PATH_NOT_FOUND;
        return r;
    }
    std::string p = path;
    std::replace(p.begin(), p.end(), '/', '\\');
    if (p.size() >= 2 && p[0] == '\\' && p[1] == '\\') {
        r.error = ERROR_BAD_PATHNAME; // no network paths on this machine
        return r;
    }
    const std::string& cwd = g_state.currentDirectory;
    char drive;
    std::string rest; // path below the drive root
    if (p.size() >= 2 && p[1] == ':') {
        drive = static_cast<char>(codepage::ToUpper(static_cast<unsigned char>(p[0])));
        if (drive < 'A' || drive > 'Z') {
            r.error = ERROR_INVALID_NAME;
            return r;
        }
        rest = p.substr(2);
        if (rest.empty() || rest[0] != '\\') {
            // Drive-relative: against the current directory when it is on
            // that drive, else against the drive's root.
            if (!cwd.empty() && cwd[0] == drive)
                rest = cwd.substr(2) + "\\" + rest;
            else
                rest = "\\" + rest;
        }
    } else if (!p.empty() && p[0] == '\\') {
        drive = cwd.empty() ? 'C' : cwd[0];
        rest = p;
    } else {
        drive = cwd.empty() ? 'C' : cwd[0];
        rest = (cwd.size() > 2 ? cwd.substr(2) : std::string("\\")) + "\\" + p;
    }
    r.drive = drive;
    if (!DriveExists(drive)) {
        r.error = ERROR_PATH_NOT_FOUND;
        return r;
    }

    // Components, with "." and ".." (never above the root).
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= rest.size()) {
        size_t end = rest.find('\\', start);
        if (end == std::string::npos)
            end = rest.size();
        std::string name = TrimName(rest.substr(start, end - start));
        start = end + 1;
        if (name.empty() || name == ".")
            continue;
        if (name == "..") {
            if (!parts.empty())
                parts.pop_back();
            continue;
        }
        for (unsigned char c : name) {
            if (IsInvalidNameChar(c)) {
                r.error = ERROR_INVALID_NAME;
                return r;
            }
        }
        parts.push_back(name);
    }

    std::string root = DriveRoot(drive);
    bool medium = IsDirectory(root);
    if (!medium) {
        r.error = ERROR_NOT_READY;
        return r;
    }
    std::string canonical = std::string(1, drive) + ":";
    std::string named = canonical;
    std::string host = root;
    bool found = true;
    r.parentExists = true;
    // On a 64-bit machine one component may be read under another name.
    wow64::FileRedirect redirect = wow64::RedirectFiles(drive, parts);
    r.throughAlias = redirect.alias;
    for (size_t i = 0; i < parts.size(); ++i) {
        bool last = i + 1 == parts.size();
        bool redirected = i == redirect.component;
        std::string hostName;
        if (found && FindEntry(host, redirected ? redirect.hostName : parts[i], &hostName)) {
            std::string win, asNamed;
            WindowsNameOf(hostName, &win);
            // The alias stays in the path (the real name would be redirected
            // again); a redirected component keeps the name it was given.
            if (redirected && redirect.alias)
                win = parts[i];
            std::string namedEntry;
            if (redirected && !redirect.alias && FindEntry(host, parts[i], &namedEntry))
                WindowsNameOf(namedEntry, &asNamed);
            else
                asNamed = win;
            canonical += "\\" + win;
            named += "\\" + asNamed;
            host = JoinHost(host, hostName);
            if (!last && !IsDirectory(host)) {
                found = false;
                r.parentExists = false;
            }
        } else {
            if (!last)
                r.parentExists = false;
            found = false;
            canonical += "\\" + (redirected && !redirect.alias ? redirect.hostName : parts[i]);
            named += "\\" + parts[i];
            host =
                JoinHost(host, codepage::Cp1252ToUtf8(redirected ? redirect.hostName : parts[i]));
        }
    }
    if (parts.empty()) {
        canonical += "\\";
        named += "\\";
    }
    if (canonical.size() >= MAX_PATH) {
        r.error = ERROR_FILENAME_EXCED_RANGE;
        return r;
    }
    r.ok = true;
    r.canonical = canonical;
    r.named = named;
    r.host = host;
    r.exists = found && Exists(host);
    if (!r.parentExists)
        r.error = ERROR_PATH_NOT_FOUND;
    else if (!r.exists)
        r.error = ERROR_FILE_NOT_FOUND;
    return r;
}

} // namespace machine
