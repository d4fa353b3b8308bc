// The emulated registry's store: the fresh machine's keys, the file
// registry.reg (persistence, atomic replacement, damaged files) and its
// import by Wine's regedit.
#include "platform/posix/kernel/machine.h"
#include "platform/posix/registry/registry_store.h"
#include "platform/win32.h"
#include "tests/native/host_files.h"
#include "tests/support/test_machine.h"

#include <dirent.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

namespace {

using RegistryStore = MachineTest;

std::string RegistryFile() {
    return machine::FolderFile("registry.reg");
}

void Reopen() {
    std::string folder = machine::Folder(); // a copy: Open closes the machine first
    std::string error;
    ASSERT_TRUE(machine::Open(folder, "", &error)) << error;
}

struct Stored {
    LONG result = ERROR_FILE_NOT_FOUND;
    DWORD type = REG_NONE;
    std::string data;
};

Stored Query(HKEY root, const std::string& path, const std::string& name) {
    Stored s;
    HKEY key;
    s.result = RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key);
    if (s.result != ERROR_SUCCESS)
        return s;
    char buffer[1024];
    DWORD size = sizeof buffer;
    s.result = RegQueryValueExA(key, name.c_str(), nullptr, &s.type,
                                reinterpret_cast<LPBYTE>(buffer), &size);
    if (s.result == ERROR_SUCCESS)
        s.data.assign(buffer, size);
    RegCloseKey(key);
    return s;
}

std::string Text(const char* text) {
    return std::string(text, strlen(text) + 1); // with its terminator
}

TEST_F(RegistryStore, FreshMachineHoldsWhatTheThemeTouches) {
    const char* icons = "CLSID\\{20D04FE0-3AEA-1069-A2D8-08002B30309D}\\DefaultIcon";
    EXPECT_EQ(Query(HKEY_CLASSES_ROOT, icons, "").data, Text("explorer.exe,0"));
    const char* network = "CLSID\\{208D2C60-3AEA-1069-A2D7-08002B30309D}\\DefaultIcon";
    EXPECT_EQ(Query(HKEY_CLASSES_ROOT, network, "").result, ERROR_SUCCESS);
    const char* bin = "CLSID\\{645FF040-5081-101B-9F08-00AA002F954E}\\DefaultIcon";
    Stored empty = Query(HKEY_CLASSES_ROOT, bin, "empty");
    EXPECT_EQ(empty.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(Query(HKEY_CLASSES_ROOT, bin, "").data, empty.data);
    EXPECT_NE(Query(HKEY_CLASSES_ROOT, bin, "full").data, empty.data);
    for (const char* name : {"Wallpaper", "TileWallpaper", "ScreenSaveActive"})
        EXPECT_EQ(Query(HKEY_CURRENT_USER, "Control Panel\\Desktop", name).type,
                  static_cast<DWORD>(REG_SZ))
            << name;
    EXPECT_EQ(Query(HKEY_CURRENT_USER, "Control Panel\\Colors", "Background").data,
              Text("0 128 128"));
    for (const char* name : {"Arrow", "Wait", "AppStarting"}) {
        EXPECT_EQ(Query(HKEY_CURRENT_USER, "Control Panel\\Cursors", name).data, Text(""));
        EXPECT_EQ(Query(HKEY_USERS, ".Default\\Control Panel\\Cursors", name).data, Text(""));
    }
    EXPECT_EQ(Query(HKEY_USERS,
                    ".Default\\AppEvents\\Schemes\\Apps\\Explorer\\EmptyRecycleBin\\"
                    ".current",
                    "")
                  .type,
              static_cast<DWORD>(REG_SZ));
    // The seed was written out, and the roots that are views are not stored.
    std::string file = HostRead(RegistryFile());
    EXPECT_EQ(file.rfind("REGEDIT4\r\n", 0), 0u);
    EXPECT_NE(file.find("[HKEY_USERS\\Benutzer\\Control Panel\\Colors]\r\n"
                        "\"Background\"=\"0 128 128\"\r\n"),
              std::string::npos);
    EXPECT_EQ(file.find("HKEY_CURRENT_USER"), std::string::npos);
    EXPECT_EQ(file.find("HKEY_CLASSES_ROOT"), std::string::npos);
}

TEST_F(RegistryStore, CurrentUserAndDefaultUserAreDistinct) {
    ASSERT_TRUE(RegSetValueExA(HKEY_CURRENT_USER, "nur-hier", 0, REG_SZ,
                               reinterpret_cast<const BYTE*>("x"), 2) == ERROR_SUCCESS);
    EXPECT_EQ(Query(HKEY_USERS, "Benutzer", "nur-hier").data, Text("x"));
    EXPECT_EQ(Query(HKEY_USERS, ".Default", "nur-hier").result, ERROR_FILE_NOT_FOUND);
    // The keys behind predefined roots cannot be deleted.
    EXPECT_EQ(RegDeleteKeyA(HKEY_USERS, "Benutzer"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, ""), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, ""), ERROR_ACCESS_DENIED);
}

