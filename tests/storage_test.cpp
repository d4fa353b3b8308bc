// Buffered storage over files: byte access, blocks, names, errors, stamps.
#include "package/storage.h"
#include "platform/win32.h"
#include "tests/support/package_files.h"
#include "tests/support/test_machine.h"

#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include <vector>

using namespace package_test;

namespace {

using StorageTest = MachineTest;

TEST_F(StorageTest, BytesGoOutInBlocksAndComeBackWithEndOfData) {
    std::string data = RandomBytes(10000, 7);
    {
        CountingStorage out("bytes.bin");
        ASSERT_EQ(0, out.Create(-1));
        EXPECT_TRUE(out.IsOpen());
        EXPECT_EQ(0, out.size);
        for (char c : data)
            ASSERT_EQ(static_cast<unsigned char>(c), out.PutByte(static_cast<unsigned char>(c)));
        EXPECT_EQ(10000, out.Position());
        EXPECT_EQ(0, out.Close());
        EXPECT_FALSE(out.IsOpen());
        EXPECT_EQ(-1, out.fileHandle);
        EXPECT_EQ(10000, out.size);
        EXPECT_EQ((std::vector<long>{4096, 4096, 1808}), out.blocks);
        EXPECT_EQ(3, out.pumps);
    }
    EXPECT_EQ(data, ReadWholeFile(Scratch("bytes.bin")));

    CountingStorage in("bytes.bin");
    ASSERT_EQ(0, in.Open());
    EXPECT_EQ(10000, in.size);
    std::string back;
    int byte;
    while ((byte = in.GetByte()) >= 0)
        back += static_cast<char>(byte);
    EXPECT_EQ(-1, byte);
    EXPECT_EQ(data, back);
    EXPECT_EQ(0, in.status.code);
    EXPECT_EQ(3, in.pumps); // one per block loaded, none at the end of data
    EXPECT_EQ(10000, in.Position());

    // Seek repositions; the next read fills from there.
    ASSERT_EQ(0, in.Seek(4095));
    EXPECT_EQ(static_cast<unsigned char>(data[4095]), in.GetByte());
    EXPECT_EQ(static_cast<unsigned char>(data[4096]), in.GetByte());
    EXPECT_EQ(4097, in.Position());
    EXPECT_EQ(1000, in.FillBuffer(9000));
    EXPECT_EQ(static_cast<unsigned char>(data[9000]), in.GetByte());
}

TEST_F(StorageTest, EmptyFileGivesEndOfDataWithoutError) {
    ASSERT_TRUE(WriteWholeFile(Scratch("empty.bin"), ""));
    FileStorage in("empty.bin", 4096, 3);
    ASSERT_EQ(0, in.Open());
    EXPECT_EQ(0, in.size);
    EXPECT_EQ(-1, in.FillBuffer(0));
    EXPECT_EQ(-1, in.GetByte());
    EXPECT_EQ(0, in.status.code);
}

TEST_F(StorageTest, SettingsAreOneWordHighByteFirst) {
    {
        FileStorage out("word.bin", 4096, 3);
        ASSERT_EQ(0, out.Create(-1));
        FileStorage unused("unused.bin", 4096, 3);
        EXPECT_EQ(0, unused.WriteSettings(out)); // writes to its argument only
        EXPECT_EQ(0, out.PutWord16(0x1234));
        out.Close();
        EXPECT_FALSE(Exists(Scratch("unused.bin")));
    }
    EXPECT_EQ(std::string("\0\0\x12\x34", 4), ReadWholeFile(Scratch("word.bin")));
    FileStorage in("word.bin", 4096, 3);
    ASSERT_EQ(0, in.Open());
    EXPECT_EQ(0, in.ReadSettings(in));
    int16_t value = 0;
    EXPECT_EQ(0, in.GetWord16(&value));
    EXPECT_EQ(0x1234, value);
}

TEST_F(StorageTest, OpenReadsSizeTimeAndAttributesAndFallsBackToReadOnly) {
    ASSERT_TRUE(WriteWholeFile(Scratch("ro.txt"), "abc"));
    ASSERT_TRUE(SetFileAttributesA(Scratch("ro.txt").c_str(),
                                   FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    FileStorage in("ro.txt", 4096, 3);
    ASSERT_EQ(0, in.Open());
    EXPECT_EQ(3, in.size);
    EXPECT_EQ(AL_ATTR_READ_ONLY | AL_ATTR_HIDDEN, in.attributes & ~AL_ATTR_ARCHIVE);
    EXPECT_GE(in.timeDate.year, 2000);
    EXPECT_EQ('a', in.GetByte());
    in.Close();

    FileStorage missing("missing.txt", 4096, 3);
    EXPECT_EQ(AL_CANT_OPEN_FILE, missing.Open());
    EXPECT_STREQ("File open failure.  Open of missing.txt returned errno = 2",
                 missing.status.Text());
    EXPECT_FALSE(missing.IsOpen());
    SetFileAttributesA(Scratch("ro.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(StorageTest, CreateMakesMissingDirectoriesOnlyForNamesWithSeparators) {
    FileStorage deep("one\\two/deep.bin", 4096, 3);
    ASSERT_EQ(0, deep.Create(-1));
    deep.PutByte('x');
    deep.Close();
    EXPECT_EQ("x", ReadWholeFile(Scratch("one\\two\\deep.bin")));
}

TEST_F(StorageTest, CreateOfReadOnlyFileFailsAndStaysFailed) {
    ASSERT_TRUE(WriteWholeFile(Scratch("locked.txt"), "keep"));
    if (!MakeReadOnlyEnforced(Scratch("locked.txt")))
        GTEST_SKIP() << "read-only files are writable here (Wine as root)";
    FileStorage locked("locked.txt", 4096, 3);
    EXPECT_EQ(AL_CANT_OPEN_FILE, locked.Create(-1));
    EXPECT_STREQ("File creation failure.  Open of locked.txt returned errno = 13",
                 locked.status.Text());
    EXPECT_EQ("keep", ReadWholeFile(Scratch("locked.txt")));
    // Sticky: a later Open does nothing and returns the code.
    EXPECT_EQ(AL_CANT_OPEN_FILE, locked.Open());
    SetFileAttributesA(Scratch("locked.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(StorageTest, TemporaryNameSkipsTakenTries) {
    for (int i = 0; i < 5; ++i) {
        char name[32];
        snprintf(name, sizeof name, "~al~%03d.tmp", i);
        ASSERT_TRUE(WriteWholeFile(Scratch(name), "taken"));
    }
    FileStorage temp("", 4096, 3);
    ASSERT_EQ(0, temp.Create(-1));
    EXPECT_STREQ("~al~005.tmp", temp.name.Current());
    temp.PutByte('t');
    temp.Close();
    EXPECT_EQ("t", ReadWholeFile(Scratch("~al~005.tmp")));
    EXPECT_EQ("taken", ReadWholeFile(Scratch("~al~004.tmp")));
}

TEST_F(StorageTest, ShortWriteIsStickyAndCloseStillCloses) {
    if (!platform_testing::InjectShortWrite(2))
        GTEST_SKIP() << "fault injection exists on the emulated machine only";
    FileStorage out("full.bin", 4096, 3);
    ASSERT_EQ(0, out.Create(-1));
    for (int i = 0; i < 3 * 4096; ++i)
        out.PutByte('a');
    EXPECT_EQ(AL_WRITE_ERROR, out.status.code);
    EXPECT_STREQ("Write failure on full.bin.  result = 2048, errno = 28", out.status.Text());
    EXPECT_EQ(AL_WRITE_ERROR, out.Flush());
    EXPECT_EQ(AL_WRITE_ERROR, out.FillBuffer(0));
    EXPECT_EQ(AL_WRITE_ERROR, out.Seek(0));
    EXPECT_EQ(AL_WRITE_ERROR, out.Close());
    EXPECT_EQ(-1, out.fileHandle);
    platform_testing::ClearInjectedFaults();
    EXPECT_EQ(4096u + 2048u, ReadWholeFile(Scratch("full.bin")).size());
}

TEST_F(StorageTest, ReadFailureIsSticky) {
    ASSERT_TRUE(WriteWholeFile(Scratch("in.bin"), RandomBytes(9000, 3)));
    if (!platform_testing::InjectReadFailure(2))
        GTEST_SKIP() << "fault injection exists on the emulated machine only";
    FileStorage in("in.bin", 4096, 3);
    ASSERT_EQ(0, in.Open());
    EXPECT_EQ(4096, in.FillBuffer(0));
    EXPECT_EQ(AL_READ_ERROR, in.FillBuffer(4096));
    EXPECT_STREQ("Read failure on in.bin.  errno = 9", in.status.Text());
    platform_testing::ClearInjectedFaults();
    EXPECT_EQ(AL_READ_ERROR, in.FillBuffer(4096));
}

TEST_F(StorageTest, RenameRestoreAndBackup) {
    ASSERT_TRUE(WriteWholeFile(Scratch("a.txt"), "A"));
    FileStorage file("a.txt", 4096, 3);
    ASSERT_EQ(0, file.Rename("b.txt", 0));
    EXPECT_STREQ("b.txt", file.name.Current());
    EXPECT_STREQ("a.txt", file.name.Previous());
    EXPECT_EQ("A", ReadWholeFile(Scratch("b.txt")));

    ASSERT_TRUE(WriteWholeFile(Scratch("a.txt"), "in the way"));
    ASSERT_EQ(0, file.RestoreName(1));
    EXPECT_STREQ("a.txt", file.name.Current());
    EXPECT_STREQ("b.txt", file.name.Previous());
    EXPECT_EQ("A", ReadWholeFile(Scratch("a.txt")));
    EXPECT_FALSE(Exists(Scratch("b.txt")));

    // Names differing only in case are the same name under case mode 3.
    EXPECT_EQ(AL_RENAME_ERROR, file.Rename("A.TXT", 1));
    EXPECT_STREQ("Error attempting to rename a.txt to A.TXT.  Can't rename to the same name!",
                 file.status.Text());

    FileStorage taken("a.txt", 4096, 3);
    ASSERT_TRUE(WriteWholeFile(Scratch("c.txt"), "C"));
    EXPECT_EQ(AL_RENAME_ERROR, taken.Rename("c.txt", 0));
    EXPECT_EQ(0, strncmp("Error renaming a.txt to c.txt.  errno = ", taken.status.Text(), 40));
}

// With delete first, two spellings of one name (the code page's letters
// fold too) are refused: on a case-blind file system the target to be
// deleted is the file itself.
TEST_F(StorageTest, DeleteFirstNeverDeletesTheFileUnderAnotherSpelling) {
    ASSERT_TRUE(WriteWholeFile(Scratch("g\xE4rten.txt"), "Beete"));
    FileStorage file("g\xE4rten.txt", 4096, 3);
    EXPECT_EQ(AL_RENAME_ERROR, file.Rename("G\xC4RTEN.TXT", 1));
    EXPECT_STREQ("Error attempting to rename g\xE4rten.txt to G\xC4RTEN.TXT.  Can't rename to the "
                 "same name!",
                 file.status.Text());
    EXPECT_EQ("Beete", ReadWholeFile(Scratch("g\xE4rten.txt")));

    // A case change without delete first is a rename; restoring it with
    // delete first is refused the same way.
    FileStorage renamed("g\xE4rten.txt", 4096, 3);
    ASSERT_EQ(0, renamed.Rename("G\xC4RTEN.TXT", 0));
    EXPECT_EQ(AL_RENAME_ERROR, renamed.RestoreName(1));
    EXPECT_EQ("Beete", ReadWholeFile(Scratch("g\xE4rten.txt")));
}

TEST_F(StorageTest, BackupNameCutsAtTheLastDotOfTheWholePath) {
    ASSERT_TRUE(CreateDirectoryA(Scratch("sub.d").c_str(), nullptr));
    ASSERT_TRUE(WriteWholeFile(Scratch("sub.d\\noext"), "N"));
    FileStorage file("sub.d\\noext", 4096, 3);
    ASSERT_EQ(0, file.MakeBackup(1));
    EXPECT_STREQ("sub.bak", file.name.Current());
    EXPECT_STREQ("sub.d\\noext", file.name.Previous());
    EXPECT_EQ("N", ReadWholeFile(Scratch("sub.bak")));
    EXPECT_FALSE(Exists(Scratch("sub.d\\noext")));
}

TEST_F(StorageTest, DeleteReportsMissingFile) {
    ASSERT_TRUE(WriteWholeFile(Scratch("gone.txt"), "x"));
    FileStorage file("gone.txt", 4096, 3);
    EXPECT_EQ(0, file.Delete());
    EXPECT_FALSE(Exists(Scratch("gone.txt")));
    EXPECT_EQ(AL_DELETE_ERROR, file.Delete());
    EXPECT_STREQ("Error deleting file gone.txt, errno = 2 ", file.status.Text());
}

TEST_F(StorageTest, MessageIsCutAt128Characters) {
    std::string first = "C:\\" + std::string(256, 'a');
    std::string second = "C:\\" + std::string(256, 'b');
    FileStorage file(first.c_str(), 4096, 3);
    EXPECT_EQ(AL_RENAME_ERROR, file.Rename(second.c_str(), 0));
    std::string expected = ("Error renaming " + first).substr(0, 128);
    EXPECT_EQ(expected, file.status.Text());

    ErrorStatus copy;
    copy.CopyFrom(file.status);
    EXPECT_EQ(AL_RENAME_ERROR, copy.code);
    EXPECT_EQ(expected, copy.Text());
    ErrorStatus clean;
    copy.CopyFrom(clean);
    EXPECT_EQ(0, copy.code);
    EXPECT_EQ(nullptr, copy.message);
}

TEST_F(StorageTest, CloseStampsCreatedFileWithRecordedLocalTime) {
    {
        FileStorage out("stamped.txt", 4096, 3);
        ASSERT_EQ(0, out.Create(-1));
        out.PutByte('s');
        out.timeDate = FileTimeDate{2001, 1, 15, 13, 47, 31};
        out.attributes = AL_ATTR_READ_ONLY | AL_ATTR_ARCHIVE;
        out.Close();
    }
    CrtStat info;
    ASSERT_EQ(0, crt_stat(Scratch("stamped.txt").c_str(), &info));
    CrtCalendar local;
    ASSERT_TRUE(crt_localtime(info.modified, &local));
    EXPECT_EQ(2001, local.year);
    EXPECT_EQ(1, local.month);
    EXPECT_EQ(15, local.day);
    // The daylight bias applies when daylight time is in effect now: an hour either way.
    EXPECT_NEAR(13, local.hour, 1);
    EXPECT_EQ(47, local.minute);
    EXPECT_EQ(30, local.second); // DOS time: 2-second resolution
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE),
              GetFileAttributesA(Scratch("stamped.txt").c_str()) &
                  (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN));
    SetFileAttributesA(Scratch("stamped.txt").c_str(), FILE_ATTRIBUTE_NORMAL);

    // An opened (not created) file is not stamped at Close.
    FileStorage again("stamped.txt", 4096, 3);
    ASSERT_EQ(0, again.Open());
    again.timeDate = FileTimeDate{2005, 6, 1, 0, 0, 0};
    again.Close();
    ASSERT_EQ(0, crt_stat(Scratch("stamped.txt").c_str(), &info));
    ASSERT_TRUE(crt_localtime(info.modified, &local));
    EXPECT_EQ(2001, local.year);
}

TEST(StorageNameTest, CaseModesSetAndChangeExtension) {
    StorageName upper(0), lower(1), keep(3);
    upper.Set("Mixed.Txt");
    lower.Set("Mixed.Txt");
    keep.Set("Mixed.Txt");
    EXPECT_STREQ("MIXED.TXT", upper.Current());
    EXPECT_STREQ("mixed.txt", lower.Current());
    EXPECT_STREQ("Mixed.Txt", keep.Current());
    EXPECT_STREQ("", keep.Previous());

    const char* held = keep.current;
    keep.Set(held); // the very buffer: nothing happens
    EXPECT_EQ(held, keep.current);
    EXPECT_STREQ("", keep.Previous());

    keep.Set(nullptr);
    EXPECT_STREQ("", keep.Current());
    EXPECT_STREQ("Mixed.Txt", keep.Previous());

    keep.Set("noext");
    keep.ChangeExtension(".bak");
    EXPECT_STREQ("noext.bak", keep.Current());
    EXPECT_STREQ("noext", keep.Previous());
    EXPECT_TRUE(keep.SameName("A.b", "a.B"));
    StorageName exact(2);
    EXPECT_FALSE(exact.SameName("A.b", "a.B"));
}

TEST(StorageCloneTest, ByTypeCode) {
    FileStorage file("x", 512, 3);
    EXPECT_EQ(-1, file.size);
    EXPECT_EQ(AL_FILE_OBJECT, file.typeCode);
    for (int32_t code : {-1, 1}) {
        ALStorage* clone = file.Clone("y.txt", code);
        ASSERT_NE(nullptr, clone);
        EXPECT_STREQ("y.txt", clone->name.Current());
        EXPECT_EQ(4096, clone->bufferSize);
        delete clone;
    }
    EXPECT_EQ(nullptr, file.Clone("y.txt", 2));
}

} // namespace
