// The emulated machine's 64-bit Windows (platform/posix/kernel/wow64.h): its record
// in machine.ini, where WOW64's redirections put files and keys on the host
// and in registry.reg, a machine without the Sysnative alias, a 32-bit
// machine untouched by all of it, and the install on a machine without the
// alias. (What a program sees of WOW64, matched against Wine, is in
// tests/wow64_test.cpp.)
#include "engine/install.h"
#include "platform/posix/kernel/machine.h"
#include "platform/posix/kernel/trace.h"
#include "platform/win32.h"
#include "tests/native/host_files.h"
#include "state/setup_state.h"
#include "tests/native/registry_view.h"
#include "tests/native/shell_command.h"
#include "tests/support/package_files.h"
#include "tests/support/test_machine.h"
#include "tests/support/theme_machine.h"

#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using platform_testing::MachineFlavour;

namespace {

bool HostExists(const std::string& host) {
    struct stat st;
    return stat(host.c_str(), &st) == 0;
}

// A path of drive C on the host.
std::string HostC(const std::string& below) {
    return machine::Folder() + "/drives/c/" + below;
}

class Machine64 : public MachineTest {
  protected:
    void SetUp() override {
        flavour = MachineFlavour::Windows64;
        MachineTest::SetUp();
    }
    // Opens a new machine folder beside the test's own.
    bool OpenNew(const std::string& name, machine::Architecture fresh, std::string* error) {
        folder = machine::Folder() + "/../" + name;
        return machine::Open(folder, "", error, fresh);
    }
    std::string folder;
};

using Machine32 = MachineTest;

// ---- The machine's record ----

TEST_F(Machine64, IsMadeAs64BitWindowsAndStaysSo) {
    EXPECT_EQ(machine::MachineArchitecture(), machine::Architecture::X64);
    EXPECT_NE(HostRead(machine::Folder() + "/machine.ini").find("architecture=x64\r\n"),
              std::string::npos);
    char buffer[MAX_PATH];
    ASSERT_EQ(GetSystemDirectoryA(buffer, sizeof buffer), 19u);
    EXPECT_STREQ(buffer, "C:\\WINDOWS\\SYSTEM32");
    EXPECT_TRUE(HostExists(HostC("WINDOWS/SYSTEM32")));
    EXPECT_TRUE(HostExists(HostC("WINDOWS/SysWOW64")));
    EXPECT_FALSE(HostExists(HostC("WINDOWS/SYSTEM")));
    // Opened again, asked for a 32-bit machine: it is the one it was made.
    std::string made = machine::Folder(), error;
    ASSERT_TRUE(machine::Open(made, "", &error, machine::Architecture::X86)) << error;
    EXPECT_EQ(machine::MachineArchitecture(), machine::Architecture::X64);
}

TEST_F(Machine64, AMachineIniThatNamesNoArchitectureIsRefused) {
    std::string made = machine::Folder(), error;
    machine::Close();
    for (std::string line : {"architecture=arm64", "sysnative=vielleicht"}) {
        std::ofstream(made + "/machine.ini") << "[machine]\r\nversion=1\r\n" << line << "\r\n";
        EXPECT_FALSE(machine::Open(made, "", &error)) << line;
        EXPECT_NE(error.find("machine.ini"), std::string::npos) << error;
        EXPECT_NE(error.find(line.substr(line.find('=') + 1)), std::string::npos) << error;
    }
    // A machine.ini of a machine made before there was a choice.
    std::ofstream(made + "/machine.ini") << "[machine]\r\nversion=1\r\n";
    ASSERT_TRUE(machine::Open(made, "", &error)) << error;
    EXPECT_EQ(machine::MachineArchitecture(), machine::Architecture::X86);
}

// Making a machine writes machine.ini first and puts drive C in place last:
// a making cut short anywhere in between is done again on the next opening,
// with the architecture it was given.
TEST_F(Machine64, AMakingCutShortIsDoneAgainWithItsArchitecture) {
    std::string error;
    ASSERT_TRUE(OpenNew("half", machine::Architecture::X64, &error)) << error;
    machine::Close();
    std::filesystem::rename(folder + "/drives/c", folder + "/drives/c.new");
    std::filesystem::remove(folder + "/drives/c.new/WINDOWS/WIN.INI");
    ASSERT_TRUE(machine::Open(folder, "", &error, machine::Architecture::X86)) << error;
    EXPECT_EQ(machine::MachineArchitecture(), machine::Architecture::X64);
    EXPECT_NE(GetFileAttributesA("C:\\WINDOWS\\WIN.INI"), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(GetFileAttributesA("C:\\WINDOWS\\SysWOW64"), INVALID_FILE_ATTRIBUTES);
}

// The host killed at every change of making a machine: once machine.ini is
// written the machine keeps the architecture it was given, and every folder
// left behind opens as a whole machine.
TEST(MachineMaking, KilledAtAnyChangeKeepsItsArchitecture) {
    char pattern[] = "/tmp/wiesen-making-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    std::string folder = std::string(pattern) + "/machine";
    int n = 1;
    for (bool killed = true; killed && n < 500; ++n) {
        std::filesystem::remove_all(folder);
        int status = 0;
        RunShell("exec " + ShellQuote(WIESEN_SETUP_HOST) + " --machine " + ShellQuote(folder) +
                     " --architecture x64 --scenario /dev/null --crash-at-change " +
                     std::to_string(n) + " 2>/dev/null",
                 &status);
        killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
        bool recorded = HostExists(folder + "/machine.ini");
        std::string error;
        ASSERT_TRUE(machine::Open(folder, "", &error)) << "killed at change " << n << ": " << error;
        EXPECT_EQ(machine::MachineArchitecture(),
                  recorded ? machine::Architecture::X64 : machine::Architecture::X86)
            << "killed at change " << n;
        EXPECT_NE(GetFileAttributesA("C:\\WINDOWS\\WIN.INI"), INVALID_FILE_ATTRIBUTES) << n;
        machine::Close();
    }
    EXPECT_GT(n, 20) << "the making has its changes";
    std::filesystem::remove_all(pattern);
}

// ---- Files ----

TEST_F(Machine64, RedirectedFilesLieInSysWOW64AndTheTraceSaysSo) {
    std::vector<std::string> lines;
    trace::SetSink([&](const std::string& line) { lines.push_back(line); });
    ASSERT_TRUE(package_test::WriteWholeFile("C:\\WINDOWS\\SYSTEM32\\umgeleitet.txt", "32"));
    ASSERT_TRUE(package_test::WriteWholeFile("C:\\WINDOWS\\Sysnative\\nativ.txt", "64"));
    ASSERT_TRUE(CopyFileA("C:\\WINDOWS\\WIN.INI", "C:\\WINDOWS\\system32\\kopie.ini", FALSE));
    trace::SetSink(nullptr);
    EXPECT_EQ(HostRead(HostC("WINDOWS/SysWOW64/umgeleitet.txt")), "32");
    EXPECT_EQ(HostRead(HostC("WINDOWS/SYSTEM32/nativ.txt")), "64");
    EXPECT_TRUE(HostExists(HostC("WINDOWS/SysWOW64/kopie.ini")));
    EXPECT_FALSE(HostExists(HostC("WINDOWS/SYSTEM32/umgeleitet.txt")));
    auto traced = [&](const std::string& text) {
        for (const std::string& line : lines)
            if (line.find(text) != std::string::npos)
                return true;
        return false;
    };
    EXPECT_TRUE(traced("C:\\WINDOWS\\SysWOW64\\umgeleitet.txt"));
    EXPECT_TRUE(traced("C:\\WINDOWS\\Sysnative\\nativ.txt"));
    EXPECT_TRUE(traced("-> C:\\WINDOWS\\SysWOW64\\kopie.ini"));

    // The directories both views share; the current directory keeps its name.
    ASSERT_TRUE(CreateDirectoryA("C:\\WINDOWS\\Sysnative\\drivers", nullptr));
    ASSERT_TRUE(CreateDirectoryA("C:\\WINDOWS\\Sysnative\\drivers\\etc", nullptr));
    ASSERT_TRUE(package_test::WriteWholeFile("C:\\WINDOWS\\SYSTEM32\\drivers\\etc\\hosts", "h"));
    EXPECT_EQ(HostRead(HostC("WINDOWS/SYSTEM32/drivers/etc/hosts")), "h");
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\WINDOWS\\SYSTEM32"));
    char current[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, current);
    EXPECT_STREQ(current, "C:\\WINDOWS\\SYSTEM32");
    ASSERT_TRUE(package_test::WriteWholeFile("relativ.txt", "r"));
    EXPECT_TRUE(HostExists(HostC("WINDOWS/SysWOW64/relativ.txt")));
}

// Redirection off belongs to the thread that switched it and to the
// machine it was switched on: the next machine starts with it on.
TEST_F(Machine64, RedirectionOffLastsUntilRevertedOrTheNextMachine) {
    PVOID outer = nullptr, inner = nullptr;
    ASSERT_TRUE(Wow64DisableWow64FsRedirection(&outer));
    ASSERT_TRUE(Wow64DisableWow64FsRedirection(&inner));
    ASSERT_TRUE(Wow64RevertWow64FsRedirection(inner));
    ASSERT_TRUE(package_test::WriteWholeFile("C:\\WINDOWS\\SYSTEM32\\aus.txt", "x"));
    EXPECT_TRUE(HostExists(HostC("WINDOWS/SYSTEM32/aus.txt"))) << "still off after the inner";
    ASSERT_TRUE(Wow64RevertWow64FsRedirection(outer));
    ASSERT_TRUE(package_test::WriteWholeFile("C:\\WINDOWS\\SYSTEM32\\an.txt", "x"));
    EXPECT_TRUE(HostExists(HostC("WINDOWS/SysWOW64/an.txt")));

    ASSERT_TRUE(Wow64DisableWow64FsRedirection(&outer));
    std::string made = machine::Folder(), error;
    ASSERT_TRUE(machine::Open(made, "", &error)) << error;
    ASSERT_TRUE(package_test::WriteWholeFile("C:\\WINDOWS\\SYSTEM32\\wieder.txt", "x"));
    EXPECT_TRUE(HostExists(HostC("WINDOWS/SysWOW64/wieder.txt")));
}

TEST_F(Machine32, A64BitMachineWithoutTheAliasHasNoSysnative) {
    std::string made = machine::Folder() + "/../xp", error;
    ASSERT_TRUE(machine::Open(made, "", &error, machine::Architecture::X64WithoutSysnative));
    EXPECT_NE(HostRead(made + "/machine.ini").find("sysnative=no\r\n"), std::string::npos);
    EXPECT_EQ(GetFileAttributesA("C:\\WINDOWS\\Sysnative"), INVALID_FILE_ATTRIBUTES);
    BOOL wow64 = FALSE;
    EXPECT_TRUE(IsWow64Process(GetCurrentProcess(), &wow64) && wow64);
    PVOID state = nullptr;
    ASSERT_TRUE(Wow64DisableWow64FsRedirection(&state));
    ASSERT_TRUE(package_test::WriteWholeFile("C:\\WINDOWS\\SYSTEM32\\nativ.txt", "64"));
    Wow64RevertWow64FsRedirection(state);
    EXPECT_TRUE(HostExists(made + "/drives/c/WINDOWS/SYSTEM32/nativ.txt"));
}

// On the 32-bit machine there is none of it: no WOW64 function to find, no
// redirection, and the registry's view flags change nothing.
TEST_F(Machine32, A32BitMachineKnowsNoWow64) {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    ASSERT_NE(kernel, nullptr);
    EXPECT_EQ(GetModuleHandleA("user64.dll"), nullptr);
    for (const char* name : {"IsWow64Process", "Wow64DisableWow64FsRedirection",
                             "Wow64RevertWow64FsRedirection", "GetSystemWow64DirectoryA"}) {
        EXPECT_EQ(GetProcAddress(kernel, name), nullptr) << name;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
    }
    BOOL wow64 = TRUE;
    EXPECT_TRUE(IsWow64Process(GetCurrentProcess(), &wow64));
    EXPECT_FALSE(wow64);
    PVOID state = nullptr;
    EXPECT_FALSE(Wow64DisableWow64FsRedirection(&state));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FUNCTION));
    EXPECT_EQ(GetFileAttributesA("C:\\WINDOWS\\Sysnative"), INVALID_FILE_ATTRIBUTES);
    ASSERT_TRUE(
        theme_test::SetRegValue(HKEY_CLASSES_ROOT, "CLSID\\{1}", "", "eins", KEY_WOW64_64KEY));
    EXPECT_EQ(theme_test::RegValue(HKEY_CLASSES_ROOT, "CLSID\\{1}", "", KEY_WOW64_32KEY), "eins");
    EXPECT_EQ(ReadRegistryView().count("HKEY_LOCAL_MACHINE\\SOFTWARE\\CLASSES\\CLSID\\{1}"), 1u);
}

