// setup.exe's entry: Windows starts the setup with the module instance; the
// command line and the show state are not read.
#include "platform/win32.h"
#include "shell/run_setup.h"

#include <exception>
#include <stdlib.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    return RunSetup(instance);
}

// The C++ runtime's default terminate handler names the exception that ended
// the program, demangled: it alone would bring the runtime's demangler (some
// 45 KB) into setup.exe, which throws no exceptions. This one ends the
// program as abort does.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
    abort();
}
} // namespace __gnu_cxx
