#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "Capabilities.h"
#include "PexFiles.h"
#include "PexPlatform.h"
#include "PexScript.h"
#include "TempFolder.h"
#include "TestFiles.h"
#include "TestSystem.h"

namespace {

struct TScan {
    std::vector<std::string> Tokens;
    std::vector<int32_t> Positions;  // Position after each true result
    int32_t EndPosition;             // Position after the final false result
};

TScan ScanAll(const std::string& Text) {
    TScan Scan;
    std::string Token = "stale";
    int32_t Position = 1;
    while (NextToken(Text, Token, Position)) {
        Scan.Tokens.push_back(Token);
        Scan.Positions.push_back(Position);
    }
    EXPECT_EQ(Token, "");
    Scan.EndPosition = Position;
    return Scan;
}

// A file's name in a folder of this test program's own.
std::string TempPath(const std::string& Name) {
    static const TTempFolder Folder;
    return Folder.File(Name);
}

}  // namespace

TEST(NextToken, EmptyTextGivesFalseAtOnce) {
    std::string Token = "x";
    int32_t Position = 1;
    EXPECT_FALSE(NextToken("", Token, Position));
    EXPECT_EQ(Token, "");
    EXPECT_EQ(Position, 1);
}

TEST(NextToken, OnlySeparatorsEndOnePastTheText) {
    const std::string Text(" \t\r\n\x01\x1f ", 7);
    const TScan Scan = ScanAll(Text);
    EXPECT_TRUE(Scan.Tokens.empty());
    EXPECT_EQ(Scan.EndPosition, 8);
}

TEST(NextToken, PositionRestsOnTheSeparatorAfterEachToken) {
    const TScan Scan = ScanAll(" ab\tcd\r\n");
    EXPECT_EQ(Scan.Tokens, (std::vector<std::string>{"ab", "cd"}));
    EXPECT_EQ(Scan.Positions, (std::vector<int32_t>{4, 7}));
    EXPECT_EQ(Scan.EndPosition, 9);
}

TEST(NextToken, TokenAtTheEndIsReturnedWhole) {
    const TScan Scan = ScanAll("one two");
    EXPECT_EQ(Scan.Tokens, (std::vector<std::string>{"one", "two"}));
    EXPECT_EQ(Scan.Positions.back(), 8);
    EXPECT_EQ(Scan.EndPosition, 8);
}

TEST(NextToken, HighBytesBelongToTokensAndAllLowCodesSeparate) {
    std::string Text = "\xCC\xE5\xED\xFE:";
    for (int32_t Code = 0; Code <= 32; ++Code) {
        Text += static_cast<char>(Code);
        Text += "a\x80\xFF";
    }
    const TScan Scan = ScanAll(Text);
    ASSERT_EQ(Scan.Tokens.size(), 34u);
    EXPECT_EQ(Scan.Tokens[0], "\xCC\xE5\xED\xFE:");
    for (size_t I = 1; I < Scan.Tokens.size(); ++I) EXPECT_EQ(Scan.Tokens[I], "a\x80\xFF");
}

TEST(NextToken, CharacterOfCode33IsATokenOnItsOwn) {
    const TScan Scan = ScanAll(" ! ");
    EXPECT_EQ(Scan.Tokens, (std::vector<std::string>{"!"}));
}

TEST(StrToIntDef, DecimalWithOptionalSign) {
    const struct {
        const char* Text;
        int32_t Value;
    } Cases[] = {{"0", 0}, {"42", 42}, {"+600", 600}, {"-17", -17}, {"007", 7}, {"-0", 0}};
    for (const auto& Case : Cases) EXPECT_EQ(StrToIntDef(Case.Text, -99), Case.Value) << Case.Text;
}

TEST(StrToIntDef, HexadecimalAfterDollarOr0xInEitherCase) {
    const struct {
        const char* Text;
        int32_t Value;
    } Cases[] = {{"$320", 800}, {"0x320", 800}, {"0X1f", 31}, {"$fF", 255},
                 {"-$10", -16}, {"+0x10", 16},  {"0x0", 0},   {"$7FFFFFFF", INT32_MAX}};
    for (const auto& Case : Cases) EXPECT_EQ(StrToIntDef(Case.Text, -99), Case.Value) << Case.Text;
}

