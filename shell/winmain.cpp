// setup.exe's entry: Windows starts the setup with the module instance; the
// command line and the show state are not read.
#include "platform/win32.h"
#include "shell/run_setup.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    return RunSetup(instance);
}
