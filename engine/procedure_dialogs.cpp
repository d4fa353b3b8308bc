#include "engine/procedure_dialogs.h"

namespace {
ProcedureDialogs g_dialogs = {nullptr, nullptr};
} // namespace

void SetProcedureDialogs(const ProcedureDialogs& dialogs) {
    g_dialogs = dialogs;
}

bool AskForSourceDirectory(char* buffer, int capacity) {
    return g_dialogs.askForSourceDirectory && g_dialogs.askForSourceDirectory(buffer, capacity);
}

void ShowStatusLine(unsigned stringId) {
    if (g_dialogs.showStatusLine)
        g_dialogs.showStatusLine(stringId);
}
