// The whole program under every single fault the machine can give it. A
// clean install and a clean uninstall are first run counting the calls of
// each fault family (registry, profile files, files, directories); then, for
// every family and every call n of it, a fresh machine with the user's own
// settings and other programs' entries runs the program with the nth call
// failing, and afterwards:
// - the program ended as it must: an install either was shown done (102,
//   406) or failed with dialog 104 showing the text of its code, a code that
//   fault can cause; an uninstall likewise was shown done (103) or failed
//   with 104 and the theme still installed;
// - registry.reg parses, the product's section of control.ini holds whole
//   records only, and every registry value and profile entry that is not the
//   product's is byte for byte as it was;
// - either the theme counts as installed and every record it holds is the
//   user's value as a clean install recorded it (after an uninstall: all of
//   them), or the product's section is gone and every user setting is as it
//   was;
// - later runs without faults still work and bring the machine back: an
//   uninstall when the theme counts as installed, otherwise an install and an
//   uninstall; then the user's settings are back and no trace of the product
//   is left.
// What a fault leaves that a clean run does not (a record forgotten, a file
// or key left behind, a product key without "dir", an uninstall that could
// not put a setting back) is a known imperfect state: each point that shows
// one counts as an expected exception, named in the output. None of it
// outlives the later runs.
// WIESEN_FAULT_WALK_STRIDE=k runs every k-th point only (the slow sanitizer
// build sets it); the output says how many points there are and ran.
#include "engine/install_file_table.h"
#include "platform/posix/user/display_state.h"
#include "platform/posix/user/front_end.h"
#include "platform/posix/kernel/machine.h"
#include "platform/posix/registry/registry_internal.h"
#include "platform/testing.h"
#include "shell/resource_ids.h"
#include "shell/run_setup.h"
#include "state/setup_state.h"
#include "shell/small_dialogs.h"
#include "system/profile_settings.h"
#include "system/shell_integration.h"
#include "tests/native/registry_view.h"
#include "tests/support/package_files.h"
#include "tests/support/theme_machine.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using platform_testing::FaultFamily;
using platform_testing::kFaultFamilyCount;
using namespace theme_test;

// ---- The person ----

// Installs with the defaults (creating the offered target directory) or
// uninstalls; cancels a search for the installation files, declines the
// diskette copy, closes every result dialog. Notes what it was shown.
class Person : public dialogs::FrontEnd {
  public:
    explicit Person(bool install) : install_(install) {}

    bool NextInput(HWND active, bool busy, dialogs::Input* input) override {
        if (busy || seen.size() > 40)
            return false;
        input->kind = dialogs::Input::Kind::Key;
        input->key = VK_ESCAPE;
        if (dialogs::KindOf(active) == dialogs::Kind::MessageBox) {
            std::string text = dialogs::MessageTextOf(active);
            seen.push_back("message " + text);
            if (text.rfind("Soll das Verzeichnis", 0) == 0)
                Click(input, IDYES);
            return true;
        }
        int id = dialogs::DialogIdOf(active);
        switch (id) {
        case kDialogTerms:
            Click(input, 201);
            return true;
        case kDialogMain:
            if (acted_) { // the procedure did not end the dialog
                seen.push_back("main dialog again");
                Click(input, 202);
            } else if (install_ && !typed_) {
                typed_ = true;
                input->kind = dialogs::Input::Kind::Type;
                input->control = 212;
                input->text = "Rosengarten";
            } else {
                acted_ = true;
                Click(input, install_ ? 200 : 201);
            }
            return true;
        case kDialogDisketteOffer:
            Click(input, 2);
            return true;
        case kDialogAborted: {
            char text[600] = "";
            GetDlgItemTextA(active, 200, text, sizeof text);
            seen.push_back(std::string("104 ") + text);
            input->key = VK_RETURN;
            return true;
        }
        default:
            seen.push_back("dialog " + std::to_string(id));
            if (id == kDialogInstallDone || id == kDialogUninstallDone || id == kDialogWelcome)
                input->key = VK_RETURN;
            return true;
        }
    }
    void InputFailed(HWND, const dialogs::Input&, const std::string& why) override {
        seen.push_back("input failed: " + why);
    }