TEST(StrToIntDef, ValuesBeyondThirtyTwoBitsGiveTheDefault) {
    EXPECT_EQ(StrToIntDef("2147483647", -99), INT32_MAX);
    EXPECT_EQ(StrToIntDef("-2147483648", -99), INT32_MIN);
    for (const char* Text :
         {"2147483648", "-2147483649", "99999999999", "0x100000000", "18446744073709551616"})
        EXPECT_EQ(StrToIntDef(Text, -99), -99) << Text;
}

TEST(StrToIntDef, AnythingElseGivesTheDefault) {
    for (const char* Text : {"", "+", "-", "$", "0x", "12a", "1.5", "--1", "+-1", "$-1", "0x$1",
                             "1e3", "$G", "12 ", "\xB9"})
        EXPECT_EQ(StrToIntDef(Text, 12345), 12345) << Text;
}

// The file as a whole: created or replaced with exactly the text, and on a
// failure the earlier file stays as it was and nothing else is left beside it.
class WriteWholeFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        Dir = Temp.Path;
        Dir.pop_back();  // names below are put together with '/'
        Path = Dir + "/file.txt";
    }
    void TearDown() override { ForgetWrites(); }
    TTempFolder Temp;
    std::vector<std::string> Names() const {
        std::vector<std::string> Result;
        for (const auto& Entry : std::filesystem::directory_iterator(Dir))
            Result.push_back(Entry.path().filename().string());
        std::sort(Result.begin(), Result.end());
        return Result;
    }
    // The message names the file in quotes and gives a reason after it.
    void ExpectCreateError(const std::runtime_error& Error, const std::string& FileName) {
        const std::string Message = Error.what();
        const std::string Head = "Cannot create file \"" + FileName + "\". ";
        EXPECT_EQ(Message.rfind(Head, 0), 0u) << Message;
        EXPECT_GT(Message.size(), Head.size()) << Message;
    }
    std::string Dir;
    std::string Path;
};

TEST_F(WriteWholeFileTest, CreatesTheFileWithEveryByte) {
    std::string Bytes;
    for (int32_t Code = 0; Code < 256; ++Code) Bytes += static_cast<char>(Code);
    Bytes += "line\r\nnext\n";
    WriteWholeFile(Path, Bytes);
    EXPECT_EQ(ReadBytes(Path), Bytes);
    EXPECT_EQ(Names(), std::vector<std::string>{"file.txt"});
}

TEST_F(WriteWholeFileTest, ReplacesTheWholeContent) {
    WriteBytes(Path, std::string(5000, 'x'));
    WriteWholeFile(Path, "short\r\n");
    EXPECT_EQ(ReadBytes(Path), "short\r\n");
    WriteWholeFile(Path, "");
    EXPECT_EQ(ReadBytes(Path), "");
    EXPECT_EQ(Names(), std::vector<std::string>{"file.txt"});
}

TEST_F(WriteWholeFileTest, MissingFolderRaisesWithTheFileName) {
    const std::string Inside = Dir + "/missing/file.txt";
    try {
        WriteWholeFile(Inside, "text");
        FAIL() << "WriteWholeFile did not raise";
    } catch (const std::runtime_error& Error) {
        ExpectCreateError(Error, Inside);
    }
    EXPECT_TRUE(Names().empty());
}

// A played demo: every write stays in memory and is read back by the same run,
// the disk keeps what it had, and the journal gives the texts in write order.
TEST_F(WriteWholeFileTest, WritesKeptInMemoryAreReadBackAndLeaveTheDiskAlone) {
    WriteBytes(Path, "on disk");
    JournalWrites();
    KeepWritesInMemory();
    WriteWholeFile(Path, "first");
    WriteWholeFile(Dir + "/./missing/../file.txt", "second");  // the same file, spelled otherwise
    WriteWholeFile(Dir + "/new/level.txt", "level", MakeMissingFolder);
    std::string Text;
    ReadWholeFile(Path, Text);
    EXPECT_EQ(Text, "second");
    ReadWholeFile(Dir + "/new/level.txt", Text);
    EXPECT_EQ(Text, "level");
    EXPECT_FALSE(ReadFileText(Dir + "/new/level.txt", Text, 4));  // the limit still holds
    EXPECT_EQ(errno, EFBIG);
    RemoveFile(Dir + "/new/level.txt");
    EXPECT_FALSE(ReadFileText(Dir + "/new/level.txt", Text));
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(TakeWrittenTexts(), (std::vector<std::string>{"first", "second", "level"}));
    EXPECT_TRUE(TakeWrittenTexts().empty());
    ForgetWrites();
    EXPECT_EQ(ReadBytes(Path), "on disk");
    EXPECT_EQ(Names(), std::vector<std::string>{"file.txt"});
    WriteWholeFile(Path, "after");  // back on the disk, unjournalled
    EXPECT_EQ(ReadBytes(Path), "after");
    EXPECT_TRUE(TakeWrittenTexts().empty());
}

