// Path names of the emulated machine: the Windows, system and current
// directories, full, short and long path names, the temporary directory and
// temporary file names, the list of drives.
#include "platform/posix/kernel/api_base.h"
#include "platform/posix/kernel/api_files.h"
#include "platform/posix/kernel/calls.h"
#include "platform/posix/kernel/codepage.h"
#include "platform/posix/kernel/errors.h"
#include "platform/posix/kernel/files_internal.h"
#include "platform/posix/kernel/machine.h"
#include "platform/posix/kernel/trace.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

using calls::Fail;

namespace {

// Splits a typed path into its start ("C:\", "C:", "\" or "") and its
// components; '/' counts as '\'.
void SplitTyped(const std::string& typed, std::string* start, std::vector<std::string>* parts) {
    std::string p = typed;
    std::replace(p.begin(), p.end(), '/', '\\');
    size_t pos = 0;
    if (p.size() >= 2 && p[1] == ':')
        pos = 2;
    if (pos < p.size() && p[pos] == '\\')
        ++pos;
    *start = p.substr(0, pos);
    while (pos < p.size()) {
        size_t end = p.find('\\', pos);
        if (end == std::string::npos)
            end = p.size();
        if (end > pos)
            parts->push_back(p.substr(pos, end - pos));
        pos = end + 1;
    }
}

// Rewrites every component of an existing path to its short name (or its
// long name), keeping the path's form: a relative path stays relative. The
// names are those the path gives (WOW64's redirection does not show); a
// path through the Sysnative alias, which no directory lists, has none.
DWORD RewritePath(LPCSTR path, bool toShort, LPSTR buffer, DWORD capacity) {
    if (!path)
        return Fail(ERROR_INVALID_PARAMETER);
    machine::Resolved whole = machine::Resolve(path);
    if (!whole.ok || !whole.exists || whole.throughAlias)
        return Fail(whole.error ? whole.error : ERROR_FILE_NOT_FOUND);
    std::string start;
    std::vector<std::string> parts;
    SplitTyped(path, &start, &parts);
    std::string typedSoFar = start;
    std::string out = start;
    for (size_t i = 0; i < parts.size(); ++i) {
        typedSoFar += parts[i];
        std::string name = parts[i];
        if (name != "." && name != "..") {
            machine::Resolved r = machine::Resolve(typedSoFar.c_str());
            size_t cut = r.named.rfind('\\');
            name = r.named.substr(cut + 1);
            if (toShort && !machine::IsShortName(name))
                name = machine::ShortNameOf(r.host.substr(0, r.host.rfind('/')), name);
        }
        out += name;
        if (i + 1 < parts.size()) {
            out += '\\';
            typedSoFar += '\\';
        }
    }
    std::string typed = path;
    if (!parts.empty() && (typed.back() == '\\' || typed.back() == '/'))
        out += '\\';
    return files::CopyOut(out, buffer, capacity);
}

// The full path of a typed path, worked out from the text alone (no object
// need exist): "." and ".." applied, the typed case kept, a trailing "\"
// kept.
std::string FullPathOf(const std::string& typed) {
    std::string p = typed;
    std::replace(p.begin(), p.end(), '/', '\\');
    const std::string& cwd = machine::CurrentDirectory();
    char cwdDrive = cwd.empty() ? 'C' : cwd[0];
    char drive = cwdDrive;
    std::string rest;
    if (p.size() >= 2 && p[1] == ':') {
        drive = static_cast<char>(codepage::ToUpper(static_cast<unsigned char>(p[0])));
        rest = p.substr(2);
        if (rest.empty() || rest[0] != '\\')
            rest = (drive == cwdDrive ? cwd.substr(2) : std::string("\\")) + "\\" + rest;
    } else if (!p.empty() && p[0] == '\\') {
        rest = p;
    } else {
        rest = cwd.substr(2) + "\\" + p;
    }
    std::vector<std::string> parts;
    size_t pos = 0;
    while (pos <= rest.size()) {
        size_t end = rest.find('\\', pos);
        if (end == std::string::npos)
            end = rest.size();
        std::string name = rest.substr(pos, end - pos);
        pos = end + 1;
        if (name.empty() || name == ".")
            continue;
        if (name == "..") {
            if (!parts.empty())
                parts.pop_back();
            continue;
        }
        parts.push_back(name);
    }
    std::string out = std::string(1, drive) + ":";
    for (const std::string& name : parts)
        out += "\\" + name;
    if (parts.empty() || p.back() == '\\')
        out += "\\";
    return out;
}

} // namespace

UINT WINAPI GetWindowsDirectoryA(LPSTR buffer, UINT capacity) {
    return calls::Run(calls::kGetWindowsDirectoryA, [&] {
        return files::CopyOut(machine::WindowsDirectory(), buffer, capacity);
    });
}

UINT WINAPI GetSystemDirectoryA(LPSTR buffer, UINT capacity) {
    return files::CopyOut(machine::SystemDirectory(), buffer, capacity);
}

