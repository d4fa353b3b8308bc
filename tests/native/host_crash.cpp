// Crash test of the native host: setup-host is killed (SIGKILL) in the middle
// of an install and of an uninstall, and the machine is then opened again and
// checked, and the program run on it until the theme is off again.
//
//   host_crash --host SETUP-HOST --scenarios DIR [--seed N] [--changes N]
//              [--timed N] [--all] [--time-limit SECONDS] [--work DIR]
//              [--case install:N | uninstall:N | install@MICROSECONDS | ...]
//
// Two kinds of kill:
//   at a change  setup-host --crash-at-change N: just before the emulation's
//                Nth change to the machine's files (N spread over every change
//                an install or uninstall makes; --all takes every one);
//   timed        after a random delay within the time of a whole run.
// After each kill the machine must
//   - open with a registry that loads and profile files that parse, with no
//     file in it that neither the machine before the run nor after it has
//     (no temporary file of an interrupted replacement);
//   - hold another program's sections of control.ini and win.ini and
//     foreign registry values byte for byte as before;
//   - offer the uninstall when control.ini records the theme as installed,
//     else the install, and complete it; after an install it must be the
//     machine a clean install gives, and an uninstall then follows;
//   - after the uninstall be the machine a clean install and uninstall give,
//     with the user's settings back.
// A kill after the install recorded the settings but before it wrote the
// product key's "dir" is no exception: the records hold the install
// directory too, and the uninstall that follows removes everything.
//
// The seed is printed; --seed and --case replay a run or one case.
#include "platform/posix/kernel/machine.h"
#include "platform/posix/registry/registry_internal.h"
#include "platform/posix/registry/registry_store.h"
#include "platform/win32.h"
#include "tests/support/theme_machine.h"
#include "tools/make-medium/medium.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Options {
    std::string host;
    std::string scenarios;
    std::string work;
    uint64_t seed = 0;
    int changes = 150;
    int timed = 50;
    bool all = false;
    double timeLimit = 60;
    std::vector<std::string> cases;
};

enum class Mode { Install, Uninstall };

struct Case {
    Mode mode;
    uint64_t change = 0;  // kill before this change (0: timed)
    long delayMicros = 0; // timed kill
    std::string Name() const {
        std::string m = mode == Mode::Install ? "install" : "uninstall";
        return change ? m + ":" + std::to_string(change) : m + "@" + std::to_string(delayMicros);
    }
};

// ---- Files ----

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const fs::path& path, const std::string& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
}

// Copies a machine folder with the extended attributes that keep the
// Windows attributes and short names.
void CopyTree(const fs::path& from, const fs::path& to) {
    fs::remove_all(to);
    fs::copy(from, to, fs::copy_options::recursive);
    for (auto it = fs::recursive_directory_iterator(from); it != fs::recursive_directory_iterator();
         ++it) {
        std::string source = it->path().string();
        std::string target = (to / fs::relative(it->path(), from)).string();
        char names[1024];
        ssize_t n = llistxattr(source.c_str(), names, sizeof names);
        for (ssize_t i = 0; i < n; i += static_cast<ssize_t>(strlen(names + i)) + 1) {
            char value[256];
            ssize_t length = lgetxattr(source.c_str(), names + i, value, sizeof value);
            if (length >= 0)
                lsetxattr(target.c_str(), names + i, value, static_cast<size_t>(length), 0);
        }
        struct stat st;
        if (lstat(source.c_str(), &st) == 0)
            chmod(target.c_str(), st.st_mode & 07777);
    }
}

// Every file and directory of a machine folder: relative path -> size
// (directories -1).
std::map<std::string, long> ListTree(const fs::path& root) {
    std::map<std::string, long> list;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
         ++it) {
        std::string name = fs::relative(it->path(), root).string();
        list[name] = it->is_directory() ? -1 : static_cast<long>(it->file_size());
    }
    return list;
}

// The registry text without the install time (value "2" of the product key).
std::string WithoutInstallTime(const std::string& text) {
    std::string out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("\"2\"=dword:", 0) != 0)
            out += line + "\n";
    return out;
}

