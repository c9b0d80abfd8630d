// The demo file format: items and frames read back exactly, damaged demos
// refused with the line named and nothing of the file copied raw into the
// message, and the reader's memory bounded whatever the demo's length.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "PexDemoFile.h"

namespace {

uint64_t Bits(double Value) {
    uint64_t Result;
    std::memcpy(&Result, &Value, sizeof(Result));
    return Result;
}

std::string DemoText(const std::vector<std::vector<TDemoItem>>& Frames,
                     const std::vector<TDemoItem>& Last, const std::vector<TDemoFile>& Files = {}) {
    std::string Text = DemoHeaderText(Files);
    for (const std::vector<TDemoItem>& Items : Frames) Text += DemoFrameText(Items, false);
    return Text + DemoFrameText(Last, true) + DemoEndText(Frames.size());
}

std::string ParseError(const std::string& Text) {
    TDemo Demo;
    std::string Error;
    EXPECT_FALSE(ParseDemoText(Text, Demo, Error)) << Text;
    return Error;
}

}  // namespace

TEST(PexDemoFormat, FramesAndFilesReadBackExactly) {
    const double Times[] = {0.0,
                            0.1,
                            1.0 / 3.0,
                            123456.789,
                            std::numeric_limits<double>::denorm_min(),
                            std::numeric_limits<double>::max()};
    std::vector<std::vector<TDemoItem>> Frames;
    for (double Time : Times)
        Frames.push_back({TimeItem(Time),
                          {diActive, 1, 0},
                          {diWindowSize, 640, 480},
                          {diFramebufferSize, 1280, 960},
                          {diMousePos, -5, 1048576},
                          {diSignal, 15, 0},
                          {diPad, 1, 0x7FFF},
                          {diStick, -100, 100},
                          {diKey, 267, 1},
                          {diChar, 0x44F, 1},
                          {diButton, 1, 0}});
    Frames.push_back({});  // a frame without questions
    const std::vector<TDemoItem> Last = {{diOpened, 0, 0}};
    const std::vector<TDemoFile> Files = {{"settings", true, 0x0123456789abcdefull},
                                          {"level", false, 0}};

    TDemo Demo;
    std::string Error;
    ASSERT_TRUE(ParseDemoText(DemoText(Frames, Last, Files), Demo, Error)) << Error;
    ASSERT_EQ(Demo.Files.size(), 2u);
    EXPECT_EQ(Demo.Files[0].Label, "settings");
    EXPECT_TRUE(Demo.Files[0].Present);
    EXPECT_EQ(Demo.Files[0].Digest, 0x0123456789abcdefull);
    EXPECT_FALSE(Demo.Files[1].Present);
    Frames.push_back(Last);
    ASSERT_EQ(Demo.Frames.size(), Frames.size());
    EXPECT_EQ(SwappedFrameCount(Demo), Frames.size() - 1);
    for (size_t F = 0; F < Frames.size(); ++F) {
        EXPECT_EQ(Demo.Frames[F].Line, F + 4);  // after the header and two file lines
        const size_t First = Demo.Frames[F].First;
        ASSERT_EQ(FrameItemsEnd(Demo, F) - First, Frames[F].size());
        for (size_t I = 0; I < Frames[F].size(); ++I) {
            const TDemoItem& Read = Demo.Items[First + I];
            const TDemoItem& Written = Frames[F][I];
            EXPECT_EQ(Read.Kind, Written.Kind);
            EXPECT_EQ(Read.A, Written.A);
            EXPECT_EQ(Read.B, Written.B);
        }
    }
    for (size_t I = 0; I < std::size(Times); ++I)
        EXPECT_EQ(Bits(ItemTime(Demo.Items[Demo.Frames[I].First])), Bits(Times[I]));
}

