// Hostile input to the whole program: paths and values at and past the
// fixed buffers (259, 260, 400 and 520 characters), names with bytes above
// 127, a package that decodes to more than the disk holds, a read-only
// target, a target on the diskette drive and a product key whose values have
// the wrong types. Each ends with the program's own result or a clear
// failure; under the sanitizer build none may overrun a buffer.
#include "diskette/diskette_copy.h"
#include "engine/install.h"
#include "engine/install_file_table.h"
#include "platform/posix/kernel/machine.h"
#include "shell/run_setup.h"
#include "state/setup_state.h"
#include "system/profile_settings.h"
#include "tests/support/package_files.h"
#include "tests/support/program_machine.h"
#include "tests/support/scenario_files.h"
#include "tests/support/test_machine.h"
#include "tests/support/theme_machine.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using package_test::Exists;
using package_test::ReadWholeFile;
using package_test::WriteWholeFile;
using theme_test::RegValue;

const char kGeneral[] = "SOFTWARE\\Vorq\\Wiesenhain\\general";

class HostileInput : public MachineTest {
  protected:
    void SetUp() override {
        MachineTest::SetUp();
        CoInitialize(nullptr);
        ResetSetupState();
        machine::InsertDiskette();
        ASSERT_TRUE(program_test::WriteMedium(program_test::kMedium));
        ASSERT_TRUE(SetCurrentDirectoryA(program_test::kMedium));
    }
    void TearDown() override {
        DisketteCopy::ClearFileList();
        ResetSetupState();
        CoUninitialize();
        MachineTest::TearDown();
    }

    // The whole program under a scenario (a text, or a file of
    // tests/scenarios); its result, or -5 when it did not run to its end.
    int RunProgram(const std::string& scenario, std::string* error) {
        int result = -5;
        *error = platform_testing::RunScenario(scenario, "hostile.scn", [&] {
            result = RunSetup(platform_testing::ProgramInstance());
        });
        return result;
    }
    int RunProgramFile(const char* file, std::string* error) {
        int result = -5;
        *error =
            RunScenarioFile(file, [&] { result = RunSetup(platform_testing::ProgramInstance()); });
        return result;
    }

    // A text as a scenario writes it between quotes.
    static std::string Quoted(const std::string& text) {
        std::string out = "\"";
        for (char c : text) {
            if (c == '\\' || c == '"')
                out += '\\';
            if (c == '\n')
                out += "\\n";
            else
                out += c;
        }
        return out + "\"";
    }

    // A directory of exactly `length` characters with its trailing "\",
    // made of levels of at most 100 characters; every level but the last is
    // created.
    static std::string DirectoryOfLength(size_t length) {
        std::string path = "C:\\";
        while (length - path.size() > 101) {
            path += std::string(99, 'v') + "\\";
            CreateDirectoryA(path.c_str(), nullptr);
        }
        path += std::string(length - path.size() - 1, 'w') + "\\";
        return path;
    }

    // The names in a directory, "." and ".." aside.
    static std::vector<std::string> Listing(const std::string& directory) {
        std::vector<std::string> names;
        WIN32_FIND_DATAA found;
        HANDLE find = FindFirstFileA((directory + "*").c_str(), &found);
        if (find == INVALID_HANDLE_VALUE)
            return names;
        do {
            std::string name = found.cFileName;
            if (name != "." && name != "..")
                names.push_back(name);
        } while (FindNextFileA(find, &found));
        FindClose(find);
        return names;
    }

    // Whether any installed file outside the target directory is there.
    static bool InstalledOutsideTarget() {
        bool any = false;
        for (const InstallFileEntry& row : InstallFileTable::rows)
            if (row.location != LocationKind::Target)
                any = any || Exists(DirectoryFor(row.location) + std::string(row.targetName));
        return any;
    }

    // What the medium's package unpacks to.
    static std::string Content(const char* package) {
        std::vector<medium::NamedFile> files = medium::DemoFiles();
        for (size_t i = 0; i < files.size(); ++i)
            if (std::string(medium::kPackages[i].package) == package)
                return files[i].data;
        return "<no such package>";
    }

    // A first install through the procedures, as the main flow runs them.
    void Install(const std::string& target, bool wallpaper, bool cursors) {
        theme_test::BeginInstallRun(target, wallpaper, cursors);
        ASSERT_TRUE(RunInstall());
        CompleteInstall();
    }
};

// ---- Paths at and past 260 characters ----

