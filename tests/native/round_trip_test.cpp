// The round trip on hundreds of generated emulated machines, each compared
// whole: the registry file, every file of the drives and the display state of
// the session. The machines are Windows 95 ones, 32-bit and 64-bit, and
// 64-bit Windows 10 ones with typed values and a user's scheme of their own.
// What an install and uninstall may leave behind is listed in
// RegistryDifferences below; everything else must be exactly as it was.
#include "engine/install.h"
#include "engine/setting_item.h"
#include "platform/posix/user/display_state.h"
#include "platform/posix/kernel/machine.h"
#include "platform/testing.h"
#include "state/setup_state.h"
#include "system/profile_settings.h"
#include "tests/support/package_files.h"
#include "tests/native/registry_view.h"
#include "tests/support/theme_machine.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string.h>
#include <filesystem>
#include <map>
#include <set>
#include <string>

using namespace theme_test;

namespace {

using Registry = RegistryView;

Registry ReadRegistry() {
    return ReadRegistryView();
}

// Every file of the drives (host path relative to the machine folder -> bytes),
// the two profile files apart: the view compares those.
std::map<std::string, std::string> ReadTree() {
    std::map<std::string, std::string> tree;
    std::string root = machine::Folder() + "/drives";
    std::error_code ec;
    for (auto& entry : std::filesystem::recursive_directory_iterator(root, ec)) {
        std::string rel = entry.path().string().substr(root.size());
        if (entry.is_directory()) {
            tree[rel + "/"] = "";
            continue;
        }
        std::string lower = rel;
        for (char& c : lower)
            c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
        if (lower == "/c/windows/system.ini" || lower == "/c/windows/control.ini")
            continue;
        std::string bytes;
        machine::ReadWholeFile(entry.path().string(), &bytes);
        tree[rel] = bytes;
    }
    return tree;
}

// The name under which ReadTree lists a file of the machine.
std::string TreeName(const std::string& windowsPath) {
    machine::Resolved r = machine::Resolve(windowsPath.c_str());
    return r.host.substr((machine::Folder() + "/drives").size());
}

bool SameCursor(const display_state::CursorInfo& a, const display_state::CursorInfo& b) {
    return a.fromFile == b.fromFile &&
           (a.fromFile ? a.file == b.file : a.standardId == b.standardId);
}

std::string DisplayDifferences(const display_state::State& a, const display_state::State& b) {
    std::string out;
    if (a.desktopColor != b.desktopColor)
        out += "display colour differs\n";
    if (a.wallpaper != b.wallpaper)
        out += "display wallpaper \"" + a.wallpaper + "\" -> \"" + b.wallpaper + "\"\n";
    if (a.screenSaverActive != b.screenSaverActive)
        out += "display screen saver active differs\n";
    for (auto& [id, cursor] : a.systemCursors)
        if (!b.systemCursors.count(id) || !SameCursor(cursor, b.systemCursors.at(id)))
            out += "display system cursor " + std::to_string(id) + " differs\n";
    return out;
}

bool EndsWith(const std::string& text, const char* tail) {
    size_t n = strlen(tail);
    return text.size() >= n && text.compare(text.size() - n, n, tail) == 0;
}

// The user's keys are stored under HKEY_USERS (the logged-on user and
// ".Default").
bool IsCursorValue(const std::string& key, const std::string& name) {
    return EndsWith(key, "\\CONTROL PANEL\\CURSORS") &&
           (name == "AppStarting" || name == "Wait" || name == "Arrow");
}

// The documented leftovers, applied to the registry after the round trip:
// - with cursor files deleted since the install, the cursor values are left
//   out: the theme view compares them (the file gone gives the standard
//   cursor);
// - the wallpaper "(None)" comes back as "" (records of "(none)" read back as
//   the empty text; both mean no wallpaper);
// - keys that did not exist before and hold nothing now (reads create the
//   keys they open).
std::string RegistryDifferences(Registry before, Registry after, bool cursorFilesDeleted) {
    std::string out;
    for (Registry* registry : {&before, &after})
        for (auto& [key, values] : *registry)
            for (auto it = values.begin(); it != values.end();)
                it = cursorFilesDeleted && IsCursorValue(key, it->first) ? values.erase(it)
                                                                         : std::next(it);
    for (auto& [key, values] : after) {
        auto was = before.find(key);
        if (!EndsWith(key, "\\CONTROL PANEL\\DESKTOP") || was == before.end() ||
            !was->second.count("Wallpaper"))
            continue;
        if (was->second.at("Wallpaper") == "\"(None)\"" && values["Wallpaper"] == "\"\"")
            values["Wallpaper"] = "\"(None)\"";
    }
    for (auto& [key, values] : before) {
        if (!after.count(key)) {
            out += "key " + key + " gone\n";
            continue;
        }
        for (auto& [name, data] : values) {
            auto& now = after.at(key);
            if (!now.count(name))
                out += key + " " + name + ": " + data + " gone\n";
            else if (now.at(name) != data)
                out += key + " " + name + ": " + data + " -> " + now.at(name) + "\n";
        }
        for (auto& [name, data] : after.at(key))
            if (!values.count(name))
                out += key + " " + name + ": new " + data + "\n";
    }
    for (auto& [key, values] : after) {
        if (before.count(key))
            continue;
        if (values.empty())
            continue; // an empty key made by a read
        out += "key " + key + " new with values\n";
    }
    return out;
}

std::string TreeDifferences(const std::map<std::string, std::string>& before,
                            const std::map<std::string, std::string>& after) {
    std::string out;
    for (auto& [path, bytes] : before) {
        if (!after.count(path))
            out += "file " + path + " gone\n";
        else if (after.at(path) != bytes)
            out += "file " + path + " changed\n";
    }
    for (auto& [path, bytes] : after)
        if (!before.count(path))
            out += "file " + path + " new\n";
    return out;
}

TEST(NativeRoundTrip, HundredsOfGeneratedMachinesComeBackWhole) {
    auto started = std::chrono::steady_clock::now();
    int machines = 0, installs = 0, failedRecordings = 0, ntMachines = 0;
    // Hundreds of machines where the host is quick; on a busy host the run
    // stops after half a minute, but never before sixty machines, so that
    // both kinds of start are always covered.
    for (uint32_t seed = 1000; seed < 1300; ++seed) {
        if (machines >= 60 && std::chrono::steady_clock::now() - started > std::chrono::seconds(30))
            break;
        const platform_testing::MachineFlavour kFlavours[] = {
            platform_testing::MachineFlavour::Windows32,
            platform_testing::MachineFlavour::Windows10,
            platform_testing::MachineFlavour::Windows64};
        std::string scratch = platform_testing::BeginTestMachine(kFlavours[seed % 3]);
        CoInitialize(nullptr);
        CreateDirectoryA((scratch + "medium").c_str(), nullptr);
        CreateDirectoryA((scratch + "alt").c_str(), nullptr);
        ASSERT_TRUE(WriteMedium(scratch + "medium\\"));
        SetCurrentDirectoryA((scratch + "medium").c_str());
        StartMachine m = GenerateMachine(seed, scratch + "alt\\");
        SetUpMachine(m);
        Registry registry = ReadRegistry();
        auto tree = ReadTree();
        display_state::State display = display_state::Current();
        if (display.wallpaper == "(None)")
            display.wallpaper.clear();

        std::string problems = RoundTrip(m, scratch + "ziel\\", {scratch});
        std::vector<std::string> deleted = CursorFilesDeletedByRoundTrip(m);
        if (!deleted.empty()) {
            for (const std::string& file : deleted)
                tree.erase(TreeName(file));
            // A restored cursor whose file went is the standard one.
            const uint32_t ids[3] = {32650, 32514, 32512};
            for (int i = 0; i < 3 && m.cursorsOption; ++i)
                if (display.systemCursors.count(ids[i]) && display.systemCursors[ids[i]].fromFile)
                    display.systemCursors[ids[i]] = {false, ids[i], ""};
        }
        problems += RegistryDifferences(registry, ReadRegistry(), !deleted.empty());
        problems += TreeDifferences(tree, ReadTree());
        problems += DisplayDifferences(display, display_state::Current());
        EXPECT_EQ(problems, "") << m.Describe();
        ++machines;
        ntMachines += m.nt ? 1 : 0;
        if (InstallMustFailRecording(m))
            ++failedRecordings;
        else
            ++installs;
        CoUninitialize();
        platform_testing::EndTestMachine();
        if (::testing::Test::HasFailure())
            break;
    }
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    printf("%d machines (%d round trips, %d installs failing to record, %d of Windows 10) in "
           "%.1f s\n",
           machines, installs, failedRecordings, ntMachines, seconds);
    EXPECT_GT(failedRecordings, 0);
    EXPECT_GT(ntMachines, 15);
    EXPECT_GT(installs, 30);
}

} // namespace
