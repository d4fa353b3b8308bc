// The directory texts: one table of cases per operation, natively and under
// Wine alike (the module is pure text).
#include "text/directory_text.h"

#include <gtest/gtest.h>
#include <string.h>

#include <string>

namespace {

// A buffer that notices a write past the capacity given to the function.
struct Buffer {
    explicit Buffer(const char* text = "") { strcpy(bytes, text); }
    char bytes[64];
    char guard[8] = {'#', '#', '#', '#', '#', '#', '#', '#'};
    bool Untouched() const { return std::string(guard, sizeof guard) == "########"; }
};

struct JoinCase {
    const char* directory;
    const char* name;
    size_t capacity;
    const char* joined;
    bool fits;
};

TEST(DirectoryText, JoinPutsOneBackslashBetweenDirectoryAndName) {
    const JoinCase cases[] = {
        {"C:\\WINDOWS\\", "control.ini", 64, "C:\\WINDOWS\\control.ini", true},
        {"C:\\WINDOWS", "control.ini", 64, "C:\\WINDOWS\\control.ini", true},
        {"C:\\", "wiesenhain.exe", 64, "C:\\wiesenhain.exe", true},
        {"\\", "data.", 64, "\\data.", true},
        // No directory: the name alone. A drive alone: its current directory.
        {"", "setup.exe", 64, "setup.exe", true},
        {"a:", "wall.ppk", 64, "a:wall.ppk", true},
        {"A:\\", "wall.ppk", 64, "A:\\wall.ppk", true},
        {"C:\\Programme\\Wiesenhain", "", 64, "C:\\Programme\\Wiesenhain\\", true},
        // Exactly the capacity with the terminator, and one character less.
        {"C:\\x\\", "ab", 8, "C:\\x\\ab", true},
        {"C:\\x\\", "abc", 8, "C:\\x\\ab", false},
        {"C:\\x", "ab", 7, "C:\\x\\a", false},
        {"C:\\x\\", "ab", 1, "", false},
    };
    for (const JoinCase& c : cases) {
        Buffer buffer("untouched");
        EXPECT_EQ(JoinPath(buffer.bytes, c.capacity, c.directory, c.name), c.fits)
            << c.directory << " + " << c.name;
        EXPECT_STREQ(buffer.bytes, c.joined) << c.directory << " + " << c.name;
        EXPECT_TRUE(buffer.Untouched());
    }
    Buffer none("untouched");
    EXPECT_FALSE(JoinPath(none.bytes, 0, "C:\\", "x"));
    EXPECT_STREQ(none.bytes, "untouched");
}

struct EditCase {
    const char* text;
    size_t capacity;
    const char* result;
    bool fits;
};

TEST(DirectoryText, AppendBackslashAddsItOnceAndOnlyWithRoom) {
    const EditCase cases[] = {
        {"C:\\wiesenhain", 64, "C:\\wiesenhain\\", true},
        {"C:\\wiesenhain\\", 64, "C:\\wiesenhain\\", true},
        {"C:", 64, "C:\\", true},
        // Neither "dir" nor a record: the single "\".
        {"", 64, "\\", true},
        {"C:\\ab", 7, "C:\\ab\\", true},
        {"C:\\abc", 7, "C:\\abc", false},
        {"C:\\abc\\", 7, "C:\\abc\\", true},
    };
    for (const EditCase& c : cases) {
        Buffer buffer(c.text);
        EXPECT_EQ(AppendBackslash(buffer.bytes, c.capacity), c.fits) << c.text;
        EXPECT_STREQ(buffer.bytes, c.result) << c.text;
        EXPECT_TRUE(buffer.Untouched());
    }
}

TEST(DirectoryText, DropBackslashTakesOneAway) {
    const EditCase cases[] = {
        {"C:\\wiesenhain\\", 0, "C:\\wiesenhain", true},
        {"C:\\wiesenhain", 0, "C:\\wiesenhain", true},
        {"C:\\", 0, "C:", true},
        {"C:\\x\\\\", 0, "C:\\x\\", true},
        {"\\", 0, "", true},
        {"", 0, "", true},
    };
    for (const EditCase& c : cases) {
        Buffer buffer(c.text);
        DropBackslash(buffer.bytes);
        EXPECT_STREQ(buffer.bytes, c.result) << c.text;
    }
}

TEST(DirectoryText, CopyWithoutBackslashLeavesTheDirectoryAsItIs) {
    const EditCase cases[] = {
        {"C:\\wiesenhain\\", 64, "C:\\wiesenhain", true},
        {"C:\\wiesenhain", 64, "C:\\wiesenhain", true},
        {"C:\\", 64, "C:", true},
        {"\\", 64, "", true},
        {"", 64, "", true},
        // The capacity holds the text with its "\", or the copy fails.
        {"C:\\ab\\", 7, "C:\\ab", true},
        {"C:\\abc\\", 7, "C:\\abc", false},
    };
    for (const EditCase& c : cases) {
        std::string directory = c.text;
        Buffer buffer("untouched");
        EXPECT_EQ(CopyWithoutBackslash(buffer.bytes, c.capacity, directory.c_str()), c.fits)
            << c.text;
        if (c.fits) {
            EXPECT_STREQ(buffer.bytes, c.result) << c.text;
        }
        EXPECT_EQ(directory, c.text);
        EXPECT_TRUE(buffer.Untouched());
    }
}

TEST(DirectoryText, ParentGoesUpOneLevelAndStopsAtTheRoot) {
    const EditCase cases[] = {
        {"C:\\Programme\\Wiesenhain", 64, "C:\\Programme", true},
        {"C:\\Programme\\Wiesenhain\\", 64, "C:\\Programme", true},
        {"C:\\a\\b\\c", 64, "C:\\a\\b", true},
        {"C:\\Programme", 64, "C:\\", true},
        {"C:\\Programme\\", 64, "C:\\", true},
        {"C:\\", 64, "C:\\", true},
        {"d:\\", 64, "d:\\", true},
        {"Programme", 64, "Programme", true},
        {"", 64, "", true},
        // A parent is never longer than its child: a cut child still gives
        // a parent of what fitted.
        {"C:\\a\\bcd", 7, "C:\\a", false},
    };
    for (const EditCase& c : cases) {
        Buffer buffer("untouched");
        EXPECT_EQ(ParentDirectory(buffer.bytes, c.capacity, c.text), c.fits) << c.text;
        EXPECT_STREQ(buffer.bytes, c.result) << c.text;
        EXPECT_TRUE(buffer.Untouched());
    }
}

TEST(DirectoryText, FullDirectoriesAndDrives) {
    const struct {
        const char* text;
        bool full;
        bool onA;
    } cases[] = {
        {"C:\\wiesenhain\\", true, false},
        {"c:\\", true, false},
        {"a:\\", true, true},
        {"A:\\setup\\", true, true},
        {"A:", false, true},
        {"a:wall.ppk", false, true},
        {"C:", false, false},
        {"C:wiesenhain", false, false},
        {"\\", false, false},
        {"\\\\server\\share\\", false, false},
        {"wiesenhain\\", false, false},
        {"a", false, false},
        {"", false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsFullDirectory(c.text), c.full) << c.text;
        EXPECT_EQ(IsOnDrive(c.text, 'A'), c.onA) << c.text;
        EXPECT_EQ(IsOnDrive(c.text, 'a'), c.onA) << c.text;
    }
    EXPECT_TRUE(EndsWithBackslash("C:\\"));
    EXPECT_FALSE(EndsWithBackslash("C:"));
    EXPECT_FALSE(EndsWithBackslash(""));
    EXPECT_FALSE(IsFullDirectory(nullptr));
    EXPECT_FALSE(IsOnDrive(nullptr, 'A'));
    EXPECT_FALSE(EndsWithBackslash(nullptr));
}

} // namespace