    bool Saw(const std::string& what) const {
        for (const std::string& s : seen)
            if (s == what)
                return true;
        return false;
    }
    // Whether dialog 104 was shown, and the text under its fixed one.
    bool Aborted(std::string* text) const {
        for (const std::string& s : seen)
            if (s.rfind("104 ", 0) == 0) {
                *text = s.substr(4);
                return true;
            }
        return false;
    }
    std::string Seen() const {
        std::string out;
        for (const std::string& s : seen)
            out += "[" + s + "] ";
        return out;
    }

    std::vector<std::string> seen;

  private:
    static void Click(dialogs::Input* input, int control) {
        input->kind = dialogs::Input::Kind::Click;
        input->control = control;
    }
    bool install_;
    bool typed_ = false;
    bool acted_ = false;
};

// One program run from its entry with the person.
Person RunProgram(bool install) {
    Person person(install);
    dialogs::FrontEnd* previous = dialogs::SetFrontEnd(&person);
    ResetSetupState();
    RunSetup(platform_testing::ProgramInstance());
    dialogs::SetFrontEnd(previous);
    return person;
}

bool Installed() {
    return ProfileSettings::IsPresent(kProductName, kInstalledMarkerKey) != 0;
}

// ---- The machine and what is compared ----

const char kTarget[] = "C:\\wiesenhain\\";

// A machine with the user's own settings (no value the install needs is
// missing, the screen saver switched off) and other programs' entries in the
// profile files and the registry; the medium is the current directory.
void SetUpUserMachine() {
    std::string scratch = platform_testing::BeginTestMachine();
    CreateDirectoryA((scratch + "medium").c_str(), nullptr);
    CreateDirectoryA((scratch + "alt").c_str(), nullptr);
    WriteMedium(scratch + "medium\\");
    SetCurrentDirectoryA((scratch + "medium").c_str());
    StartMachine m = GenerateMachine(7, scratch + "alt\\");
    m.tile = "1";
    m.wallpaper = "C:\\WINDOWS\\Wolken.bmp";
    m.sound = "C:\\WINDOWS\\MEDIA\\Ding.wav";
    m.icons[0] = "explorer.exe,3";
    m.icons[1] = "C:\\WINDOWS\\SYSTEM\\shell32.dll,17";
    m.binEmpty = m.icons[2] = "C:\\WINDOWS\\SYSTEM\\shell32.dll,31";
    m.binFull = "C:\\WINDOWS\\SYSTEM\\shell32.dll,32";
    m.cursors[0] = "<missing>";
    m.cursors[1] = "";
    m.cursors[2] = scratch + "alt\\hand.cur";
    for (int i = 0; i < 3; ++i)
        m.defaultCursors[i] = m.cursors[i];
    m.screenSaver = "C:\\WINDOWS\\SYSTEM\\BLUMEN.SCR";
    m.active = false;
    m.otherControlSections = true;
    SetUpMachine(m);
    WritePrivateProfileStringA("Gartenplaner", "Fenster", "10 10 400 300", "win.ini");
    WritePrivateProfileStringA("386Enh", "device", "*vshare", "system.ini");
    SetRegValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vorq\\Gartenplaner\\general", "dir",
                "C:\\Programme\\Gartenplaner");
    SetRegValue(HKEY_CURRENT_USER, "Software\\Gartenplaner", "Beete", "12");
    SetRegValue(HKEY_CURRENT_USER, kDesktopKey, "Pattern", "(None)");
}

using Registry = RegistryView;

std::string Upper(std::string s) {
    for (char& c : s)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return s;
}

