// The record protocol every setting item shares, with a kind made here.
#include "engine/setting_item.h"
#include "platform/win32.h"
#include "system/profile_settings.h"
#include "tests/support/test_machine.h"

#include <string.h>

#include <string>
#include <vector>

namespace {

// A setting whose "system value" is a text held by the test. Prepare counts
// its calls and, given a log, writes its key into it, so that a list of
// items shows the order of its walk.
class TextItem : public SettingItem {
  public:
    TextItem(const char* key, LocationKind location, std::string* system,
             std::vector<std::string>* calls = nullptr)
        : SettingItem(key, location), system(system), calls(calls) {}
    void Prepare() override {
        ++prepared;
        if (calls)
            calls->push_back(keyName);
    }
    int SaveCurrent() override {
        if (!ProfileSettings::Write(keyName, system->c_str()))
            return 0;
        return MarkSaved();
    }
    void GetThemeValue(char* buffer, int capacity) override {
        snprintf(buffer, static_cast<size_t>(capacity), "theme.txt");
    }
    int Apply(const char* value) override {
        *system = value;
        return 1;
    }
    int prepared = 0;
    std::string* system;
    std::vector<std::string>* calls;
};

class SettingItemTest : public MachineTest {
  protected:
    void SetUp() override {
        MachineTest::SetUp();
        ProfileSettings::RemoveSection();
    }
    void TearDown() override {
        ProfileSettings::RemoveSection();
        MachineTest::TearDown();
    }
};

TEST_F(SettingItemTest, BaseOperationsKeepTheirDefaults) {
    std::string value;
    TextItem item("OldWall", LocationKind::Windows, &value);
    EXPECT_EQ(item.isSaved, 0);
    EXPECT_EQ(item.GetCategory(), InstallCategory::Always);
    EXPECT_EQ(item.GetErrorCode(), 0);
    item.SetThemeValue("ignored");
    char buffer[kValueCapacity];
    item.GetThemeValue(buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "theme.txt");
    EXPECT_EQ(item.SettingItem::SaveCurrent(), 1);
    EXPECT_EQ(item.isSaved, 1);
    EXPECT_EQ(item.HasSaved(), 0) << "the base SaveCurrent records nothing";
}

TEST_F(SettingItemTest, EmptyValueIsRecordedRestoredAndForgotten) {
    std::string value; // the user had nothing set
    TextItem item("OldCurArrow", LocationKind::Target, &value);
    ASSERT_EQ(item.SaveCurrent(), 1);
    EXPECT_EQ(item.isSaved, 1);
    EXPECT_EQ(item.HasSaved(), 6);
    value = "C:\\wiesenhain\\wiesenhain-cur-arrow.cur";
    char buffer[kValueCapacity] = "x";
    ASSERT_EQ(item.ReadSaved(buffer, sizeof buffer), 1);
    EXPECT_STREQ(buffer, "");
    item.Apply(buffer);
    EXPECT_EQ(value, "");
    item.ForgetSaved();
    EXPECT_EQ(item.isSaved, 0);
    EXPECT_EQ(item.HasSaved(), 0);
    ASSERT_EQ(item.ReadSaved(buffer, sizeof buffer), 1);
    EXPECT_STREQ(buffer, "");
}

TEST_F(SettingItemTest, ForgettingOneRecordKeepsTheOthers) {
    std::string a = "C:\\alt.bmp", b = "1";
    TextItem wall("OldWall", LocationKind::Windows, &a);
    TextItem tile("OldTile", LocationKind::Literal, &b);
    ASSERT_EQ(wall.SaveCurrent(), 1);
    ASSERT_EQ(tile.SaveCurrent(), 1);
    wall.ForgetSaved();
    EXPECT_EQ(wall.HasSaved(), 0);
    EXPECT_EQ(tile.HasSaved(), 1);
    char buffer[kValueCapacity];
    tile.ReadSaved(buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "1");
}

TEST_F(SettingItemTest, PrepareRunsOnEveryItemInListOrder) {
    // The list's order, not the items' names or addresses: the screen saver,
    // whose record marks the theme installed, comes last.
    std::string v;
    std::vector<std::string> calls;
    TextItem wall("OldWall", LocationKind::Windows, &v, &calls);
    TextItem arrow("OldCurArrow", LocationKind::Target, &v, &calls);
    TextItem saver("OldScreenSave", LocationKind::System, &v, &calls);
    SettingItemList list = {{&saver, &wall, &arrow}, 3};
    PrepareSettingItems(list);
    PrepareSettingItems(list);
    EXPECT_EQ(wall.prepared, 2);
    EXPECT_EQ(arrow.prepared, 2);
    EXPECT_EQ(saver.prepared, 2);
    EXPECT_EQ(calls, (std::vector<std::string>{"OldScreenSave", "OldWall", "OldCurArrow",
                                               "OldScreenSave", "OldWall", "OldCurArrow"}));
    // An item past the list's count is not part of it.
    calls.clear();
    list.count = 2;
    PrepareSettingItems(list);
    EXPECT_EQ(calls, (std::vector<std::string>{"OldScreenSave", "OldWall"}));
}

TEST(SetupStateTest, CategoriesAndDirectories) {
    ResetSetupState();
    EXPECT_TRUE(IsCategorySelected(InstallCategory::Always));
    EXPECT_FALSE(IsCategorySelected(InstallCategory::Wallpaper));
    EXPECT_FALSE(IsCategorySelected(InstallCategory::CursorsAndIcons));
    EXPECT_FALSE(IsCategorySelected(static_cast<InstallCategory>(3)));
    EXPECT_FALSE(IsCategorySelected(static_cast<InstallCategory>(-1)));
    g_setup.installWallpaper = true;
    EXPECT_TRUE(IsCategorySelected(InstallCategory::Wallpaper));
    EXPECT_FALSE(IsCategorySelected(InstallCategory::CursorsAndIcons));
    strcpy(g_setup.windowsDirectory, "C:\\WINDOWS\\");
    strcpy(g_setup.systemDirectory, "C:\\WINDOWS\\SYSTEM\\");
    strcpy(g_setup.targetDirectory, "c:\\wiesenhain\\");
    EXPECT_STREQ(DirectoryFor(LocationKind::Windows), "C:\\WINDOWS\\");
    EXPECT_STREQ(DirectoryFor(LocationKind::System), "C:\\WINDOWS\\SYSTEM\\");
    EXPECT_STREQ(DirectoryFor(LocationKind::Target), "c:\\wiesenhain\\");
    ResetSetupState();
}

} // namespace
