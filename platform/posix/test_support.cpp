// The native side of platform/testing.h: a fresh emulated machine in a host
// temporary folder for each test, deleted afterwards; fault injection into
// the emulated calls (kernel/faults.h).
#include "platform/testing.h"
#include "platform/posix/kernel/faults.h"
#include "platform/posix/kernel/machine.h"
#include "platform/posix/kernel/resource_module.h"
#include "platform/posix/user/scripted_front_end.h"
#include "platform/win32.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdio.h>
#include <stdlib.h>
#include <string>

namespace platform_testing {
namespace {
std::string hostFolder;
}

std::string BeginTestMachine(MachineFlavour flavour) {
    ClearInjectedFaults(); // one a test armed and never reached
    const char* tmp = getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/wiesen-test-XXXXXX";
    if (!mkdtemp(pattern.data())) {
        perror("mkdtemp");
        abort();
    }
    hostFolder = pattern;
    std::string error;
    machine::Architecture architecture =
        flavour == MachineFlavour::Windows64 || flavour == MachineFlavour::Windows10
            ? machine::Architecture::X64
        : flavour == MachineFlavour::Windows64WithoutSysnative
            ? machine::Architecture::X64WithoutSysnative
            : machine::Architecture::X86;
    machine::Windows windows = flavour == MachineFlavour::Windows10 ? machine::Windows::Windows10
                                                                    : machine::Windows::Windows95;
    if (!machine::Open(hostFolder + "/machine", "", &error, architecture, windows)) {
        fprintf(stderr, "cannot open test machine: %s\n", error.c_str());
        abort();
    }
    CreateDirectoryA("C:\\SCRATCH", nullptr);
    SetCurrentDirectoryA("C:\\SCRATCH");
    return "C:\\SCRATCH\\";
}

void EndTestMachine() {
    ClearInjectedFaults();
    machine::Close();
    if (!hostFolder.empty()) {
        std::error_code ec;
        std::filesystem::permissions(hostFolder, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        for (auto& entry : std::filesystem::recursive_directory_iterator(hostFolder, ec))
            std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(hostFolder, ec);
    }
    hostFolder.clear();
}

bool IsEmulated() {
    return true;
}

std::vector<MachineFlavour> TestMachineFlavours() {
    return {MachineFlavour::Windows32, MachineFlavour::Windows64, MachineFlavour::Windows10};
}

const char* FaultFamilyName(FaultFamily family) {
    static const char* const names[kFaultFamilyCount] = {
        "registry set", "registry create",  "registry delete", "profile write",
        "file create",  "short write",      "read failure",    "copy",
        "delete",       "create directory", "remove directory"};
    int index = static_cast<int>(family);
    return index >= 0 && index < kFaultFamilyCount ? names[index] : "?";
}

bool InjectFault(FaultFamily family, int nth) {
    int index = static_cast<int>(family);
    if (index < 0 || index >= kFaultFamilyCount)
        return false;
    faults::Inject(family, nth);
    return true;
}

int FaultCallCount(FaultFamily family) {
    return faults::Count(family);
}

void ResetFaultCounts() {
    faults::ResetCounts();
}

bool InjectShortWrite(int nth) {
    return InjectFault(FaultFamily::ShortWrite, nth);
}

bool InjectReadFailure(int nth) {
    return InjectFault(FaultFamily::ReadFailure, nth);
}

void ClearInjectedFaults() {
    faults::Clear();
}

bool FailWindowsDirectory(bool on) {
    faults::Set(faults::Switch::WindowsDirectory, on);
    return true;
}

bool FailStringLoads(bool on) {
    faults::Set(faults::Switch::StringLoads, on);
    return true;
}

bool InsertDiskette() {
    machine::EjectDiskette();
    machine::SetDisketteWriteProtected(false);
    machine::InsertDiskette();
    return machine::HasMedium('A');
}

void EjectDiskette() {
    machine::EjectDiskette();
}

HINSTANCE ProgramInstance() {
    return resources::ProgramModule();
}

HINSTANCE InstanceWithoutTerms() {
    static HINSTANCE module = resources::CopyModuleWithout(resources::ProgramModule(), 10, 200);
    return module;
}

std::string RunScenario(const std::string& text, const std::string& name,
                        const std::function<void()>& part) {
    return dialogs::RunScenario(
        text, name, [](void* context) { (*static_cast<const std::function<void()>*>(context))(); },
        const_cast<std::function<void()>*>(&part));
}

std::string SetupProgramBytes() {
    std::ifstream in(WIESEN_SETUP_PROGRAM, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::string RunSetupProgram(const std::string& medium, const std::string& text,
                            const std::string& name) {
    machine::Resolved r = machine::Resolve(medium.c_str());
    if (!r.ok || !r.exists)
        return "no medium " + medium;
    std::string folder = machine::Folder(), scenarioFile = hostFolder + "/" + name;
    std::ofstream(scenarioFile, std::ios::binary) << text;
    // The host opens the machine itself; this process lets go of it meanwhile.
    machine::Close();
    std::string command = std::string("'") + WIESEN_SETUP_PROGRAM + "' --machine '" + folder +
                          "' --medium '" + r.host + "' --scenario '" + scenarioFile + "' 2>&1";
    std::string output;
    FILE* run = popen(command.c_str(), "r");
    if (run) {
        char block[512];
        size_t n;
        while ((n = fread(block, 1, sizeof block, run)) > 0)
            output.append(block, n);
    }
    int status = run ? pclose(run) : -1;
    std::string error;
    if (!machine::Open(folder, "", &error))
        return "cannot open the machine again: " + error;
    SetCurrentDirectoryA(medium.c_str());
    while (!output.empty() && output.back() == '\n')
        output.pop_back();
    if (status != 0 && output.empty())
        output = "setup-host ended with status " + std::to_string(status);
    return status == 0 ? "" : output;
}

// The emulated machine is a Windows 95 machine; it cannot pose as another.
bool ReportWindows98ToSetupProgram(bool) {
    return false;
}

} // namespace platform_testing
