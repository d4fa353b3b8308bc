// Entry of the test binaries: GoogleTest with the platform's test machine
// opened around every test by the fixtures in tests/support. The install and
// uninstall procedures that tests run directly use the shell's dialogs, as
// RunSetup provides them.
#include "engine/procedure_dialogs.h"
#include "shell/main_dialog.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    SetProcedureDialogs(kMainDialogProcedureDialogs);
    return RUN_ALL_TESTS();
}
