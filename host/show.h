// What the setup did to a machine, as a person wants to see it: the desktop
// (colour, wallpaper, screen saver), the cursors, the desktop icons and the
// recycle-bin sound, the product's section of control.ini, the product key,
// the uninstall entry and the desktop shortcuts.
#pragma once

#include <string>

// The view of the open machine as UTF-8 text. Everything is read through the
// machine's own calls (registry, profile files, display, shell); nothing is
// changed.
std::string ShowMachine();
