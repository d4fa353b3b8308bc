// The emulated display state under the setting items and the install: what
// Wine cannot show (the system cursors, the session's wallpaper) and the
// whole registry file around an install.
#include "engine/install.h"
#include "engine/setting_item.h"
#include "platform/posix/user/display_state.h"
#include "platform/posix/kernel/machine.h"
#include "state/setup_state.h"
#include "system/profile_settings.h"
#include "tests/support/package_files.h"
#include "tests/support/test_machine.h"
#include "tests/support/theme_machine.h"

#include <map>
#include <set>
#include <string>

using namespace theme_test;

namespace {

class ThemeDisplayTest : public MachineTest {
  protected:
    void SetUp() override {
        MachineTest::SetUp();
        CoInitialize(nullptr);
        PrepareItemsOnce();
        CreateDirectoryA(Scratch("medium").c_str(), nullptr);
        ASSERT_TRUE(WriteMedium(Scratch("medium\\")));
        SetCurrentDirectoryA(Scratch("medium").c_str());
    }
    void TearDown() override {
        display_state::FailSetSystemCursor(false);
        CoUninitialize();
        MachineTest::TearDown();
    }
    SettingItem* Item(int index) { return SettingItemList::Program().items[index]; }
};

TEST_F(ThemeDisplayTest, TheSessionStartsFromTheUsersRegistryValues) {
    std::string cursor = Scratch("a.cur");
    ASSERT_TRUE(package_test::WriteWholeFile(cursor, StaticCursorBytes()));
    SetRegValue(HKEY_CURRENT_USER, "Control Panel\\Colors", "Background", "10 20 30");
    SetRegValue(HKEY_CURRENT_USER, "Control Panel\\Desktop", "Wallpaper", "C:\\WINDOWS\\a.bmp");
    SetRegValue(HKEY_CURRENT_USER, "Control Panel\\Desktop", "ScreenSaveActive", "0");
    SetRegValue(HKEY_CURRENT_USER, "Control Panel\\Cursors", "Wait", cursor.c_str());
    // A new logon reads them.
    std::string folder = machine::Folder();
    std::string error;
    ASSERT_TRUE(machine::Open(folder, "", &error)) << error;
    const display_state::State& s = display_state::Current();
    EXPECT_EQ(s.desktopColor, RGB(10, 20, 30));
    EXPECT_EQ(s.wallpaper, "C:\\WINDOWS\\a.bmp");
    EXPECT_FALSE(s.screenSaverActive);
    EXPECT_TRUE(s.systemCursors.at(32514).fromFile);
    EXPECT_EQ(s.systemCursors.at(32514).file, cursor);
    EXPECT_FALSE(s.systemCursors.at(32512).fromFile);
    EXPECT_EQ(s.systemCursors.at(32512).standardId, 32512u);
}

TEST_F(ThemeDisplayTest, OnlyRealCursorFilesLoad) {
    std::string cur = Scratch("x.cur"), ani = Scratch("x.ani"), text = Scratch("t.cur");
    ASSERT_TRUE(package_test::WriteWholeFile(cur, StaticCursorBytes()));
    ASSERT_TRUE(package_test::WriteWholeFile(ani, AnimatedCursorBytes()));
    ASSERT_TRUE(package_test::WriteWholeFile(text, "RIFF....WAVE"));
    EXPECT_NE(LoadCursorFromFileA(cur.c_str()), nullptr);
    EXPECT_NE(LoadCursorFromFileA(ani.c_str()), nullptr);
    EXPECT_EQ(LoadCursorFromFileA(text.c_str()), nullptr);
    EXPECT_EQ(LoadCursorFromFileA(Scratch("fehlt.cur").c_str()), nullptr);
    EXPECT_EQ(LoadCursorFromFileA(scratch.c_str()), nullptr);
}

TEST_F(ThemeDisplayTest, ScreenSaverActiveIsWrittenOnlyWithTheProfileFlag) {
    SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, 0, nullptr, 0);
    EXPECT_FALSE(display_state::Current().screenSaverActive);
    EXPECT_EQ(RegValue(HKEY_CURRENT_USER, "Control Panel\\Desktop", "ScreenSaveActive"), "1");
    SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, 0, nullptr, SPIF_UPDATEINIFILE);
    EXPECT_EQ(RegValue(HKEY_CURRENT_USER, "Control Panel\\Desktop", "ScreenSaveActive"), "0");
}

