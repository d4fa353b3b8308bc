// The native host: opens an emulated machine and starts the setup program on
// it, the way Windows starts setup.exe. Its options belong to the host (like
// a loader's); the program itself reads no command line.
#include "host/show.h"
#include "platform/posix/kernel/machine.h"
#include "platform/posix/kernel/resource_module.h"
#include "platform/posix/user/scripted_front_end.h"
#include "host/terminal_front_end.h"
#include "platform/posix/kernel/trace.h"
#include "shell/run_setup.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

const char kTraceFileName[] = "trace.log";

void Usage(FILE* out) {
    fprintf(out,
            "usage: setup-host [--machine FOLDER] [--architecture A] [--windows W]\n"
            "                  [--medium FOLDER] [--scenario FILE] [--trace [FILE]]\n"
            "       setup-host [--machine FOLDER] --show\n"
            "\n"
            "Runs the Wiesenhain setup program on an emulated Windows 95 machine, or on\n"
            "an emulated 64-bit Windows one.\n"
            "  --machine FOLDER   the machine (created fresh when it does not exist);\n"
            "                     default %s\n"
            "  --architecture A   what Windows a fresh machine plays: x86 (Windows 95, the\n"
            "                     default), x64 (64-bit Windows, the setup runs under\n"
            "                     WOW64) or x64-without-sysnative (64-bit Windows XP);\n"
            "                     an existing machine must be of it\n"
            "  --windows W        which Windows a fresh machine plays: 95 (the default) or 10\n"
            "                     (the NT family: the user's own REG_EXPAND_SZ schemes,\n"
            "                     system.ini's screen saver in the registry); an existing\n"
            "                     machine must be of it\n"
            "  --medium FOLDER    the installation medium, drive D: and the current\n"
            "                     directory; default: the folder of this program\n"
            "  --scenario FILE    play the person from a scenario file (docs/scenarios.md);\n"
            "                     without it the setup shows in the terminal\n"
            "  --trace [FILE]     write every change the setup makes to the machine, one\n"
            "                     line each, to FILE (\"-\": standard error). Without FILE:\n"
            "                     standard error, except when the setup shows in the\n"
            "                     terminal and standard error is that terminal; then\n"
            "                     %s in the machine folder\n"
            "  --show             show the machine's desktop, cursors, icons, the product's\n"
            "                     settings, key, uninstall entry and shortcut, and end\n"
            "\n"
            "For crash tests:\n"
            "  --crash-at-change N  kill this process (SIGKILL) just before the emulation's\n"
            "                     Nth change to the machine's files\n"
            "  --count-changes    print \"changes: N\" (the changes made) to stderr at the end\n",
            machine::DefaultFolder().c_str(), kTraceFileName);
}

std::string ProgramFolder(const char* argv0) {
    char path[4096];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    std::string self = n > 0 ? std::string(path, static_cast<size_t>(n)) : argv0;
    size_t slash = self.rfind('/');
    return slash == std::string::npos ? "." : self.substr(0, slash);
}

// A kind of machine by its name on the command line.
template <typename Kind> struct Named {
    const char* name;
    Kind kind;
};

// The machine architectures, and the Windows a machine plays.
const Named<machine::Architecture> kArchitectures[] = {
    {"x86", machine::Architecture::X86},
    {"x64", machine::Architecture::X64},
    {"x64-without-sysnative", machine::Architecture::X64WithoutSysnative}};
const Named<machine::Windows> kWindows[] = {{"95", machine::Windows::Windows95},
                                            {"10", machine::Windows::Windows10}};

// The kind named `name` in `table`; false when none is.
template <typename Kind, size_t N>
bool KindNamed(const Named<Kind> (&table)[N], const std::string& name, Kind* kind) {
    for (const Named<Kind>& known : table)
        if (name == known.name) {
            *kind = known.kind;
            return true;
        }
    return false;
}

// The name of `kind` in `table`.
template <typename Kind, size_t N> const char* NameOf(const Named<Kind> (&table)[N], Kind kind) {
    for (const Named<Kind>& known : table)
        if (known.kind == kind)
            return known.name;
    return "?";
}

void RunProgram(void*) {
    RunSetup(resources::ProgramModule());
}

// Where the trace goes. Lines are flushed one by one, so that a person can
// follow the file while the setup runs.
FILE* g_traceFile = nullptr;

void WriteTraceLine(const std::string& line) {
    fprintf(g_traceFile, "%s\n", line.c_str());
    fflush(g_traceFile);
}

// Opens the trace: `file` "-" is standard error, "" the default (see Usage).
// Returns the path written to ("" for standard error), or sets *error.
std::string StartTrace(const std::string& file, bool terminal, std::string* error) {
    std::string path = file;
    if (path.empty())
        path = terminal && isatty(STDERR_FILENO) ? machine::FolderFile(kTraceFileName) : "-";
    if (path == "-") {
        g_traceFile = stderr;
        path.clear();
    } else {
        g_traceFile = fopen(path.c_str(), "w");
        if (!g_traceFile) {
            *error = "cannot write the trace to " + path + ": " + strerror(errno);
            return "";
        }
    }
    trace::SetSink(WriteTraceLine);
    return path;
}

void StopTrace() {
    trace::SetSink(nullptr);
    if (g_traceFile && g_traceFile != stderr)
        fclose(g_traceFile);
    g_traceFile = nullptr;
}

} // namespace