TEST(PexDemoFormat, HexadecimalFloatsRoundTripBitForBit) {
    EXPECT_EQ(HexFloatText(0.1), "0x1.999999999999ap-4");
    EXPECT_EQ(HexFloatText(3.0), "0x1.8p+1");
    EXPECT_EQ(HexFloatText(1.0), "0x1p+0");
    EXPECT_EQ(HexFloatText(0.0), "0x0p+0");
    EXPECT_EQ(HexFloatText(std::numeric_limits<double>::denorm_min()), "0x0.0000000000001p-1022");
    // Every double, normal, subnormal or negative, reads back to the same bits.
    uint64_t State = 0x9E3779B97F4A7C15ull;
    for (int I = 0; I < 20000; ++I) {
        State ^= State << 13;
        State ^= State >> 7;
        State ^= State << 17;
        uint64_t Raw = I < 10000 ? State : State & 0x800FFFFFFFFFFFFFull;  // then subnormals
        double Value;
        std::memcpy(&Value, &Raw, sizeof(Value));
        if (!std::isfinite(Value)) continue;
        double Read = -1;
        ASSERT_TRUE(ParseHexFloat(HexFloatText(Value), Read)) << HexFloatText(Value);
        ASSERT_EQ(Bits(Read), Raw) << HexFloatText(Value);
    }
    // What other writers give (Python's float.hex, upper-case digits) reads the same.
    double Value = 0;
    ASSERT_TRUE(ParseHexFloat("0x1.0000000000000p-3", Value));
    EXPECT_EQ(Value, 0.125);
    ASSERT_TRUE(ParseHexFloat("0x1.Ap+3", Value));
    EXPECT_EQ(Value, 13.0);
    for (const char* Bad : {"", "0x", "0xp+0", "0x1", "0x1p", "0x1p+", "0x1p1", "1.5", "0x1.8q+1",
                            "0x1..8p+1", "0x1p+123456", "0x12345678901234567p+0", "0x1p+1 "}) {
        EXPECT_FALSE(ParseHexFloat(Bad, Value)) << Bad;
    }
}

TEST(PexDemoFormat, AcceptsLinesEndingInCarriageReturns) {
    std::string Text = DemoText({{TimeItem(0.5)}}, {});
    std::string Crlf;
    for (char C : Text) Crlf += C == '\n' ? std::string("\r\n") : std::string(1, C);
    TDemo Demo;
    std::string Error;
    ASSERT_TRUE(ParseDemoText(Crlf, Demo, Error)) << Error;
    EXPECT_EQ(ItemTime(Demo.Items[0]), 0.5);
}

TEST(PexDemoFormat, DamagedDemosNameTheLine) {
    const std::string Header = "PEX DEMO 1\n";
    struct TCase {
        std::string Text;
        std::string Error;
    };
    const TCase Cases[] = {
        {"", "line 1: the demo is empty"},
        {"PEX DEMO", "line 1: the line is cut off"},
        {"GIF89a\n", "line 1: not a Pex demo"},
        {"PEX DEMOX 1\nx\nend 0\n", "line 1: not a Pex demo"},
        {"PEX DEMOLISHED 1\nx\nend 0\n", "line 1: not a Pex demo"},
        {"PEX  DEMO 1\nx\nend 0\n", "line 1: not a Pex demo"},
        {"PEX DEMO 2\nx\nend 0\n", "line 1: demo version \"2\" is not supported"},
        {Header, "line 2: the demo is truncated (no end line)"},
        {Header + "f t0x1p-1\nf t0x1p", "line 3: the line is cut off"},
        {Header + "f t0x1p-1\nx\n", "line 4: the demo is truncated"},
        {Header + "f tnan\nx\nend 1\n", "line 2: bad value in item \"tnan\""},
        {Header + "f t0x1p+1024\nx\nend 1\n", "line 2: bad value"},  // infinite
        {Header + "f t-0x1p-1\nx\nend 1\n", "line 2: bad value"},
        {Header + "f t0.5\nx\nend 1\n", "line 2: bad value"},
        {Header + "f a2\nx\nend 1\n", "line 2: bad value in item \"a2\""},
        {Header + "f w640\nx\nend 1\n", "line 2: bad value in item \"w640\""},
        {Header + "f m1,99999999999\nx\nend 1\n", "line 2: bad value"},
        {Header + "f k267,2\nx\nend 1\n", "line 2: bad value"},
        {Header + "f z1\nx\nend 1\n", "line 2: unknown item \"z1\""},
        {Header + "f s0\nx\nend 1\n", "line 2: bad value in item \"s0\""},
        {Header + "f p1,32768\nx\nend 1\n", "line 2: bad value in item \"p1,32768\""},
        {Header + "f j0,-101\nx\nend 1\n", "line 2: bad value in item \"j0,-101\""},
        // Bytes of the file never reach the terminal as control codes.
        {Header + "f \x1b]0;owned\x07\nx\nend 1\n", "line 2: unknown item \"\\x1B]0;owned\\x07\""},
        {Header + "f t\x9b"
                  "31m\nx\nend 1\n",
         "line 2: bad value in item \"t\\x9B31m\""},
        {Header + "\x1b[2J\n", "line 2: unknown line \"\\x1B[2J\""},
        {Header + "f  t0x1p-1\nx\nend 1\n", "line 2: unknown item \"\""},
        {Header + "f k267,1 t0x1p-1\nx\nend 1\n", "line 2: an answer follows the frame's events"},
        {Header + "x\nend 1\n", "line 3: the end line counts 1 frames, the demo has 0"},
        {Header + "x\nend\n", "line 3: the end line needs the number of frames"},
        {Header + "end 0\n", "line 2: the end line comes before the last frame"},
        {Header + "x\nx\nend 0\n", "line 3: a frame after the last frame"},
        {Header + "x\nend 0\nf\n", "line 4: text after the end line"},
        {Header + "f\nfile menu -\nx\nend 1\n", "line 3: a file line after the frames"},
        {Header + "file menu 12\nx\nend 0\n", "line 2: a digest has 16 hexadecimal digits"},
        {Header + "file menu\nx\nend 0\n", "line 2: a file line needs a label and a digest"},
        {Header + "file " + std::string(65, 'L') + " -\nx\nend 0\n",
         "line 2: a file's label has at most 64 bytes"},
        {Header + "hello\n", "line 2: unknown line \"hello\""},
        {Header + std::string("f\0\nx\nend 1\n", 11), "line 2: a zero byte"},
    };
    for (const TCase& Case : Cases) {
        const std::string Error = ParseError(Case.Text);
        EXPECT_EQ(Error.compare(0, Case.Error.size(), Case.Error), 0)
            << "text: " << Case.Text << "\nerror: " << Error;
    }
}

