// The main dialog's credit line, stored scrambled, and its showing.
#pragma once

#include "text/scrambled_text.h"

enum : unsigned {
    kCreditLineScrambleStart = 0x37,
    kCreditLineScramblePeriod = 5,
};

// The credit line of the main dialog (control 207), stored scrambled.
extern const StoredText CreditLine;

// Unscrambles the credit line and the three ItemKeyPart texts and puts the
// credit line into control 207 of SetupState::mainDialog. Runs once per run;
// returns whether the control's text could be set.
bool ShowCreditLine();
