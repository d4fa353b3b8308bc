// Directory listing on the emulated machine: FindFirstFileA and friends.
// Names match the pattern by their long or their short name; a directory
// other than a drive's root lists "." and ".." first, as Windows does.
#include "platform/posix/kernel/api_base.h"
#include "platform/posix/kernel/api_files.h"
#include "platform/posix/kernel/codepage.h"
#include "platform/posix/kernel/files_internal.h"
#include "platform/posix/kernel/machine.h"
#include "platform/posix/kernel/calls.h"

#include <dirent.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

using calls::Fail;

namespace {

struct FindState {
    std::vector<WIN32_FIND_DATAA> entries;
    size_t next = 0;
};

std::set<FindState*> g_finds;

// Wildcard match without regard to case: '*' any run of characters, '?'
// exactly one. "*.*" matches every name, and trailing dots of the pattern
// are dropped ("*." is "*"), as Windows NT's file systems treat them.
bool Matches(const std::string& pattern, const std::string& name) {
    std::string p = codepage::Upper(pattern);
    if (p.size() >= 3 && p.compare(p.size() - 3, 3, "*.*") == 0)
        p.resize(p.size() - 2);
    while (p.size() > 1 && p.back() == '.')
        p.pop_back();
    std::string n = codepage::Upper(name);
    size_t pi = 0, ni = 0, starP = std::string::npos, starN = 0;
    while (ni < n.size()) {
        if (pi < p.size() && (p[pi] == '?' || p[pi] == n[ni])) {
            ++pi;
            ++ni;
        } else if (pi < p.size() && p[pi] == '*') {
            starP = pi++;
            starN = ni;
        } else if (starP != std::string::npos) {
            pi = starP + 1;
            ni = ++starN;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == '*')
        ++pi;
    return pi == p.size();
}

void Fill(WIN32_FIND_DATAA* data, const std::string& host, const std::string& name,
          const std::string& shortName) {
    memset(data, 0, sizeof *data);
    struct stat st;
    if (stat(host.c_str(), &st) == 0) {
        data->ftCreationTime = files::FileTimeFromHost(st.st_mtim);
        data->ftLastAccessTime = files::FileTimeFromHost(st.st_atim);
        data->ftLastWriteTime = files::FileTimeFromHost(st.st_mtim);
        if (!S_ISDIR(st.st_mode)) {
            uint64_t size = static_cast<uint64_t>(st.st_size);
            data->nFileSizeHigh = static_cast<DWORD>(size >> 32);
            data->nFileSizeLow = static_cast<DWORD>(size);
        }
    }
    data->dwFileAttributes = machine::HostAttributes(host);
    snprintf(data->cFileName, sizeof data->cFileName, "%s", name.c_str());
    snprintf(data->cAlternateFileName, sizeof data->cAlternateFileName, "%s", shortName.c_str());
}

} // namespace

HANDLE WINAPI FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data) {
    if (!pattern || !data)
        return Fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
    std::string p = pattern;
    size_t cut = p.find_last_of("\\/:");
    std::string directory = cut == std::string::npos ? "." : p.substr(0, cut + 1);
    std::string namePattern = cut == std::string::npos ? p : p.substr(cut + 1);
    if (namePattern.empty())
        return Fail(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
    machine::Resolved dir = machine::Resolve(directory.c_str());
    if (!dir.ok)
        return Fail(dir.error, INVALID_HANDLE_VALUE);
    if (!dir.exists || !files::IsHostDirectory(dir.host))
        return Fail(ERROR_PATH_NOT_FOUND, INVALID_HANDLE_VALUE);
    auto* state = new FindState;
    WIN32_FIND_DATAA entry;
    if (dir.canonical.size() > 3) {
        std::string parent = dir.host.substr(0, dir.host.rfind('/'));
        for (const char* dots : {".", ".."}) {
            if (!Matches(namePattern, dots))
                continue;
            Fill(&entry, dots[1] ? parent : dir.host, dots, "");
            state->entries.push_back(entry);
        }
    }
    std::vector<std::string> hostNames;
    if (DIR* d = opendir(dir.host.c_str())) {
        while (dirent* e = readdir(d))
            if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0)
                hostNames.push_back(e->d_name);
        closedir(d);
    }
    std::sort(hostNames.begin(), hostNames.end());
    for (const std::string& hostName : hostNames) {
        std::string name;
        if (!codepage::Utf8ToCp1252(hostName, &name))
            continue; // not a name this machine can show
        std::string shortName =
            machine::IsShortName(name) ? "" : machine::ShortNameOf(dir.host, name);
        if (!Matches(namePattern, name) && (shortName.empty() || !Matches(namePattern, shortName)))
            continue;
        Fill(&entry, dir.host + "/" + hostName, name, shortName);
        state->entries.push_back(entry);
    }
    if (state->entries.empty()) {
        delete state;
        return Fail(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
    }
    *data = state->entries[0];
    state->next = 1;
    g_finds.insert(state);
    return static_cast<HANDLE>(state);
}

BOOL WINAPI FindNextFileA(HANDLE find, LPWIN32_FIND_DATAA data) {
    auto* state = static_cast<FindState*>(find);
    if (!g_finds.count(state) || !data)
        return Fail(ERROR_INVALID_HANDLE);
    if (state->next >= state->entries.size())
        return Fail(ERROR_NO_MORE_FILES);
    *data = state->entries[state->next++];
    return TRUE;
}

BOOL WINAPI FindClose(HANDLE find) {
    auto* state = static_cast<FindState*>(find);
    if (!g_finds.erase(state))
        return Fail(ERROR_INVALID_HANDLE);
    delete state;
    return TRUE;
}