TEST(PexDemoFormat, DigestIsFnv1a64) {
    EXPECT_EQ(DigestText(""), 0xcbf29ce484222325ull);
    EXPECT_EQ(DigestText("a"), 0xaf63dc4c8601ec8cull);
    EXPECT_EQ(DigestText("foobar"), 0x85944171f73967e8ull);
}

TEST(PexDemoFormat, HeaderOfAnyVersionMarksADemo) {
    EXPECT_TRUE(IsDemoHeader("PEX DEMO 1\nfile"));
    EXPECT_TRUE(IsDemoHeader("PEX DEMO 12\r\n"));
    for (const char* Other : {"", "PEX DEMO 1", "PEX DEMO \n", "PEX DEMOX 1\n", "pex demo 1\n",
                              "[Screen]\r\n", "mole_ladder.level\r\n"})
        EXPECT_FALSE(IsDemoHeader(Other)) << Other;
}

// A demo made as it is read, never held whole: a frame of a million items,
// then a hundred thousand frames.
struct TGeneratedDemo {
    std::string Pending = "PEX DEMO 1\nfile level -\nf";
    int64_t Step = 0;

    bool Read(char* Buffer, size_t Size, size_t& Count) {
        while (Pending.size() < Size && Step >= 0) Pending += Piece(Step++);
        Count = std::min(Size, Pending.size());
        Pending.copy(Buffer, Count);
        Pending.erase(0, Count);
        return true;
    }

    std::string Piece(int64_t I) {
        if (I < 1000000) return " c97,1";
        if (I < 1100000) return "\nf a1 m-5,7";
        Step = -2;
        return "\nx o0\nend 100001\n";
    }
};

TEST(PexDemoFormat, ReaderHoldsOnePieceWhateverTheLengthOfTheDemoOrItsLines) {
    TGeneratedDemo Generated;
    TDemoReader Reader;
    Reader.Start([&](char* Buffer, size_t Size, size_t& Count) {
        return Generated.Read(Buffer, Size, Count);
    });
    size_t Files = 0, Frames = 0, Items = 0;
    uint8_t Step;
    while ((Step = Reader.Next()) != dsEnd && Step != dsError) {
        Files += Step == dsFile;
        Frames += Step == dsFrame;
        Items += Step == dsItem;
    }
    ASSERT_EQ(Step, dsEnd) << Reader.Error();
    EXPECT_EQ(Files, 1u);
    EXPECT_EQ(Frames, 100002u);
    EXPECT_EQ(Items, 1000000u + 2 * 100000u + 1u);
    EXPECT_LE(Reader.PeakBytes(), DemoReadChunk + 1024);
}