TEST_F(ThemeDisplayTest, ItemsChangeTheSessionAndTheNoneCursorIsTheStandardOne) {
    ResetSetupState();
    std::string file = Scratch("w.ani");
    ASSERT_TRUE(package_test::WriteWholeFile(file, AnimatedCursorBytes()));
    SettingItem* wait = Item(8);
    ASSERT_EQ(wait->SaveCurrent(), 1);
    ASSERT_EQ(wait->Apply(file.c_str()), 1);
    EXPECT_TRUE(display_state::Current().systemCursors.at(32514).fromFile);
    EXPECT_EQ(display_state::Current().systemCursors.at(32514).file, file);
    char recorded[kValueCapacity];
    ASSERT_EQ(wait->ReadSaved(recorded, sizeof recorded), 1);
    EXPECT_STREQ(recorded, "");
    ASSERT_EQ(wait->Apply(recorded), 1);
    EXPECT_FALSE(display_state::Current().systemCursors.at(32514).fromFile);
    EXPECT_EQ(display_state::Current().systemCursors.at(32514).standardId, 32514u);
    EXPECT_EQ(RegValue(HKEY_CURRENT_USER, "Control Panel\\Cursors", "Wait"), "");
    EXPECT_EQ(RegValue(HKEY_USERS, ".Default\\Control Panel\\Cursors", "Wait"), "");

    ASSERT_EQ(Item(5)->Apply("C:\\WINDOWS\\wiesenhain.bmp"), 1);
    EXPECT_EQ(display_state::Current().wallpaper, "C:\\WINDOWS\\wiesenhain.bmp");
    ASSERT_EQ(Item(6)->Apply("0"), 1);
    EXPECT_EQ(display_state::Current().desktopColor, 0u);
}

TEST_F(ThemeDisplayTest, AFailingSystemCursorForgetsTheCursorRecordsOnly) {
    BeginInstallRun(Scratch("ziel\\"), true, true);
    display_state::FailSetSystemCursor(true);
    display_state::State before = display_state::Current();
    EXPECT_TRUE(RunInstall());
    EXPECT_EQ(g_setup.errorCode, 8);
    for (const char* key : {"OldCurAppStart", "OldCurWait", "OldCurArrow"})
        EXPECT_EQ(ProfileSettings::ValueLength(key), 0) << key;
    for (const char* key : {"Computer", "OldWall", "OldBinEmptyWave", "OldScreenSave"})
        EXPECT_GT(ProfileSettings::ValueLength(key), 0) << key;
    for (uint32_t id : {32650u, 32514u, 32512u})
        EXPECT_FALSE(display_state::Current().systemCursors.at(id).fromFile) << id;
    EXPECT_EQ(display_state::Current().wallpaper,
              std::string(g_setup.windowsDirectory) + "wiesenhain.bmp");
    EXPECT_NE(display_state::Current().desktopColor, before.desktopColor);
    // The wait cursor shows during the copy, the arrow after it.
    EXPECT_EQ(display_state::Current().currentCursor.standardId, 32512u);
    EXPECT_GT(display_state::Current().setCursorCalls, before.setCursorCalls + 1);
}

TEST_F(ThemeDisplayTest, AfterAnInstallTheSessionShowsTheTheme) {
    BeginInstallRun(Scratch("ziel\\"), true, true);
    ASSERT_TRUE(RunInstall());
    const display_state::State& s = display_state::Current();
    EXPECT_EQ(s.systemCursors.at(32650).file, Scratch("ziel\\wiesenhain-cur-appstart.ani"));
    EXPECT_EQ(s.systemCursors.at(32514).file, Scratch("ziel\\wiesenhain-cur-wait.ani"));
    EXPECT_EQ(s.systemCursors.at(32512).file, Scratch("ziel\\wiesenhain-cur-arrow.cur"));
    EXPECT_EQ(s.desktopColor, 0u);
    EXPECT_TRUE(s.screenSaverActive);
}

