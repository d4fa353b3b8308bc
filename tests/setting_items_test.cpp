// The twelve setting items on the machine: each kind records the current
// value, gives the theme's value, applies it and restores the record. The
// fixture seeds every value the items read (a fresh Wine prefix has no
// desktop icon values and no ".Default" recycle-bin sound).
#include "engine/install.h"
#include "engine/setting_item.h"
#include "engine/setting_items.h"
#include "shell/dialog_texts.h"
#include "state/setup_state.h"
#include "system/profile_settings.h"
#include "system/registry_key.h"
#include "tests/support/package_files.h"
#include "tests/support/test_machine.h"
#include "tests/support/theme_machine.h"
#include "text/item_key_texts.h"
#include "text/scrambled_text.h"

#include <string.h>

#include <string>

using namespace theme_test;
using package_test::Exists;

namespace {

enum ItemIndex {
    kComputer,
    kNetwork,
    kTrashEmpty,
    kTrashFull,
    kTile,
    kWallpaper,
    kColor,
    kCurAppStart,
    kCurWait,
    kCurArrow,
    kSound,
    kScreenSaver
};

SettingItem* Item(int index) {
    return SettingItemList::Program().items[index];
}

std::string Recorded(const char* key) {
    char buffer[kValueCapacity] = "?";
    ProfileSettings::Read(key, buffer, sizeof buffer);
    return buffer;
}

// The raw text stored under a key of the product section ("(none)" stays).
std::string Stored(const char* key) {
    char buffer[kValueCapacity] = "";
    GetPrivateProfileStringA("Wiesenhain", key, "<missing>", buffer, sizeof buffer, "control.ini");
    return buffer;
}

std::string ThemeValue(SettingItem* item) {
    char buffer[kValueCapacity] = "";
    item->GetThemeValue(buffer, sizeof buffer);
    return buffer;
}

// Restores the item's record as the uninstall does.
int Restore(SettingItem* item) {
    return item->HasSaved() ? item->RestoreSaved() : 0;
}

std::string ScreenSaverEntry() {
    char buffer[kValueCapacity] = "";
    GetPrivateProfileStringA("boot", "SCRNSAVE.EXE", "<missing>", buffer, sizeof buffer,
                             "system.ini");
    return buffer;
}

// On every flavour of machine: Windows 95's plain texts, and on the NT
// family Windows 10's typed ones.
class SettingItemsTest : public MachineTest,
                         public ::testing::WithParamInterface<platform_testing::MachineFlavour> {
  protected:
    void SetUp() override {
        flavour = GetParam();
        MachineTest::SetUp();
        SeedThemeValues();
        PrepareItemsOnce();
        ResetSetupState();
        ASSERT_TRUE(ResolveSystemDirectories());
        snprintf(g_setup.targetDirectory, sizeof g_setup.targetDirectory, "%sziel\\",
                 scratch.c_str());
        ProfileSettings::RemoveSection();
        SettingItemList& list = SettingItemList::Program();
        for (int i = 0; i < list.count; ++i)
            list.items[i]->isSaved = 0;
    }
    void TearDown() override {
        RemoveProductTraces();
        MachineTest::TearDown();
    }
    std::string Cursor(const char* name, bool animated) {
        std::string path = Scratch(name);
        EXPECT_TRUE(package_test::WriteWholeFile(path, animated ? AnimatedCursorBytes()
                                                                : StaticCursorBytes()));
        return path;
    }
};

TEST(SettingItemKeyTexts, StoredScrambledAndUsableOnlyAfterUnscrambling) {
    const char* plains[] = {"CLSID\\{", "}\\DefaultIcon", "Control Panel\\Desktop",
                            "Control Panel\\Colors"};
    const StoredText* stored[] = {&IconKeyPrefix, &IconKeySuffix, &DesktopKeyPath, &ColorsKeyPath};
    auto copy =
        ScrambleText("Control Panel\\Desktop", kItemKeyScrambleStart, kItemKeyScramblePeriod);
    EXPECT_NE(memcmp(copy.bytes, "Control Panel\\Desktop", sizeof copy.bytes), 0);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(stored[i]->length, strlen(plains[i]) + 1) << plains[i];
    PrepareItemsOnce();
    for (int i = 0; i < 4; ++i)
        EXPECT_STREQ(stored[i]->text, plains[i]);
    EXPECT_STREQ(ItemKeyPartComputer.text, kComputerClass);
    EXPECT_STREQ(ItemKeyPartNetwork.text, kNetworkClass);
    EXPECT_STREQ(ItemKeyPartRecycleBin.text, kRecycleBinClass);
    // A second Prepare and credit line change nothing.
    PrepareSettingItems();
    ShowCreditLine();
    for (int i = 0; i < 4; ++i)
        EXPECT_STREQ(stored[i]->text, plains[i]);
    EXPECT_STREQ(ItemKeyPartComputer.text, kComputerClass);
}

TEST_P(SettingItemsTest, AnIconItemWithItsKeyPartStillScrambledFindsNoValue) {
    auto scrambled = ScrambleText("20D04FE0-3AEA-1069-A2D8-08002B30309D", kItemKeyScrambleStart,
                                  kItemKeyScramblePeriod);
    // The scrambled bytes hold no terminator of their own: one more byte
    // keeps every read of the text inside this buffer.
    char part[sizeof scrambled.bytes + 1] = {};
    memcpy(part, scrambled.bytes, sizeof scrambled.bytes);
    ShellIconItem item("Computer", part, "", 0);
    EXPECT_EQ(item.SaveCurrent(), 0) << "the scrambled key path names no icon key";
    EXPECT_EQ(item.HasSaved(), 0);
    // The failed read created the key (create-on-open); take it away again.
    DeleteRegTree(HKEY_CLASSES_ROOT, (std::string("CLSID\\{") + part + "}\\DefaultIcon").c_str(),
                  IconView());
    DeleteRegTree(HKEY_CLASSES_ROOT, (std::string("CLSID\\{") + part + "}").c_str(), IconView());
    UnscrambleText(part, sizeof scrambled.bytes, kItemKeyScrambleStart, kItemKeyScramblePeriod);
    EXPECT_EQ(item.SaveCurrent(), 1);
    EXPECT_EQ(Recorded("Computer"), TextOf(SeededComputerIcon()));
}

TEST_P(SettingItemsTest, TheListHoldsTheTwelveItemsInOrder) {
    struct Expected {
        const char* key;
        LocationKind location;
        InstallCategory category;
        int errorCode;
    } expected[] = {
        {"Computer", LocationKind::Target, InstallCategory::CursorsAndIcons, 4},
        {"Network", LocationKind::Target, InstallCategory::CursorsAndIcons, 4},
        {"TrashEmpty", LocationKind::Target, InstallCategory::CursorsAndIcons, 4},
        {"TrashFull", LocationKind::Target, InstallCategory::CursorsAndIcons, 4},
        {"OldTile", LocationKind::Literal, InstallCategory::Wallpaper, 5},
        {"OldWall", LocationKind::Windows, InstallCategory::Wallpaper, 6},
        {"OldColor", LocationKind::Literal, InstallCategory::Wallpaper, 7},
        {"OldCurAppStart", LocationKind::Target, InstallCategory::CursorsAndIcons, 8},
        {"OldCurWait", LocationKind::Target, InstallCategory::CursorsAndIcons, 8},
        {"OldCurArrow", LocationKind::Target, InstallCategory::CursorsAndIcons, 8},
        {"OldBinEmptyWave", LocationKind::Target, InstallCategory::CursorsAndIcons, 9},
        {"OldScreenSave", LocationKind::System, InstallCategory::Always, 10},
    };
    const char* themes[] = {"wiesenhain.exe,0",
                            "wiesenhain.exe,1",
                            "wiesenhain.exe,2",
                            "wiesenhain.exe,3",
                            "0",
                            "wiesenhain.bmp",
                            "0",
                            "wiesenhain-cur-appstart.ani",
                            "wiesenhain-cur-wait.ani",
                            "wiesenhain-cur-arrow.cur",
                            "wiesenhain.wav",
                            "Wiesenhain.scr"};
    ASSERT_EQ(SettingItemList::Program().count, 12);
    for (int i = 0; i < 12; ++i) {
        SCOPED_TRACE(expected[i].key);
        EXPECT_STREQ(Item(i)->keyName, expected[i].key);
        EXPECT_EQ(Item(i)->location, expected[i].location);
        EXPECT_EQ(Item(i)->GetCategory(), expected[i].category);
        EXPECT_EQ(Item(i)->GetErrorCode(), expected[i].errorCode);
        EXPECT_EQ(ThemeValue(Item(i)), themes[i]);
    }
}

TEST_P(SettingItemsTest, WithBothOptionsClearedOnlyTheScreenSaverIsSelected) {
    g_setup.installWallpaper = false;
    g_setup.installCursorsAndIcons = false;
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(IsCategorySelected(Item(i)->GetCategory()), i == kScreenSaver) << i;
    g_setup.installWallpaper = true;
    EXPECT_TRUE(IsCategorySelected(Item(kTile)->GetCategory()));
    EXPECT_FALSE(IsCategorySelected(Item(kCurArrow)->GetCategory()));
}

// The icon comes back with its type too (Windows Vista and later keep these
// as REG_EXPAND_SZ texts, which only that type has expanded).
TEST_P(SettingItemsTest, DesktopIconsRecordApplyAndRestore) {
    std::string computer = IconKey(kComputerClass), network = IconKey(kNetworkClass);
    std::string seeded = RegValue(HKEY_CLASSES_ROOT, computer.c_str(), "", IconView());
    std::string seededNetwork = RegValue(HKEY_CLASSES_ROOT, network.c_str(), "", IconView());
    ASSERT_EQ(Item(kComputer)->SaveCurrent(), 1);
    ASSERT_EQ(Item(kNetwork)->SaveCurrent(), 1);
    EXPECT_EQ(Item(kComputer)->isSaved, 1);
    EXPECT_EQ(Recorded("Computer"), TextOf(seeded));
    EXPECT_EQ(Recorded("Network"), TextOf(seededNetwork));
    std::string theme = g_setup.targetDirectory + ThemeValue(Item(kComputer));
    ASSERT_EQ(Item(kComputer)->Apply(theme.c_str()), 1);
    EXPECT_EQ(RegValue(HKEY_CLASSES_ROOT, computer.c_str(), "", IconView()), theme);
    EXPECT_EQ(Restore(Item(kComputer)), 1);
    EXPECT_EQ(RegValue(HKEY_CLASSES_ROOT, computer.c_str(), "", IconView()), seeded);
    EXPECT_EQ(RegValue(HKEY_CLASSES_ROOT, network.c_str(), "", IconView()), seededNetwork);
}

TEST_P(SettingItemsTest, RecycleBinDefaultFollowsOnlyTheValueItEqualled) {
    std::string bin = IconKey(kRecycleBinClass);
    // The default value equals "empty" without regard to case.
    SetRegValue(HKEY_CLASSES_ROOT, bin.c_str(), "empty", "C:\\WINDOWS\\SYSTEM\\shell32.dll,31",
                IconView());
    SetRegValue(HKEY_CLASSES_ROOT, bin.c_str(), "", "C:\\WINDOWS\\SYSTEM\\SHELL32.DLL,31",
                IconView());
    ASSERT_EQ(Item(kTrashEmpty)->Apply("C:\\ziel\\wiesenhain.exe,2"), 1);
    EXPECT_EQ(RegValue(HKEY_CLASSES_ROOT, bin.c_str(), "", IconView()),
              "C:\\ziel\\wiesenhain.exe,2");
    EXPECT_EQ(RegValue(HKEY_CLASSES_ROOT, bin.c_str(), "empty", IconView()),
              "C:\\ziel\\wiesenhain.exe,2");
    ASSERT_EQ(Item(kTrashFull)->Apply("C:\\ziel\\wiesenhain.exe,3"), 1);
    EXPECT_EQ(RegValue(HKEY_CLASSES_ROOT, bin.c_str(), "", IconView()),
              "C:\\ziel\\wiesenhain.exe,2")
        << "the default showed the empty bin, not the full one";
    EXPECT_EQ(RegValue(HKEY_CLASSES_ROOT, bin.c_str(), "full", IconView()),
              "C:\\ziel\\wiesenhain.exe,3");

    // Without regard to case means for every letter of the code page.
    SetRegValue(HKEY_CLASSES_ROOT, bin.c_str(), "", "C:\\SYMBOLE\\M\xDCLL\x8A.ICO,0", IconView());
    SetRegValue(HKEY_CLASSES_ROOT, bin.c_str(), "empty", "c:\\symbole\\m\xFCll\x9A.ico,0",
                IconView());
    ASSERT_EQ(Item(kTrashEmpty)->Apply("C:\\ziel\\wiesenhain.exe,2"), 1);
    EXPECT_EQ(RegValue(HKEY_CLASSES_ROOT, bin.c_str(), "", IconView()),
              "C:\\ziel\\wiesenhain.exe,2");

    // The default value equals neither: only the item's own value changes.
    SetRegValue(HKEY_CLASSES_ROOT, bin.c_str(), "", "anders.dll,5", IconView());
    ASSERT_EQ(Item(kTrashEmpty)->Apply("leer.dll,1"), 1);
    ASSERT_EQ(Item(kTrashFull)->Apply("voll.dll,2"), 1);
    EXPECT_EQ(RegValue(HKEY_CLASSES_ROOT, bin.c_str(), "", IconView()), "anders.dll,5");
    EXPECT_EQ(RegValue(HKEY_CLASSES_ROOT, bin.c_str(), "empty", IconView()), "leer.dll,1");
    EXPECT_EQ(RegValue(HKEY_CLASSES_ROOT, bin.c_str(), "full", IconView()), "voll.dll,2");

    // The full bin's default follows "full".
    SetRegValue(HKEY_CLASSES_ROOT, bin.c_str(), "", "voll.dll,2", IconView());
    ASSERT_EQ(Item(kTrashFull)->Apply("neu.dll,3"), 1);
    EXPECT_EQ(RegValue(HKEY_CLASSES_ROOT, bin.c_str(), "", IconView()), "neu.dll,3");
    EXPECT_EQ(RegValue(HKEY_CLASSES_ROOT, bin.c_str(), "empty", IconView()), "leer.dll,1");
}

TEST_P(SettingItemsTest, RecycleBinIconsRoundTripWhateverTheDefaultShowed) {
    std::string bin = IconKey(kRecycleBinClass);
    for (const char* before : {"e.dll,1", "f.dll,2", "x.dll,3"}) {
        SCOPED_TRACE(before);
        SetRegValue(HKEY_CLASSES_ROOT, bin.c_str(), "", before, IconView());
        SetRegValue(HKEY_CLASSES_ROOT, bin.c_str(), "empty", "e.dll,1", IconView());
        SetRegValue(HKEY_CLASSES_ROOT, bin.c_str(), "full", "f.dll,2", IconView());
        ASSERT_EQ(Item(kTrashEmpty)->SaveCurrent(), 1);
        ASSERT_EQ(Item(kTrashFull)->SaveCurrent(), 1);
        EXPECT_EQ(Recorded("TrashEmpty"), "e.dll,1");
        EXPECT_EQ(Recorded("TrashFull"), "f.dll,2");
        Item(kTrashEmpty)->Apply("C:\\ziel\\wiesenhain.exe,2");
        Item(kTrashFull)->Apply("C:\\ziel\\wiesenhain.exe,3");
        Restore(Item(kTrashEmpty));
        Restore(Item(kTrashFull));
        EXPECT_EQ(RegValue(HKEY_CLASSES_ROOT, bin.c_str(), "", IconView()), before);
        EXPECT_EQ(RegValue(HKEY_CLASSES_ROOT, bin.c_str(), "empty", IconView()), "e.dll,1");
        EXPECT_EQ(RegValue(HKEY_CLASSES_ROOT, bin.c_str(), "full", IconView()), "f.dll,2");
    }
}

TEST_P(SettingItemsTest, RecycleBinDefaultLeftOnTheThemeIconIsRestoredToo) {
    // A run stopped between the default value and "empty" left the default
    // on the theme's icon and "empty" on the user's: the restore mends both.
    std::string bin = IconKey(kRecycleBinClass);
    SetRegValue(HKEY_CLASSES_ROOT, bin.c_str(), "", "C:\\ZIEL\\WIESENHAIN.EXE,2", IconView());
    SetRegValue(HKEY_CLASSES_ROOT, bin.c_str(), "empty", "e.dll,1", IconView());
    ASSERT_EQ(Item(kTrashEmpty)->Apply("e.dll,1"), 1);
    EXPECT_EQ(RegValue(HKEY_CLASSES_ROOT, bin.c_str(), "", IconView()), "e.dll,1");
    // Only the item's own icon counts, and only as a whole file name.
    for (const char* other : {"C:\\ziel\\wiesenhain.exe,3", "C:\\ziel\\meinwiesenhain.exe,2"}) {
        SetRegValue(HKEY_CLASSES_ROOT, bin.c_str(), "", other, IconView());
        ASSERT_EQ(Item(kTrashEmpty)->Apply("e.dll,1"), 1);
        EXPECT_EQ(RegValue(HKEY_CLASSES_ROOT, bin.c_str(), "", IconView()), other);
    }
}

TEST_P(SettingItemsTest, TilingAndWallpaperRecordApplyAndRestore) {
    ASSERT_EQ(Item(kTile)->SaveCurrent(), 1);
    ASSERT_EQ(Item(kWallpaper)->SaveCurrent(), 1);
    EXPECT_EQ(Stored("OldTile"), "0");
    EXPECT_EQ(Stored("OldWall"), "(None)");
    EXPECT_EQ(Recorded("OldWall"), "") << "\"(None)\" reads back as the empty text";
    SetRegValue(HKEY_CURRENT_USER, kDesktopKey, "TileWallpaper", "1");
    ASSERT_EQ(Item(kTile)->SaveCurrent(), 1);
    EXPECT_EQ(Recorded("OldTile"), "1");
    ASSERT_EQ(Item(kTile)->Apply(ThemeValue(Item(kTile)).c_str()), 1);
    EXPECT_EQ(RegValue(HKEY_CURRENT_USER, kDesktopKey, "TileWallpaper"), "0");
    std::string wallpaper = g_setup.windowsDirectory + ThemeValue(Item(kWallpaper));
    ASSERT_EQ(Item(kWallpaper)->Apply(wallpaper.c_str()), 1);
    EXPECT_EQ(RegValue(HKEY_CURRENT_USER, kDesktopKey, "Wallpaper"), wallpaper);
    Restore(Item(kTile));
    Restore(Item(kWallpaper));
    EXPECT_EQ(RegValue(HKEY_CURRENT_USER, kDesktopKey, "TileWallpaper"), "1");
    EXPECT_EQ(RegValue(HKEY_CURRENT_USER, kDesktopKey, "Wallpaper"), "");
}

TEST_P(SettingItemsTest, MissingValuesFailTheRecordEmptyOnesAreRecordedAsNone) {
    std::string computer = IconKey(kComputerClass);
    const struct {
        int index;
        HKEY root;
        std::string path;
        const char* value;
        REGSAM view;
    } cases[] = {
        {kComputer, HKEY_CLASSES_ROOT, computer, "", IconView()},
        {kTrashFull, HKEY_CLASSES_ROOT, IconKey(kRecycleBinClass), "full", IconView()},
        {kTile, HKEY_CURRENT_USER, kDesktopKey, "TileWallpaper", 0},
        {kWallpaper, HKEY_CURRENT_USER, kDesktopKey, "Wallpaper", 0},
        {kSound, HKEY_USERS,
         ".Default\\AppEvents\\Schemes\\Apps\\Explorer\\EmptyRecycleBin\\.current", "", 0},
    };
    for (const auto& c : cases) {
        SettingItem* item = Item(c.index);
        SCOPED_TRACE(item->keyName);
        DeleteRegValue(c.root, c.path.c_str(), c.value, c.view);
        EXPECT_EQ(item->SaveCurrent(), 0);
        EXPECT_EQ(item->isSaved, 0);
        EXPECT_EQ(item->HasSaved(), 0);
        SetRegValue(c.root, c.path.c_str(), c.value, "", c.view);
        EXPECT_EQ(item->SaveCurrent(), 1);
        EXPECT_EQ(item->isSaved, 1);
        EXPECT_EQ(Stored(item->keyName), "(none)");
        EXPECT_EQ(item->HasSaved(), 6);
        EXPECT_EQ(Recorded(item->keyName), "");
    }
}

TEST_P(SettingItemsTest, ColourRecordsTheDisplayAndAppliesBlackAsThreeZeros) {
    INT element = COLOR_BACKGROUND;
    COLORREF teal = RGB(0, 128, 128);
    SetSysColors(1, &element, &teal);
    ASSERT_EQ(Item(kColor)->SaveCurrent(), 1);
    EXPECT_EQ(Recorded("OldColor"), std::to_string(RGB(0, 128, 128)));
    EXPECT_EQ(ThemeValue(Item(kColor)), "0");
    ASSERT_EQ(Item(kColor)->Apply("0"), 1);
    EXPECT_EQ(GetSysColor(COLOR_BACKGROUND), 0u);
    EXPECT_EQ(RegValue(HKEY_CURRENT_USER, kColorsKey, "Background"), "0 0 0");
    EXPECT_EQ(Restore(Item(kColor)), 1);
    EXPECT_EQ(GetSysColor(COLOR_BACKGROUND), RGB(0, 128, 128));
    EXPECT_EQ(RegValue(HKEY_CURRENT_USER, kColorsKey, "Background"), "0 128 128");
    ASSERT_EQ(Item(kColor)->Apply(std::to_string(RGB(255, 64, 1)).c_str()), 1);
    EXPECT_EQ(RegValue(HKEY_CURRENT_USER, kColorsKey, "Background"), "255 64 1");
}

// Each place comes back as it was: a file, the seeded scheme (on NT its
// REG_EXPAND_SZ texts), a value that was missing.
TEST_P(SettingItemsTest, CursorsRecordApplyAndRestoreEachPlaceAsItWas) {
    const char* names[] = {"AppStarting", "Wait", "Arrow"};
    const int items[] = {kCurAppStart, kCurWait, kCurArrow};
    std::string old = Cursor("ALT.CUR", false);
    SetRegValue(HKEY_CURRENT_USER, kUserCursorsKey, "Wait", old.c_str());
    DeleteRegValue(HKEY_CURRENT_USER, kUserCursorsKey, "Arrow");
    for (int i = 0; i < 3; ++i) {
        SettingItem* item = Item(items[i]);
        SCOPED_TRACE(item->keyName);
        std::string user = RegValue(HKEY_CURRENT_USER, kUserCursorsKey, names[i]);
        std::string logon = RegValue(HKEY_USERS, kDefaultCursorsKey, names[i]);
        ASSERT_EQ(item->SaveCurrent(), 1) << "a missing value is recorded, not a failure";
        if (i > 0) {
            EXPECT_EQ(Stored(item->keyName), i == 1 ? old : "(none)");
        }
        std::string theme = ThemeValue(item);
        std::string file = Cursor(theme.c_str(), theme.find(".ani") != std::string::npos);
        ASSERT_EQ(item->Apply(file.c_str()), 1);
        EXPECT_EQ(RegValue(HKEY_CURRENT_USER, kUserCursorsKey, names[i]), file);
        EXPECT_EQ(RegValue(HKEY_USERS, kDefaultCursorsKey, names[i]), file);
        ASSERT_EQ(Restore(item), 1);
        EXPECT_EQ(RegValue(HKEY_CURRENT_USER, kUserCursorsKey, names[i]), user);
        EXPECT_EQ(RegValue(HKEY_USERS, kDefaultCursorsKey, names[i]), logon);
    }
    EXPECT_EQ(RegValue(HKEY_CURRENT_USER, kUserCursorsKey, "Arrow"), "<missing>");
}

TEST_P(SettingItemsTest, CursorApplyFailsWithoutARealCursorFileAndFallsBackWithoutAnyFile) {
    std::string text = Scratch("text.cur");
    package_test::WriteWholeFile(text, "not a cursor at all");
    std::string arrow = RegValue(HKEY_CURRENT_USER, "Control Panel\\Cursors", "Arrow");
    EXPECT_EQ(Item(kCurArrow)->Apply(text.c_str()), 0);
    EXPECT_EQ(Item(kCurArrow)->Apply(scratch.c_str()), 0) << "a directory";
    EXPECT_EQ(RegValue(HKEY_CURRENT_USER, "Control Panel\\Cursors", "Arrow"), arrow);
    // A file that is not there at all can never be loaded: the standard
    // cursor takes its place, as for an empty value.
    for (const char* gone : {"fehlt.cur", "fehlt\\pfeil.cur"}) {
        SetRegValue(HKEY_CURRENT_USER, "Control Panel\\Cursors", "Arrow", arrow.c_str());
        EXPECT_EQ(Item(kCurArrow)->Apply(Scratch(gone).c_str()), 1) << gone;
        EXPECT_EQ(RegValue(HKEY_CURRENT_USER, "Control Panel\\Cursors", "Arrow"), "");
        EXPECT_EQ(RegValue(HKEY_USERS, ".Default\\Control Panel\\Cursors", "Arrow"), "");
    }
    Item(kCurArrow)->SetThemeValue("anderer.cur");
    EXPECT_EQ(ThemeValue(Item(kCurArrow)), "anderer.cur");
    Item(kCurArrow)->SetThemeValue("wiesenhain-cur-arrow.cur");
}

// The theme's sound goes to the current user as well as to the logon
// desktop; each comes back as it was, type and all.
TEST_P(SettingItemsTest, RecycleBinSoundRecordsAppliesAndRestores) {
    std::string logon = RegValue(HKEY_USERS, kSoundKey, "");
    std::string user = RegValue(HKEY_CURRENT_USER, kUserSoundKey, "");
    ASSERT_EQ(Item(kSound)->SaveCurrent(), 1);
    EXPECT_EQ(Recorded("OldBinEmptyWave"), TextOf(logon));
    EXPECT_EQ(Recorded("OldBinEmptyWave.User"), TextOf(user));
    std::string theme = g_setup.targetDirectory + ThemeValue(Item(kSound));
    ASSERT_EQ(Item(kSound)->Apply(theme.c_str()), 1);
    EXPECT_EQ(RegValue(HKEY_USERS, kSoundKey, ""), theme);
    EXPECT_EQ(RegValue(HKEY_CURRENT_USER, kUserSoundKey, ""), theme);
    Restore(Item(kSound));
    EXPECT_EQ(RegValue(HKEY_USERS, kSoundKey, ""), logon);
    EXPECT_EQ(RegValue(HKEY_CURRENT_USER, kUserSoundKey, ""), user);
}

// A user who never had a sound of their own: the theme's reaches them, and
// the uninstall leaves them without one again, keys and all.
TEST_P(SettingItemsTest, AUserWithoutASoundOfTheirOwnHasNoneAgainAfterTheRestore) {
    const char* bin = "AppEvents\\Schemes\\Apps\\Explorer\\EmptyRecycleBin";
    DeleteRegTree(HKEY_CURRENT_USER, bin);
    ASSERT_EQ(Item(kSound)->SaveCurrent(), 1);
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, bin)) << "the look created no key";
    std::string theme = g_setup.targetDirectory + ThemeValue(Item(kSound));
    ASSERT_EQ(Item(kSound)->Apply(theme.c_str()), 1);
    EXPECT_EQ(RegValue(HKEY_CURRENT_USER, kUserSoundKey, ""), theme);
    ASSERT_EQ(Restore(Item(kSound)), 1);
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, bin));
    EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, "AppEvents\\Schemes\\Apps\\Explorer"));
}

