// The registry key texts of the setting items, stored scrambled.
//
// The desktop icon items build "CLSID\{" + class id + "}\DefaultIcon"
// under HKEY_CLASSES_ROOT from IconKeyPrefix, an ItemKeyPart text and
// IconKeySuffix; the desktop items use "Control Panel\Desktop" and
// "Control Panel\Colors" under HKEY_CURRENT_USER. All of them share one
// pair of start value and period. ShowCreditLine (shell/dialog_texts.h)
// unscrambles the three ItemKeyPart texts; the items unscramble the others
// in their Prepare.
#pragma once

#include "text/scrambled_text.h"

enum : unsigned {
    kItemKeyScrambleStart = 0x5A,
    kItemKeyScramblePeriod = 7,
};

extern const StoredText IconKeyPrefix;         // "CLSID\{"
extern const StoredText IconKeySuffix;         // "}\DefaultIcon"
extern const StoredText ItemKeyPartComputer;   // class id of Computer
extern const StoredText ItemKeyPartNetwork;    // class id of Network
extern const StoredText ItemKeyPartRecycleBin; // class id of the recycle bin (empty and full)
extern const StoredText DesktopKeyPath;        // "Control Panel\Desktop"
extern const StoredText ColorsKeyPath;         // "Control Panel\Colors"