// The registry text without the product's subkeys that hold no values. An
// uninstall stopped while it removed them can leave one (reading a key
// creates it); the next uninstall removes it with the others.
std::string WithoutEmptyProductSubkeys(const std::string& text) {
    std::string out = text;
    for (const char* name : {"plants", "seeds", "animations", "aniint", "sounds", "soundint",
                             "specials", "specialint"}) {
        std::string key =
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vorq\\Wiesenhain\\" + std::string(name) + "]\r\n\r\n";
        size_t at = out.find(key);
        if (at != std::string::npos)
            out.erase(at, key.size());
    }
    return out;
}

// ---- Running the host ----

struct RunResult {
    bool exited = false; // ended by itself (else killed)
    int status = 0;      // exit status, or the signal
    std::string output;  // stdout and stderr
    double seconds = 0;
    uint64_t changes = 0; // with --count-changes
};

RunResult RunHost(const Options& o, const fs::path& machineFolder, const fs::path& medium,
                  const std::string& scenarioPath, uint64_t crashAt, long delayMicros) {
    RunResult result;
    fs::path log = machineFolder.parent_path() / "host.log";
    std::string crash = std::to_string(crashAt);
    auto start = std::chrono::steady_clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(fd, 1);
        dup2(fd, 2);
        std::vector<const char*> args = {
            o.host.c_str(), "--machine",  machineFolder.c_str(), "--medium",
            medium.c_str(), "--scenario", scenarioPath.c_str(),  "--count-changes"};
        if (crashAt) {
            args.push_back("--crash-at-change");
            args.push_back(crash.c_str());
        }
        args.push_back(nullptr);
        execv(o.host.c_str(), const_cast<char* const*>(args.data()));
        _exit(127);
    }
    int status = 0;
    if (delayMicros > 0) {
        usleep(static_cast<useconds_t>(delayMicros));
        kill(pid, SIGKILL);
    }
    waitpid(pid, &status, 0);
    result.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    result.exited = WIFEXITED(status);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : WTERMSIG(status);
    result.output = ReadFile(log);
    size_t at = result.output.rfind("changes: ");
    if (at != std::string::npos)
        result.changes = strtoull(result.output.c_str() + at + 9, nullptr, 10);
    return result;
}

// ---- The machine before the install ----

// A foreign registry value that no run may change.
struct ForeignValue {
    HKEY root;
    const char* key;
    const char* name;
    DWORD type;
    std::string data;
};

std::vector<ForeignValue> ForeignValues() {
    return {
        {HKEY_CURRENT_USER, "Control Panel\\Desktop", "ScreenSaveTimeOut", REG_SZ,
         std::string("600", 4)},
        {HKEY_CURRENT_USER, "Control Panel\\Colors", "Window", REG_SZ,
         std::string("255 255 255", 12)},
        {HKEY_CURRENT_USER, "Control Panel\\Cursors", "Help", REG_SZ,
         std::string("C:\\WINDOWS\\Cursors\\hilfe.cur", 29)},
        {HKEY_LOCAL_MACHINE, "SOFTWARE\\Vorq\\Gartenplaner", "Beete", REG_DWORD,
         std::string("\x0c\0\0\0", 4)},
        {HKEY_LOCAL_MACHINE, "SOFTWARE\\Vorq\\Gartenplaner", "Daten", REG_BINARY,
         std::string("\x01\0\xff\r\n\"", 6)},
        {HKEY_LOCAL_MACHINE, "SOFTWARE\\Rosenschere", "Roh", REG_SZ,
         std::string("ohne Null")}, // no terminator
        {HKEY_LOCAL_MACHINE, "SOFTWARE\\Rosenschere", "Liste", REG_MULTI_SZ,
         std::string("eins\0zwei\0\0", 11)},
        {HKEY_USERS, ".Default\\Control Panel\\Desktop", "Pattern", REG_SZ,
         std::string("(None)", 7)},
    };
}

// Another program's sections of the profile files, as written by hand.
const char kForeignControl[] = "[Rosenschere]\r\nSchnitt=kurz\r\nPfad=C:\\Programme\\Rosen\r\n";
const char kForeignWin[] = "[Rosenschere]\r\nLaden=ja\r\n\r\n[Gie\xDFkanne]\r\nLiter=10\r\n";
const char kGardenPlanner[] = "[Gartenplaner]\r\nBeete=12\r\nLetzteSaison=Fr\xFChling\r\n";

bool SetRaw(const ForeignValue& v) {
    HKEY k;
    if (RegCreateKeyA(v.root, v.key, &k) != ERROR_SUCCESS)
        return false;
    LONG r = RegSetValueExA(k, v.name, 0, v.type, reinterpret_cast<const BYTE*>(v.data.data()),
                            static_cast<DWORD>(v.data.size()));
    RegCloseKey(k);
    return r == ERROR_SUCCESS;
}

