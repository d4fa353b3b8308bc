// What the install and uninstall procedures need of the dialogs above them:
// a status line while they run, and the user's word on where the
// installation files are when they are not where the install looked. The
// setup shell provides both at start-up (RunSetup); tests may provide their
// own. Without a provider the procedures show no status and find no other
// directory.
#pragma once

struct ProcedureDialogs {
    // Asks for the directory of the installation files. True with the
    // directory, ending in "\", in `buffer`: at most `capacity` characters
    // and a terminator after them, so the buffer holds capacity + 1. False
    // when the user declined, with the buffer unchanged.
    bool (*askForSourceDirectory)(char* buffer, int capacity);
    // Shows a string resource as the status line of the running procedure;
    // 0 clears it.
    void (*showStatusLine)(unsigned stringId);
};

// The provider from now on (copied); a null member stands for "declined" and
// "no status line".
void SetProcedureDialogs(const ProcedureDialogs& dialogs);

// The procedures' calls, through the provider set last.
bool AskForSourceDirectory(char* buffer, int capacity);
void ShowStatusLine(unsigned stringId);