// ---- Registry ----

// The views are keys of the one registry file, where a person finds them.
TEST_F(Machine64, The32BitViewLivesInWow6432NodeKeys) {
    using theme_test::SetRegValue;
    ASSERT_TRUE(SetRegValue(HKEY_CLASSES_ROOT, "CLSID\\{1}", "", "32"));
    ASSERT_TRUE(SetRegValue(HKEY_CLASSES_ROOT, "CLSID\\{1}", "", "64", KEY_WOW64_64KEY));
    ASSERT_TRUE(SetRegValue(HKEY_CLASSES_ROOT, "Interface\\{2}", "", "32"));
    ASSERT_TRUE(SetRegValue(HKEY_CLASSES_ROOT, ".wsn", "", "geteilt"));
    ASSERT_TRUE(SetRegValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vorq\\Wiesenhain", "dir", "C:\\w"));
    ASSERT_TRUE(SetRegValue(HKEY_LOCAL_MACHINE, "SYSTEM\\Setup", "x", "1"));
    RegistryView registry = ReadRegistryView();
    const char* keys[] = {
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\CLASSES\\WOW6432NODE\\CLSID\\{1}",
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\CLASSES\\CLSID\\{1}",
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\CLASSES\\WOW6432NODE\\INTERFACE\\{2}",
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\CLASSES\\.WSN",
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432NODE\\VORQ\\WIESENHAIN",
        "HKEY_LOCAL_MACHINE\\SYSTEM\\SETUP",
    };
    for (const char* key : keys)
        EXPECT_EQ(registry.count(key), 1u) << key;
    EXPECT_EQ(registry["HKEY_LOCAL_MACHINE\\SOFTWARE\\CLASSES\\CLSID\\{1}"]["@"], "\"64\"");
    EXPECT_EQ(registry.count("HKEY_LOCAL_MACHINE\\SOFTWARE\\VORQ"), 0u);
    // Deleting in the 32-bit view deletes the 32-bit key.
    ASSERT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vorq\\Wiesenhain"), ERROR_SUCCESS);
    EXPECT_EQ(
        ReadRegistryView().count("HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432NODE\\VORQ\\WIESENHAIN"),
        0u);
}

TEST_F(Machine64, AFreshRegistryHasTheDesktopIconsInBothViews) {
    std::string computer = theme_test::IconKey(theme_test::kComputerClass);
    std::string bin = theme_test::IconKey(theme_test::kRecycleBinClass);
    EXPECT_EQ(theme_test::RegValue(HKEY_CLASSES_ROOT, computer.c_str(), "", KEY_WOW64_64KEY),
              "explorer.exe,0");
    EXPECT_EQ(theme_test::RegValue(HKEY_CLASSES_ROOT, computer.c_str(), ""),
              "C:\\WINDOWS\\SysWOW64\\explorer.exe,0");
    EXPECT_EQ(theme_test::RegValue(HKEY_CLASSES_ROOT, bin.c_str(), "full", KEY_WOW64_64KEY),
              "C:\\WINDOWS\\SYSTEM32\\shell32.dll,32");
    EXPECT_EQ(theme_test::RegValue(HKEY_CLASSES_ROOT, bin.c_str(), "full"),
              "C:\\WINDOWS\\SysWOW64\\shell32.dll,32");
}

TEST_F(Machine64, RegCreateKeyExATellsNewFromOldAndGivesTheAccessAskedFor) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Neu", 0, nullptr,
                              REG_OPTION_NON_VOLATILE, KEY_READ, nullptr, &key, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
    EXPECT_EQ(RegSetValueExA(key, "x", 0, REG_SZ, reinterpret_cast<const BYTE*>("1"), 2),
              ERROR_ACCESS_DENIED);
    RegCloseKey(key);
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Neu", 0, nullptr,
                              REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
    RegCloseKey(key);
    const DWORD kVolatile = 1;
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Fluechtig", 0, nullptr, kVolatile,
                              KEY_WRITE, nullptr, &key, nullptr),
              ERROR_CALL_NOT_IMPLEMENTED);
}