// A scheme whose files are named with %SystemRoot% (REG_EXPAND_SZ, as on
// Windows Vista and later) is no scheme of deleted files: each cursor comes
// back from its file, and every value with its text and type.
TEST_P(SettingItemsTest, AnExpandableCursorSchemeComesBackWhole) {
    std::string windows = WindowsDir();
    CreateDirectoryA((windows + "Cursors").c_str(), nullptr);
    std::string file = windows + "Cursors\\garten_pfeil.cur";
    if (!Exists(file)) {
        ASSERT_TRUE(package_test::WriteWholeFile(file, StaticCursorBytes()));
    }
    // %windir% is there on every Windows, %SystemRoot% on the NT family.
    std::string scheme = "expand:%windir%\\Cursors\\garten_pfeil.cur";
    SetViewValue(HKEY_CURRENT_USER, kUserCursorsKey, "Arrow", scheme);
    SetViewValue(HKEY_USERS, kDefaultCursorsKey, "Arrow", scheme);
    SettingItem* arrow = Item(kCurArrow);
    ASSERT_EQ(arrow->SaveCurrent(), 1);
    EXPECT_EQ(Stored("OldCurArrow"), "%windir%\\Cursors\\garten_pfeil.cur") << "as recorded";
    EXPECT_EQ(Stored("OldCurArrow.Type"), "2");
    std::string theme = Cursor(ThemeValue(arrow).c_str(), false);
    ASSERT_EQ(arrow->Apply(theme.c_str()), 1);
    ASSERT_EQ(Restore(arrow), 1);
    EXPECT_EQ(RegValue(HKEY_CURRENT_USER, kUserCursorsKey, "Arrow"), scheme);
    EXPECT_EQ(RegValue(HKEY_USERS, kDefaultCursorsKey, "Arrow"), scheme);
    DeleteFileA(file.c_str());
}

