#include "state/setup_state.h"

#include <string.h>

SetupState g_setup;

const char* DirectoryFor(LocationKind location) {
    switch (location) {
    case LocationKind::Target:
        return g_setup.targetDirectory;
    case LocationKind::Windows:
        return g_setup.windowsDirectory;
    case LocationKind::System:
        return g_setup.systemDirectory;
    default:
        return "";
    }
}

bool IsCategorySelected(InstallCategory category) {
    switch (category) {
    case InstallCategory::Always:
        return true;
    case InstallCategory::Wallpaper:
        return g_setup.installWallpaper;
    case InstallCategory::CursorsAndIcons:
        return g_setup.installCursorsAndIcons;
    default:
        return false;
    }
}

void ResetSetupState() {
    memset(&g_setup, 0, sizeof g_setup);
}