struct OddValue {
    const char* name;
    DWORD type;
    std::string data;
};

TEST_F(RegistryStore, EveryTypeAndOddNameSurvivesAReopen) {
    std::string all;
    for (int i = 0; i < 256; ++i)
        all += static_cast<char>(i);
    const std::vector<OddValue> values = {
        {"", REG_SZ, Text("Standardwert")},
        {"a\"b\\c=d]e", REG_SZ,
         Text("Gr\xFC\xDF"
              "e \"zitiert\" C:\\WINDOWS\\ [x]=y")},
        {"Schl\xFC"
         "ssel mit \xC4",
         REG_SZ, Text("\x80\xA0\xFF")},
        {"ohne Null", REG_SZ, std::string("hallo", 5)},
        {"Null drin", REG_SZ, std::string("ab\0cd\0", 6)},
        {"leer", REG_SZ, std::string()},
        {"zeilen\r\nname", REG_SZ, Text("eins\r\nzwei")},
        {"erweitert", REG_EXPAND_SZ, Text("%windir%\\x")},
        {"mehrere", REG_MULTI_SZ, std::string("a\0b\0\0", 5)},
        {"zahl", REG_DWORD, std::string("\x2A\0\0\x80", 4)},
        {"kurze zahl", REG_DWORD, std::string("\x01\x02", 2)},
        {"bytes", REG_BINARY, all},
        {"nichts", REG_NONE, std::string()},
        {"eigen", 0x1234, std::string("\x01", 1)},
    };
    const std::string path = "SOFTWARE\\Vorq\\Schl\xFC"
                             "ssel ]=\"x\"\\ Leer ";
    HKEY key;
    ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, path.c_str(), &key), ERROR_SUCCESS);
    for (const OddValue& v : values)
        ASSERT_EQ(RegSetValueExA(key, v.name, 0, v.type,
                                 reinterpret_cast<const BYTE*>(v.data.data()),
                                 static_cast<DWORD>(v.data.size())),
                  ERROR_SUCCESS)
            << v.name;
    RegCloseKey(key);
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\LeererSchluessel", &key), ERROR_SUCCESS);
    RegCloseKey(key);

    std::string file = HostRead(RegistryFile());
    EXPECT_NE(file.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vorq\\Schl\xFC"
                        "ssel ]=\"x\"\\ Leer ]\r\n"),
              std::string::npos);
    EXPECT_NE(file.find("\r\n\"a\\\"b\\\\c=d]e\"=\"Gr\xFC\xDF"
                        "e \\\"zitiert\\\" C:\\\\WINDOWS\\\\ "
                        "[x]=y\"\r\n"),
              std::string::npos);
    EXPECT_NE(file.find("\r\n\"zahl\"=dword:8000002a\r\n"), std::string::npos);
    EXPECT_NE(file.find("\r\n\"ohne Null\"=hex(1):68,61,6c,6c,6f\r\n"), std::string::npos);

    Reopen();
    for (const OddValue& v : values) {
        Stored s = Query(HKEY_LOCAL_MACHINE, path, v.name);
        ASSERT_EQ(s.result, ERROR_SUCCESS) << v.name;
        EXPECT_EQ(s.type, v.type) << v.name;
        EXPECT_EQ(s.data, v.data) << v.name;
    }
    ASSERT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "software\\leererschluessel", &key), ERROR_SUCCESS);
    RegCloseKey(key);
    // Written again unchanged, the file is the same text.
    ASSERT_EQ(RegSetValueExA(HKEY_CURRENT_USER, "", 0, REG_NONE, nullptr, 0), ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteValueA(HKEY_CURRENT_USER, ""), ERROR_SUCCESS);
    EXPECT_EQ(HostRead(RegistryFile()), file);
}

TEST_F(RegistryStore, HandlesDieWithTheMachine) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\X", &key), ERROR_SUCCESS);
    Reopen();
    EXPECT_EQ(RegSetValueExA(key, "v", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2),
              ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
    std::string folder = machine::Folder();
    machine::Close();
    EXPECT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\X", &key), ERROR_CANTOPEN);
    std::string error;
    ASSERT_TRUE(machine::Open(folder, "", &error)) << error;
    EXPECT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Software\\X", &key), ERROR_SUCCESS);
    RegCloseKey(key);
}