// Records written before they kept types and second places read as they
// always did: a REG_SZ text, the logon desktop's cursor as the user's, the
// current user's sound left alone.
TEST_P(SettingItemsTest, RecordsWithoutTypesOrSecondPlacesReadAsTheyAlwaysDid) {
    std::string computer = IconKey(kComputerClass);
    std::string sound = RegValue(HKEY_CURRENT_USER, kUserSoundKey, "");
    std::string old = Cursor("ALT.CUR", false);
    ProfileSettings::Write("Computer", "explorer.exe,7");
    ProfileSettings::Write("OldCurArrow", old.c_str());
    ProfileSettings::Write("OldBinEmptyWave", "C:\\WINDOWS\\MEDIA\\alt.wav");
    ASSERT_EQ(Restore(Item(kComputer)), 1);
    ASSERT_EQ(Restore(Item(kCurArrow)), 1);
    ASSERT_EQ(Restore(Item(kSound)), 1);
    EXPECT_EQ(RegValue(HKEY_CLASSES_ROOT, computer.c_str(), "", IconView()), "explorer.exe,7");
    EXPECT_EQ(RegValue(HKEY_CURRENT_USER, kUserCursorsKey, "Arrow"), old);
    EXPECT_EQ(RegValue(HKEY_USERS, kDefaultCursorsKey, "Arrow"), old);
    EXPECT_EQ(RegValue(HKEY_USERS, kSoundKey, ""), "C:\\WINDOWS\\MEDIA\\alt.wav");
    EXPECT_EQ(RegValue(HKEY_CURRENT_USER, kUserSoundKey, ""), sound);
}

