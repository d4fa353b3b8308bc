// The installation medium's demo set (tools/make-medium): every package
// unpacks to its file, the cursors load as cursors, and a whole medium fits
// on one diskette.
#include "engine/install_file_table.h"
#include "tests/support/package_files.h"
#include "tests/support/test_machine.h"
#include "tools/make-medium/medium.h"

#include <gtest/gtest.h>

namespace {

class Medium : public MachineTest {};

TEST_F(Medium, DemoPackagesUnpackToTheirFilesAndFitOnADiskette) {
    std::vector<medium::NamedFile> files = medium::DemoFiles();
    ASSERT_EQ(files.size(), 8u);
    size_t packedTotal = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(files[i].name, medium::kPackages[i].file);
        std::string packed = medium::Deflate(files[i].data), plain;
        ASSERT_TRUE(medium::Inflate(packed, &plain)) << files[i].name;
        EXPECT_EQ(plain, files[i].data) << files[i].name;
        // A damaged or truncated stream is reported.
        EXPECT_FALSE(medium::Inflate(packed.substr(0, packed.size() / 2), &plain));
        packedTotal += packed.size();
    }
    // Room for setup.exe: the packages take well under a tenth of a diskette.
    EXPECT_LT(packedTotal, 145000u);
}

TEST_F(Medium, DemoFilesHaveTheirFormats) {
    std::vector<medium::NamedFile> files = medium::DemoFiles();
    const std::string& bitmap = files[0].data;
    ASSERT_GT(bitmap.size(), 54u);
    EXPECT_EQ(bitmap.substr(0, 2), "BM");
    EXPECT_EQ(static_cast<unsigned char>(bitmap[2]) | static_cast<unsigned char>(bitmap[3]) << 8 |
                  static_cast<unsigned char>(bitmap[4]) << 16,
              static_cast<int>(bitmap.size()));
    const std::string& wave = files[4].data;
    EXPECT_EQ(wave.substr(0, 4), "RIFF");
    EXPECT_EQ(wave.substr(8, 8), "WAVEfmt ");
    auto le32 = [](const std::string& s, size_t at) {
        return static_cast<uint32_t>(static_cast<unsigned char>(s[at]) |
                                     static_cast<unsigned char>(s[at + 1]) << 8 |
                                     static_cast<unsigned char>(s[at + 2]) << 16 |
                                     static_cast<unsigned char>(s[at + 3]) << 24);
    };
    for (int i : {1, 2, 5, 6}) {
        const std::string& ani = files[i].data;
        EXPECT_EQ(ani.substr(8, 4), "ACON") << files[i].name;
        EXPECT_EQ(le32(ani, 4), ani.size() - 8) << files[i].name;
        // The header chunk: 36 bytes, as its first field says; icon frames.
        EXPECT_EQ(ani.substr(12, 4), "anih") << files[i].name;
        EXPECT_EQ(le32(ani, 16), 36u) << files[i].name;
        EXPECT_EQ(le32(ani, 20), 36u) << files[i].name;
        EXPECT_EQ(le32(ani, 20 + 32) & 1, 1u) << files[i].name;
    }
}

TEST_F(Medium, GeneratedCursorsLoadAsCursors) {
    std::vector<medium::NamedFile> files = medium::DemoFiles();
    for (int i : {1, 2, 3, 5, 6}) {
        std::string path = Scratch(files[i].name);
        ASSERT_TRUE(package_test::WriteWholeFile(path, files[i].data));
        HCURSOR cursor = LoadCursorFromFileA(path.c_str());
        EXPECT_NE(cursor, nullptr) << files[i].name;
        if (cursor)
            DestroyCursor(cursor);
    }
}

// The medium (folder or diskette image) holds the files that the install
// reads and the diskette copy writes, under their names: 8.3 names, which a
// FAT root directory holds without long-name entries.
TEST(MediumNames, AreTheInstallFileTables) {
    ASSERT_EQ(DisketteFileList::kCount, 9);
    EXPECT_STREQ(DisketteFileList::names[0], "setup.exe");
    for (int i = 0; i < 8; ++i)
        EXPECT_STREQ(medium::kPackages[i].package, DisketteFileList::names[i + 1]);
    for (const InstallFileEntry& row : InstallFileTable::rows) {
        if (!row.packed)
            continue;
        const medium::PackageName* found = nullptr;
        for (const auto& p : medium::kPackages)
            if (std::string(p.package) == row.packageName)
                found = &p;
        ASSERT_NE(found, nullptr) << row.packageName;
        EXPECT_STREQ(found->file, row.targetName);
    }
    for (const char* name : DisketteFileList::names) {
        std::string n = name;
        size_t dot = n.find('.');
        EXPECT_TRUE(dot != std::string::npos && dot >= 1 && dot <= 8 && n.size() - dot - 1 <= 3 &&
                    n.find('.', dot + 1) == std::string::npos)
            << name;
    }
}

} // namespace
