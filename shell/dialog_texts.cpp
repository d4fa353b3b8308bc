#include "shell/dialog_texts.h"

#include "platform/win32.h"
#include "resources/resource_ids.h"
#include "state/setup_state.h"
#include "text/item_key_texts.h"

#include <initializer_list>

namespace {
enum : int {
    kCreditLineControl = IDC_MAIN_CREDIT_LINE,
};

auto creditLine = ScrambleText("\xA9 1999 Vorq Software GmbH \x95 Gartenstra\xDF"
                               "e 12 \x95 Wiesenfeld",
                               kCreditLineScrambleStart, kCreditLineScramblePeriod);
} // namespace

const StoredText CreditLine = {creditLine.bytes, sizeof creditLine.bytes};

bool ShowCreditLine() {
    // The texts are unscrambled in place, so only once per process: a second
    // main dialog (tests run several) would scramble them again.
    static bool plain = false;
    if (!plain) {
        UnscrambleText(CreditLine.text, CreditLine.length, kCreditLineScrambleStart,
                       kCreditLineScramblePeriod);
        for (const StoredText* part :
             {&ItemKeyPartComputer, &ItemKeyPartNetwork, &ItemKeyPartRecycleBin})
            UnscrambleText(part->text, part->length, kItemKeyScrambleStart, kItemKeyScramblePeriod);
        plain = true;
    }
    return SetDlgItemTextA(g_setup.mainDialog, kCreditLineControl, CreditLine.text) != FALSE;
}