int main(int argc, char** argv) {
    std::string folder = machine::DefaultFolder();
    std::string medium = ProgramFolder(argv[0]);
    std::string scenarioFile, traceFile;
    bool tracing = false, show = false, countChanges = false, architectureGiven = false;
    bool windowsGiven = false;
    machine::Architecture architecture = machine::Architecture::X86;
    machine::Windows windows = machine::Windows::Windows95;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&](const char* name) -> const char* {
            if (i + 1 >= argc) {
                fprintf(stderr, "setup-host: %s needs a value\n", name);
                exit(2);
            }
            return argv[++i];
        };
        if (arg == "--machine")
            folder = value("--machine");
        else if (arg == "--medium")
            medium = value("--medium");
        else if (arg == "--architecture") {
            architectureGiven = KindNamed(kArchitectures, value("--architecture"), &architecture);
            if (!architectureGiven) {
                fprintf(stderr, "setup-host: --architecture wants x86, x64 or "
                                "x64-without-sysnative\n");
                return 2;
            }
        } else if (arg == "--windows") {
            windowsGiven = KindNamed(kWindows, value("--windows"), &windows);
            if (!windowsGiven) {
                fprintf(stderr, "setup-host: --windows wants 95 or 10\n");
                return 2;
            }
        } else if (arg == "--scenario")
            scenarioFile = value("--scenario");
        else if (arg == "--trace") {
            tracing = true;
            // The file is optional: the next argument is it unless it is an option.
            if (i + 1 < argc && (argv[i + 1][0] != '-' || strcmp(argv[i + 1], "-") == 0))
                traceFile = argv[++i];
        } else if (arg == "--show")
            show = true;
        else if (arg == "--crash-at-change") {
            const char* text = value("--crash-at-change");
            char* end = nullptr;
            unsigned long long n = strtoull(text, &end, 10);
            if (!*text || *end || n == 0) {
                fprintf(stderr, "setup-host: --crash-at-change wants a number from 1\n");
                return 2;
            }
            machine::CrashAtChange(n);
        } else if (arg == "--count-changes")
            countChanges = true;
        else if (arg == "--help" || arg == "-h") {
            Usage(stdout);
            return 0;
        } else {
            fprintf(stderr, "setup-host: unknown option %s\n", argv[i]);
            Usage(stderr);
            return 2;
        }
    }
    std::string error;
    if (show && (tracing || !scenarioFile.empty())) {
        fprintf(stderr, "setup-host: --show runs alone (no --scenario, no --trace)\n");
        return 2;
    }
    // Looking makes no machine: --show wants one that exists.
    if (show && access((folder + "/machine.ini").c_str(), F_OK) != 0) {
        fprintf(stderr, "setup-host: there is no machine in %s\n", folder.c_str());
        return 1;
    }
    if (!machine::Open(folder, show ? "" : medium, &error, architecture, windows)) {
        fprintf(stderr, "setup-host: %s\n", error.c_str());
        return 1;
    }
    if (architectureGiven && machine::MachineArchitecture() != architecture) {
        fprintf(stderr, "setup-host: the machine in %s is an %s machine\n", folder.c_str(),
                NameOf(kArchitectures, machine::MachineArchitecture()));
        machine::Close();
        return 1;
    }
    if (windowsGiven && machine::MachineWindows() != windows) {
        fprintf(stderr, "setup-host: the machine in %s is a Windows %s machine\n", folder.c_str(),
                NameOf(kWindows, machine::MachineWindows()));
        machine::Close();
        return 1;
    }
    if (show) {
        fputs(ShowMachine().c_str(), stdout);
        machine::Close();
        return 0;
    }
    std::string tracePath;
    if (tracing) {
        tracePath = StartTrace(traceFile, scenarioFile.empty(), &error);
        if (!error.empty()) {
            machine::Close();
            fprintf(stderr, "setup-host: %s\n", error.c_str());
            return 1;
        }
    }
    if (scenarioFile.empty()) {
        dialogs::TerminalFrontEnd terminal;
        if (!terminal.Start(&error)) {
            StopTrace();
            machine::Close();
            fprintf(stderr, "setup-host: %s\n", error.c_str());
            return 2;
        }
        dialogs::SetFrontEnd(&terminal);
        RunProgram(nullptr);
        dialogs::SetFrontEnd(nullptr);
        terminal.Stop();
        StopTrace();
        machine::Close();
        if (tracing && !tracePath.empty())
            fprintf(stderr, "setup-host: the changes to the machine are in %s\n",
                    tracePath.c_str());
        if (countChanges)
            fprintf(stderr, "changes: %llu\n",
                    static_cast<unsigned long long>(machine::ChangeCount()));
        return 0;
    }
    std::ifstream in(scenarioFile, std::ios::binary);
    if (!in) {
        StopTrace();
        fprintf(stderr, "setup-host: cannot read %s\n", scenarioFile.c_str());
        return 1;
    }
    std::stringstream text;
    text << in.rdbuf();
    std::string result = dialogs::RunScenario(text.str(), scenarioFile, RunProgram, nullptr);
    StopTrace();
    machine::Close();
    if (countChanges)
        fprintf(stderr, "changes: %llu\n", static_cast<unsigned long long>(machine::ChangeCount()));
    if (!result.empty()) {
        fprintf(stderr, "%s\n", result.c_str());
        return 1;
    }
    return 0;
}
