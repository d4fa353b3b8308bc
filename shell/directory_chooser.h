// The directory chooser: a modal dialog (1000) in which the user walks drives
// and directories in a list and picks one.
#pragma once

#include "platform/win32.h"

// Runs the chooser owned by `owner` with the prompt string `promptId`.
// Returns true with the chosen directory, ending in "\", in `buffer`; false
// when cancelled, leaving the buffer alone. At most `capacity` characters are
// copied and a terminator follows them, so the buffer must hold capacity + 1
// characters. Listing a directory makes it the process's current directory,
// so afterwards the current directory is the one listed last.
bool ChooseDirectory(HINSTANCE instance, HWND owner, char* buffer, int capacity, UINT promptId);
