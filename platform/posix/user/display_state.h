// The display state of the logged-on user on the emulated machine: desktop
// colour, wallpaper, screen saver active, the system cursors and the cursor
// shown now.
//
// It belongs to the session: when a machine opens (a logon), it is read from
// where Windows keeps it in the registry under HKEY_CURRENT_USER (the colour
// "Background" of "Control Panel/Colors", "Wallpaper", "TileWallpaper" and
// "ScreenSaveActive" of "Control Panel/Desktop", the cursors of "Control Panel/Cursors",
// REG_EXPAND_SZ ones expanded, a value naming no cursor file the standard
// cursor; SPI_SETCURSORS reads the cursors again), and
// the display calls change it for the running program only, except where a
// call is asked to update the user profile (SPI_SETSCREENSAVEACTIVE with
// SPIF_UPDATEINIFILE writes "ScreenSaveActive"). Tests and the host tools
// read it here.
#pragma once

#include <stdint.h>
#include <map>
#include <string>

namespace display_state {

// A cursor as the display keeps it: a standard cursor of the system (by id)
// or one loaded from a file (the file it came from).
struct CursorInfo {
    bool fromFile = false;
    uint32_t standardId = 0; // when !fromFile
    std::string file;        // when fromFile: the path given to LoadCursorFromFileA
};

struct State {
    uint32_t desktopColor = 0; // COLORREF
    std::string wallpaper;
    bool tileWallpaper = false; // "TileWallpaper" as it was when the wallpaper was last set
    bool screenSaverActive = false;
    std::map<uint32_t, CursorInfo> systemCursors; // by system cursor id
    CursorInfo currentCursor;
    int setCursorCalls = 0;
};

// The state of the running session (loaded from the registry when first
// used after a machine opened).
const State& Current();

// Fault switches for tests: make the next display calls fail.
void FailSetSystemCursor(bool on);
void FailLoadCursor(bool on);

} // namespace display_state