std::vector<std::string> LeftoverTempFiles() {
    std::vector<std::string> names;
    DIR* dir = opendir(machine::Folder().c_str());
    while (dirent* e = dir ? readdir(dir) : nullptr)
        if (strncmp(e->d_name, "registry.reg.", 13) == 0)
            names.push_back(e->d_name);
    if (dir)
        closedir(dir);
    return names;
}

// A write that breaks off (here: the file size limit stops it after one
// byte) leaves the old file and undoes the change in memory.
TEST_F(RegistryStore, HalfWrittenFileNeverReplacesTheOld) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Bleibt", &key), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, "alt", 0, REG_SZ, reinterpret_cast<const BYTE*>("1"), 2),
              ERROR_SUCCESS);
    const std::string before = HostRead(RegistryFile());

    struct rlimit old, tiny;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    tiny = old;
    tiny.rlim_cur = 1;
    void (*oldHandler)(int) = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tiny), 0);
    HKEY sub = nullptr;
    LONG set = RegSetValueExA(key, "neu", 0, REG_SZ, reinterpret_cast<const BYTE*>("2"), 2);
    LONG change =
        RegSetValueExA(key, "alt", 0, REG_DWORD, reinterpret_cast<const BYTE*>("abcd"), 4);
    LONG remove = RegDeleteValueA(key, "alt");
    LONG create = RegCreateKeyA(key, "Kind\\Enkel", &sub);
    LONG drop = RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Bleibt");
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(set, ERROR_CANTWRITE);
    EXPECT_EQ(change, ERROR_CANTWRITE);
    EXPECT_EQ(remove, ERROR_CANTWRITE);
    EXPECT_EQ(create, ERROR_CANTWRITE);
    EXPECT_EQ(drop, ERROR_CANTWRITE);
    EXPECT_EQ(HostRead(RegistryFile()), before);
    EXPECT_TRUE(LeftoverTempFiles().empty());
    // Memory agrees with the file.
    EXPECT_EQ(Query(HKEY_CURRENT_USER, "Software\\Bleibt", "neu").result, ERROR_FILE_NOT_FOUND);
    Stored alt = Query(HKEY_CURRENT_USER, "Software\\Bleibt", "alt");
    EXPECT_EQ(alt.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(alt.data, Text("1"));
    EXPECT_EQ(RegOpenKeyA(key, "Kind", &sub), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegSetValueExA(key, "neu", 0, REG_SZ, reinterpret_cast<const BYTE*>("2"), 2),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

struct Damage {
    const char* text;
    int line;
    const char* what;
};

void PrintTo(const Damage& d, std::ostream* out) {
    *out << "line " << d.line << ", " << d.what;
}

class DamagedRegistry : public MachineTest, public ::testing::WithParamInterface<Damage> {};

TEST_P(DamagedRegistry, IsRefusedWithFileAndLineAndLeftAlone) {
    const Damage& d = GetParam();
    HostWrite(RegistryFile(), d.text);
    Reopen();
    HKEY key;
    testing::internal::CaptureStderr();
    EXPECT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Software", &key), ERROR_BADDB);
    EXPECT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Neu", &key), ERROR_BADDB);
    EXPECT_EQ(
        RegSetValueExA(HKEY_LOCAL_MACHINE, "v", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2),
        ERROR_BADDB);
    std::string printed = testing::internal::GetCapturedStderr();
    const std::string& message = registry_store::LoadError();
    std::string where = RegistryFile() + " line " + std::to_string(d.line) + ": ";
    EXPECT_EQ(message.rfind(where, 0), 0u) << message;
    EXPECT_NE(message.find(d.what), std::string::npos) << message;
    EXPECT_EQ(printed, message + "\n"); // once
    EXPECT_EQ(HostRead(RegistryFile()), d.text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DamagedRegistry,
    ::testing::Values(
        Damage{"", 1, "empty"}, Damage{"Windows Registry Editor Version 5.00\r\n", 1, "REGEDIT4"},
        Damage{"REGEDIT4\r\n\"a\"=\"x\"\r\n", 2, "before the first key"},
        Damage{"REGEDIT4\r\n\r\n[HKEY_USERS\\x]\r\n\"a\"=\"ok\"\r\n\"b\"=\"offen\r\n", 5,
               "closing \""},
        Damage{"REGEDIT4\r\n[HKEY_USERS\\x\r\n", 2, "closing ]"},
        Damage{"REGEDIT4\r\n[HKEY_ANYWHERE\\x]\r\n", 2, "unknown root"},
        Damage{"REGEDIT4\r\n[HKEY_USERS\\x]\r\n\"d\"=dword:123456789\r\n", 3, "dword"},
        Damage{"REGEDIT4\r\n[HKEY_USERS\\x]\r\n\"h\"=hex:01,\\\r\n  0g\r\n", 3, "hex"},
        Damage{"REGEDIT4\r\n[HKEY_USERS\\x]\r\n\"h\"=text\r\n", 3, "unrecognised value"},
        Damage{"REGEDIT4\r\n[HKEY_USERS\\x]\r\nirgendwas\r\n", 3, "unrecognised line"},
        Damage{"REGEDIT4\r\n[-HKEY_USERS\\x]\r\n", 2, "deletion"}));

TEST_F(RegistryStore, ReadsAHandWrittenFile) {
    HostWrite(RegistryFile(), "REGEDIT4\n"
                              "; comments and LF line ends are fine\n"
                              "[HKEY_CLASSES_ROOT\\.wgp]\n"
                              "@=\"Gartenplan\"\n"
                              "\n"
                              "[HKEY_CURRENT_USER\\Control Panel\\Desktop]  \n"
                              "\"Wallpaper\"=\"C:\\\\WINDOWS\\\\Wiese.bmp\"\n"
                              "\"Bytes\"=hex:01, 02 ,\\\n"
                              "    03,\n"
                              "\"Zahl\"=dword:2A\n");
    Reopen();
    EXPECT_EQ(Query(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\.WGP", "").data, Text("Gartenplan"));
    EXPECT_EQ(Query(HKEY_USERS, "Benutzer\\Control Panel\\Desktop", "Wallpaper").data,
              Text("C:\\WINDOWS\\Wiese.bmp"));
    EXPECT_EQ(Query(HKEY_CURRENT_USER, "Control Panel\\Desktop", "Bytes").data, "\x01\x02\x03");
    EXPECT_EQ(Query(HKEY_CURRENT_USER, "Control Panel\\Desktop", "Zahl").data,
              std::string("\x2A\0\0\0", 4));
    // The predefined roots' keys exist even when the file lacks them.
    HKEY key;
    EXPECT_EQ(RegOpenKeyA(HKEY_USERS, ".Default", &key), ERROR_SUCCESS);
}

TEST_F(RegistryStore, AFileOutOfOrderLoadsInNameOrder) {
    // Values and keys as a hand or another tool may write them: unordered,
    // in mixed case, a key given twice.
    HostWrite(RegistryFile(), "REGEDIT4\n"
                              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zaun]\n"
                              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\beet]\n"
                              "\"rose\"=\"1\"\n"
                              "\"Aster\"=\"2\"\n"
                              "\"Mohn\"=\"3\"\n"
                              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Beet]\n"
                              "\"ROSE\"=\"4\"\n"
                              "\"dahlie\"=\"5\"\n");
    Reopen();
    HKEY key;
    ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\BEET", &key), ERROR_SUCCESS);
    std::vector<std::string> names;
    char name[32];
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof name;
        if (RegEnumValueA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.push_back(name);
    }
    RegCloseKey(key);
    EXPECT_EQ(names, (std::vector<std::string>{"Aster", "dahlie", "Mohn", "rose"}));
    EXPECT_EQ(Query(HKEY_LOCAL_MACHINE, "SOFTWARE\\Beet", "Rose").data, Text("4"));
    EXPECT_EQ(Query(HKEY_LOCAL_MACHINE, "SOFTWARE\\beet", "MOHN").data, Text("3"));
    EXPECT_EQ(Query(HKEY_LOCAL_MACHINE, "SOFTWARE\\zaun", "").result, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(Query(HKEY_LOCAL_MACHINE, "SOFTWARE\\Beet", "Tulpe").result, ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryStore, AMissingFileIsSeededAgain) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Weg", &key), ERROR_SUCCESS);
    RegCloseKey(key);
    ASSERT_EQ(unlink(RegistryFile().c_str()), 0);
    Reopen();
    EXPECT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Software\\Weg", &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(Query(HKEY_CURRENT_USER, "Control Panel\\Colors", "Background").data,
              Text("0 128 128"));
    EXPECT_EQ(registry_store::LoadError(), "");
}

// ---- Interoperability: Wine's regedit imports the file ----

std::string FindProgram(const std::vector<std::string>& candidates) {
    for (const std::string& c : candidates) {
        if (c.find('/') != std::string::npos) {
            if (access(c.c_str(), X_OK) == 0)
                return c;
            continue;
        }
        std::string command = "command -v " + c + " 2>/dev/null";
        FILE* p = popen(command.c_str(), "r");
        char line[512] = "";
        bool found = p && fgets(line, sizeof line, p);
        if (p)
            pclose(p);
        if (found) {
            std::string path = line;
            while (!path.empty() && (path.back() == '\n' || path.back() == '\r'))
                path.pop_back();
            return path;
        }
    }
    return "";
}

// Runs a shell command, its output going to a file rather than a pipe: the
// Wine services it starts may live on with the pipe's end.
std::string RunCommand(const std::string& command, const std::string& outputFile) {
    std::string full = command + " >'" + outputFile + "' 2>&1 </dev/null";
    if (system(full.c_str()) == -1)
        return "";
    return HostRead(outputFile);
}

// The text of a value line of "reg query" output: "    name    TYPE    data".
std::string RegQueryLine(const std::string& output, const std::string& name,
                         const std::string& type) {
    std::string head = "    " + name + "    " + type + "    ";
    size_t at = output.find(head);
    if (at == std::string::npos)
        return "<missing>";
    size_t end = output.find_first_of("\r\n", at);
    return output.substr(at + head.size(), end - at - head.size());
}

TEST_F(RegistryStore, WineRegeditImportsTheFile) {
    std::string wine = FindProgram({"/usr/lib/wine/wine64", "wine64", "wine"});
    std::string server = FindProgram({"/usr/lib/wine/wineserver", "wineserver"});
    if (wine.empty() || server.empty())
        GTEST_SKIP() << "wine is not installed";

    const char* path = "Software\\WiesenInterop\\Schl\xFC"
                       "ssel ]=x";
    HKEY key;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, path, &key), ERROR_SUCCESS);
    auto set = [&](const char* name, DWORD type, const std::string& data) {
        ASSERT_EQ(RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                                 static_cast<DWORD>(data.size())),
                  ERROR_SUCCESS);
    };
    set("", REG_SZ, Text("standard"));
    set("a\"b\\c=d]e", REG_SZ,
        Text("Gr\xFC\xDF"
             "e \"zitiert\" C:\\x"));
    set("zahl", REG_DWORD, std::string("\x2A\0\0\0", 4));
    std::string bytes;
    for (int i = 0; i < 40; ++i) // long enough for continuation lines
        bytes += static_cast<char>(i * 7);
    set("roh", REG_BINARY, bytes);
    set("erweitert", REG_EXPAND_SZ, Text("%WINDIR%\\x"));
    RegCloseKey(key);

    char folder[] = "/tmp/wiesen-wine-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    std::string env = std::string("WINEPREFIX=") + folder + "/prefix WINEDEBUG=-all ";
    std::string windowsPath = "Z:" + RegistryFile();
    for (char& c : windowsPath)
        if (c == '/')
            c = '\\';
    // Wine keeps keys under HKEY_USERS other than its own user's and
    // .Default only while its server runs: make the prefix, then keep its
    // server running until the values are read back.
    // (wineserver -p goes into the background by itself.)
    std::string log = std::string(folder) + "/output";
    RunCommand(env + wine + " wineboot -i", log);
    RunCommand(env + server + " -p", log);
    RunCommand(env + wine + " regedit /S '" + windowsPath + "'", log);
    // (The command line takes ASCII only: query the parent, with subkeys.)
    std::string out = RunCommand(
        env + wine + " reg query 'HKEY_USERS\\Benutzer\\Software\\WiesenInterop' /s", log);
    RunCommand(env + server + " -k", log);
    RunCommand(std::string("rm -rf ") + folder, "/dev/null");

    // reg prints in the console code page (850): u-umlaut 0x81, sharp s 0xE1.
    EXPECT_NE(out.find("HKEY_USERS\\Benutzer\\Software\\WiesenInterop\\Schl\x81ssel ]=x"),
              std::string::npos)
        << out;
    EXPECT_EQ(RegQueryLine(out, "(Default)", "REG_SZ"), "standard");
    EXPECT_EQ(RegQueryLine(out, "a\"b\\c=d]e", "REG_SZ"), "Gr\x81\xE1"
                                                          "e \"zitiert\" C:\\x");
    EXPECT_EQ(RegQueryLine(out, "zahl", "REG_DWORD"), "0x2a");
    std::string hex;
    for (char c : bytes) {
        char two[3];
        snprintf(two, sizeof two, "%02X", static_cast<unsigned char>(c));
        hex += two;
    }
    EXPECT_EQ(RegQueryLine(out, "roh", "REG_BINARY"), hex);
    EXPECT_EQ(RegQueryLine(out, "erweitert", "REG_EXPAND_SZ"), "%WINDIR%\\x");
}

} // namespace
