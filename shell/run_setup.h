// The program's entry: one pass through the setup on the user-interface
// thread. The command line and the show state are not read.
#pragma once

#include "platform/win32.h"

// Runs the setup with the program module's instance; always returns 0.
int RunSetup(HINSTANCE instance);