// A file that already holds the text is not written, so a protected one is no
// error; the journal still has the text, as for any write.
TEST_F(WriteWholeFileTest, ChangedFileIsWrittenAndAnUnchangedOneLeftAsItIs) {
    WriteBytes(Path, "same");
    std::filesystem::permissions(Path, std::filesystem::perms::owner_read);
    const auto Before = std::filesystem::last_write_time(Path);
    JournalWrites();
    WriteWholeFile(Path, "same");
    EXPECT_EQ(std::filesystem::last_write_time(Path), Before);
    EXPECT_EQ(TakeWrittenTexts(), std::vector<std::string>{"same"});
    ForgetWrites();
    std::filesystem::permissions(Path, std::filesystem::perms::owner_all);
    WriteWholeFile(Path, "other");
    EXPECT_EQ(ReadBytes(Path), "other");
}

TEST(ReadWholeFile, ReadsEveryByteUnchanged) {
    const std::string Path = TempPath("bytes");
    std::string Bytes;
    for (int32_t Code = 0; Code < 256; ++Code) Bytes += static_cast<char>(Code);
    Bytes += "line\r\nnext\n";
    WriteBytes(Path, Bytes);
    std::string Text = "old";
    ReadWholeFile(Path, Text);
    EXPECT_EQ(Text, Bytes);
    std::remove(Path.c_str());
}

TEST(ReadWholeFile, CrLfFileTokenizesLikeLfFile) {
    const std::string CrLfPath = TempPath("crlf");
    const std::string LfPath = TempPath("lf");
    WriteBytes(CrLfPath, "mole_ladder.level\r\nheight 2\r\nrow\t0\t1\r\n");
    WriteBytes(LfPath, "mole_ladder.level\nheight 2\nrow\t0\t1\n");
    std::string CrLf;
    std::string Lf;
    ReadWholeFile(CrLfPath, CrLf);
    ReadWholeFile(LfPath, Lf);
    EXPECT_EQ(ScanAll(CrLf).Tokens, ScanAll(Lf).Tokens);
    EXPECT_EQ(ScanAll(Lf).Tokens.size(), 6u);
    std::remove(CrLfPath.c_str());
    std::remove(LfPath.c_str());
}

TEST(ReadWholeFile, MissingFileGivesEmptyText) {
    std::string Text = "old";
    ReadWholeFile(TempPath("does_not_exist"), Text);
    EXPECT_EQ(Text, "");
}

TEST(ReadWholeFile, EmptyFileAndFolderGiveEmptyText) {
    const std::string Path = TempPath("empty");
    WriteBytes(Path, "");
    std::string Text = "old";
    ReadWholeFile(Path, Text);
    EXPECT_EQ(Text, "");
    Text = "old";
    ReadWholeFile(::testing::TempDir(), Text);
    EXPECT_EQ(Text, "");
    std::remove(Path.c_str());
}

// A file over the reader's limit reads as empty, like an unreadable one.
TEST(ReadWholeFile, FileOverTheSizeLimitGivesEmptyText) {
    const std::string Path = TempPath("large");
    WriteBytes(Path, "mole_ladder.level");
    ASSERT_EQ(truncate(Path.c_str(), static_cast<off_t>(MaxWholeFileSize) + 1), 0);
    std::string Text = "old";
    ReadWholeFile(Path, Text);
    EXPECT_EQ(Text, "");
    std::remove(Path.c_str());
}
