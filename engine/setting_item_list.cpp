// The program's twelve setting items, in the order every walk takes them:
// the tiling item before the wallpaper item, the screen saver (whose record
// marks the theme as installed) last.
#include "engine/setting_items.h"
#include "text/item_key_texts.h"

namespace {

ShellIconItem g_computerIcon("Computer", ItemKeyPartComputer.text, "", 0);
ShellIconItem g_networkIcon("Network", ItemKeyPartNetwork.text, "", 1);
RecycleBinIconItem g_trashEmptyIcon("TrashEmpty", ItemKeyPartRecycleBin.text, "empty", 2);
RecycleBinIconItem g_trashFullIcon("TrashFull", ItemKeyPartRecycleBin.text, "full", 3);
DesktopTileItem g_tile("OldTile", LocationKind::Literal, "0", "TileWallpaper");
WallpaperItem g_wallpaper("OldWall", LocationKind::Windows, "wiesenhain.bmp", "Wallpaper");
DesktopColorItem g_color("OldColor");
CursorItem g_appStartCursor("OldCurAppStart", 32650, "AppStarting", "wiesenhain-cur-appstart.ani",
                            32650);
CursorItem g_waitCursor("OldCurWait", 32514, "Wait", "wiesenhain-cur-wait.ani", 32514);
CursorItem g_arrowCursor("OldCurArrow", 32512, "Arrow", "wiesenhain-cur-arrow.cur", 32512);
RecycleBinSoundItem g_recycleSound("OldBinEmptyWave");
ScreenSaverItem g_screenSaver("OldScreenSave");

} // namespace

SettingItemList& SettingItemList::Program() {
    static SettingItemList list = {{&g_computerIcon, &g_networkIcon, &g_trashEmptyIcon,
                                    &g_trashFullIcon, &g_tile, &g_wallpaper, &g_color,
                                    &g_appStartCursor, &g_waitCursor, &g_arrowCursor,
                                    &g_recycleSound, &g_screenSaver},
                                   kCount};
    return list;
}

void PrepareSettingItems() {
    PrepareSettingItems(SettingItemList::Program());
}