// A fresh machine with a user who has settings of their own and other
// programs' entries.
bool MakeUserMachine(const fs::path& folder, const fs::path& medium, std::string* error) {
    if (!machine::Open(folder.string(), medium.string(), error))
        return false;
    bool ok = CreateDirectoryA("C:\\WINDOWS\\Cursors", nullptr);
    std::string c = machine::DriveRoot('C');
    WriteFile(c + "/WINDOWS/Cursors/Pfeil.cur", medium::StaticCursor(1));
    WriteFile(c + "/WINDOWS/Wolken.bmp", medium::GardenBitmap(16, 8));
    WriteFile(c + "/WINDOWS/SYSTEM/Blumen.scr", "MZ screen saver");
    ok = ok && theme_test::SetRegValue(HKEY_CURRENT_USER, "Control Panel\\Desktop", "Wallpaper",
                                       "C:\\WINDOWS\\Wolken.bmp");
    ok = ok &&
         theme_test::SetRegValue(HKEY_CURRENT_USER, "Control Panel\\Desktop", "TileWallpaper", "1");
    ok = ok && theme_test::SetRegValue(HKEY_CURRENT_USER, "Control Panel\\Desktop",
                                       "ScreenSaveActive", "1");
    ok = ok && theme_test::SetRegValue(HKEY_CURRENT_USER, "Control Panel\\Colors", "Background",
                                       "0 0 128");
    ok = ok && theme_test::SetRegValue(HKEY_CURRENT_USER, "Control Panel\\Cursors", "Arrow",
                                       "C:\\WINDOWS\\Cursors\\Pfeil.cur");
    ok = ok && WritePrivateProfileStringA("boot", "SCRNSAVE.EXE", "C:\\WINDOWS\\SYSTEM\\Blumen.scr",
                                          "system.ini");
    for (const ForeignValue& v : ForeignValues())
        ok = ok && SetRaw(v);
    machine::Close();
    for (auto [file, text] : {std::pair<const char*, const char*>{"CONTROL.INI", kForeignControl},
                              {"WIN.INI", kForeignWin}}) {
        fs::path path = folder / "drives/c/WINDOWS" / file;
        WriteFile(path, ReadFile(path) + "\r\n" + text);
    }
    if (!ok)
        *error = "cannot seed the user's machine";
    return ok;
}

// ---- Checks ----

// A profile file parses when every line is a section, an entry, a comment
// or blank, and it ends with a line end.
bool ProfileParses(const std::string& text, std::string* why) {
    if (!text.empty() && text.back() != '\n') {
        *why = "does not end with a line end";
        return false;
    }
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        bool section = !line.empty() && line[0] == '[' && line.find(']') != std::string::npos;
        if (line.empty() || line[0] == ';' || section || line.find('=') != std::string::npos)
            continue;
        *why = "line " + std::to_string(number) + " is neither section nor entry: " + line;
        return false;
    }
    return true;
}

std::string ProfileText(const fs::path& machineFolder, const char* file) {
    return ReadFile(machineFolder / "drives/c/WINDOWS" / file);
}

