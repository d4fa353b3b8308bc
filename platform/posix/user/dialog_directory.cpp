// The dialog directory list of the emulated dialog manager: DlgDirListA
// fills a list box with the subdirectories of a directory and the drives,
// DlgDirSelectExA turns the selected entry back into a plain name.
//
// As Wine shows it: "[..]" (not in a root) and "[name]" for every
// subdirectory, sorted without regard to case (letters folded to lower
// case, so "_x" comes before "a"), then "[-c-]" for every drive in drive
// order; the path shown in the static is the directory in lower case; the
// path argument is scratch and holds the file pattern afterwards.
#include "platform/posix/kernel/api_base.h"
#include "platform/posix/kernel/api_files.h"
#include "platform/posix/user/api_windows.h"
#include "platform/posix/kernel/codepage.h"
#include "platform/posix/kernel/machine.h"
#include "platform/posix/kernel/calls.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

using calls::Fail;

namespace {

std::string Lower(const std::string& text) {
    std::string out = text;
    for (char& c : out) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u >= 'A' && u <= 'Z')
            c = static_cast<char>(u + 32);
        else if (u >= 0xC0 && u <= 0xDE && u != 0xD7)
            c = static_cast<char>(u + 32);
    }
    return out;
}

// Splits a path and pattern into the directory to list and the file
// pattern: a directory is listed with "*"; otherwise the last component is
// the pattern of its parent.
bool SplitSpec(const std::string& spec, std::string* directory, std::string* pattern) {
    machine::Resolved whole = machine::Resolve(spec.empty() ? "." : spec.c_str());
    if (whole.ok && whole.exists &&
        (GetFileAttributesA(whole.canonical.c_str()) & FILE_ATTRIBUTE_DIRECTORY) &&
        GetFileAttributesA(whole.canonical.c_str()) != INVALID_FILE_ATTRIBUTES) {
        *directory = whole.canonical;
        *pattern = "*";
        return true;
    }
    size_t cut = spec.find_last_of("\\/");
    std::string dir, last;
    if (cut == std::string::npos) {
        if (spec.size() >= 2 && spec[1] == ':') {
            dir = spec.substr(0, 2);
            last = spec.substr(2);
        } else {
            dir = ".";
            last = spec;
        }
    } else {
        dir = spec.substr(0, cut + 1);
        last = spec.substr(cut + 1);
    }
    if (last.find_first_of("*?") == std::string::npos)
        return false;
    machine::Resolved parent = machine::Resolve(dir.c_str());
    DWORD attributes =
        parent.ok ? GetFileAttributesA(parent.canonical.c_str()) : INVALID_FILE_ATTRIBUTES;
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    *directory = parent.canonical;
    *pattern = last;
    return true;
}

} // namespace

int WINAPI DlgDirListA(HWND dialog, LPSTR path, int listBox, int staticPath, UINT fileType) {
    std::string spec = path ? path : "";
    std::string directory, pattern;
    if (!SplitSpec(spec, &directory, &pattern))
        return Fail(ERROR_PATH_NOT_FOUND);
    if (!SetCurrentDirectoryA(directory.c_str()))
        return 0;
    if (path) // the caller's buffer holds at least the text it gave
        snprintf(path, spec.size() + 1, "%s", pattern.c_str());
    if (staticPath)
        SetDlgItemTextA(dialog, staticPath, Lower(machine::CurrentDirectory()).c_str());
    if (!listBox)
        return 1;
    std::vector<std::string> entries;
    if (fileType & DDL_DIRECTORY) {
        std::string search = directory;
        if (search.back() != '\\')
            search += '\\';
        search += "*";
        WIN32_FIND_DATAA found;
        HANDLE find = FindFirstFileA(search.c_str(), &found);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                bool isDirectory = found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
                bool hidden =
                    found.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
                if (!isDirectory || !strcmp(found.cFileName, ".") ||
                    (hidden && !(fileType & DDL_HIDDEN)))
                    continue;
                entries.push_back(std::string("[") + found.cFileName + "]");
            } while (FindNextFileA(find, &found));
            FindClose(find);
        }
        std::sort(entries.begin(), entries.end(),
                  [](const std::string& a, const std::string& b) { return Lower(a) < Lower(b); });
    }
    if (fileType & DDL_DRIVES) {
        for (char letter : machine::DriveLetters())
            entries.push_back(std::string("[-") + static_cast<char>(letter + 32) + "-]");
    }
    HWND list = GetDlgItem(dialog, listBox);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    for (const std::string& entry : entries)
        SendMessageA(list, LB_INSERTSTRING, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>(entry.c_str()));
    return 1;
}

BOOL WINAPI DlgDirSelectExA(HWND dialog, LPSTR buffer, int capacity, int listBox) {
    HWND list = GetDlgItem(dialog, listBox);
    LRESULT index = SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (index == LB_ERR || !buffer || capacity <= 0)
        return FALSE;
    LRESULT length = SendMessageA(list, LB_GETTEXTLEN, index, 0);
    if (length == LB_ERR)
        return FALSE;
    std::string entry(static_cast<size_t>(length) + 1, '\0');
    SendMessageA(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(entry.data()));
    entry.resize(strlen(entry.c_str()));
    std::string plain;
    BOOL isDirectory = FALSE;
    if (entry.size() >= 5 && entry[0] == '[' && entry[1] == '-' && entry[entry.size() - 2] == '-') {
        plain = entry.substr(2, 1) + ":";
        isDirectory = TRUE;
    } else if (entry.size() >= 2 && entry[0] == '[' && entry.back() == ']') {
        plain = entry.substr(1, entry.size() - 2) + "\\";
        isDirectory = TRUE;
    } else {
        plain = entry;
    }
    snprintf(buffer, static_cast<size_t>(capacity), "%s", plain.c_str());
    return isDirectory;
}
