// Which files LoadCursorFromFileA takes as cursors, and which damaged or
// foreign files it refuses. The same cases run against Wine's loader and the
// emulation's (the medium's own cursors: tests/medium_test.cpp).
#include "tests/support/package_files.h"
#include "tests/support/test_machine.h"
#include "tests/support/theme_machine.h"
#include "tools/make-medium/medium.h"

#include <gtest/gtest.h>

#include <stdint.h>
#include <string>
#include <vector>

namespace {

std::string Le32(uint32_t v) {
    std::string s;
    for (int i = 0; i < 4; ++i)
        s += static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
}

std::string Chunk(const char* id, const std::string& data) {
    std::string out = std::string(id, 4) + Le32(static_cast<uint32_t>(data.size())) + data;
    return data.size() % 2 ? out + '\0' : out;
}

std::string Header(uint32_t frames, uint32_t flags) {
    std::string h = Le32(36) + Le32(frames) + Le32(frames);
    for (int i = 0; i < 4; ++i)
        h += Le32(0);
    return h + Le32(8) + Le32(flags);
}

std::string Frames(const std::vector<std::string>& icons) {
    std::string list = "fram";
    for (const std::string& icon : icons)
        list += Chunk("icon", icon);
    return Chunk("LIST", list);
}

std::string Riff(const std::string& form, const std::string& chunks) {
    return Chunk("RIFF", form + chunks);
}

struct Case {
    const char* name;
    std::string bytes;
    bool loads;
};

class CursorFile : public MachineTest {
  protected:
    // "" when the loader agrees with every case, else the cases it did not.
    std::string Disagreements(const std::vector<Case>& cases) {
        std::string out;
        for (const Case& c : cases) {
            std::string path = Scratch(std::string(c.name) + (c.bytes[0] == 'R' ? ".ani" : ".cur"));
            if (!package_test::WriteWholeFile(path, c.bytes))
                return std::string("cannot write ") + path;
            HCURSOR cursor = LoadCursorFromFileA(path.c_str());
            if ((cursor != nullptr) != c.loads)
                out += std::string(c.name) + (cursor ? " loaded\n" : " refused\n");
            if (cursor)
                DestroyCursor(cursor);
        }
        return out;
    }
};

// An icon (directory type 1) in place of a cursor: its hot spot is its centre.
std::string AsIcon(std::string cursor) {
    cursor[2] = 1;
    return cursor;
}

// The image of a cursor file zeroed: the directory is fine, the bitmap not.
std::string WithoutBitmap(const std::string& cursor) {
    return cursor.substr(0, 22) + std::string(cursor.size() - 22, '\0');
}

TEST_F(CursorFile, AnimatedCursorsNeedHeaderFramesAndRealIcons) {
    std::string cursor = medium::StaticCursor(1);
    std::string frames = Frames({cursor, cursor});
    std::vector<Case> cases = {
        {"well-formed", Riff("ACON", Chunk("anih", Header(2, 1)) + frames), true},
        {"one-frame", theme_test::AnimatedCursorBytes(), true},
        {"icon-frames",
         Riff("ACON", Chunk("anih", Header(2, 1)) + Frames({AsIcon(cursor), AsIcon(cursor)})),
         true},
        {"bare-header", std::string("RIFF\x04\0\0\0ACON", 12), false},
        {"raw-frames", Riff("ACON", Chunk("anih", Header(2, 0)) + frames), false},
        {"no-header", Riff("ACON", frames), false},
        {"no-frames", Riff("ACON", Chunk("anih", Header(2, 1))), false},
        {"frame-bitmap-damaged",
         Riff("ACON", Chunk("anih", Header(1, 1)) + Frames({WithoutBitmap(cursor)})), false},
        {"wave", Riff("WAVE", Chunk("fmt ", std::string(16, '\1'))), false},
    };
    EXPECT_EQ(Disagreements(cases), "");
}

// Wine's loader reads past the data of these (and crashes); the emulation
// refuses them.
TEST_F(CursorFile, AnimatedCursorsWithMissingFramesAreRefused) {
    if (!platform_testing::IsEmulated())
        GTEST_SKIP() << "Wine's loader crashes on these files";
    std::string cursor = medium::StaticCursor(1);
    std::vector<Case> cases = {
        {"fewer-frames", Riff("ACON", Chunk("anih", Header(3, 1)) + Frames({cursor})), false},
        {"frame-no-directory",
         Riff("ACON", Chunk("anih", Header(1, 1)) + Frames({std::string(cursor.size(), '\0')})),
         false},
    };
    EXPECT_EQ(Disagreements(cases), "");
}

TEST_F(CursorFile, StaticCursorsNeedTheirWholeBitmap) {
    std::string cursor = medium::StaticCursor(0);
    std::vector<Case> cases = {
        {"icon", AsIcon(cursor), true},
        {"cut-image", cursor.substr(0, cursor.size() / 2), false},
        {"directory-only", cursor.substr(0, 22), false},
        {"bitmap-damaged", WithoutBitmap(cursor), false},
    };
    EXPECT_EQ(Disagreements(cases), "");
}

} // namespace