TEST_P(SettingItemsTest, ScreenSaverActiveStateAndShortPath) {
    SettingItem* saver = Item(kScreenSaver);
    SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, 0, nullptr, SPIF_UPDATEINIFILE);
    ASSERT_EQ(saver->SaveCurrent(), 1);
    EXPECT_EQ(Stored("OldScreenSaveActive"), "0");
    EXPECT_EQ(Stored("OldScreenSave"), "(none)") << "no screen saver was set";

    // The theme's file name (case-sensitive) always switches it on. The entry
    // is the short form of the file that 64-bit Windows finds under the name,
    // in the native system directory (under WOW64 this program's own view of
    // the system directory does not hold it).
    std::string theme = g_setup.systemDirectory + ThemeValue(saver);
    std::string file = NativeSystemDir() + ThemeValue(saver);
    ASSERT_TRUE(package_test::WriteWholeFile(file, "MZ"));
    ASSERT_EQ(saver->Apply(theme.c_str()), 1);
    BOOL active = FALSE;
    SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &active, 0);
    EXPECT_TRUE(active);
    EXPECT_EQ(RegValue(HKEY_CURRENT_USER, kDesktopKey, "ScreenSaveActive"), "1");
    std::string shortPath = NativeShortPath(theme);
    ASSERT_NE(shortPath, "");
    EXPECT_EQ(ScreenSaverEntry(), shortPath);
    DeleteFileA(file.c_str());

    // Any other name: as recorded ("0").
    ASSERT_EQ(saver->Apply("C:\\WINDOWS\\SYSTEM\\wiesenhain.scr"), 1);
    SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &active, 0);
    EXPECT_FALSE(active) << "the name differs in case from the theme's";
    EXPECT_EQ(ScreenSaverEntry(), "C:\\WINDOWS\\SYSTEM\\wiesenhain.scr") << "no short form";

    // The entry was missing when it was recorded: the restore removes it.
    ASSERT_EQ(Restore(saver), 1);
    EXPECT_EQ(ScreenSaverEntry(), "<missing>");
    SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &active, 0);
    EXPECT_FALSE(active);
    EXPECT_EQ(RegValue(HKEY_CURRENT_USER, kDesktopKey, "ScreenSaveActive"), "0");

    // No record of the active state (or one not starting with "0"): active.
    ProfileSettings::Remove("OldScreenSaveActive");
    ASSERT_EQ(saver->Apply(""), 1);
    SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &active, 0);
    EXPECT_TRUE(active);
    saver->ForgetSaved();
    EXPECT_EQ(saver->HasSaved(), 0);
    EXPECT_EQ(saver->isSaved, 0);
    EXPECT_EQ(Stored("OldScreenSaveActive"), "<missing>");
}