DWORD WINAPI GetCurrentDirectoryA(DWORD capacity, LPSTR buffer) {
    return files::CopyOut(machine::CurrentDirectory(), buffer, capacity);
}

BOOL WINAPI SetCurrentDirectoryA(LPCSTR path) {
    machine::Resolved r = machine::Resolve(path);
    if (!r.ok || !r.exists)
        return Fail(r.ok ? (r.parentExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND)
                         : r.error);
    if (!files::IsHostDirectory(r.host))
        return Fail(ERROR_DIRECTORY);
    machine::SetCurrentDirectory(r.named.c_str());
    return TRUE;
}

DWORD WINAPI GetTempPathA(DWORD capacity, LPSTR buffer) {
    return files::CopyOut(machine::TempDirectory() + "\\", buffer, capacity);
}

namespace {

// The name is the directory, up to three characters of the prefix, the
// number in hexadecimal and ".tmp". With unique 0 a free number is chosen
// and the empty file created (`created`: its full name); otherwise nothing
// is created.
UINT GetTempFileName(LPCSTR directory, LPCSTR prefix, UINT unique, LPSTR tempFileName,
                     std::string* created) {
    if (!directory || !tempFileName)
        return Fail(ERROR_INVALID_PARAMETER);
    DWORD attributes = GetFileAttributesA(directory);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return Fail(ERROR_DIRECTORY);
    std::string base = directory;
    if (base.empty() || (base.back() != '\\' && base.back() != '/'))
        base += '\\';
    if (prefix)
        base += std::string(prefix).substr(0, 3);
    auto nameFor = [&](unsigned number) {
        char hex[8];
        snprintf(hex, sizeof hex, "%x", number);
        return base + hex + ".tmp";
    };
    auto copyOut = [&](const std::string& name) {
        snprintf(tempFileName, MAX_PATH, "%s", name.c_str());
    };
    unique &= 0xFFFF;
    if (unique) {
        copyOut(nameFor(unique));
        return unique;
    }
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    unsigned first = static_cast<unsigned>(now.tv_nsec / 1000 + now.tv_sec * 1000) & 0xFFFF;
    if (first == 0)
        first = 1;
    unsigned number = first;
    do {
        std::string name = nameFor(number);
        machine::Resolved r = machine::Resolve(name.c_str());
        if (!r.ok)
            return Fail(r.error);
        if (files::OnProtectedDiskette(r))
            return Fail(ERROR_WRITE_PROTECT);
        if (!r.exists) {
            int fd = machine::OpenHostFile(r.host, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, true);
            if (fd >= 0) {
                close(fd);
                *created = r.canonical;
                copyOut(name);
                return number;
            }
            if (errno != EEXIST)
                return Fail(errors::ErrorFromErrno(errno));
        }
        number = (number + 1) & 0xFFFF;
        if (number == 0)
            number = 1;
    } while (number != first);
    return Fail(ERROR_FILE_EXISTS);
}

} // namespace

UINT WINAPI GetTempFileNameA(LPCSTR directory, LPCSTR prefix, UINT unique, LPSTR tempFileName) {
    std::string created;
    return calls::Run(
        calls::kGetTempFileNameA,
        [&] { return GetTempFileName(directory, prefix, unique, tempFileName, &created); },
        [&](UINT) -> calls::Lines {
            if (created.empty())
                return {};
            return {"create " + trace::Text(created)};
        });
}

DWORD WINAPI GetShortPathNameA(LPCSTR longPath, LPSTR shortPath, DWORD capacity) {
    return RewritePath(longPath, true, shortPath, capacity);
}

DWORD WINAPI GetLongPathNameA(LPCSTR shortPath, LPSTR longPath, DWORD capacity) {
    return RewritePath(shortPath, false, longPath, capacity);
}

DWORD WINAPI GetFullPathNameA(LPCSTR path, DWORD capacity, LPSTR buffer, LPSTR* filePart) {
    if (!path || !*path)
        return Fail(ERROR_INVALID_NAME);
    if (!machine::IsOpen()) { // no current directory to start from
        return Fail(ERROR_PATH_NOT_FOUND);
    }
    std::string full = FullPathOf(path);
    DWORD n = files::CopyOut(full, buffer, capacity);
    if (filePart && n == full.size()) {
        size_t cut = full.rfind('\\');
        *filePart = cut + 1 < full.size() ? buffer + cut + 1 : nullptr;
    }
    return n;
}

// "A:\", "C:\", "D:\", each ended by a null, and a final null; returns the
// length without the final null, or the size needed when it does not fit.
DWORD WINAPI GetLogicalDriveStringsA(DWORD capacity, LPSTR buffer) {
    std::string list;
    for (char letter : machine::DriveLetters()) {
        list += letter;
        list += ":\\";
        list += '\0';
    }
    if (!buffer || capacity < list.size() + 1)
        return static_cast<DWORD>(list.size() + 1);
    memcpy(buffer, list.data(), list.size());
    buffer[list.size()] = '\0';
    return static_cast<DWORD>(list.size());
}
