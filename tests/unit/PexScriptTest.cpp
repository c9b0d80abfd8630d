#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "PexPlatform.h"
#include "PexScript.h"

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

std::string TempPath(const std::string& Name) {
    return ::testing::TempDir() + "pexscript_" + std::to_string(getpid()) + "_" + Name;
}

void WriteFile(const std::string& Path, const std::string& Bytes) {
    std::ofstream File(Path, std::ios::binary | std::ios::trunc);
    File << Bytes;
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

TEST(ReadWholeFile, ReadsEveryByteUnchanged) {
    const std::string Path = TempPath("bytes");
    std::string Bytes;
    for (int32_t Code = 0; Code < 256; ++Code) Bytes += static_cast<char>(Code);
    Bytes += "line\r\nnext\n";
    WriteFile(Path, Bytes);
    std::string Text = "old";
    ReadWholeFile(Path, Text);
    EXPECT_EQ(Text, Bytes);
    std::remove(Path.c_str());
}

TEST(ReadWholeFile, CrLfFileTokenizesLikeLfFile) {
    const std::string CrLfPath = TempPath("crlf");
    const std::string LfPath = TempPath("lf");
    WriteFile(CrLfPath, "mole_ladder.level\r\nheight 2\r\nrow\t0\t1\r\n");
    WriteFile(LfPath, "mole_ladder.level\nheight 2\nrow\t0\t1\n");
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

TEST(ReadWholeFile, PipeGivesEmptyTextWithoutWaiting) {
    const std::string Path = TempPath("pipe");
    ASSERT_EQ(mkfifo(Path.c_str(), 0600), 0);
    std::string Text = "old";
    ReadWholeFile(Path, Text);
    EXPECT_EQ(Text, "");
    std::remove(Path.c_str());
}

TEST(ReadWholeFile, EmptyFileAndFolderGiveEmptyText) {
    const std::string Path = TempPath("empty");
    WriteFile(Path, "");
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
    WriteFile(Path, "mole_ladder.level");
    ASSERT_EQ(truncate(Path.c_str(), static_cast<off_t>(MaxWholeFileSize) + 1), 0);
    std::string Text = "old";
    ReadWholeFile(Path, Text);
    EXPECT_EQ(Text, "");
    std::remove(Path.c_str());
}
