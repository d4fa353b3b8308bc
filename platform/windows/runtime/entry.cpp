// setup.exe's entry point, where Windows starts the process: the program's
// fixed data is constructed, WinMain runs, and its result is the process's
// exit code. No thread-local storage, no TLS callbacks (Windows 9x runs
// none), no destructors at exit: the program's fixed data has none to run.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace {

using Constructor = void (*)();

// The arguments on a command line: what follows the program's name (in
// quotes or up to the first blank) and the blanks after it.
char* Arguments(char* line) {
    bool quoted = false;
    for (; *line && (quoted || (*line != ' ' && *line != '\t')); ++line)
        if (*line == '"')
            quoted = !quoted;
    while (*line == ' ' || *line == '\t')
        ++line;
    return line;
}

} // namespace

// The linker's list of the constructors of fixed data (the .ctors sections):
// -1, the constructors, then null.
extern "C" Constructor __CTOR_LIST__[];

// Runs the constructors last to first, as GCC's own start-up does; calls
// WinMain with the module's instance, the arguments and the show state
// asked for in the start-up information (else SW_SHOWDEFAULT); ends the
// process with WinMain's result.
extern "C" void WinMainCRTStartup() {
    int count = 0;
    while (__CTOR_LIST__[count + 1])
        ++count;
    for (; count > 0; --count)
        __CTOR_LIST__[count]();
    STARTUPINFOA start;
    start.cb = sizeof start;
    GetStartupInfoA(&start);
    int show = (start.dwFlags & STARTF_USESHOWWINDOW) ? start.wShowWindow : SW_SHOWDEFAULT;
    ExitProcess(static_cast<UINT>(
        WinMain(GetModuleHandleA(nullptr), nullptr, Arguments(GetCommandLineA()), show)));
}

// What a call of a pure virtual function lands in (the compiler's entry in
// an abstract class's table): ends the process as abort does.
extern "C" void __cxa_pure_virtual() {
    ExitProcess(3);
}