bool Contains(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

bool EndsWith(const std::string& text, const char* tail) {
    size_t n = strlen(tail);
    return text.size() >= n && text.compare(text.size() - n, n, tail) == 0;
}

Registry ReadRegistry(std::string* parseError) {
    std::string text;
    machine::ReadWholeFile(machine::FolderFile("registry.reg"), &text);
    registry_store::Key machineRoot, users;
    int line = 0;
    std::string message;
    if (!registry_store::ParseFile(text, &machineRoot, &users, &line, &message))
        *parseError = "registry.reg line " + std::to_string(line) + ": " + message;
    return ParseRegistryView(text);
}

// The product's own keys.
bool IsProductKey(const std::string& key) {
    return Contains(key, "\\SOFTWARE\\VORQ\\WIESENHAIN") ||
           Contains(key, "\\UNINSTALL\\WIESENHAIN-SCR");
}

// A value the theme sets (compared by the settings view, not byte for byte).
bool IsSettingValue(const std::string& key, const std::string& name) {
    if (EndsWith(key, "\\DEFAULTICON"))
        return true;
    if (EndsWith(key, "\\CONTROL PANEL\\DESKTOP"))
        return name == "Wallpaper" || name == "TileWallpaper" || name == "ScreenSaveActive";
    if (EndsWith(key, "\\CONTROL PANEL\\COLORS"))
        return name == "Background";
    if (EndsWith(key, "\\CONTROL PANEL\\CURSORS"))
        return name == "Arrow" || name == "Wait" || name == "AppStarting";
    return EndsWith(key, "\\EMPTYRECYCLEBIN\\.CURRENT") && name == "@";
}

// Registry values that are neither the product's nor the theme's settings
// must stay as they were; a new key may come without values (reads create
// the keys they open).
std::string ForeignRegistryDifferences(const Registry& before, const Registry& after) {
    std::string out;
    for (auto& [key, values] : before) {
        if (IsProductKey(key))
            continue;
        auto now = after.find(key);
        if (now == after.end()) {
            out += "key " + key + " gone\n";
            continue;
        }
        for (auto& [name, data] : values) {
            if (IsSettingValue(key, name))
                continue;
            auto v = now->second.find(name);
            if (v == now->second.end())
                out += key + " " + name + " gone\n";
            else if (v->second != data)
                out += key + " " + name + ": " + data + " -> " + v->second + "\n";
        }
        for (auto& [name, data] : now->second)
            if (!values.count(name) && !IsSettingValue(key, name))
                out += key + " " + name + " new: " + data + "\n";
    }
    for (auto& [key, values] : after)
        if (!before.count(key) && !IsProductKey(key) && !values.empty())
            out += "key " + key + " new with values\n";
    return out;
}

// A profile file without the product's section and the screen saver entry:
// what must stay byte for byte.
std::string ForeignProfileText(const std::string& path) {
    std::string text = FileText(path);
    if (text == "<missing>")
        return "";
    std::string out;
    bool product = false;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end + 1;
        std::string line = text.substr(start, end - start);
        start = end;
        std::string upper = Upper(line);
        if (!line.empty() && line[0] == '[')
            product = upper.rfind("[WIESENHAIN]", 0) == 0;
        if (product || upper.rfind("SCRNSAVE.EXE=", 0) == 0 || upper.rfind("[BOOT]", 0) == 0)
            continue;
        out += line;
    }
    return out;
}

std::string WindowsPath(const char* name) {
    return machine::WindowsDirectory() + "\\" + name;
}

struct Snapshot {
    Registry registry;
    std::string controlIni, winIni, systemIni;
    View settings;
};

// The user's settings as the theme sees them, the display included; the
// product's own traces are left out.
View SettingsView() {
    View v = ThemeView({});
    NormalizeView(v);
    for (const char* own : {"key Wiesenhain", "key uninstall entry", "key SOFTWARE\\Vorq",
                            "shortcut", "control.ini", "system.ini"})
        v.erase(own);
    for (auto it = v.begin(); it != v.end();) { // the installed files, the icon cache
        std::string upper = Upper(it->first);
        if (Contains(upper, "\\WIESENHAIN") || Contains(upper, "SHELLICONCACHE"))
            it = v.erase(it);
        else
            ++it;
    }
    std::string saver;
    char buffer[300] = "";
    ReadProfileText("system.ini", "boot", "SCRNSAVE.EXE", buffer, sizeof buffer);
    v["screen saver"] = buffer;
    const display_state::State& d = display_state::Current();
    v["display wallpaper"] = Upper(d.wallpaper) == "(NONE)" ? "" : d.wallpaper;
    for (auto& [id, cursor] : d.systemCursors)
        v["display cursor " + std::to_string(id)] =
            cursor.fromFile ? cursor.file : "standard " + std::to_string(cursor.standardId);
    return v;
}

Snapshot Take() {
    Snapshot s;
    std::string ignored;
    s.registry = ReadRegistry(&ignored);
    s.controlIni = ForeignProfileText(WindowsPath("control.ini"));
    s.winIni = ForeignProfileText(WindowsPath("win.ini"));
    s.systemIni = ForeignProfileText(WindowsPath("system.ini"));
    s.settings = SettingsView();
    return s;
}