// The checks right after a kill, with the machine opened again. Fails with
// the first problem.
// knownFiles null: no check of the files.
bool CheckAfterKill(const fs::path& folder, const fs::path& medium,
                    const std::set<std::string>* knownFiles, std::string* why) {
    std::string text = ReadFile(folder / "registry.reg");
    registry_store::Key hklm, hku;
    int line = 0;
    std::string message;
    if (!registry_store::ParseFile(text, &hklm, &hku, &line, &message)) {
        *why = "registry.reg line " + std::to_string(line) + ": " + message;
        return false;
    }
    for (const char* file : {"CONTROL.INI", "WIN.INI", "SYSTEM.INI"}) {
        std::string problem;
        if (!ProfileParses(ProfileText(folder, file), &problem)) {
            *why = std::string(file) + " " + problem;
            return false;
        }
    }
    std::string control = ProfileText(folder, "CONTROL.INI");
    if (control.find(kForeignControl) == std::string::npos ||
        control.find(kGardenPlanner) == std::string::npos) {
        *why = "another program's section of CONTROL.INI changed";
        return false;
    }
    if (ProfileText(folder, "WIN.INI").find(kForeignWin) == std::string::npos) {
        *why = "another program's section of WIN.INI changed";
        return false;
    }
    std::string error;
    if (!machine::Open(folder.string(), medium.string(), &error)) {
        *why = "the machine does not open: " + error;
        return false;
    }
    bool ok = true;
    HKEY probe;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_READ, &probe) == ERROR_SUCCESS)
        RegCloseKey(probe);
    if (!registry_store::LoadError().empty()) {
        *why = "registry: " + registry_store::LoadError();
        ok = false;
    }
    for (const ForeignValue& v : ForeignValues()) {
        if (!ok)
            break;
        HKEY k;
        char data[256];
        DWORD type = 0, size = sizeof data;
        if (RegOpenKeyExA(v.root, v.key, 0, KEY_READ, &k) != ERROR_SUCCESS) {
            *why = std::string("foreign key gone: ") + v.key;
            ok = false;
            break;
        }
        LONG r = RegQueryValueExA(k, v.name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
        RegCloseKey(k);
        if (r != ERROR_SUCCESS || type != v.type || std::string(data, size) != v.data) {
            *why = std::string("foreign value changed: ") + v.key + "\\" + v.name;
            ok = false;
        }
    }
    machine::Close();
    if (!ok || !knownFiles)
        return ok;
    for (const auto& entry : ListTree(folder)) {
        if (!knownFiles->count(entry.first)) {
            *why = "a file no run leaves: " + entry.first;
            return false;
        }
    }
    return true;
}

// What control.ini says: the theme counts as installed.
bool RecordedAsInstalled(const fs::path& folder) {
    std::istringstream in(ProfileText(folder, "CONTROL.INI"));
    std::string line;
    bool inSection = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line[0] == '[') {
            std::string name = line.substr(1, line.find(']') - 1);
            inSection = strcasecmp(name.c_str(), "Wiesenhain") == 0;
        } else if (inSection && strncasecmp(line.c_str(), "OldScreenSave=", 14) == 0 &&
                   line.size() > 14) {
            return true;
        }
    }
    return false;
}

// Whether an uninstall stopped before its last step left the product key's
// "general" or the uninstall entry behind with no records.
bool UninstallUnfinished(const fs::path& folder) {
    std::string registry = ReadFile(folder / "registry.reg");
    return registry.find("\\Vorq\\Wiesenhain\\general]") != std::string::npos ||
           registry.find("\\Uninstall\\Wiesenhain-Scr]") != std::string::npos;
}

// A machine as a reference run left it.
struct Snapshot {
    std::string registry; // without the install time
    std::string control, win, system;
    std::map<std::string, long> files;
};

Snapshot Take(const fs::path& folder) {
    Snapshot s;
    s.registry = WithoutInstallTime(ReadFile(folder / "registry.reg"));
    s.control = ProfileText(folder, "CONTROL.INI");
    s.win = ProfileText(folder, "WIN.INI");
    s.system = ProfileText(folder, "SYSTEM.INI");
    s.files = ListTree(folder);
    return s;
}

// The first line where two texts differ, as "want | got".
std::string FirstDifference(const std::string& want, const std::string& got) {
    std::istringstream a(want), b(got);
    std::string x, y;
    while (true) {
        bool moreA = static_cast<bool>(std::getline(a, x)),
             moreB = static_cast<bool>(std::getline(b, y));
        if (!moreA && !moreB)
            return "";
        if (!moreA || !moreB || x != y)
            return (moreA ? x : "(end)") + " | " + (moreB ? y : "(end)");
    }
}

// "" when equal, else what differs.
std::string Compare(const Snapshot& want, const Snapshot& got) {
    if (want.control != got.control)
        return "CONTROL.INI differs";
    if (want.win != got.win)
        return "WIN.INI differs";
    if (want.system != got.system)
        return "SYSTEM.INI differs";
    if (want.registry != got.registry)
        return "registry.reg differs: " + FirstDifference(want.registry, got.registry);
    // (The registry's size may differ by the empty keys the caller allows.)
    for (const auto& e : want.files)
        if (!got.files.count(e.first) ||
            (got.files.at(e.first) != e.second && e.first != "registry.reg"))
            return "missing or different: " + e.first;
    for (const auto& e : got.files)
        if (!want.files.count(e.first))
            return "left over: " + e.first;
    return "";
}

// ---- The test ----