// ---- The install without the alias ----

// On 64-bit Windows XP the install switches redirection off around the one
// copy of the screen saver (and its deletion): it lies in the native system
// directory, and redirection is on again afterwards.
class InstallWithoutSysnative : public MachineTest {
  protected:
    void SetUp() override {
        flavour = MachineFlavour::Windows64WithoutSysnative;
        MachineTest::SetUp();
        CoInitialize(nullptr);
        theme_test::SeedThemeValues();
        CreateDirectoryA(Scratch("medium").c_str(), nullptr);
        ASSERT_TRUE(theme_test::WriteMedium(Scratch("medium\\")));
        SetCurrentDirectoryA(Scratch("medium").c_str());
    }
    void TearDown() override {
        CoUninitialize();
        MachineTest::TearDown();
    }
};

TEST_F(InstallWithoutSysnative, PutsTheScreenSaverIntoTheNativeSystemDirectory) {
    theme_test::BeginInstallRun(Scratch("ziel\\"), false, true);
    ASSERT_TRUE(RunInstall());
    CompleteInstall();
    EXPECT_EQ(HostRead(HostC("WINDOWS/SYSTEM32/Wiesenhain.scr")),
              theme_test::PackageContent("screen.ppk"));
    EXPECT_FALSE(HostExists(HostC("WINDOWS/SysWOW64/Wiesenhain.scr")));
    char entry[MAX_PATH] = "";
    GetPrivateProfileStringA("boot", "SCRNSAVE.EXE", "", entry, sizeof entry, "system.ini");
    EXPECT_STREQ(entry, "C:\\WINDOWS\\SYSTEM32\\WIESEN~1.SCR");
    EXPECT_EQ(theme_test::RegValue(HKEY_CLASSES_ROOT,
                                   theme_test::IconKey(theme_test::kComputerClass).c_str(), "",
                                   KEY_WOW64_64KEY),
              Scratch("ziel\\") + "wiesenhain.exe,0");
    ASSERT_TRUE(package_test::WriteWholeFile("C:\\WINDOWS\\SYSTEM32\\danach.txt", "x"));
    EXPECT_TRUE(HostExists(HostC("WINDOWS/SysWOW64/danach.txt"))) << "redirected again";

    theme_test::BeginLaterRun();
    ASSERT_TRUE(RunUninstall());
    FinishUninstall();
    EXPECT_FALSE(HostExists(HostC("WINDOWS/SYSTEM32/Wiesenhain.scr")));
    EXPECT_EQ(theme_test::RegValue(HKEY_CLASSES_ROOT,
                                   theme_test::IconKey(theme_test::kComputerClass).c_str(), "",
                                   KEY_WOW64_64KEY),
              "explorer.exe,0");
}

} // namespace