// Torn files and changed foreign entries.
std::string ForeignDifferences(const Snapshot& before) {
    std::string parseError;
    Registry now = ReadRegistry(&parseError);
    std::string out = parseError.empty() ? "" : parseError + "\n";
    out += ForeignRegistryDifferences(before.registry, now);
    if (ForeignProfileText(WindowsPath("control.ini")) != before.controlIni)
        out += "control.ini: another section changed\n";
    if (ForeignProfileText(WindowsPath("win.ini")) != before.winIni)
        out += "win.ini changed\n";
    if (ForeignProfileText(WindowsPath("system.ini")) != before.systemIni)
        out += "system.ini: another entry changed\n";
    return out;
}

// ---- The product's traces ----

// The records of the product's section of control.ini, by key. A line there
// that is not a whole record of a known key is noted in `torn`.
std::map<std::string, std::string> ProductRecords(std::string* torn) {
    static const char* const kKeys[] = {
        "Computer",       "Network",       "TrashEmpty",          "TrashFull",   "OldWall",
        "OldTile",        "OldColor",      "OldBinEmptyWave",     "OldCurArrow", "OldCurWait",
        "OldCurAppStart", "OldScreenSave", "OldScreenSaveActive", "InstallDir",  "SetupCopies"};
    // An item's record for a second place, and the type of a record.
    static const char* const kSuffixes[] = {"",      ".Type",     ".Default", ".Default.Type",
                                            ".User", ".User.Type"};
    std::map<std::string, std::string> records;
    std::string text = FileText(WindowsPath("control.ini"));
    if (text == "<missing>")
        return records;
    bool product = false;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? end : end - start);
        start = end == std::string::npos ? text.size() : end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line[0] == '[') {
            product = Upper(line) == "[WIESENHAIN]";
            continue;
        }
        if (!product || line.empty())
            continue;
        size_t eq = line.find('=');
        bool known = false;
        for (const char* key : kKeys)
            for (const char* suffix : kSuffixes)
                known = known || (eq != std::string::npos &&
                                  line.compare(0, eq, std::string(key) + suffix) == 0);
        if (!known || eq + 1 == line.size() || records.count(line.substr(0, eq)))
            *torn += "control.ini: torn product record \"" + line + "\"\n";
        else
            records[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return records;
}

std::string SystemPath(const char* name) {
    char buffer[MAX_PATH] = "";
    GetSystemDirectoryA(buffer, sizeof buffer);
    return std::string(buffer) + "\\" + name;
}

