// Decompression engines and UnpackPackageFile on real deflate streams.
#include "package/decompression_engines.h"
#include "platform/win32.h"
#include "tests/support/package_files.h"
#include "tests/support/test_machine.h"

#include <gtest/gtest.h>
#include <limits.h>
#include <string.h>
#include <string>
#include <vector>
#include <zlib.h>

using namespace package_test;

namespace {

class UnpackTest : public MachineTest {
  protected:
    // Writes a package holding the stream of data and unpacks it to "out.bin".
    int Unpack(const std::string& stream) {
        EXPECT_TRUE(WriteWholeFile(Scratch("p.ppk"), stream));
        return UnpackPackageFile(Scratch("p.ppk").c_str(), Scratch("out.bin").c_str());
    }
    std::string Output() { return ReadWholeFile(Scratch("out.bin")); }

    // The names of the "xzx" temporary files in the temporary directory.
    static std::vector<std::string> TemporaryCopies() {
        char dir[MAX_PATH];
        GetTempPathA(MAX_PATH, dir);
        std::vector<std::string> names;
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA((std::string(dir) + "xzx*.tmp").c_str(), &data);
        if (find != INVALID_HANDLE_VALUE) {
            do
                names.push_back(data.cFileName);
            while (FindNextFileA(find, &data));
            FindClose(find);
        }
        return names;
    }
};

TEST_F(UnpackTest, SmallPackageIsWrittenInWholeBlocks) {
    std::string data = TextLike(10000, 1);
    std::string stream = Deflate(data);
    ASSERT_LT(stream.size(), 4096u);
    ASSERT_TRUE(WriteWholeFile(Scratch("p.ppk"), stream));
    FileStorage input("p.ppk", 4096, 3);
    CountingStorage output("out.bin");
    InflateEngine engine;
    EXPECT_EQ(0, engine.Decompress(input, output, -1));
    EXPECT_EQ((std::vector<long>{4096, 4096, 1808}), output.blocks);
    EXPECT_FALSE(input.IsOpen());
    EXPECT_FALSE(output.IsOpen());
    EXPECT_EQ(data, Output());
    EXPECT_EQ(0, UnpackPackageFile("p.ppk", "again.bin"));
    EXPECT_EQ(data, ReadWholeFile(Scratch("again.bin")));
}

TEST_F(UnpackTest, RealStreamsOfEveryBlockKind) {
    std::string text = TextLike(300000, 2);
    std::string noise = RandomBytes(100000, 3);
    struct Case {
        const char* what;
        std::string data;
        std::string stream;
    } cases[] = {
        {"stored", noise, Deflate(noise, 0)},
        {"fixed", text, Deflate(text, 6, Z_FIXED)},
        {"dynamic", text, Deflate(text, 9)},
        {"many blocks", text + noise, Deflate(text + noise, 6, Z_DEFAULT_STRATEGY, 777)},
        {"one byte", "x", Deflate("x")},
        {"empty stream", "", Deflate("")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(0, Unpack(c.stream));
        EXPECT_TRUE(c.data == Output());
    }
}

TEST_F(UnpackTest, LongDistanceMatchesAcrossTheWholeWindow) {
    std::string block = RandomBytes(30000, 4);
    std::string data = block + block.substr(0, 20000) + block.substr(2000, 10000);
    std::string stream = Deflate(data, 9);
    ASSERT_LT(stream.size(), 32000u); // the repeats were coded as far matches
    EXPECT_EQ(0, Unpack(stream));
    EXPECT_TRUE(data == Output());
}

TEST_F(UnpackTest, LargeFile) {
    std::string data = TextLike(24u << 20, 5);
    data.replace(1u << 20, 4u << 20, RandomBytes(4u << 20, 6));
    EXPECT_EQ(0, Unpack(Deflate(data, 1)));
    std::string out = Output();
    EXPECT_EQ(data.size(), out.size());
    EXPECT_TRUE(data == out);
}

TEST_F(UnpackTest, DecodesWithOneByteInputBuffer) {
    // Most passes consume a single byte and produce nothing while inflate
    // says Z_OK; decoding must go on to the end of the stream.
    std::string data = TextLike(50000, 8);
    ASSERT_TRUE(WriteWholeFile(Scratch("p.ppk"), Deflate(data, 9, Z_DEFAULT_STRATEGY, 5000)));
    FileStorage input("p.ppk", 1, 3);
    FileStorage output("out.bin", 7, 3);
    InflateEngine engine;
    EXPECT_EQ(0, engine.Decompress(input, output, -1));
    EXPECT_TRUE(data == Output());
}

TEST_F(UnpackTest, EmptyPackageGivesEmptyTarget) {
    ASSERT_TRUE(WriteWholeFile(Scratch("out.bin"), "old contents"));
    EXPECT_EQ(0, Unpack(""));
    EXPECT_EQ("", Output());
}

TEST_F(UnpackTest, MissingPackageLeavesTargetUntouched) {
    ASSERT_TRUE(WriteWholeFile(Scratch("out.bin"), "old contents"));
    EXPECT_EQ(-1, UnpackPackageFile(Scratch("none.ppk").c_str(), Scratch("out.bin").c_str()));
    EXPECT_EQ("old contents", Output());
    EXPECT_EQ(-1, UnpackPackageFile(Scratch("none.ppk").c_str(), Scratch("new.bin").c_str()));
    EXPECT_FALSE(Exists(Scratch("new.bin")));
    EXPECT_EQ(-2, UnpackPackageFile(nullptr, Scratch("out.bin").c_str()));
    EXPECT_EQ(-2, UnpackPackageFile(Scratch("none.ppk").c_str(), nullptr));
}

TEST_F(UnpackTest, PackageThatCannotBeOpenedLeavesTargetUntouched) {
    // A directory has attributes but cannot be opened as a file.
    ASSERT_TRUE(CreateDirectoryA(Scratch("dir.ppk").c_str(), nullptr));
    ASSERT_TRUE(WriteWholeFile(Scratch("out.bin"), "old contents"));
    EXPECT_EQ(-2, UnpackPackageFile(Scratch("dir.ppk").c_str(), Scratch("out.bin").c_str()));
    EXPECT_EQ("old contents", Output());
}

TEST_F(UnpackTest, ReadOnlyPackageIsDecodedFromTemporaryCopy) {
    std::string data = TextLike(20000, 9);
    ASSERT_TRUE(WriteWholeFile(Scratch("ro.ppk"), Deflate(data)));
    ASSERT_TRUE(SetFileAttributesA(Scratch("ro.ppk").c_str(), FILE_ATTRIBUTE_READONLY));
    std::vector<std::string> before = TemporaryCopies();
    EXPECT_EQ(0, UnpackPackageFile(Scratch("ro.ppk").c_str(), Scratch("out.bin").c_str()));
    EXPECT_TRUE(data == Output());
    EXPECT_EQ(before, TemporaryCopies());
    EXPECT_TRUE(GetFileAttributesA(Scratch("ro.ppk").c_str()) & FILE_ATTRIBUTE_READONLY);
    SetFileAttributesA(Scratch("ro.ppk").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(UnpackTest, TargetDirectoriesAreMade) {
    std::string data = TextLike(5000, 10);
    ASSERT_TRUE(WriteWholeFile(Scratch("p.ppk"), Deflate(data)));
    std::string target = Scratch("neu\\garten\\wiese.scr");
    EXPECT_EQ(0, UnpackPackageFile(Scratch("p.ppk").c_str(), target.c_str()));
    EXPECT_TRUE(data == ReadWholeFile(target));
}

TEST_F(UnpackTest, ReadOnlyTargetFails) {
    ASSERT_TRUE(WriteWholeFile(Scratch("out.bin"), "locked"));
    if (!MakeReadOnlyEnforced(Scratch("out.bin")))
        GTEST_SKIP() << "read-only files are writable here (Wine as root)";
    EXPECT_EQ(-2, Unpack(Deflate("new")));
    EXPECT_EQ("locked", Output());
    SetFileAttributesA(Scratch("out.bin").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(UnpackTest, BytesAfterTheFinalBlockAreIgnored) {
    std::string data = TextLike(9000, 11);
    EXPECT_EQ(0, Unpack(Deflate(data) + "trailing junk \x01\x02\x03" + RandomBytes(5000, 1)));
    EXPECT_TRUE(data == Output());
}

TEST_F(UnpackTest, CorruptOrTruncatedStreamFailsAndKeepsWhatWasDecoded) {
    std::string data = TextLike(200000, 12);
    std::string stream = Deflate(data, 6, Z_DEFAULT_STRATEGY, 50000);

    std::string truncated = stream.substr(0, stream.size() / 2);
    EXPECT_EQ(-2, Unpack(truncated));
    std::string out = Output();
    EXPECT_GT(out.size(), 0u);
    EXPECT_TRUE(data.compare(0, out.size(), out) == 0);

    // A block type of 3 is invalid: a data error right at the start.
    EXPECT_EQ(-2, Unpack(std::string("\x07\x00\x00\x00", 4)));
    EXPECT_EQ("", Output());
    // Garbage in the middle of a later block.
    std::string corrupt = stream;
    for (size_t i = stream.size() / 2; i < stream.size() / 2 + 64; ++i)
        corrupt[i] = static_cast<char>(0xFF);
    EXPECT_EQ(-2, Unpack(corrupt));
    EXPECT_GE(Output().size(), 50000u);
    EXPECT_EQ(-2, Unpack(stream.substr(0, 1)));

    ASSERT_TRUE(WriteWholeFile(Scratch("p.ppk"), truncated));
    FileStorage input("p.ppk", 4096, 3);
    FileStorage output("out.bin", 4096, 3);
    InflateEngine engine;
    EXPECT_EQ(AL_INFLATE_ERROR, engine.Decompress(input, output, -1));
    EXPECT_STREQ("Inflate failure on p.ppk.  The data ends before the final block.",
                 engine.status.Text());
    // The status stays with the engine.
    ASSERT_TRUE(WriteWholeFile(Scratch("p.ppk"), stream));
    EXPECT_EQ(AL_INFLATE_ERROR, engine.Decompress(input, output, -1));
    EXPECT_TRUE(data == Output());

    ASSERT_TRUE(WriteWholeFile(Scratch("p.ppk"), std::string("\x07\x00\x00\x00", 4)));
    InflateEngine second;
    EXPECT_EQ(AL_INFLATE_ERROR, second.Decompress(input, output, -1));
    EXPECT_STREQ("Inflate failure on p.ppk.  zlib result = -3", second.status.Text());
}

TEST_F(UnpackTest, DiskFullAndReadFailureFail) {
    // Decodes `in` into "out.bin" through buffers of `size` bytes and checks
    // the failure the engine reports.
    auto expectFailure = [](DecompressionEngine&& engine, const char* in, int32_t size,
                            int32_t code, const char* message) {
        FileStorage input(in, size, 3);
        FileStorage output("out.bin", size, 3);
        EXPECT_EQ(code, engine.Decompress(input, output, -1));
        EXPECT_STREQ(message, engine.status.Text());
    };
    std::string data = TextLike(100000, 13);
    std::string stream = Deflate(data);
    ASSERT_TRUE(WriteWholeFile(Scratch("p.ppk"), stream));
    if (!platform_testing::InjectShortWrite(3))
        GTEST_SKIP() << "fault injection exists on the emulated machine only";
    expectFailure(InflateEngine(), "p.ppk", 4096, AL_WRITE_ERROR,
                  "Write failure on out.bin.  result = 2048, errno = 28");
    EXPECT_EQ(2u * 4096 + 2048, Output().size());
    ASSERT_TRUE(WriteWholeFile(Scratch("p.ppk"), stream));
    platform_testing::InjectShortWrite(1);
    EXPECT_EQ(-2, UnpackPackageFile("p.ppk", "out.bin"));
    platform_testing::ClearInjectedFaults();

    std::string big = RandomBytes(20000, 14);
    ASSERT_TRUE(WriteWholeFile(Scratch("p.ppk"), Deflate(big, 0)));
    platform_testing::InjectReadFailure(2);
    expectFailure(InflateEngine(), "p.ppk", 4096, AL_READ_ERROR,
                  "Read failure on p.ppk.  errno = 9");
    platform_testing::InjectReadFailure(1);
    EXPECT_EQ(-2, UnpackPackageFile("p.ppk", "out.bin"));
    platform_testing::ClearInjectedFaults();

    // The copy engine writes its last partial block when it closes the
    // output it created: a failure there is the copy's failure.
    ASSERT_TRUE(WriteWholeFile(Scratch("in.bin"), "0123456789"));
    platform_testing::InjectShortWrite(3);
    expectFailure(CopyEngine(), "in.bin", 4, AL_WRITE_ERROR,
                  "Write failure on out.bin.  result = 1, errno = 28");
    platform_testing::ClearInjectedFaults();
    EXPECT_EQ("012345678", Output());
}

// Every negative length means the whole input, as -1 does. The stream is
// longer than one input buffer, so a wrong count would send the decoder past it.
TEST_F(UnpackTest, EveryNegativeLengthDecodesTheWholeInput) {
    std::string data = RandomBytes(20000, 16);
    ASSERT_TRUE(WriteWholeFile(Scratch("p.ppk"), Deflate(data, 0)));
    for (long length : {-2L, -4097L, LONG_MIN}) {
        {
            FileStorage input("p.ppk", 4096, 3);
            FileStorage output("out.bin", 4096, 3);
            InflateEngine engine;
            EXPECT_EQ(0, engine.Decompress(input, output, length)) << length;
        }
        EXPECT_TRUE(data == Output()) << length;
    }
}

TEST_F(UnpackTest, OpenStoragesStayOpenAndInputIsReadFromItsPosition) {
    std::string data = TextLike(12345, 15);
    std::string stream = Deflate(data);
    ASSERT_TRUE(WriteWholeFile(Scratch("p.ppk"), "HDR" + stream + "tail"));
    FileStorage input("p.ppk", 4096, 3);
    FileStorage output("out.bin", 4096, 3);
    ASSERT_EQ(0, input.Open());
    ASSERT_EQ(0, output.Create(-1));
    output.PutByte('>');
    EXPECT_EQ('H', input.GetByte());
    EXPECT_EQ('D', input.GetByte());
    EXPECT_EQ('R', input.GetByte());
    InflateEngine engine;
    EXPECT_EQ(0, engine.Decompress(input, output, static_cast<long>(stream.size())));
    EXPECT_TRUE(input.IsOpen());
    EXPECT_TRUE(output.IsOpen());
    output.Close();
    EXPECT_TRUE(">" + data == Output());
}

TEST_F(UnpackTest, CopyEngineCopiesUpToLength) {
    ASSERT_TRUE(WriteWholeFile(Scratch("in.bin"), "0123456789"));
    FileStorage input("in.bin", 4, 3);
    CopyEngine engine;
    {
        FileStorage output("out.bin", 4, 3);
        EXPECT_EQ(0, engine.Decompress(input, output, 6));
    }
    EXPECT_EQ("012345", Output());
    {
        FileStorage output("out.bin", 4, 3);
        EXPECT_EQ(0, engine.Decompress(input, output, -1));
    }
    EXPECT_EQ("0123456789", Output());
    {
        FileStorage output("out.bin", 4, 3);
        EXPECT_EQ(0, engine.Decompress(input, output, 0));
    }
    EXPECT_EQ("", Output());
    {
        FileStorage output("out.bin", 4, 3);
        EXPECT_EQ(0, engine.Decompress(input, output, -2));
    }
    EXPECT_EQ("0123456789", Output());

    FileStorage missing("missing.bin", 4, 3);
    FileStorage output("untouched.bin", 4, 3);
    EXPECT_EQ(AL_CANT_OPEN_FILE, engine.Decompress(missing, output, -1));
    EXPECT_FALSE(Exists(Scratch("untouched.bin")));
}

TEST(EngineCloneTest, ByTypeCode) {
    InflateEngine inflate;
    EXPECT_EQ(108, inflate.typeCode);
    EXPECT_STREQ("Inflate", inflate.displayName);
    struct {
        int32_t code;
        int32_t type;
        int32_t option;
    } inflateCases[] = {{-1, 108, 0},  {108, 108, 0}, {109, 108, 1}, {110, 108, 2},
                        {111, 108, 3}, {0, 0, 0},     {100, 0, 0}};
    for (const auto& c : inflateCases) {
        DecompressionEngine* clone = inflate.Clone(c.code);
        ASSERT_NE(nullptr, clone) << c.code;
        EXPECT_EQ(c.type, clone->typeCode);
        if (auto* asInflate = dynamic_cast<InflateEngine*>(clone)) {
            EXPECT_EQ(c.option, asInflate->option);
        }
        delete clone;
    }
    EXPECT_EQ(nullptr, inflate.Clone(107));
    EXPECT_EQ(nullptr, inflate.Clone(112));

    CopyEngine copy;
    EXPECT_STREQ("Binary copy", copy.displayName);
    for (int32_t code : {-1, 0}) {
        DecompressionEngine* clone = copy.Clone(code);
        ASSERT_NE(nullptr, clone);
        EXPECT_EQ(0, clone->typeCode);
        delete clone;
    }
    EXPECT_EQ(nullptr, copy.Clone(108));
}

} // namespace