struct World {
    Options o;
    fs::path work, medium, pristine, installed, uninstalled;
    fs::path recoveryScenarios; // the scenarios without their timing checks
    Snapshot installedShot, uninstalledShot;
    std::set<std::string> knownFiles;
    uint64_t installChanges = 0, uninstallChanges = 0;
    double installSeconds = 0, uninstallSeconds = 0;
    std::map<std::string, int> outcomes;
};

std::string Scenario(const World& w, const char* name) {
    return w.o.scenarios + "/" + name;
}

// The runs after a kill start from whatever the kill left: a product key or
// uninstall entry may already be there, or already gone. Their scenarios
// therefore drop the checks of which keys and shortcuts show while a dialog
// is open; the machine is compared as a whole afterwards.
std::string RecoveryScenario(const World& w, const char* name) {
    return (w.recoveryScenarios / name).string();
}

bool WriteRecoveryScenarios(World& w) {
    w.recoveryScenarios = w.work / "recovery";
    fs::create_directories(w.recoveryScenarios);
    for (const char* name :
         {"program-first-run.scn", "program-install-existing.scn", "program-uninstall.scn"}) {
        std::ifstream in(Scenario(w, name), std::ios::binary);
        if (!in)
            return false;
        std::string line, kept;
        while (std::getline(in, line)) {
            size_t first = line.find_first_not_of(" \t");
            std::string word = first == std::string::npos ? "" : line.substr(first);
            if (word.rfind("key-", 0) == 0 || word.rfind("shortcut-", 0) == 0)
                continue;
            kept += line + "\n";
        }
        WriteFile(w.recoveryScenarios / name, kept);
    }
    return true;
}

bool Prepare(World& w, std::string* error) {
    if (!WriteRecoveryScenarios(w)) {
        *error = "the scenario files cannot be read from " + w.o.scenarios;
        return false;
    }
    w.medium = w.work / "medium";
    fs::create_directories(w.medium);
    std::string setup;
    std::mt19937 bytes(7);
    for (int i = 0; i < 96 * 1024; ++i)
        setup += static_cast<char>(bytes() & 0xFF);
    WriteFile(w.medium / "setup.exe", setup);
    std::vector<medium::NamedFile> files = medium::DemoFiles();
    for (size_t i = 0; i < files.size(); ++i)
        WriteFile(w.medium / medium::kPackages[i].package, medium::Deflate(files[i].data));

    w.pristine = w.work / "pristine/m";
    fs::create_directories(w.pristine.parent_path());
    if (!MakeUserMachine(w.pristine, w.medium, error))
        return false;
    Snapshot pristine = Take(w.pristine);

    w.installed = w.work / "installed/m";
    CopyTree(w.pristine.parent_path(), w.installed.parent_path());
    RunResult r = RunHost(w.o, w.installed, w.medium, Scenario(w, "program-first-run.scn"), 0, 0);
    if (!r.exited || r.status != 0) {
        *error = "the clean install failed:\n" + r.output;
        return false;
    }
    w.installChanges = r.changes;
    w.installSeconds = r.seconds;
    w.installedShot = Take(w.installed);

    w.uninstalled = w.work / "uninstalled/m";
    CopyTree(w.installed.parent_path(), w.uninstalled.parent_path());
    r = RunHost(w.o, w.uninstalled, w.medium, Scenario(w, "program-uninstall.scn"), 0, 0);
    if (!r.exited || r.status != 0) {
        *error = "the clean uninstall failed:\n" + r.output;
        return false;
    }
    w.uninstallChanges = r.changes;
    w.uninstallSeconds = r.seconds;
    w.uninstalledShot = Take(w.uninstalled);

    // The clean runs themselves must keep what is not theirs and give the
    // user's settings back, the logon desktop's too.
    std::string why;
    if (!CheckAfterKill(w.installed, w.medium, nullptr, &why)) {
        *error = "after the clean install: " + why;
        return false;
    }
    if (pristine.registry != w.uninstalledShot.registry ||
        pristine.control != w.uninstalledShot.control || pristine.win != w.uninstalledShot.win ||
        pristine.system != w.uninstalledShot.system) {
        *error = "a clean install and uninstall do not give the user's machine back";
        return false;
    }
    for (const Snapshot* s : {&pristine, &w.installedShot, &w.uninstalledShot})
        for (const auto& e : s->files)
            w.knownFiles.insert(e.first);
    return true;
}

