// The product's fixed names, which every layer that writes the product's
// data uses: the profile file and its section, the registry keys, the
// screen saver's file.
#pragma once

extern const char kProductName[];         // "Wiesenhain": the section of control.ini
extern const char kProfileFileName[];     // "control.ini"
extern const char kProductKeyPath[];      // "SOFTWARE\Vorq\Wiesenhain" (HKEY_LOCAL_MACHINE)
extern const char kMakerKeyPath[];        // "SOFTWARE\Vorq"
extern const char kScreenSaverFileName[]; // "Wiesenhain.scr", as the screen saver item finds it
