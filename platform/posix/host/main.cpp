// The native host: opens an emulated machine and starts the setup program on
// it, the way Windows starts setup.exe. Its options belong to the host (like
// a loader's); the program itself reads no command line.
#include "platform/posix/machine.h"
#include "platform/posix/resource_module.h"
#include "platform/posix/scripted_front_end.h"
#include "platform/posix/terminal_front_end.h"
#include "shell/run_setup.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

void Usage(FILE* out) {
    fprintf(out,
            "usage: setup-host [--machine FOLDER] [--medium FOLDER] [--scenario FILE]\n"
            "\n"
            "Runs the Wiesenhain setup program on an emulated Windows 95 machine.\n"
            "  --machine FOLDER   the machine (created fresh when it does not exist);\n"
            "                     default %s\n"
            "  --medium FOLDER    the installation medium, drive D: and the current\n"
            "                     directory; default: the folder of this program\n"
            "  --scenario FILE    play the person from a scenario file (docs/scenarios.md);\n"
            "                     without it the setup shows in the terminal\n"
            "\n"
            "For crash tests:\n"
            "  --crash-at-change N  kill this process (SIGKILL) just before the emulation's\n"
            "                     Nth change to the machine's files\n"
            "  --count-changes    print \"changes: N\" (the changes made) to stderr at the end\n",
            machine::DefaultFolder().c_str());
}

std::string ProgramFolder(const char* argv0) {
    char path[4096];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    std::string self = n > 0 ? std::string(path, static_cast<size_t>(n)) : argv0;
    size_t slash = self.rfind('/');
    return slash == std::string::npos ? "." : self.substr(0, slash);
}

void RunProgram(void*) {
    RunSetup(resources::ProgramModule());
}

} // namespace

int main(int argc, char** argv) {
    std::string folder = machine::DefaultFolder();
    std::string medium = ProgramFolder(argv[0]);
    std::string scenarioFile;
    bool countChanges = false;
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
        else if (arg == "--scenario")
            scenarioFile = value("--scenario");
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
    if (!machine::Open(folder, medium, &error)) {
        fprintf(stderr, "setup-host: %s\n", error.c_str());
        return 1;
    }
    if (scenarioFile.empty()) {
        dialogs::TerminalFrontEnd terminal;
        if (!terminal.Start(&error)) {
            machine::Close();
            fprintf(stderr, "setup-host: %s\n", error.c_str());
            return 2;
        }
        dialogs::SetFrontEnd(&terminal);
        RunProgram(nullptr);
        dialogs::SetFrontEnd(nullptr);
        terminal.Stop();
        machine::Close();
        if (countChanges)
            fprintf(stderr, "changes: %llu\n",
                    static_cast<unsigned long long>(machine::ChangeCount()));
        return 0;
    }
    std::ifstream in(scenarioFile, std::ios::binary);
    if (!in) {
        fprintf(stderr, "setup-host: cannot read %s\n", scenarioFile.c_str());
        return 1;
    }
    std::stringstream text;
    text << in.rdbuf();
    std::string result = dialogs::RunScenario(text.str(), scenarioFile, RunProgram, nullptr);
    machine::Close();
    if (countChanges)
        fprintf(stderr, "changes: %llu\n", static_cast<unsigned long long>(machine::ChangeCount()));
    if (!result.empty()) {
        fprintf(stderr, "%s\n", result.c_str());
        return 1;
    }
    return 0;
}