TEST_P(SettingItemsTest, ScreenSaverRecordsTheActiveStateAndTheEntry) {
    SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, 1, nullptr, SPIF_UPDATEINIFILE);
    WritePrivateProfileStringA("boot", "SCRNSAVE.EXE", "C:\\WINDOWS\\SYSTEM\\BLUMEN.SCR",
                               "system.ini");
    ASSERT_EQ(Item(kScreenSaver)->SaveCurrent(), 1);
    EXPECT_EQ(Stored("OldScreenSaveActive"), "1");
    EXPECT_EQ(Stored("OldScreenSave"), "C:\\WINDOWS\\SYSTEM\\BLUMEN.SCR");
    EXPECT_EQ(ProfileSettings::IsPresent("Wiesenhain", "OldScreenSave"), 1);
}

// ---- Writes that fail ----

// A kind that writes two values fails when either write fails, and the
// recycle bin puts back the default value it changed first.
TEST_P(SettingItemsTest, AnItemFailsWhenAnyOfItsWritesFails) {
    using platform_testing::FaultFamily;
    using platform_testing::InjectFault;
    std::string bin = IconKey(kRecycleBinClass);
    SetRegValue(HKEY_CLASSES_ROOT, bin.c_str(), "", "e.dll,1", IconView());
    SetRegValue(HKEY_CLASSES_ROOT, bin.c_str(), "empty", "e.dll,1", IconView());
    if (!InjectFault(FaultFamily::RegistrySet, 1))
        GTEST_SKIP() << "fault injection exists on the emulated machine only";
    EXPECT_EQ(Item(kTrashEmpty)->Apply("neu.dll,2"), 0) << "the default value failed";
    EXPECT_EQ(RegValue(HKEY_CLASSES_ROOT, bin.c_str(), "empty", IconView()), "e.dll,1");
    InjectFault(FaultFamily::RegistrySet, 2);
    EXPECT_EQ(Item(kTrashEmpty)->Apply("neu.dll,2"), 0) << "the item's own value failed";
    EXPECT_EQ(RegValue(HKEY_CLASSES_ROOT, bin.c_str(), "", IconView()), "e.dll,1");
    EXPECT_EQ(RegValue(HKEY_CLASSES_ROOT, bin.c_str(), "empty", IconView()), "e.dll,1");

    // Both cursor values count, the ".Default" user's too.
    std::string file = Cursor("wiesenhain-cur-wait.ani", true);
    for (int nth : {1, 2}) {
        SCOPED_TRACE(nth);
        InjectFault(FaultFamily::RegistrySet, nth);
        EXPECT_EQ(Item(kCurWait)->Apply(file.c_str()), 0);
    }

    // The screen saver's active state must reach the user profile, and its
    // record must be written for the screen saver to count as recorded.
    std::string theme = g_setup.systemDirectory + ThemeValue(Item(kScreenSaver));
    std::string entry = ScreenSaverEntry();
    InjectFault(FaultFamily::RegistrySet, 1);
    EXPECT_EQ(Item(kScreenSaver)->Apply(theme.c_str()), 0);
    EXPECT_EQ(ScreenSaverEntry(), entry);
    InjectFault(FaultFamily::ProfileWrite, 1);
    EXPECT_EQ(Item(kScreenSaver)->SaveCurrent(), 0);
    EXPECT_EQ(Item(kScreenSaver)->isSaved, 0);
    platform_testing::ClearInjectedFaults();
}

INSTANTIATE_TEST_SUITE_P(Flavours, SettingItemsTest,
                         ::testing::ValuesIn(platform_testing::TestMachineFlavours()), FlavourName);

} // namespace