// The longest target directory whose every installed file still has a path
// of at most 259 characters ("wiesenhain-cur-appstart.ani" is the longest
// name) installs and uninstalls whole; one character more fails the unpack.
TEST_F(HostileInput, TargetDirectoryAtAndPastThePathLimit) {
    const std::string fits = DirectoryOfLength(232);
    ASSERT_EQ((fits + "wiesenhain-cur-appstart.ani").size(), 259u);
    Install(fits, true, true);
    EXPECT_EQ(g_setup.errorCode, 0);
    EXPECT_TRUE(ReadWholeFile(fits + "wiesenhain-cur-appstart.ani") == Content("curstart.ppk"));
    EXPECT_EQ(RegValue(HKEY_LOCAL_MACHINE, kGeneral, "dir"), fits.substr(0, fits.size() - 1));
    theme_test::BeginLaterRun();
    EXPECT_EQ(std::string(g_setup.targetDirectory), fits);
    ASSERT_TRUE(RunUninstall());
    FinishUninstall();
    EXPECT_FALSE(Exists(fits));
    EXPECT_FALSE(InstalledOutsideTarget());

    const std::string past = DirectoryOfLength(233);
    theme_test::BeginInstallRun(past, true, true);
    EXPECT_FALSE(RunInstall());
    EXPECT_EQ(g_setup.errorCode, 11);
    EXPECT_EQ(Listing(past), std::vector<std::string>{});
    EXPECT_FALSE(InstalledOutsideTarget());
    EXPECT_FALSE(ProfileSettings::IsPresent(kProductName, kInstalledMarkerKey));
}

// The directory edit takes 260 characters, the check reads 259 of them: the
// question shows those 259; a directory whose installed files cannot have a
// path makes the plain copy fail, which asks for the medium.
TEST_F(HostileInput, DirectoryEditAtAndPastItsLimit) {
    std::string typed = DirectoryOfLength(262) + "ueberlang"; // 271 characters
    std::string read = typed.substr(0, 259);
    std::string scenario =
        "dialog 400\n  click 201\n"
        "dialog 100\n  type 211 " +
        Quoted(typed) + "\n  click 200\n" + "message \"Setup 'Wiesenhain'\" " +
        Quoted("Soll das Verzeichnis\n\n" + read + "\n\n erstellt werden ?") +
        "\n  click Yes\n"
        "dialog 1000\n  click 203\n"
        "dialog 104\n  text 200 " +
        Quoted("Die Installationsdateien konnten nicht kopiert werden.\nFehlercode : 2") +
        "\n  click 1\n";
    std::string error;
    EXPECT_EQ(RunProgram(scenario, &error), 0);
    EXPECT_EQ(error, "");
    EXPECT_TRUE(Exists(read)) << "the one level asked for is created";
    EXPECT_EQ(Listing(read + "\\"), std::vector<std::string>{});
    EXPECT_FALSE(InstalledOutsideTarget());
}

// ---- Setting values at and past 400 characters ----

TEST_F(HostileInput, RecordedValueAtAndPastItsBuffer) {
    theme_test::SeedThemeValues();
    // 399 characters and the terminator fill the 400-character buffer: the
    // value is recorded whole and put back whole.
    const std::string longest = "C:\\" + std::string(392, 'b') + ".bmp";
    ASSERT_EQ(longest.size(), 399u);
    ASSERT_TRUE(theme_test::SetRegValue(HKEY_CURRENT_USER, theme_test::kDesktopKey, "Wallpaper",
                                        longest.c_str()));
    Install(Scratch("ziel\\"), true, false);
    char recorded[600] = "";
    ProfileSettings::Read("OldWall", recorded, sizeof recorded);
    EXPECT_EQ(std::string(recorded), longest);
    theme_test::BeginLaterRun();
    ASSERT_TRUE(RunUninstall());
    FinishUninstall();
    EXPECT_EQ(RegValue(HKEY_CURRENT_USER, theme_test::kDesktopKey, "Wallpaper"), longest);

    // A record made longer by hand is put back cut to 399 characters.
    Install(Scratch("ziel\\"), true, false);
    ASSERT_TRUE(WritePrivateProfileStringA(
        "Wiesenhain", "OldWall", (longest + std::string(100, 'c')).c_str(), "control.ini"));
    theme_test::BeginLaterRun();
    ASSERT_TRUE(RunUninstall());
    FinishUninstall();
    EXPECT_EQ(RegValue(HKEY_CURRENT_USER, theme_test::kDesktopKey, "Wallpaper"), longest);

    // One more does not fit: the value cannot be recorded, code 3, nothing
    // changed.
    const std::string tooLong = longest + "x";
    ASSERT_TRUE(theme_test::SetRegValue(HKEY_CURRENT_USER, theme_test::kDesktopKey, "Wallpaper",
                                        tooLong.c_str()));
    theme_test::BeginInstallRun(Scratch("ziel\\"), true, false);
    EXPECT_FALSE(RunInstall());
    EXPECT_EQ(g_setup.errorCode, 3);
    EXPECT_EQ(RegValue(HKEY_CURRENT_USER, theme_test::kDesktopKey, "Wallpaper"), tooLong);
    EXPECT_FALSE(ProfileSettings::IsPresent(kProductName, kInstalledMarkerKey));
    EXPECT_FALSE(InstalledOutsideTarget());
}