// Everything of the product on the machine, one line each: the product's
// section, the product's registry keys and values (by name), the installed
// files, the install directory and what is in it, the desktop shortcut.
std::set<std::string> Traces() {
    std::set<std::string> traces;
    std::string ignored;
    if (!ProductRecords(&ignored).empty() || !ignored.empty())
        traces.insert("product section");
    for (auto& [key, values] : ReadRegistry(&ignored)) {
        if (!IsProductKey(key))
            continue;
        traces.insert("key " + key);
        for (auto& [name, data] : values)
            traces.insert("value " + key + " " + name);
    }
    for (const InstallFileEntry& row : InstallFileTable::rows) {
        std::string path = row.location == LocationKind::Windows  ? WindowsPath(row.targetName)
                           : row.location == LocationKind::System ? SystemPath(row.targetName)
                                                                  : "";
        if (!path.empty() && package_test::Exists(path))
            traces.insert("file " + path);
    }
    if (package_test::Exists(std::string(kTarget, sizeof kTarget - 2)))
        traces.insert("directory " + std::string(kTarget));
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((std::string(kTarget) + "*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (strcmp(data.cFileName, ".") != 0 && strcmp(data.cFileName, "..") != 0)
                traces.insert("file " + std::string(kTarget) + data.cFileName);
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    char name[100] = "", shortcut[MAX_PATH] = "";
    LoadStringA(platform_testing::ProgramInstance(), kStringProductName, name, sizeof name);
    if (DesktopShortcutPath(shortcut, name) && package_test::Exists(shortcut))
        traces.insert("shortcut");
    return traces;
}

// What is in `a` and not in `b`, joined by ", "; the lines in `allowed` left
// out.
std::string Minus(const std::set<std::string>& a, const std::set<std::string>& b,
                  const std::set<std::string>& allowed = {}) {
    std::string out;
    for (const std::string& t : a)
        if (!b.count(t) && !allowed.count(t))
            out += (out.empty() ? "" : ", ") + t;
    return out;
}

// ---- The walk ----

enum class Procedure { Install, Uninstall };

// What clean runs on the user's machine give: the calls of every family,
// the records of a clean install and the traces it leaves.
struct Reference {
    std::vector<int> calls;
    std::map<std::string, std::string> records;
    std::set<std::string> installed;
};

// The codes an install may fail with under a fault of the family: a file not
// copied (2, also when the person cancels the search the failure starts), a
// setting not recorded (3), a package not unpacked (11), and 0 when the
// target directory cannot be made and the person cancels.
bool MayFailInstallWith(FaultFamily family, int code) {
    switch (family) {
    case FaultFamily::Copy:
        return code == 2;
    case FaultFamily::FileCreate:
    case FaultFamily::ShortWrite:
    case FaultFamily::ReadFailure:
        return code == 2 || code == 11;
    case FaultFamily::ProfileWrite:
    case FaultFamily::RegistryCreate:
        return code == 3;
    case FaultFamily::CreateDirectory:
        return code == 0;
    default:
        return false;
    }
}

// The codes a done install may carry: 0, or the code of a theme setting that
// could not be applied (4 to 10), which only a registry or profile write
// (the screen saver's entry) can cause.
bool MayFinishInstallWith(FaultFamily family, int code) {
    if (code == 0)
        return true;
    bool settingWrite = family == FaultFamily::RegistrySet ||
                        family == FaultFamily::RegistryCreate ||
                        family == FaultFamily::ProfileWrite;
    return settingWrite && code >= 4 && code <= 10;
}

// The codes an uninstall may fail with: a setting not put back (4 to 10,
// registry or profile writes) or the records not removed (3, a profile
// write).
bool MayFailUninstallWith(FaultFamily family, int code) {
    switch (family) {
    case FaultFamily::RegistrySet:
    case FaultFamily::RegistryCreate:
        return code >= 4 && code <= 10; // 10: the screen saver's active state
    case FaultFamily::ProfileWrite:
        return code == 3 || code == 10;
    case FaultFamily::RegistryDelete:
        return code == 8 || code == 9; // a value that was missing and cannot go again
    default:
        return false;
    }
}

std::string ExpectedAbortText(int code) {
    char text[600];
    FormatErrorText(code, text, sizeof text);
    return text;
}

struct Tally {
    int points = 0, run = 0, passed = 0, exceptions = 0;
};

// A fresh user machine, with the theme installed (without faults) for an
// uninstall; the user's state before the install.
Snapshot FreshMachine(Procedure procedure) {
    SetUpUserMachine();
    Snapshot original = Take();
    if (procedure == Procedure::Uninstall)
        RunProgram(true);
    return original;
}

// Later runs without faults: the theme comes off again (when it counts as
// installed) or goes on and off again; the user's settings must come back
// and no trace of the product may be left.
std::string LaterRunsRestore(const Snapshot& original) {
    if (!Installed()) {
        Person install = RunProgram(true);
        // An uninstall stopped before its last step is finished first: the
        // run shows dialog 103 and removes the entry; the next one installs.
        if (install.Saw("dialog 103") && !install.Saw("dialog 102") && !Installed())
            install = RunProgram(true);
        if (!install.Saw("dialog 102") || !Installed())
            return "a later install failed: " + install.Seen() + "\n";
    }
    Person uninstall = RunProgram(false);
    if (!uninstall.Saw("dialog 103") || Installed())
        return "a later uninstall failed: " + uninstall.Seen() + "\n";
    std::string out = Differences(original.settings, SettingsView());
    out += ForeignDifferences(original);
    std::string left = Minus(Traces(), {});
    if (!left.empty())
        out += "left after the later runs: " + left + "\n";
    return out;
}

// Runs one injection point; "" when every invariant held. `exception` is set
// to what the fault left that a clean run does not, when it left anything.
std::string RunPoint(const Reference& reference, Procedure procedure, FaultFamily family, int nth,
                     std::string* exception) {
    Snapshot original = FreshMachine(procedure);
    bool install = procedure == Procedure::Install;
    platform_testing::InjectFault(family, nth);
    Person person = RunProgram(install);
    platform_testing::ClearInjectedFaults();
    std::string out;
    int code = g_setup.errorCode;
    std::string aborted;
    bool failed = person.Aborted(&aborted);
    bool installed = Installed();

    // The result the program gave: done, or failed with dialog 104 showing
    // the text of a code that fault can cause. A failed uninstall (a setting
    // not put back, or the records not removed) keeps the theme installed.
    const char* procedureName = install ? "install" : "uninstall";
    bool done =
        install ? person.Saw("dialog 102") && person.Saw("dialog 406") : person.Saw("dialog 103");
    if (done == failed)
        out += "neither success nor failure shown, or both: " + person.Seen() + "\n";
    if (failed) {
        if (aborted != ExpectedAbortText(code))
            out += "dialog 104 shows \"" + aborted + "\" for code " + std::to_string(code) + "\n";
        if (!(install ? MayFailInstallWith(family, code) : MayFailUninstallWith(family, code)))
            out += std::string(procedureName) + " failed with code " + std::to_string(code) + "\n";
        if (installed == install)
            out += std::string("a failed ") + procedureName + " left the theme " +
                   (installed ? "installed" : "not installed") + "\n";
    }
    if (install && failed && code == 0 &&
        !person.Saw("message Das Verzeichnis konnte nicht erstellt werden."))
        out += "cancelled without the message that the directory cannot be made\n";
    if (done && installed != install)
        out += std::string(procedureName) + " shown done but the theme " +
               (installed ? "still counts as installed" : "is not installed") + "\n";
    if (install && done && !MayFinishInstallWith(family, code))
        out += "install done with code " + std::to_string(code) + "\n";

    // Whole files, foreign entries as they were.
    out += ForeignDifferences(original);
    std::string torn;
    std::map<std::string, std::string> records = ProductRecords(&torn);
    out += torn;

    // The records: those a clean install makes, each with the user's value;
    // after an uninstall all of them. Not installed: no record at all, and
    // nothing of the theme in effect.
    std::set<std::string> traces = Traces();
    std::string imperfect;
    if (installed) {
        for (auto& [key, value] : records) {
            auto clean = reference.records.find(key);
            // The copies of the installation files are listed before they
            // are made; a list not written makes none.
            if (key == kSetupCopiesKey && clean != reference.records.end() &&
                clean->second != value)
                imperfect += "the installation files not copied (" + key + "=" + value + "); ";
            else if (clean == reference.records.end() || clean->second != value)
                out += "record " + key + "=" + value + " is not the user's value\n";
        }
        std::string forgotten;
        for (auto& [key, value] : reference.records)
            if (!records.count(key))
                forgotten += (forgotten.empty() ? "" : ", ") + key;
        if (install) {
            // A setting not applied is shown nowhere (codes 4 to 10); it
            // keeps the user's value, and its record goes unless it is the
            // installed mark.
            if (code >= 4 && code <= 10)
                imperfect += "code " + std::to_string(code) + ": not applied, " +
                             (forgotten.empty() ? "its record kept as the installed mark"
                                                : "its record forgotten: " + forgotten) +
                             "; ";
            else if (!forgotten.empty())
                out += "records forgotten without a code: " + forgotten + "\n";
            std::string missing = Minus(reference.installed, traces);
            std::string more = Minus(traces, reference.installed);
            if (!missing.empty())
                imperfect += "missing: " + missing + "; ";
            if (!more.empty())
                imperfect += "more: " + more + "; ";
        } else {
            if (!forgotten.empty())
                out += "the uninstall kept the records but without " + forgotten + "\n";
            imperfect += "failed with code " + std::to_string(code) +
                         ", every record kept for a second uninstall, " +
                         std::to_string(traces.size() - 1) + " other traces left; ";
        }
    } else {
        if (!records.empty())
            out += "not installed, yet " + std::to_string(records.size()) + " records left\n";
        std::string changed = Differences(original.settings, SettingsView());
        if (!changed.empty())
            out += "not installed, yet settings changed:\n" + changed;
        // A failed install keeps the directory the person had made.
        std::set<std::string> kept;
        if (install)
            kept.insert("directory " + std::string(kTarget));
        std::string left = Minus(traces, {}, kept);
        if (!left.empty())
            imperfect += "left: " + left + "; ";
    }
    if (out.empty())
        out += LaterRunsRestore(original);
    platform_testing::EndTestMachine();
    if (!out.empty())
        out = std::string(platform_testing::FaultFamilyName(family)) + " #" + std::to_string(nth) +
              (install ? " (install)" : " (uninstall)") + ": " + out;
    *exception = imperfect;
    return out;
}

// Clean runs of the procedure: counts the calls of every family, notes the
// records and traces of a clean install.
Reference CleanRuns(Procedure procedure) {
    Reference reference;
    FreshMachine(procedure);
    std::string torn;
    if (procedure == Procedure::Uninstall) {
        reference.records = ProductRecords(&torn);
        reference.installed = Traces();
    }
    platform_testing::ResetFaultCounts();
    Person person = RunProgram(procedure == Procedure::Install);
    for (int f = 0; f < kFaultFamilyCount; ++f)
        reference.calls.push_back(platform_testing::FaultCallCount(static_cast<FaultFamily>(f)));
    EXPECT_TRUE(person.Saw(procedure == Procedure::Install ? "dialog 102" : "dialog 103"))
        << person.Seen();
    if (procedure == Procedure::Install) {
        reference.records = ProductRecords(&torn);
        reference.installed = Traces();
    } else {
        EXPECT_EQ(Minus(Traces(), {}), "");
    }
    EXPECT_EQ(torn, "");
    // Every setting recorded, among them the installed marker: the twelve
    // items, the screen saver's active state, the install directory, the
    // copies of the installation files, the logon desktop's three cursors
    // and the current user's sound, the missing screen saver entry's type.
    EXPECT_EQ(reference.records.size(), 21u);
    platform_testing::EndTestMachine();
    return reference;
}

void Walk(Procedure procedure) {
    const char* name = procedure == Procedure::Install ? "install" : "uninstall";
    Reference reference = CleanRuns(procedure);
    int total = 0;
    for (int c : reference.calls)
        total += c;
    ASSERT_GT(total, 0);
    int stride = 1;
    if (const char* forced = getenv("WIESEN_FAULT_WALK_STRIDE"))
        stride = atoi(forced) > 0 ? atoi(forced) : 1;

    std::map<std::string, int> exceptions;
    int failures = 0, index = 0, run = 0, passed = 0;
    printf("%s: %d injection points, %s run\n", name, total,
           stride == 1 ? "all" : ("one in " + std::to_string(stride)).c_str());
    for (int f = 0; f < kFaultFamilyCount; ++f) {
        FaultFamily family = static_cast<FaultFamily>(f);
        Tally tally;
        tally.points = reference.calls[f];
        for (int n = 1; n <= tally.points; ++n, ++index) {
            if (index % stride != 0)
                continue;
            ++tally.run;
            std::string exception;
            std::string problem = RunPoint(reference, procedure, family, n, &exception);
            if (problem.empty())
                ++tally.passed;
            if (!exception.empty()) {
                ++tally.exceptions;
                ++exceptions[std::string(platform_testing::FaultFamilyName(family)) + ": " +
                             exception];
            }
            if (!problem.empty() && ++failures <= 40)
                ADD_FAILURE() << problem;
        }
        run += tally.run;
        passed += tally.passed;
        printf("  %-16s %4d points, %4d run, %4d passed (%d expected exceptions)\n",
               platform_testing::FaultFamilyName(family), tally.points, tally.run, tally.passed,
               tally.exceptions);
    }
    for (auto& [what, times] : exceptions)
        printf("  expected exception, %d times: %s\n", times, what.c_str());
    printf("%s: %d injection points, %d run, %d passed\n", name, total, run, passed);
    EXPECT_EQ(failures, 0);
}

// The machines live in memory where there is a memory file system: every
// registry and profile change is flushed to disk, which a disk makes slow.
class FaultWalk : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* tmp = getenv("TMPDIR");
        saved_ = tmp ? tmp : "";
        hadTmp_ = tmp != nullptr;
        if (access("/dev/shm", W_OK) == 0)
            setenv("TMPDIR", "/dev/shm", 1);
    }
    void TearDown() override {
        if (hadTmp_)
            setenv("TMPDIR", saved_.c_str(), 1);
        else
            unsetenv("TMPDIR");
    }
    std::string saved_;
    bool hadTmp_ = false;
};

TEST_F(FaultWalk, InstallSurvivesEverySingleFault) {
    Walk(Procedure::Install);
}

TEST_F(FaultWalk, UninstallSurvivesEverySingleFault) {
    Walk(Procedure::Uninstall);
}

} // namespace
