// The emulated shell: the notifications of a desktop refresh, released
// interfaces on every path, and the link file as other readers see it.
#include "platform/posix/kernel/machine.h"
#include "platform/posix/shell/shell_state.h"
#include "platform/win32.h"
#include "state/setup_state.h"
#include "system/shell_integration.h"
#include "tests/support/test_machine.h"

#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

using shell_state::Fault;

const char kShortcut[] = "C:\\WINDOWS\\Desktop\\Wiesenhain.lnk";
const char kTarget[] = "C:\\WINDOWS\\SYSTEM\\Wiesenhain.scr";

class EmulatedShellTest : public MachineTest {
  protected:
    void SetUp() override {
        MachineTest::SetUp();
        CoInitialize(nullptr);
        ResetSetupState();
        snprintf(g_setup.systemDirectory, sizeof g_setup.systemDirectory, "C:\\WINDOWS\\SYSTEM\\");
    }
    void TearDown() override {
        EXPECT_EQ(shell_state::LiveObjects(), 0) << "an interface was not released";
        EXPECT_EQ(shell_state::LiveAllocations(), 0) << "an item list was not freed";
        ResetSetupState();
        CoUninitialize();
        MachineTest::TearDown();
    }

    static std::string Host(const char* path) { return machine::Resolve(path).host; }
    static bool Exists(const char* path) { return machine::Resolve(path).exists; }

    // The notifications as "event item1|item2" lines.
    static std::vector<std::string> Received() {
        std::vector<std::string> lines;
        for (const shell_state::Notification& n : shell_state::Notifications()) {
            char event[16];
            snprintf(event, sizeof event, "%04X/%u", static_cast<unsigned>(n.eventId), n.flags);
            lines.push_back(std::string(event) + " " + n.item1 + "|" + n.item2);
        }
        return lines;
    }
};

TEST_F(EmulatedShellTest, RefreshNotifiesEachDesktopItemThenTheDesktop) {
    RefreshDesktopItems();
    std::vector<std::string> expected = {"2000/0 Computer|Computer", "2000/0 Network|Network",
                                         "2000/0 Recycle Bin|Recycle Bin", "1000/0 Desktop|"};
    EXPECT_EQ(Received(), expected);
}

TEST_F(EmulatedShellTest, RefreshNotifiesTheDesktopWhenItsItemsCannotBeListed) {
    std::vector<std::string> desktopOnly = {"1000/0 Desktop|"};
    shell_state::SetFault(Fault::DesktopEnumeration, true);
    RefreshDesktopItems();
    EXPECT_EQ(Received(), desktopOnly);
    EXPECT_EQ(shell_state::LiveObjects(), 0);

    shell_state::ClearFaults();
    shell_state::ClearNotifications();
    shell_state::SetFault(Fault::DesktopFolder, true);
    RefreshDesktopItems();
    EXPECT_EQ(Received(), desktopOnly);

    // Without the allocator nothing could be freed: nothing is asked for.
    shell_state::ClearFaults();
    shell_state::ClearNotifications();
    shell_state::SetFault(Fault::Allocator, true);
    int before = shell_state::CallCount();
    RefreshDesktopItems();
    EXPECT_TRUE(Received().empty());
    EXPECT_EQ(shell_state::CallCount(), before + 1);
}

TEST_F(EmulatedShellTest, MissingNamesCallNoPlatformOperation) {
    int before = shell_state::CallCount();
    CreateDesktopShortcut(nullptr, nullptr, "Wiesenhain", 0);
    CreateDesktopShortcut(nullptr, "Wiesenhain.scr", nullptr, 0);
    CreateDesktopShortcut("C:\\", nullptr, nullptr, 0);
    DeleteDesktopShortcut(nullptr);
    EXPECT_EQ(shell_state::CallCount(), before);
}

TEST_F(EmulatedShellTest, EveryPathReleasesWhatItObtained) {
    // Each failure leaves no shortcut; TearDown checks that nothing leaked.
    shell_state::SetFault(Fault::ObjectCreation, true);
    CreateDesktopShortcut(nullptr, "Wiesenhain.scr", "Wiesenhain", 0);
    EXPECT_FALSE(Exists(kShortcut));
    shell_state::ClearFaults();

    shell_state::SetFault(Fault::SpecialFolder, true);
    CreateDesktopShortcut(nullptr, "Wiesenhain.scr", "Wiesenhain", 0);
    EXPECT_FALSE(Exists(kShortcut));
    shell_state::ClearFaults();
    EXPECT_EQ(shell_state::LiveObjects(), 0);

    // The long-name refusal comes after the object was made.
    CreateDesktopShortcut(nullptr, "Wiesenhain.scr", std::string(250, 'w').c_str(), 0);
    EXPECT_EQ(shell_state::LiveObjects(), 0);

    CreateDesktopShortcut(nullptr, "Wiesenhain.scr", "Wiesenhain", 0);
    EXPECT_TRUE(Exists(kShortcut));
    EXPECT_EQ(shell_state::LiveObjects(), 0);
    DeleteDesktopShortcut("Wiesenhain");
    EXPECT_FALSE(Exists(kShortcut));
}