// ---- Names with bytes above 127 ----

// A target directory and a garden name with letters of the code page's
// upper half, the euro sign and a byte the code page leaves unassigned
// (0x81) go through the dialog, the files, the registry and back.
TEST_F(HostileInput, NamesWithBytesAbove127) {
    const std::string target = "c:\\G\xE4rten \x80\x89 \xFF\x81\xDF";
    const std::string garden = "Gr\xFCner Daumen \xBD \x9C";
    // The scenario is UTF-8.
    std::string scenario =
        "dialog 400\n  click 201\n"
        "dialog 100\n  type 211 " +
        Quoted("c:\\G\xC3\xA4rten \xE2\x82\xAC\xE2\x80\xB0 \xC3\xBF\xC2\x81\xC3\x9F") +
        "\n  type 212 " + Quoted("Gr\xC3\xBCner Daumen \xC2\xBD \xC5\x93") +
        "\n  click 200\n"
        "message \"Setup 'Wiesenhain'\" " +
        Quoted("Soll das Verzeichnis\n\nc:\\G\xC3\xA4rten \xE2\x82\xAC\xE2\x80\xB0 "
               "\xC3\xBF\xC2\x81\xC3\x9F\n\n erstellt werden ?") +
        "\n  click Yes\n"
        "dialog 1001\n  click 2\n"
        "dialog 102\n  key Enter\n"
        "dialog 406\n  key Enter\n";
    std::string error;
    EXPECT_EQ(RunProgram(scenario, &error), 0);
    ASSERT_EQ(error, "");
    EXPECT_EQ(RegValue(HKEY_LOCAL_MACHINE, kGeneral, "dir"), target);
    EXPECT_EQ(RegValue(HKEY_LOCAL_MACHINE, kGeneral, "user"), garden);
    EXPECT_TRUE(ReadWholeFile(target + "\\h-256.ani") == Content("h256.ppk"));
    EXPECT_EQ(RegValue(HKEY_CURRENT_USER, "Control Panel\\Cursors", "Wait"),
              target + "\\wiesenhain-cur-wait.ani");
    // The host keeps the name in UTF-8.
    EXPECT_EQ(machine::Resolve(target.c_str()).host,
              machine::Resolve("c:\\").host +
                  "/G\xC3\xA4rten \xE2\x82\xAC\xE2\x80\xB0 \xC3\xBF\xC2\x81\xC3\x9F");

    ResetSetupState();
    EXPECT_EQ(RunProgramFile("program-uninstall.scn", &error), 0);
    EXPECT_EQ(error, "");
    EXPECT_FALSE(Exists(target));
    EXPECT_FALSE(theme_test::RegKeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vorq"));
}

// ---- The diskette drive as target ----

// A package that decodes to more than the diskette holds: the unpack fails
// (code 11) and nothing of the install stays, on the diskette or elsewhere.
TEST_F(HostileInput, PackageLargerThanTheDiskFailsTheUnpack) {
    ASSERT_TRUE(WriteWholeFile(std::string(program_test::kMedium) + "h256.ppk",
                               package_test::Deflate(std::string(2 << 20, 'h'))));
    ASSERT_TRUE(CreateDirectoryA("a:\\garten", nullptr));
    theme_test::BeginInstallRun("a:\\garten\\", true, true);
    EXPECT_FALSE(RunInstall());
    EXPECT_EQ(g_setup.errorCode, 11);
    EXPECT_EQ(Listing("a:\\garten\\"), std::vector<std::string>{});
    EXPECT_FALSE(InstalledOutsideTarget());
    EXPECT_FALSE(ProfileSettings::IsPresent(kProductName, kInstalledMarkerKey));
}

// Installed into the diskette's root, the diskette copy would erase the
// installed files it is to copy: it refuses with the read error and leaves
// the diskette as it is.
TEST_F(HostileInput, TargetInTheDisketteRootIsNotErasedByTheCopy) {
    std::string error;
    EXPECT_EQ(RunProgram("dialog 400\n  click 201\n"
                         "dialog 100\n  type 211 \"a:\\\\\"\n  click 200\n"
                         "dialog 1001\n  click 1\n"
                         "dialog 1002\n  click 200\n"
                         "message \"Diskettenkopie\" "
                         "\"Beim Lesen der Dateien trat ein Fehler auf.\"\n  click OK\n"
                         "dialog 1002\n  click 201\n"
                         "dialog 102\n  key Enter\n"
                         "dialog 406\n  key Enter\n",
                         &error),
              0);
    EXPECT_EQ(error, "");
    EXPECT_EQ(RegValue(HKEY_LOCAL_MACHINE, kGeneral, "dir"), "a:");
    for (const char* name : {"wiesenhain.exe", "wiesenhain-cur-wait.ani", "h-256.ani"})
        EXPECT_TRUE(Exists(std::string("a:\\") + name)) << name;
    for (const char* name : DisketteFileList::names)
        EXPECT_EQ(ReadWholeFile(std::string("a:\\") + name),
                  ReadWholeFile(std::string(program_test::kMedium) + name))
            << name;
}

// Without a diskette the directory cannot be made; on a write-protected one
// the first copy fails, which asks for the medium, and giving up ends with
// code 2.
TEST_F(HostileInput, TargetOnAMissingOrWriteProtectedDiskette) {
    machine::EjectDiskette();
    std::string error;
    EXPECT_EQ(RunProgram("dialog 400\n  click 201\n"
                         "dialog 100\n  type 211 \"a:\\\\garten\"\n  click 200\n"
                         "message \"Setup 'Wiesenhain'\" "
                         "\"Soll das Verzeichnis\\n\\na:\\\\garten\\n\\n erstellt werden ?\"\n"
                         "  click Yes\n"
                         "message \"Setup 'Wiesenhain'\" "
                         "\"Das Verzeichnis konnte nicht erstellt werden.\"\n  click OK\n"
                         "dialog 100\n  click 202\n"
                         "dialog 104\n  click 1\n",
                         &error),
              0);
    EXPECT_EQ(error, "");

    ResetSetupState();
    machine::InsertDiskette();
    ASSERT_TRUE(WriteWholeFile("a:\\brief.doc", "foreign"));
    machine::SetDisketteWriteProtected(true);
    EXPECT_EQ(RunProgram("dialog 400\n  click 201\n"
                         "dialog 100\n  type 211 \"a:\\\\\"\n  click 200\n"
                         "dialog 1000\n  click 203\n"
                         "dialog 104\n  text 200 \"Die Installationsdateien konnten nicht "
                         "kopiert werden.\\nFehlercode : 2\"\n  click 1\n",
                         &error),
              0);
    EXPECT_EQ(error, "");
    machine::SetDisketteWriteProtected(false);
    EXPECT_EQ(Listing("a:\\"), std::vector<std::string>{"brief.doc"});
    EXPECT_FALSE(InstalledOutsideTarget());
}

// ---- A read-only target ----

// The read-only attribute of a directory does not stop files being made in
// it: the install and the uninstall go through. A read-only file of an
// installed name cannot be replaced: the unpack fails with code 11, and the
// file stays as it was.
TEST_F(HostileInput, ReadOnlyTargetDirectoryAndFile) {
    const std::string target = Scratch("ziel\\");
    ASSERT_TRUE(CreateDirectoryA(target.c_str(), nullptr));
    ASSERT_TRUE(SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY));
    Install(target, false, false);
    EXPECT_EQ(GetFileAttributesA(target.c_str()),
              static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_TRUE(ReadWholeFile(target + "h-256.ani") == Content("h256.ppk"));
    theme_test::BeginLaterRun();
    ASSERT_TRUE(RunUninstall());
    FinishUninstall();
    EXPECT_FALSE(Exists(target + "h-256.ani"));
    EXPECT_FALSE(InstalledOutsideTarget());

    const std::string other = Scratch("ziel2\\");
    ASSERT_TRUE(CreateDirectoryA(other.c_str(), nullptr));
    ASSERT_TRUE(WriteWholeFile(other + "h-256.ani", "meins"));
    ASSERT_TRUE(package_test::MakeReadOnlyEnforced(other + "h-256.ani"));
    theme_test::BeginInstallRun(other, false, false);
    EXPECT_FALSE(RunInstall());
    EXPECT_EQ(g_setup.errorCode, 11);
    EXPECT_EQ(ReadWholeFile(other + "h-256.ani"), "meins");
    EXPECT_FALSE(Exists(other + "wiesenhain.exe"));
    EXPECT_FALSE(InstalledOutsideTarget());
}

// ---- The product key: "dir" at and past 260 and 520, and wrong types ----

// What "dir" holds: the install directory (with or without its terminating
// zero), or other bytes.
enum class Content { Directory, DirectoryWithoutZero, Bytes };

struct StoredDir {
    const char* name;
    DWORD type;
    Content content;
    std::string bytes; // for Content::Bytes
    bool readable;     // the uninstall finds the install directory in it
    bool keyGoes;      // the product key is removed (always, since a key left would
                       // keep the uninstall entry's run finishing an uninstall)
};

class ProductKeyValues : public HostileInput, public ::testing::WithParamInterface<StoredDir> {};

TEST_P(ProductKeyValues, EndTheUninstallWithoutHarm) {
    const StoredDir& stored = GetParam();
    const std::string target = Scratch("ziel\\");
    Install(target, false, false);
    std::string directory = target.substr(0, target.size() - 1);
    std::string bytes = stored.content == Content::Directory              ? directory + '\0'
                        : stored.content == Content::DirectoryWithoutZero ? directory
                                                                          : stored.bytes;
    HKEY general;
    ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, kGeneral, &general), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(general, "dir", 0, stored.type,
                             reinterpret_cast<const BYTE*>(bytes.data()),
                             static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
    // The other values with the wrong types as well.
    DWORD number = 7;
    RegSetValueExA(general, "user", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4);
    RegSetValueExA(general, "scr", 0, REG_BINARY, reinterpret_cast<const BYTE*>("\xFF\x00"), 2);
    RegSetValueExA(general, "2", 0, REG_SZ, reinterpret_cast<const BYTE*>("gestern"), 8);
    RegCloseKey(general);
    // Files of the table's names in the root of the current drive, where a
    // lost directory would point.
    for (const char* f : {"\\wiesenhain.exe", "\\setup.exe", "\\h-256.ani"})
        ASSERT_TRUE(WriteWholeFile(f, "not the product's"));

    // The records of an older install, which lack the install directory:
    // "dir" alone says where the files are.
    ProfileSettings::Remove(kInstallDirectoryKey);

    ResetSetupState();
    std::string error;
    EXPECT_EQ(RunProgramFile("program-uninstall.scn", &error), 0);
    EXPECT_EQ(error, "");
    for (const char* f : {"\\wiesenhain.exe", "\\setup.exe", "\\h-256.ani"})
        EXPECT_EQ(ReadWholeFile(f), "not the product's") << f;
    EXPECT_FALSE(ProfileSettings::IsPresent(kProductName, kInstalledMarkerKey));
    EXPECT_FALSE(InstalledOutsideTarget());
    EXPECT_FALSE(theme_test::RegKeyExists(HKEY_LOCAL_MACHINE, theme_test::kUninstallEntryKey));
    EXPECT_EQ(Exists(target + "wiesenhain.exe"), !stored.readable);
    EXPECT_EQ(theme_test::RegKeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vorq"), !stored.keyGoes);
}

// A path-like text of exactly `length` characters and its zero.
std::string Text(size_t length) {
    std::string text = "C:\\";
    while (text.size() < length)
        text += std::string(49, 'd') + "\\";
    text.resize(length);
    return text + '\0';
}

INSTANTIATE_TEST_SUITE_P(
    Dir, ProductKeyValues,
    ::testing::Values(
        StoredDir{"String", REG_SZ, Content::Directory, "", true, true},
        // Without its terminating zero the text is still read.
        StoredDir{"StringWithoutZero", REG_SZ, Content::DirectoryWithoutZero, "", true, true},
        StoredDir{"Number", REG_DWORD, Content::Bytes, std::string("\x01\0\0\0", 4), false, true},
        StoredDir{"Binary", REG_BINARY, Content::Directory, "", false, true},
        StoredDir{"ExpandString", REG_EXPAND_SZ, Content::Directory, "", false, true},
        StoredDir{"MultiString", REG_MULTI_SZ, Content::Directory, "", false, true},
        StoredDir{"Empty", REG_SZ, Content::Bytes, "", false, true},
        // 259 characters fill the uninstall's 260-character buffer: no room
        // for the backslash, so no file is deleted. The keys go whatever
        // "dir" holds: kept, they would stand for an install that nothing
        // could remove.
        StoredDir{"Length259", REG_SZ, Content::Bytes, Text(259), false, true},
        StoredDir{"Length260", REG_SZ, Content::Bytes, Text(260), false, true},
        StoredDir{"Length519", REG_SZ, Content::Bytes, Text(519), false, true},
        StoredDir{"Length520", REG_SZ, Content::Bytes, Text(520), false, true}),
    [](const ::testing::TestParamInfo<StoredDir>& info) { return std::string(info.param.name); });

} // namespace
