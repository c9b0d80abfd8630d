#include <gtest/gtest.h>

#include <string>

#include "LevelUnit.h"
#include "LinkUnit.h"
#include "TestFiles.h"

namespace {

// A grid whose every cell differs from its neighbours, with values 0 .. Top - 1.
TFieldGrid Checkered(int32_t Rows, int32_t Columns, int32_t Top) {
    TFieldGrid Grid(static_cast<size_t>(Rows), TFieldRow(static_cast<size_t>(Columns)));
    for (int32_t R = 0; R < Rows; ++R)
        for (int32_t C = 0; C < Columns; ++C)
            Grid[size_t(R)][size_t(C)] = TFieldKind((R * 7 + C * (R % 2 ? 3 : 5)) % Top);
    return Grid;
}

// The link's grid; fails the test with the reader's message when refused.
TFieldGrid Read(const std::string& Link) {
    TFieldGrid Grid;
    std::string Error;
    EXPECT_TRUE(ReadLevelLink(Link, Grid, Error)) << Error << " in " << Link;
    return Grid;
}

// The message of a refused link; the grid given is left as it was.
std::string Refusal(const std::string& Link) {
    TFieldGrid Grid(1, TFieldRow(1, fkCoin));
    std::string Error;
    EXPECT_FALSE(ReadLevelLink(Link, Grid, Error)) << Link;
    EXPECT_EQ(Grid, TFieldGrid(1, TFieldRow(1, fkCoin))) << Link;
    return Error;
}

}  // namespace

TEST(LinkUnit, ShippedLevelComesBackByteForByte) {
    InitLevel();
    const std::string Shipped =
        ReadBytes(std::string(PEX_SOURCE_DIR) + "/data/level/default/1.txt");
    LoadLevelFromText(Shipped);
    ASSERT_EQ(LevelText(), Shipped);
    const std::string Link = LevelLink("https://example.org/pex/", LevelGrid);
    for (const std::string& Form : {Link, Link.substr(Link.find('#')),
                                    Link.substr(Link.find('#') + 1), " \t" + Link + "\r\n"})
        EXPECT_EQ(LevelTextOf(Read(Form)), Shipped);
    DoneLevel();
}

TEST(LinkUnit, EveryValueAndRunLengthSurvives) {
    // Runs of 1 .. 40 cells of every byte value cross the escapes of both nibbles.
    TFieldGrid Grid(1, TFieldRow());
    for (int32_t Value = 0; Value < 256; ++Value)
        Grid[0].insert(Grid[0].end(), size_t(Value % 40 + 1), TFieldKind(Value));
    Grid.assign(Grid[0].size() / 149, TFieldRow(Grid[0].begin(), Grid[0].begin() + 149));
    for (const TFieldGrid& Each : {Grid, Checkered(7, 9, 256), Checkered(1, 1, 1),
                                   TFieldGrid(MaxLevelSize, TFieldRow(MaxLevelSize, fkSteel))})
        EXPECT_EQ(Read(LevelLink("", Each)), Each);
}

TEST(LinkUnit, AnyLevelOf40By24FitsInto2000CharactersWithAnAddress) {
    // An address of 700 characters.
    const std::string Address = "https://example.org/" + std::string(669, 'p') + "/index.html";
    for (int32_t Top : {2, 8, 15, 256}) {
        const TFieldGrid Grid = Checkered(24, 40, Top);
        const std::string Link = LevelLink(Address, Grid);
        EXPECT_LE(Link.size(), 2000u) << "values below " << Top;
        EXPECT_EQ(Read(Link), Grid);
    }
}

TEST(LinkUnit, EveryCutAndEveryChangedCharacterIsRefused) {
    const std::string Link = "#level=" + LevelLinkData(Checkered(3, 5, 9));
    for (size_t Length = 0; Length < Link.size(); ++Length)
        EXPECT_NE(Refusal(Link.substr(0, Length)), "") << Length;
    const std::string Others =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_.=+/%";
    for (size_t At = 7; At < Link.size(); ++At)
        for (char Other : Others)
            if (Other != Link[At]) {
                std::string Changed = Link;
                Changed[At] = Other;
                Refusal(Changed);
            }
    EXPECT_EQ(Refusal(Link + "AAAA"), "the link is damaged or cut short: its check does not match");
}

TEST(LinkUnit, RefusalsSayWhy) {
    EXPECT_EQ(Refusal("https://example.org/#level=2.AAAA"),
              "the link was made by a newer Pex (link version 2; this Pex reads version 1)");
    EXPECT_EQ(Refusal("level.txt"), "it holds no \"#level=\": it is no level link");
    EXPECT_EQ(Refusal("#level=1.AAA*AAAA"),
              "character 13 of the link (*) cannot be in a level link");
    EXPECT_EQ(Refusal(std::string(MaxLevelLinkLength + 1, 'A')).substr(0, 39),
              "the link is longer than the largest lev");
    // Sizes out of bounds, with a valid check.
    for (const TFieldGrid& Grid : {TFieldGrid(1, TFieldRow(0)), TFieldGrid(MaxLevelSize + 1, {1})})
        EXPECT_EQ(Refusal(LevelLink("", Grid)),
                  "the link's level is not 1 to 4096 cells high and wide");
}