TEST_F(EmulatedShellTest, SaveFailsWhereNoFileCanBeWritten) {
    IShellLinkA* link = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                               reinterpret_cast<void**>(&link)),
              S_OK);
    IPersistFile* persist = nullptr;
    ASSERT_EQ(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)), S_OK);
    WCHAR wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, "C:\\MISSING\\x.lnk", -1, wide, MAX_PATH);
    EXPECT_TRUE(FAILED(persist->Save(wide, TRUE)));

    const char* readOnly = "C:\\SCRATCH\\ro.lnk";
    int handle = crt_open(readOnly, CRT_O_WRONLY | CRT_O_CREAT | CRT_O_BINARY);
    ASSERT_GE(handle, 0);
    crt_close(handle);
    ASSERT_TRUE(SetFileAttributesA(readOnly, FILE_ATTRIBUTE_READONLY));
    MultiByteToWideChar(CP_ACP, 0, readOnly, -1, wide, MAX_PATH);
    EXPECT_TRUE(FAILED(persist->Save(wide, TRUE)));
    SetFileAttributesA(readOnly, FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(persist->Save(wide, TRUE), S_OK);
    EXPECT_EQ(persist->Release(), 1u);
    EXPECT_EQ(link->Release(), 0u);
}

// ---- The link file, read without the shell ----

uint32_t U16(const std::string& b, size_t at) {
    return static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8;
}
uint32_t U32(const std::string& b, size_t at) {
    return U16(b, at) | U16(b, at + 2) << 16;
}

// The value of a "Name<tabs>: value" line of the reader's report.
std::string ReportValue(const std::string& report, const std::string& name) {
    size_t at = 0;
    while (at < report.size()) {
        size_t end = report.find('\n', at);
        if (end == std::string::npos)
            end = report.size();
        std::string line = report.substr(at, end - at);
        at = end + 1;
        size_t colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        size_t first = line.find_first_not_of('\t');
        size_t last = line.find_last_not_of("\t ", colon - 1);
        if (first == std::string::npos || last == std::string::npos || last < first)
            continue;
        if (line.substr(first, last - first + 1) == name)
            return colon + 2 <= line.size() ? line.substr(colon + 2) : "";
    }
    return "(missing)";
}

TEST_F(EmulatedShellTest, TheShortcutIsAShellLinkFile) {
    int handle = crt_open(kTarget, CRT_O_WRONLY | CRT_O_CREAT | CRT_O_BINARY);
    ASSERT_GE(handle, 0);
    crt_write(handle, "MZ screen saver", 15);
    crt_close(handle);
    CreateDesktopShortcut(nullptr, "Wiesenhain.scr", "Wiesenhain", 0);
    std::string bytes;
    ASSERT_TRUE(machine::ReadWholeFile(Host(kShortcut), &bytes));

    // Header: size, link class id, flags, attributes, times, size, icon
    // index, show command.
    ASSERT_GE(bytes.size(), 0x4Cu);
    EXPECT_EQ(U32(bytes, 0), 0x4Cu);
    const unsigned char clsid[16] = {0x01, 0x14, 0x02, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};
    EXPECT_EQ(memcmp(bytes.data() + 4, clsid, 16), 0);
    const uint32_t flags = U32(bytes, 0x14);
    EXPECT_EQ(flags, 0x02u | 0x04u | 0x40u) << "LinkInfo, name, icon location; ANSI strings";
    EXPECT_EQ(U32(bytes, 0x18), static_cast<uint32_t>(FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_NE(U32(bytes, 0x2C) | U32(bytes, 0x30), 0u) << "write time of the target";
    EXPECT_EQ(U32(bytes, 0x34), 15u) << "size of the target";
    EXPECT_EQ(U32(bytes, 0x38), 0u) << "icon index";
    EXPECT_EQ(U32(bytes, 0x3C), 1u) << "show command";

    // LinkInfo: the target as a local path on fixed drive C.
    size_t info = 0x4C;
    size_t infoSize = U32(bytes, info);
    ASSERT_LE(info + infoSize, bytes.size());
    EXPECT_EQ(U32(bytes, info + 4), 0x1Cu);
    EXPECT_EQ(U32(bytes, info + 8), 1u);
    size_t volume = info + U32(bytes, info + 12);
    EXPECT_EQ(U32(bytes, volume + 4), 3u) << "DRIVE_FIXED";
    EXPECT_STREQ(bytes.c_str() + info + U32(bytes, info + 16), kTarget);
    EXPECT_STREQ(bytes.c_str() + info + U32(bytes, info + 24), "");

    // String data, then the terminal block at the very end.
    size_t at = info + infoSize;
    ASSERT_LE(at + 2, bytes.size());
    EXPECT_EQ(bytes.substr(at + 2, U16(bytes, at)), "Wiesenhain");
    at += 2 + U16(bytes, at);
    ASSERT_LE(at + 2, bytes.size());
    EXPECT_EQ(bytes.substr(at + 2, U16(bytes, at)), kTarget);
    at += 2 + U16(bytes, at);
    EXPECT_EQ(at + 4, bytes.size());
    EXPECT_EQ(U32(bytes, at), 0u);

    // A standard reader, when one is installed, agrees.
    if (access("/usr/bin/lnkinfo", X_OK) != 0) {
        GTEST_SKIP() << "lnkinfo (liblnk-utils) is not installed";
    }
    std::string command = "/usr/bin/lnkinfo '" + Host(kShortcut) + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_TRUE(pipe != nullptr);
    std::string report;
    char line[512];
    while (fgets(line, sizeof line, pipe))
        report += line;
    EXPECT_EQ(pclose(pipe), 0) << report;
    // (This reader's show-window and hot-key lines are unreliable: it prints
    // them wrongly for links the platform's own shell wrote, too.)
    EXPECT_EQ(ReportValue(report, "Local path"), kTarget) << report;
    EXPECT_EQ(ReportValue(report, "Description"), "Wiesenhain") << report;
    EXPECT_EQ(ReportValue(report, "Icon location"), kTarget) << report;
    EXPECT_EQ(ReportValue(report, "Icon index"), "0") << report;
    EXPECT_EQ(ReportValue(report, "Drive type"), "Fixed (3)") << report;
}

} // namespace
