// The emulated machine's folder: opening a machine, making a fresh one (its
// drives, profile files and machine.ini), closing it, the files of the folder
// itself; and the host file helpers the machine's other files share.
#include "platform/posix/kernel/machine.h"

#include "platform/posix/kernel/machine_internal.h"
#include "platform/posix/kernel/codepage.h"
#include "platform/posix/kernel/windows_nt.h"

#include <dirent.h>
#include <errno.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

namespace machine {

State g_state;
std::string g_root;

// ---- Host files ----

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

std::string JoinHost(const std::string& dir, const std::string& name) {
    if (!dir.empty() && dir.back() == '/')
        return dir + name;
    return dir + "/" + name;
}

// ---- A fresh machine ----

namespace {

// ---- machine.ini ----

std::string Trim(const std::string& text) {
    size_t begin = text.find_first_not_of(" \t\r");
    if (begin == std::string::npos)
        return "";
    size_t end = text.find_last_not_of(" \t\r");
    return text.substr(begin, end - begin + 1);
}

// The machine.ini of a fresh machine. A Windows 95 one names no Windows, as
// the machines made before there was a choice.
std::string MachineIni(Architecture architecture, Windows windows) {
    bool nt = windows == Windows::Windows10;
    std::string what = architecture == Architecture::X86
                           ? (nt ? "Windows 10" : "Windows 95")
                           : (nt ? "64-bit Windows 10" : "64-bit Windows");
    std::string text = "; Emulated " + what + " machine";
    if (architecture == Architecture::X64WithoutSysnative)
        text += " without the Sysnative alias (64-bit\n; Windows XP, Server 2003)";
    if (architecture != Architecture::X86)
        text += ": the setup runs under WOW64";
    text += "\n[machine]\nversion=1\n";
    text += architecture == Architecture::X86 ? "architecture=x86\n" : "architecture=x64\n";
    if (architecture == Architecture::X64WithoutSysnative)
        text += "sysnative=no\n";
    if (nt)
        text += "windows=10\n";
    return text;
}

// Reads what the machine.ini in `folder` says: X86 and Windows 95 when the
// file or a key is missing (machines made before there was a choice); false
// with a message in *error when the file cannot be read or names something
// unknown.
bool ReadMachineIni(const std::string& folder, Architecture* architecture, Windows* windows,
                    std::string* error) {
    std::string path = folder + "/machine.ini", text;
    *architecture = Architecture::X86;
    *windows = Windows::Windows95;
    if (access(path.c_str(), F_OK) != 0 && errno == ENOENT)
        return true;
    if (!ReadWholeFile(path, &text)) {
        *error = path + ": cannot be read";
        return false;
    }
    std::string section, kind = "x86", sysnative = "yes", version = "95";
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = Trim(text.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line[0] == ';')
            continue;
        if (line[0] == '[') {
            section = line;
            continue;
        }
        size_t equals = line.find('=');
        if (!codepage::EqualNoCase(section, "[machine]") || equals == std::string::npos)
            continue;
        std::string key = Trim(line.substr(0, equals)), value = Trim(line.substr(equals + 1));
        if (codepage::EqualNoCase(key, "architecture"))
            kind = value;
        else if (codepage::EqualNoCase(key, "sysnative"))
            sysnative = value;
        else if (codepage::EqualNoCase(key, "windows"))
            version = value;
    }
    bool alias = codepage::EqualNoCase(sysnative, "yes");
    if (!alias && !codepage::EqualNoCase(sysnative, "no")) {
        *error = path + ": sysnative \"" + sysnative + "\" is neither yes nor no";
        return false;
    }
    if (codepage::EqualNoCase(kind, "x64")) {
        *architecture = alias ? Architecture::X64 : Architecture::X64WithoutSysnative;
    } else if (!codepage::EqualNoCase(kind, "x86")) {
        *error = path + ": architecture \"" + kind + "\" is neither x86 nor x64";
        return false;
    }
    if (version == "10") {
        *windows = Windows::Windows10;
    } else if (version != "95") {
        *error = path + ": windows \"" + version + "\" is neither 95 nor 10";
        return false;
    }
    return true;
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
bool CreateFresh(const std::string& folder, Architecture architecture, Windows windows,
                 std::string* error) {
    if (!SeedFile(folder + "/machine.ini", MachineIni(architecture, windows).c_str())) {
        *error = "cannot write " + folder + "/machine.ini";
        return false;
    }
    std::string c = folder + "/drives/c.new";
    std::vector<const char*> dirs = {"/WINDOWS/TEMP", "/WINDOWS/Desktop", "/WINDOWS/COMMAND",
                                     "/Programme", "/Eigene Dateien"};
    if (architecture != Architecture::X86)
        dirs.insert(dirs.end(), {"/WINDOWS/SYSTEM32", "/WINDOWS/SysWOW64"});
    else if (windows == Windows::Windows10)
        dirs.push_back("/WINDOWS/SYSTEM32");
    else
        dirs.push_back("/WINDOWS/SYSTEM");
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
    if (windows == Windows::Windows10 && !nt::SeedFreshFiles(c, error))
        return false;
    CountChange();
    if (rename(c.c_str(), (folder + "/drives/c").c_str()) != 0) {
        *error = "cannot create " + folder + "/drives/c: " + strerror(errno);
        return false;
    }
    return true;
}

} // namespace

// ---- Open and close ----

namespace {

uint64_t g_nextGeneration = 1;

bool OpenFolder(const std::string& folder, const std::string& mediumFolder, std::string* error,
                Architecture architecture, Windows windows) {
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
    if (begun && !ReadMachineIni(abs, &architecture, &windows, error))
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
        if (!CreateFresh(abs, architecture, windows, error))
            return false;
    } else if (!ReadMachineIni(abs, &architecture, &windows, error)) {
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
    g_state.windows = windows;
    g_state.generation = g_nextGeneration++;
    return true;
}

} // namespace

bool Open(const std::string& folder, const std::string& mediumFolder, std::string* error,
          Architecture fresh, Windows freshWindows) {
    Close();
    if (OpenFolder(folder, mediumFolder, error, fresh, freshWindows))
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

Windows MachineWindows() {
    return g_state.windows;
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

} // namespace machine
