#include "engine/install_file_table.h"

// The setup program itself is copied twice: into the target directory as
// "wiesenhain.exe" (whose icon resources 100 to 103 the desktop icon items
// point at) and into the Windows directory as the remover that the uninstall
// entry starts. "Wiesenhain.scr" keeps its capital letter: the screen saver
// item looks for exactly that name.
const InstallFileEntry InstallFileTable::rows[kCount] = {
    {"setup.exe", "wiesenhain.exe", LocationKind::Target, 0, 1, InstallCategory::Always},
    {"setup.exe", "wiesenhain-remove.exe", LocationKind::Windows, 0, 1, InstallCategory::Always},
    {"wall.ppk", "wiesenhain.bmp", LocationKind::Windows, 1, 1, InstallCategory::Wallpaper},
    {"curstart.ppk", "wiesenhain-cur-appstart.ani", LocationKind::Target, 1, 1,
     InstallCategory::CursorsAndIcons},
    {"curwait.ppk", "wiesenhain-cur-wait.ani", LocationKind::Target, 1, 1,
     InstallCategory::CursorsAndIcons},
    {"curarrow.ppk", "wiesenhain-cur-arrow.cur", LocationKind::Target, 1, 1,
     InstallCategory::CursorsAndIcons},
    {"empty.ppk", "wiesenhain.wav", LocationKind::Target, 1, 1, InstallCategory::CursorsAndIcons},
    {"h256.ppk", "h-256.ani", LocationKind::Target, 1, 1, InstallCategory::Always},
    {"k256.ppk", "k-256.ani", LocationKind::Target, 1, 1, InstallCategory::Always},
    {"screen.ppk", kScreenSaverFileName, LocationKind::System, 1, 1, InstallCategory::Always},
};

const char* const DisketteFileList::names[kCount] = {
    "setup.exe", "wall.ppk", "curstart.ppk", "curwait.ppk", "curarrow.ppk",
    "empty.ppk", "h256.ppk", "k256.ppk",     "screen.ppk",
};
const char* const DisketteFileList::toleratedName = "setup.exe";

const char kInstalledMarkerKey[] = "OldScreenSave";
const char kInstallDirectoryKey[] = "InstallDir";
const char kSetupCopiesKey[] = "SetupCopies";
