// The emulated machine: its folder, drives, path resolution, short names,
// attributes and crash-safe file replacement.
#include "platform/posix/machine.h"

#include "platform/posix/codepage.h"
#include "platform/posix/win_types.h"
#include "platform/posix/wow64.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

namespace machine {
namespace {

struct State {
    std::string folder;
    std::string medium;
    std::string currentDirectory;
    Architecture architecture = Architecture::X86;
    uint64_t generation = 0;
};

State g_state;
uint64_t g_nextGeneration = 1;
// The folder of the machine being opened or open: files replaced inside it
// are prepared in its pending folder.
std::string g_root;

const char kAttribXattr[] = "user.win.attrib";
const char kShortXattr[] = "user.win.short";

bool IsDirectory(const std::string& host) {
    struct stat st;
    return stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool Exists(const std::string& host) {
    struct stat st;
    return lstat(host.c_str(), &st) == 0;
}

bool MakeDirectories(const std::string& host) {
    std::string path;
    size_t pos = 0;
    while (pos != std::string::npos) {
        pos = host.find('/', pos + 1);
        path = host.substr(0, pos);
        if (path.empty())
            continue;
        if (IsDirectory(path))
            continue;
        CountChange();
        if (mkdir(path.c_str(), 0755) != 0 && errno != EEXIST)
            return false;
    }
    return IsDirectory(host);
}

std::string PendingFolder(const std::string& root) {
    return root + "/pending";
}

// Removes the temporary files that processes killed while replacing a file
// left in the pending folder ("PID.NAME.XXXXXX"); those of a live process
// (another program on the same machine) stay.
void RemoveAbandonedFiles(const std::string& root) {
    std::string pending = PendingFolder(root);
    DIR* d = opendir(pending.c_str());
    if (!d)
        return;
    while (dirent* e = readdir(d)) {
        char* end = nullptr;
        long pid = strtol(e->d_name, &end, 10);
        if (e->d_name[0] == '.' || *end != '.')
            continue;
        if (pid > 0 && kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) {
            CountChange();
            unlink((pending + "/" + e->d_name).c_str());
        }
    }
    closedir(d);
}

// Seeds a text file of a fresh machine (CR LF line ends).
bool SeedFile(const std::string& host, const char* text) {
    std::string bytes;
    for (const char* p = text; *p; ++p) {
        if (*p == '\n')
            bytes += "\r\n";
        else
            bytes += *p;
    }
    return WriteFileAtomically(host, bytes);
}

const char kWinIni[] = "[windows]\n"
                       "load=\n"
                       "run=\n"
                       "NullPort=None\n"
                       "\n"
                       "[Desktop]\n"
                       "Wallpaper=(None)\n"
                       "TileWallpaper=0\n"
                       "\n"
                       "[intl]\n"
                       "iCountry=49\n"
                       "sLanguage=deu\n"
                       "sCountry=Deutschland\n"
                       "\n"
                       "[fonts]\n"
                       "\n"
                       "[Ports]\n"
                       "LPT1:=\n"
                       "COM1:=9600,n,8,1,x\n";

const char kSystemIni[] = "[boot]\n"
                          "oemfonts.fon=vgaoem.fon\n"
                          "shell=Explorer.exe\n"
                          "system.drv=system.drv\n"
                          "drivers=mmsystem.dll power.drv\n"
                          "keyboard.drv=keyboard.drv\n"
                          "mouse.drv=mouse.drv\n"
                          "display.drv=pnpdrvr.drv\n"
                          "\n"
                          "[boot.description]\n"
                          "keyboard.typ=Standardtastatur (101/102 Tasten)\n"
                          "mouse.drv=Standardmaus\n"
                          "\n"
                          "[386Enh]\n"
                          "ebios=*ebios\n"
                          "woafont=dosapp.fon\n"
                          "mouse=*vmouse, msmouse.vxd\n"
                          "\n"
                          "[drivers]\n"
                          "wavemapper=msacm.drv\n"
                          "MSACM.imaadpcm=imaadp32.acm\n";

const char kControlIni[] = "; Einstellungen der Systemsteuerung\n"
                           "[current]\n"
                           "color schemes=Windows-Standard\n"
                           "\n"
                           "[color schemes]\n"
                           "Windows-Standard=C0C0C0,FFFFFF,FFFFFF,0,C0C0C0,0,800000,808080,FFFFFF\n"
                           "\n"
                           "[Patterns]\n"
                           "(None)=(None)\n"
                           "Boxes=127 65 65 65 65 65 127 0\n"
                           "\n"
                           "[Gartenplaner]\n"
                           "Beete=12\n"
                           "LetzteSaison=Fr\xFChling\n";

// machine.ini comes first and drive C last, made whole under another name
// and renamed into place: a machine whose making was cut short has no drive
// C and is made again with the architecture it was given (see OpenFolder).
bool CreateFresh(const std::string& folder, Architecture architecture, std::string* error) {
    if (!SeedFile(folder + "/machine.ini", wow64::MachineIni(architecture).c_str())) {
        *error = "cannot write " + folder + "/machine.ini";
        return false;
    }
    std::string c = folder + "/drives/c.new";
    std::vector<const char*> dirs = {"/WINDOWS/TEMP", "/WINDOWS/Desktop", "/WINDOWS/COMMAND",
                                     "/Programme", "/Eigene Dateien"};
    if (architecture == Architecture::X86)
        dirs.push_back("/WINDOWS/SYSTEM");
    else
        dirs.insert(dirs.end(), {"/WINDOWS/SYSTEM32", "/WINDOWS/SysWOW64"});
    for (const char* d : dirs) {
        if (!MakeDirectories(c + d)) {
            *error = "cannot create " + c + d + ": " + strerror(errno);
            return false;
        }
    }
    if (!MakeDirectories(folder + "/drives/a")) {
        *error = "cannot create the diskette drive in " + folder + ": " + strerror(errno);
        return false;
    }
    std::string win = c + "/WINDOWS/";
    if (!SeedFile(win + "WIN.INI", kWinIni) || !SeedFile(win + "SYSTEM.INI", kSystemIni) ||
        !SeedFile(win + "CONTROL.INI", kControlIni)) {
        *error = "cannot write the profile files of a fresh machine in " + win;
        return false;
    }
    CountChange();
    if (rename(c.c_str(), (folder + "/drives/c").c_str()) != 0) {
        *error = "cannot create " + folder + "/drives/c: " + strerror(errno);
        return false;
    }
    return true;
}

std::string DisketteProtectMarker() {
    return g_state.folder + "/diskette-write-protected";
}

// ---- Path pieces ----

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

// Windows name of a host directory entry (host names are UTF-8).
bool WindowsNameOf(const std::string& hostName, std::string* name) {
    return codepage::Utf8ToCp1252(hostName, name);
}

bool IsShortNameChar(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c >= 128 ||
           strchr("$%'-_@~`!(){}^#&", c) != nullptr;
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

std::string GetXattr(const std::string& host, const char* name) {
    char buffer[64];
    ssize_t n = lgetxattr(host.c_str(), name, buffer, sizeof buffer - 1);
    if (n <= 0)
        return "";
    return std::string(buffer, static_cast<size_t>(n));
}

std::vector<std::string> ListHost(const std::string& hostDir) {
    std::vector<std::string> names;
    DIR* dir = opendir(hostDir.c_str());
    if (!dir)
        return names;
    while (dirent* e = readdir(dir)) {
        if (strcmp(e->d_name, ".") == 0 || strcmp(e->d_name, "..") == 0)
            continue;
        names.push_back(e->d_name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
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
    if (name.find('~') != std::string::npos && IsValidShortName(name)) {
        for (const std::string& n : names) {
            std::string win;
            if (!WindowsNameOf(n, &win) || IsValidShortName(win))
                continue;
            if (codepage::EqualNoCase(ShortNameOf(hostDir, win), name)) {
                *hostName = n;
                return true;
            }
        }
    }
    return false;
}

std::string JoinHost(const std::string& dir, const std::string& name) {
    if (!dir.empty() && dir.back() == '/')
        return dir + name;
    return dir + "/" + name;
}

} // namespace

// ---- Open and close ----

namespace {
bool OpenFolder(const std::string& folder, const std::string& mediumFolder, std::string* error,
                Architecture architecture) {
    std::string dummy;
    if (!error)
        error = &dummy;
    if (folder.empty()) {
        *error = "no machine folder given";
        return false;
    }
    std::string abs = folder;
    if (abs[0] != '/') {
        char cwd[4096];
        if (!getcwd(cwd, sizeof cwd)) {
            *error = "cannot read the current directory";
            return false;
        }
        abs = std::string(cwd) + "/" + abs;
    }
    while (abs.size() > 1 && abs.back() == '/')
        abs.pop_back();
    if (Exists(abs) && !IsDirectory(abs)) {
        *error = abs + " is not a folder";
        return false;
    }
    bool fresh = !Exists(abs + "/drives/c");
    g_root = abs;
    RemoveAbandonedFiles(abs);
    // A machine.ini without drives/c is a machine whose making was cut short;
    // so is a pending folder alone (cut short while machine.ini was written).
    bool begun = fresh && Exists(abs + "/machine.ini");
    if (begun && !wow64::ReadMachineIni(abs, &architecture, error))
        return false;
    if (fresh) {
        std::vector<std::string> entries = ListHost(abs);
        std::erase(entries, std::string("pending"));
        if (!entries.empty() && !begun) {
            *error = abs + " is not empty and holds no emulated machine (drives/c is missing)";
            return false;
        }
        if (!MakeDirectories(abs)) {
            *error = "cannot create " + abs + ": " + strerror(errno);
            return false;
        }
        if (!CreateFresh(abs, architecture, error))
            return false;
    } else if (!wow64::ReadMachineIni(abs, &architecture, error)) {
        return false;
    }
    std::string medium = mediumFolder;
    if (!medium.empty()) {
        if (medium[0] != '/') {
            char cwd[4096];
            if (getcwd(cwd, sizeof cwd))
                medium = std::string(cwd) + "/" + medium;
        }
        if (!IsDirectory(medium)) {
            *error = "the installation medium " + medium + " is not a folder";
            return false;
        }
    }
    g_state.folder = abs;
    g_state.medium = medium;
    g_state.currentDirectory = medium.empty() ? "C:\\" : "D:\\";
    g_state.architecture = architecture;
    g_state.generation = g_nextGeneration++;
    return true;
}
} // namespace

bool Open(const std::string& folder, const std::string& mediumFolder, std::string* error,
          Architecture fresh) {
    Close();
    if (OpenFolder(folder, mediumFolder, error, fresh))
        return true;
    g_root.clear();
    return false;
}

void Close() {
    g_state = State();
    g_root.clear();
}

bool IsOpen() {
    return g_state.generation != 0;
}

Architecture MachineArchitecture() {
    return g_state.architecture;
}

const std::string& Folder() {
    return g_state.folder;
}

std::string FolderFile(const char* name) {
    return g_state.folder + "/" + name;
}

std::string DefaultFolder() {
    const char* xdg = getenv("XDG_DATA_HOME");
    if (xdg && *xdg)
        return std::string(xdg) + "/wiesenhain/machine";
    const char* home = getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.local/share/wiesenhain/machine";
}

uint64_t Generation() {
    return g_state.generation;
}

// ---- Drives ----

std::string DriveRoot(char letter) {
    if (!IsOpen())
        return "";
    letter = static_cast<char>(codepage::ToUpper(static_cast<unsigned char>(letter)));
    switch (letter) {
    case 'A':
        return g_state.folder + "/drives/a";
    case 'C':
        return g_state.folder + "/drives/c";
    case 'D':
        return g_state.medium;
    default:
        return "";
    }
}

bool DriveExists(char letter) {
    letter = static_cast<char>(codepage::ToUpper(static_cast<unsigned char>(letter)));
    if (letter == 'A')
        return IsOpen();
    return !DriveRoot(letter).empty();
}

bool HasMedium(char letter) {
    std::string root = DriveRoot(letter);
    return !root.empty() && IsDirectory(root);
}

std::string DriveLetters() {
    std::string letters;
    for (char c = 'A'; c <= 'Z'; ++c)
        if (DriveExists(c))
            letters += c;
    return letters;
}

void InsertDiskette() {
    if (IsOpen())
        MakeDirectories(g_state.folder + "/drives/a");
}

void EjectDiskette() {
    if (!IsOpen())
        return;
    std::string cmd;
    // Remove the diskette's contents recursively.
    std::vector<std::string> stack = {g_state.folder + "/drives/a"};
    std::vector<std::string> dirs;
    while (!stack.empty()) {
        std::string dir = stack.back();
        stack.pop_back();
        dirs.push_back(dir);
        for (const std::string& n : ListHost(dir)) {
            std::string p = JoinHost(dir, n);
            if (IsDirectory(p))
                stack.push_back(p);
            else {
                CountChange();
                unlink(p.c_str());
            }
        }
    }
    for (auto it = dirs.rbegin(); it != dirs.rend(); ++it) {
        CountChange();
        rmdir(it->c_str());
    }
}

void SetDisketteWriteProtected(bool on) {
    if (!IsOpen())
        return;
    CountChange();
    if (on) {
        FILE* f = fopen(DisketteProtectMarker().c_str(), "w");
        if (f)
            fclose(f);
    } else {
        unlink(DisketteProtectMarker().c_str());
    }
}

bool IsDisketteWriteProtected() {
    return IsOpen() && Exists(DisketteProtectMarker());
}

int64_t DisketteCapacity() {
    return 1457664;
}

// ---- Paths ----

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
    return g_state.architecture == Architecture::X86 ? "C:\\WINDOWS\\SYSTEM"
                                                     : "C:\\WINDOWS\\SYSTEM32";
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

// ---- Attributes ----

namespace {

// The attributes kept in the extended attribute. A directory keeps its
// read-only there too: on Windows that attribute does not stop files being
// made in it, so its host write bits stay (without root they would).
uint32_t KeptAttributes(const struct stat& st) {
    uint32_t kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
    return S_ISDIR(st.st_mode) ? kept | FILE_ATTRIBUTE_READONLY : kept;
}

} // namespace

uint32_t HostAttributes(const std::string& hostPath) {
    struct stat st;
    if (stat(hostPath.c_str(), &st) != 0)
        return INVALID_FILE_ATTRIBUTES;
    uint32_t attributes = 0;
    std::string kept = GetXattr(hostPath, kAttribXattr);
    if (!kept.empty())
        attributes = static_cast<uint32_t>(strtoul(kept.c_str(), nullptr, 10)) & KeptAttributes(st);
    else if (!S_ISDIR(st.st_mode))
        attributes = FILE_ATTRIBUTE_ARCHIVE;
    if (!(st.st_mode & S_IWUSR))
        attributes |= FILE_ATTRIBUTE_READONLY;
    if (S_ISDIR(st.st_mode))
        attributes |= FILE_ATTRIBUTE_DIRECTORY;
    if (attributes == 0)
        attributes = FILE_ATTRIBUTE_NORMAL;
    return attributes;
}

bool SetHostAttributes(const std::string& hostPath, uint32_t attributes) {
    struct stat st;
    if (stat(hostPath.c_str(), &st) != 0)
        return false;
    mode_t mode = st.st_mode & 07777;
    if (S_ISDIR(st.st_mode))
        mode |= S_IWUSR; // read-only goes into the extended attribute
    else if (attributes & FILE_ATTRIBUTE_READONLY)
        mode &= ~(S_IWUSR | S_IWGRP | S_IWOTH);
    else
        mode |= S_IWUSR;
    CountChange();
    if (chmod(hostPath.c_str(), mode) != 0)
        return false;
    std::string kept = std::to_string(attributes & KeptAttributes(st));
    // Where the host file system keeps no extended attributes, hidden,
    // system and archive are simply not kept.
    CountChange();
    lsetxattr(hostPath.c_str(), kAttribXattr, kept.data(), kept.size(), 0);
    return true;
}

// ---- Crash-safe writing ----

bool WriteFileAtomically(const std::string& hostPath, const std::string& bytes) {
    size_t slash = hostPath.rfind('/');
    std::string dir = slash == std::string::npos ? "." : hostPath.substr(0, slash);
    std::string name = hostPath.substr(slash + 1);
    // Inside the machine the temporary file waits in its pending folder,
    // out of sight of the emulated drives; Open removes what a crash left.
    std::string temp = hostPath + ".XXXXXX";
    if (!g_root.empty() && hostPath.compare(0, g_root.size() + 1, g_root + "/") == 0 &&
        MakeDirectories(PendingFolder(g_root)))
        temp = PendingFolder(g_root) + "/" + std::to_string(getpid()) + "." + name + ".XXXXXX";
    CountChange();
    int fd = mkstemp(temp.data());
    if (fd < 0)
        return false;
    // Written in two halves, so that a crash test can stop in between.
    size_t done = 0;
    for (size_t end : {bytes.size() / 2, bytes.size()}) {
        if (done < end)
            CountChange();
        while (done < end) {
            ssize_t n = write(fd, bytes.data() + done, end - done);
            if (n <= 0) {
                close(fd);
                unlink(temp.c_str());
                return false;
            }
            done += static_cast<size_t>(n);
        }
    }
    // Keep the mode and the Windows attributes of the file it replaces.
    struct stat st;
    CountChange();
    fchmod(fd, stat(hostPath.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644);
    for (const char* name : {kAttribXattr, kShortXattr}) {
        std::string kept = GetXattr(hostPath, name);
        if (!kept.empty()) {
            CountChange();
            fsetxattr(fd, name, kept.data(), kept.size(), 0);
        }
    }
    if (fsync(fd) != 0 || close(fd) != 0) {
        unlink(temp.c_str());
        return false;
    }
    CountChange();
    if (rename(temp.c_str(), hostPath.c_str()) != 0) {
        unlink(temp.c_str());
        return false;
    }
    int dfd = open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (dfd >= 0) {
        fsync(dfd);
        close(dfd);
    }
    return true;
}

bool ReadWholeFile(const std::string& hostPath, std::string* bytes) {
    FILE* f = fopen(hostPath.c_str(), "rb");
    if (!f)
        return false;
    std::string data;
    char buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0)
        data.append(buffer, n);
    bool ok = !ferror(f);
    fclose(f);
    if (ok)
        *bytes = std::move(data);
    return ok;
}

} // namespace machine