// Runs one case; "" when it passed, else what went wrong.
std::string RunCase(World& w, const Case& c) {
    fs::path base = c.mode == Mode::Install ? w.pristine : w.installed;
    fs::path folder = w.work / "case/m";
    CopyTree(base.parent_path(), folder.parent_path());
    const char* scenario =
        c.mode == Mode::Install ? "program-first-run.scn" : "program-uninstall.scn";
    RunResult r = RunHost(w.o, folder, w.medium, Scenario(w, scenario), c.change, c.delayMicros);
    if (r.exited && r.status != 0)
        return "the interrupted run failed by itself:\n" + r.output;
    if (c.change && r.exited)
        return "the run ended before change " + std::to_string(c.change);
    bool lateKill = r.exited; // a timed kill after the run had ended
    std::string why;
    if (!CheckAfterKill(folder, w.medium, &w.knownFiles, &why))
        return "after the kill: " + why;

    // Run the program until the theme is off again. An uninstall stopped
    // before its last step is finished by the next run, which is all it does.
    bool installedBefore = RecordedAsInstalled(folder);
    if (!installedBefore && UninstallUnfinished(folder)) {
        r = RunHost(w.o, folder, w.medium, Scenario(w, "program-finish-uninstall.scn"), 0, 0);
        if (!r.exited || r.status != 0)
            return "the run that finishes the uninstall failed:\n" + r.output;
        if (!CheckAfterKill(folder, w.medium, &w.knownFiles, &why))
            return "after the finished uninstall: " + why;
        std::string diff = Compare(w.uninstalledShot, Take(folder));
        if (!diff.empty())
            return "after the finished uninstall: " + diff;
        ++w.outcomes["uninstall finished by the next run"];
        return "";
    }
    if (!installedBefore) {
        bool exists = fs::exists(folder / "drives/c/wiesenhain");
        r = RunHost(
            w.o, folder, w.medium,
            RecoveryScenario(w, exists ? "program-install-existing.scn" : "program-first-run.scn"),
            0, 0);
        if (!r.exited || r.status != 0)
            return "the install after the kill failed:\n" + r.output;
        Snapshot installed = Take(folder);
        installed.registry = WithoutEmptyProductSubkeys(installed.registry);
        std::string diff = Compare(w.installedShot, installed);
        if (!diff.empty())
            return "after the install that followed: " + diff;
    }
    r = RunHost(w.o, folder, w.medium, RecoveryScenario(w, "program-uninstall.scn"), 0, 0);
    if (!r.exited || r.status != 0)
        return "the uninstall after the kill failed:\n" + r.output;
    if (!CheckAfterKill(folder, w.medium, &w.knownFiles, &why))
        return "after the uninstall: " + why;
    Snapshot final = Take(folder);
    std::string diff = Compare(w.uninstalledShot, final);
    std::string path = installedBefore ? "uninstalled" : "installed and uninstalled";
    if (!diff.empty())
        return "after the uninstall: " + diff;
    if (lateKill)
        path += " (the timed kill came after the end)";
    ++w.outcomes[path];
    return "";
}

bool ParseCase(const std::string& text, Case* c) {
    size_t at = text.find_first_of(":@");
    if (at == std::string::npos)
        return false;
    std::string mode = text.substr(0, at);
    if (mode != "install" && mode != "uninstall")
        return false;
    c->mode = mode == "install" ? Mode::Install : Mode::Uninstall;
    long long n = atoll(text.c_str() + at + 1);
    if (n <= 0)
        return false;
    if (text[at] == ':')
        c->change = static_cast<uint64_t>(n);
    else
        c->delayMicros = static_cast<long>(n);
    return true;
}