// The whole registry file: an install changes the values of the selected
// items and nothing else (every key the items read exists on a fresh
// machine, so no key is created either).
TEST_F(ThemeDisplayTest, AnInstallChangesNoOtherRegistryLine) {
    for (int options = 0; options < 4; ++options) {
        SCOPED_TRACE(options);
        platform_testing::EndTestMachine();
        scratch = platform_testing::BeginTestMachine();
        CreateDirectoryA(Scratch("medium").c_str(), nullptr);
        ASSERT_TRUE(WriteMedium(Scratch("medium\\")));
        SetCurrentDirectoryA(Scratch("medium").c_str());
        bool wallpaper = options & 1, cursors = options & 2;
        BeginInstallRun(Scratch("ziel\\"), wallpaper, cursors);
        // A write of a value as it is makes the store write its file.
        SetRegValue(HKEY_CURRENT_USER, "Control Panel\\Desktop", "TileWallpaper", "0");
        std::string before, after;
        machine::ReadWholeFile(machine::FolderFile("registry.reg"), &before);
        ASSERT_TRUE(RunInstall());
        machine::ReadWholeFile(machine::FolderFile("registry.reg"), &after);
        // Compare line by line: the same lines, except values of the items.
        std::multiset<std::string> removed, added;
        auto lines = [](const std::string& text) {
            std::multiset<std::string> set;
            size_t start = 0;
            while (start < text.size()) {
                size_t end = text.find('\n', start);
                if (end == std::string::npos)
                    end = text.size();
                set.insert(text.substr(start, end - start));
                start = end + 1;
            }
            return set;
        };
        std::multiset<std::string> a = lines(before), b = lines(after);
        for (const std::string& l : a)
            if (!b.count(l))
                removed.insert(l);
        for (const std::string& l : b)
            if (!a.count(l))
                added.insert(l);
        std::set<std::string> names;
        for (const std::string& l : added)
            names.insert(l.substr(0, l.find('=')));
        // (The fresh machine's tiling "0" and active screen saver are the
        // theme's already: those lines stay.)
        std::set<std::string> expected;
        if (wallpaper)
            expected.insert({"\"Wallpaper\"", "\"Background\""});
        if (cursors)
            expected.insert(
                {"@", "\"empty\"", "\"full\"", "\"AppStarting\"", "\"Wait\"", "\"Arrow\""});
        std::string shown;
        for (const std::string& l : added)
            shown += "+ " + l + "\n";
        for (const std::string& l : removed)
            shown += "- " + l + "\n";
        EXPECT_EQ(names, expected) << shown;
        std::set<std::string> removedNames;
        for (const std::string& l : removed)
            removedNames.insert(l.substr(0, l.find('=')));
        // (A line also held by the ".Default" user stays in the file.)
        for (const std::string& name : removedNames)
            EXPECT_EQ(expected.count(name), 1u) << name << "\n" << shown;
    }
}

// The uninstall's cursors show at once, on Windows 95 as on NT, whose
// LoadCursorA(NULL, id) gives the system cursor as the install replaced it:
// the standard cursor where the user had none, the scheme's file where they
// had one (on Windows 10 named with %SystemRoot%).
class UninstallCursorTest : public ThemeDisplayTest,
                            public ::testing::WithParamInterface<platform_testing::MachineFlavour> {
  protected:
    void SetUp() override {
        flavour = GetParam();
        ThemeDisplayTest::SetUp();
    }
};

TEST_P(UninstallCursorTest, TheUsersCursorsAreOnScreenAtOnceAfterTheUninstall) {
    // Arrow: the fresh machine's (Windows 10: aero_arrow.cur; Windows 95:
    // none); Wait: none at all.
    SetRegValue(HKEY_CURRENT_USER, "Control Panel\\Cursors", "Wait", "");
    std::string folder = machine::Folder(), error;
    ASSERT_TRUE(machine::Open(folder, "", &error)) << error; // a new logon
    SetCurrentDirectoryA(Scratch("medium").c_str());
    std::map<uint32_t, display_state::CursorInfo> before = display_state::Current().systemCursors;
    BeginInstallRun(Scratch("ziel\\"), false, true);
    ASSERT_TRUE(RunInstall());
    CompleteInstall();
    EXPECT_TRUE(display_state::Current().systemCursors.at(32514).fromFile);
    BeginLaterRun();
    ASSERT_TRUE(RunUninstall());
    FinishUninstall();
    const auto& after = display_state::Current().systemCursors;
    for (uint32_t id : {32512u, 32514u, 32650u}) {
        SCOPED_TRACE(id);
        EXPECT_EQ(after.at(id).fromFile, before.at(id).fromFile);
        EXPECT_EQ(after.at(id).file, before.at(id).file);
        EXPECT_EQ(after.at(id).standardId, before.at(id).standardId);
    }
    EXPECT_FALSE(after.at(32514).fromFile);
    if (machine::MachineWindows() == machine::Windows::Windows10) {
        EXPECT_EQ(after.at(32512).file, "C:\\WINDOWS\\cursors\\aero_arrow.cur");
    }
}

INSTANTIATE_TEST_SUITE_P(Flavours, UninstallCursorTest,
                         ::testing::Values(platform_testing::MachineFlavour::Windows32,
                                           platform_testing::MachineFlavour::Windows10),
                         FlavourName);

} // namespace
