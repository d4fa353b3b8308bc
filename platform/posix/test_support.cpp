// Test machine natively: a fresh emulated machine in a host temporary folder
// for each test, deleted afterwards.
#include "platform/testing.h"
#include "platform/posix/machine.h"
#include "platform/posix/resource_module.h"
#include "platform/posix/scripted_front_end.h"
#include "platform/win32.h"

#include <filesystem>
#include <stdio.h>
#include <stdlib.h>
#include <string>

namespace platform_testing {
namespace {
std::string hostFolder;
}

std::string BeginTestMachine() {
    ClearInjectedFaults(); // one a test armed and never reached
    const char* tmp = getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/wiesen-test-XXXXXX";
    if (!mkdtemp(pattern.data())) {
        perror("mkdtemp");
        abort();
    }
    hostFolder = pattern;
    std::string error;
    if (!machine::Open(hostFolder + "/machine", "", &error)) {
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

} // namespace platform_testing
