// Texts compared without regard to case, as Windows compares file names and
// registry names: every letter of the ANSI code page folds, not only A to Z.
#pragma once

// True when a and b are equal once both are in upper case (CharUpperBuffA).
bool EqualNoCase(const char* a, const char* b);