int Usage() {
    fprintf(stderr,
            "usage: host_crash --host SETUP-HOST --scenarios DIR [--seed N] [--changes N]\n"
            "                  [--timed N] [--all] [--time-limit SECONDS] [--work DIR]\n"
            "                  [--case install:N|uninstall:N|install@MICROS|uninstall@MICROS]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    World w;
    Options& o = w.o;
    o.seed = static_cast<uint64_t>(time(nullptr)) ^ static_cast<uint64_t>(getpid()) << 16;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        bool more = i + 1 < argc;
        if (arg == "--host" && more)
            o.host = argv[++i];
        else if (arg == "--scenarios" && more)
            o.scenarios = argv[++i];
        else if (arg == "--work" && more)
            o.work = argv[++i];
        else if (arg == "--seed" && more)
            o.seed = strtoull(argv[++i], nullptr, 10);
        else if (arg == "--changes" && more)
            o.changes = atoi(argv[++i]);
        else if (arg == "--timed" && more)
            o.timed = atoi(argv[++i]);
        else if (arg == "--time-limit" && more)
            o.timeLimit = atof(argv[++i]);
        else if (arg == "--case" && more)
            o.cases.push_back(argv[++i]);
        else if (arg == "--all")
            o.all = true;
        else
            return Usage();
    }
    if (o.host.empty() || o.scenarios.empty())
        return Usage();
    // Machines on a memory file system where there is one: the emulation
    // flushes every replaced file, which on a disk costs far more than the
    // runs themselves (a kill does not lose what was written, flushed or not).
    std::string base = o.work;
    if (base.empty())
        base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : fs::temp_directory_path().string();
    std::string pattern = base + "/wiesen-crash-XXXXXX";
    if (!mkdtemp(pattern.data())) {
        fprintf(stderr, "host_crash: cannot make a folder in %s\n", base.c_str());
        return 1;
    }
    w.work = pattern;
    std::string error;
    if (!Prepare(w, &error)) {
        fprintf(stderr, "host_crash: %s\n(kept %s)\n", error.c_str(), w.work.c_str());
        return 1;
    }
    printf("seed %llu; a clean install makes %llu changes in %.3f s, an uninstall %llu in %.3f s\n",
           static_cast<unsigned long long>(o.seed),
           static_cast<unsigned long long>(w.installChanges), w.installSeconds,
           static_cast<unsigned long long>(w.uninstallChanges), w.uninstallSeconds);

    std::vector<Case> cases;
    std::mt19937_64 random(o.seed);
    if (!o.cases.empty()) {
        for (const std::string& text : o.cases) {
            Case c;
            if (!ParseCase(text, &c))
                return Usage();
            cases.push_back(c);
        }
    } else {
        uint64_t total = w.installChanges + w.uninstallChanges;
        for (Mode mode : {Mode::Install, Mode::Uninstall}) {
            uint64_t count = mode == Mode::Install ? w.installChanges : w.uninstallChanges;
            uint64_t picks =
                o.all ? count
                      : std::min<uint64_t>(
                            count, (static_cast<uint64_t>(o.changes) * count + total - 1) / total);
            // Evenly spread, from a random offset.
            double offset = std::uniform_real_distribution<double>(0, 1)(random);
            for (uint64_t k = 0; k < picks; ++k) {
                uint64_t n = 1 + static_cast<uint64_t>((static_cast<double>(k) + offset) *
                                                       static_cast<double>(count) /
                                                       static_cast<double>(picks));
                cases.push_back({mode, std::min(n, count), 0});
            }
        }
        for (int k = 0; k < o.timed; ++k) {
            Mode mode = k % 2 ? Mode::Uninstall : Mode::Install;
            double span = (mode == Mode::Install ? w.installSeconds : w.uninstallSeconds) * 1.1;
            long micros =
                static_cast<long>(std::uniform_real_distribution<double>(1e-6, span)(random) * 1e6);
            cases.push_back({mode, 0, std::max(micros, 1L)});
        }
    }

    auto start = std::chrono::steady_clock::now();
    int passed = 0, failed = 0;
    size_t done = 0;
    for (const Case& c : cases) {
        double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (o.cases.empty() && elapsed > o.timeLimit)
            break;
        std::string problem = RunCase(w, c);
        ++done;
        if (problem.empty()) {
            ++passed;
            continue;
        }
        ++failed;
        printf("FAILED %s: %s\n  replay: host_crash --host %s --scenarios %s --case %s\n",
               c.Name().c_str(), problem.c_str(), o.host.c_str(), o.scenarios.c_str(),
               c.Name().c_str());
        if (failed >= 5)
            break;
    }
    double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    printf("%zu of %zu cases in %.1f s\n", done, cases.size(), elapsed);
    for (const auto& outcome : w.outcomes)
        printf("  %4d %s\n", outcome.second, outcome.first.c_str());
    printf("crash cases: %d passed, %d failed\n", passed, failed);
    if (failed) {
        printf("(machines kept in %s)\n", w.work.c_str());
        return 1;
    }
    fs::remove_all(w.work);
    return 0;
}
