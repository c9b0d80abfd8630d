// Demos: the text format read back exactly, damaged demos refused with the line
// named, recording and playback through the layer's hooks, and playback
// leaving the user's files alone.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>

#include "ConfigUnit.h"
#include "LevelUnit.h"
#include "PexDemo.h"
#include "PexScript.h"
#include "TestFiles.h"

namespace {

struct TempDir {
    std::string Path;
    TempDir() {
        char Template[] = "/tmp/pexdemo-XXXXXX";
        Path = mkdtemp(Template);
    }
    ~TempDir() { std::filesystem::remove_all(Path); }
    std::string File(const std::string& Name) const { return Path + "/" + Name; }
};

uint64_t Bits(double Value) {
    uint64_t Result;
    std::memcpy(&Result, &Value, sizeof(Result));
    return Result;
}

TDemoFrame Frame(std::vector<TDemoItem> Items) {
    return TDemoFrame{std::move(Items), 0};
}

std::string DemoText(const std::vector<TDemoFrame>& Frames, const TDemoFrame& Last,
                     const std::vector<TDemoFile>& Files = {}) {
    std::string Text = DemoHeaderText(Files);
    for (const TDemoFrame& F : Frames) Text += DemoFrameText(F, false);
    return Text + DemoFrameText(Last, true) + DemoEndText(Frames.size());
}

std::string ParseError(const std::string& Text) {
    TDemo Demo;
    std::string Error;
    EXPECT_FALSE(ParseDemoText(Text, Demo, Error)) << Text;
    return Error;
}

// Ends whatever a test started, so that the next one begins with demos off.
struct DemoTest : testing::Test {
    void TearDown() override {
        testing::internal::CaptureStdout();
        DoneDemo();
        testing::internal::GetCapturedStdout();
        DemoWatchedFiles = nullptr;
        DemoSnapshot = nullptr;
    }
};

}  // namespace

TEST(PexDemoFormat, FramesAndFilesReadBackExactly) {
    const double Times[] = {0.0,
                            0.1,
                            1.0 / 3.0,
                            123456.789,
                            std::numeric_limits<double>::denorm_min(),
                            std::numeric_limits<double>::max()};
    std::vector<TDemoFrame> Frames;
    for (double Time : Times)
        Frames.push_back(Frame({{diTime, 0, 0, Time},
                                {diActive, 1, 0, 0},
                                {diWindowSize, 640, 480, 0},
                                {diFramebufferSize, 1280, 960, 0},
                                {diMousePos, -5, 1048576, 0},
                                {diKey, 267, 1, 0},
                                {diChar, 0x44F, 1, 0},
                                {diButton, 1, 0, 0}}));
    Frames.push_back(Frame({}));  // a frame without questions
    const TDemoFrame Last = Frame({{diOpened, 0, 0, 0}});
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
    ASSERT_EQ(Demo.Frames.size(), Frames.size());
    for (size_t F = 0; F < Frames.size(); ++F) {
        EXPECT_EQ(Demo.Frames[F].Line, F + 4);  // after the header and two file lines
        ASSERT_EQ(Demo.Frames[F].Items.size(), Frames[F].Items.size());
        for (size_t I = 0; I < Frames[F].Items.size(); ++I) {
            const TDemoItem& Read = Demo.Frames[F].Items[I];
            const TDemoItem& Written = Frames[F].Items[I];
            EXPECT_EQ(Read.Kind, Written.Kind);
            EXPECT_EQ(Read.A, Written.A);
            EXPECT_EQ(Read.B, Written.B);
            EXPECT_EQ(Bits(Read.Time), Bits(Written.Time)) << Written.Time;
        }
    }
    ASSERT_EQ(Demo.Last.Items.size(), 1u);
    EXPECT_EQ(Demo.Last.Items[0].Kind, diOpened);
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
    std::string Text = DemoText({Frame({{diTime, 0, 0, 0.5}})}, Frame({}));
    std::string Crlf;
    for (char C : Text) Crlf += C == '\n' ? std::string("\r\n") : std::string(1, C);
    TDemo Demo;
    std::string Error;
    ASSERT_TRUE(ParseDemoText(Crlf, Demo, Error)) << Error;
    EXPECT_EQ(Demo.Frames[0].Items[0].Time, 0.5);
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

TEST_F(DemoTest, RecordingWritesEveryAnswerAndEventFrameByFrame) {
    TempDir Dir;
    WriteBytes(Dir.File("settings.ini"), "[Screen]\r\n");
    static std::string SettingsPath;
    SettingsPath = Dir.File("settings.ini");
    DemoWatchedFiles = [] {
        return std::vector<std::pair<std::string, std::string>>{{"settings", SettingsPath},
                                                                {"level", "/nonexistent/1.txt"}};
    };
    std::string Error;
    ASSERT_TRUE(StartDemoRecording(Dir.File("a.dem"), Error)) << Error;
    InitDemo();
    DemoNote(diTime, 0, 0, 0.1);
    DemoNote(diActive, 1);
    DemoNote(diMousePos, 3, 4);
    DemoNote(diKey, 283, 1);
    DemoEndFrame();
    DemoNote(diOpened, 1);
    DemoNote(diTime, 0, 0, 0.2);
    DemoEndFrame();
    DemoNote(diOpened, 0);
    WriteWholeFile(Dir.File("1.txt"), "level text");
    EXPECT_EQ(ReadBytes(Dir.File("1.txt")), "level text");
    testing::internal::CaptureStdout();
    DoneDemo();
    const std::string Printed = testing::internal::GetCapturedStdout();
    char Expected[64];
    std::snprintf(Expected, sizeof(Expected), "demo: frames=2 digest=%016llx\n",
                  static_cast<unsigned long long>(DigestText("level text")));
    EXPECT_EQ(Printed, Expected);
    EXPECT_EQ(DemoMode, dmOff);

    TDemo Demo;
    ASSERT_TRUE(ParseDemoText(ReadBytes(Dir.File("a.dem")), Demo, Error)) << Error;
    ASSERT_EQ(Demo.Files.size(), 2u);
    EXPECT_EQ(Demo.Files[0].Digest, DigestText("[Screen]\r\n"));
    EXPECT_FALSE(Demo.Files[1].Present);
    ASSERT_EQ(Demo.Frames.size(), 2u);
    ASSERT_EQ(Demo.Frames[0].Items.size(), 4u);
    EXPECT_EQ(Demo.Frames[0].Items[0].Time, 0.1);
    EXPECT_EQ(Demo.Frames[0].Items[3].Kind, diKey);
    EXPECT_EQ(Demo.Frames[0].Items[3].A, 283);
    EXPECT_EQ(Demo.Frames[1].Items[1].Time, 0.2);
    ASSERT_EQ(Demo.Last.Items.size(), 1u);
    EXPECT_EQ(Demo.Last.Items[0].A, 0);
}

TEST_F(DemoTest, PlaybackAnswersInOrderDeliversEventsAndClosesAtTheEnd) {
    TempDir Dir;
    WriteBytes(Dir.File("a.dem"), DemoText({Frame({{diTime, 0, 0, 0.25},
                                                   {diWindowSize, 800, 600, 0},
                                                   {diKey, 257, 1, 0},
                                                   {diChar, 65, 1, 0}}),
                                            Frame({{diOpened, 1, 0, 0}, {diTime, 0, 0, 0.5}})},
                                           Frame({{diOpened, 1, 0, 0}})));
    std::string Error;
    ASSERT_TRUE(StartDemoPlayback(Dir.File("a.dem"), Error)) << Error;
    InitDemo();
    TDemoItem Item;
    ASSERT_TRUE(DemoAnswer(diTime, Item));
    EXPECT_EQ(Item.Time, 0.25);
    ASSERT_TRUE(DemoAnswer(diWindowSize, Item));
    EXPECT_EQ(Item.A, 800);
    EXPECT_EQ(Item.B, 600);
    ASSERT_TRUE(DemoNextEvent(Item));
    EXPECT_EQ(Item.Kind, diKey);
    ASSERT_TRUE(DemoNextEvent(Item));
    EXPECT_EQ(Item.Kind, diChar);
    EXPECT_FALSE(DemoNextEvent(Item));
    DemoEndFrame();
    EXPECT_FALSE(DemoNextEvent(Item));  // the second frame's first item is an answer
    ASSERT_TRUE(DemoAnswer(diOpened, Item));
    EXPECT_EQ(Item.A, 1);
    ASSERT_TRUE(DemoAnswer(diTime, Item));
    DemoEndFrame();
    // The last frame: the session ended here, whatever the window said then.
    EXPECT_FALSE(DemoAnswer(diOpened, Item));
    EXPECT_EQ(Item.A, 0);
    EXPECT_TRUE(DemoPlaybackOver());
    // Past the end the clock stands at its last reading.
    EXPECT_FALSE(DemoAnswer(diTime, Item));
    EXPECT_EQ(Item.Time, 0.5);
    // A played run writes nothing, but reads back what it wrote.
    WriteWholeFile(Dir.File("pex.ini"), "settings text");
    EXPECT_FALSE(std::filesystem::exists(Dir.File("pex.ini")));
    std::string Text;
    ReadWholeFile(Dir.File("pex.ini"), Text);
    EXPECT_EQ(Text, "settings text");
    testing::internal::CaptureStdout();
    DoneDemo();
    EXPECT_EQ(testing::internal::GetCapturedStdout().substr(0, 15), "demo: frames=2 ");
}

TEST_F(DemoTest, PlaybackThatDivergesEndsWithTheLineNamed) {
    TempDir Dir;
    WriteBytes(Dir.File("a.dem"), DemoText({Frame({{diTime, 0, 0, 0.25}})}, Frame({})));
    std::string Error;
    ASSERT_TRUE(StartDemoPlayback(Dir.File("a.dem"), Error)) << Error;
    InitDemo();
    TDemoItem Item;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(DemoAnswer(diMousePos, Item));
    const std::string Message = testing::internal::GetCapturedStderr();
    EXPECT_NE(Message.find("line 2: the program asked for the mouse position where the demo has "
                           "the time"),
              std::string::npos)
        << Message;
    EXPECT_TRUE(DemoPlaybackOver());
    // Once over, the window reads as closed and inactive, and no event comes.
    EXPECT_FALSE(DemoAnswer(diActive, Item));
    EXPECT_EQ(Item.A, 0);
    EXPECT_FALSE(DemoAnswer(diOpened, Item));
    EXPECT_EQ(Item.A, 0);
    EXPECT_FALSE(DemoNextEvent(Item));
}

TEST_F(DemoTest, PlaybackStoppedByTheUserClosesAtTheNextQuestion) {
    TempDir Dir;
    WriteBytes(Dir.File("a.dem"), DemoText({Frame({{diOpened, 1, 0, 0}})}, Frame({})));
    std::string Error;
    ASSERT_TRUE(StartDemoPlayback(Dir.File("a.dem"), Error)) << Error;
    InitDemo();
    DemoStopPlayback();
    TDemoItem Item;
    EXPECT_FALSE(DemoAnswer(diOpened, Item));
    EXPECT_EQ(Item.A, 0);
}

TEST_F(DemoTest, PlaybackReportsFilesThatDifferFromTheRecordedOnes) {
    TempDir Dir;
    static std::string MenuPath;
    MenuPath = Dir.File("main.menu");
    WriteBytes(MenuPath, "changed");
    WriteBytes(
        Dir.File("a.dem"),
        DemoText({}, Frame({}), {{"menu", true, DigestText("recorded")}, {"level", false, 0}}));
    DemoWatchedFiles = [] {
        return std::vector<std::pair<std::string, std::string>>{{"menu", MenuPath},
                                                                {"level", "/nonexistent/1.txt"}};
    };
    std::string Error;
    ASSERT_TRUE(StartDemoPlayback(Dir.File("a.dem"), Error)) << Error;
    testing::internal::CaptureStderr();
    InitDemo();
    const std::string Message = testing::internal::GetCapturedStderr();
    EXPECT_EQ(Message,
              "demo: the menu file differs from the recorded one; the replay will diverge\n");
}

TEST_F(DemoTest, DamagedOrMissingDemoIsRefusedBeforeTheRunStarts) {
    TempDir Dir;
    WriteBytes(Dir.File("a.dem"), "PEX DEMO 1\nf t0x1p-3\n");
    std::string Error;
    EXPECT_FALSE(StartDemoPlayback(Dir.File("a.dem"), Error));
    EXPECT_EQ(Error,
              "Demo \"" + Dir.File("a.dem") + "\" line 3: the demo is truncated (no end line)");
    EXPECT_EQ(DemoMode, dmOff);
    EXPECT_FALSE(StartDemoPlayback(Dir.File("missing.dem"), Error));
    EXPECT_NE(Error.find("Cannot read file"), std::string::npos);
    EXPECT_FALSE(StartDemoRecording(Dir.File("no/such/folder/a.dem"), Error));
    EXPECT_NE(Error.find("Cannot create file"), std::string::npos);
    EXPECT_EQ(DemoMode, dmOff);
}

// Saves the level and the settings into Dir as the editor and the end of a run
// do; gives the line the demo prints at the end.
static std::string SaveUserFiles(const TempDir& Dir) {
    InitDemo();
    InitLevel();
    LevelGrid[2][3] = fkBrick;
    SaveLevel(Dir.File("level/default/1.txt"));
    DoneLevel();
    ScreenWidth = 1024;
    SaveScreenSettingsTo(Dir.File("pex.ini"));
    testing::internal::CaptureStdout();
    DoneDemo();
    return testing::internal::GetCapturedStdout();
}

TEST_F(DemoTest, PlaybackLeavesTheLevelAndSettingsFilesAloneButDigestsThem) {
    const std::string Settings = "[Screen]\r\nWidth=800\r\n";
    TempDir Recorded, Played;
    WriteBytes(Recorded.File("pex.ini"), Settings);
    WriteBytes(Played.File("pex.ini"), Settings);
    std::string Error;
    ASSERT_TRUE(StartDemoRecording(Recorded.File("a.dem"), Error)) << Error;
    const std::string RecordedLine = SaveUserFiles(Recorded);
    // Recording writes both files, and their bytes make the digest.
    const std::string Level = ReadBytes(Recorded.File("level/default/1.txt"));
    const std::string NewSettings = ReadBytes(Recorded.File("pex.ini"));
    EXPECT_NE(NewSettings, Settings);
    const uint64_t Digest = DigestBytes(DigestText(Level), NewSettings.data(), NewSettings.size());
    char Expected[64];
    std::snprintf(Expected, sizeof(Expected), "demo: frames=0 digest=%016llx\n",
                  static_cast<unsigned long long>(Digest));
    EXPECT_EQ(RecordedLine, Expected);

    ASSERT_TRUE(StartDemoPlayback(Recorded.File("a.dem"), Error)) << Error;
    EXPECT_EQ(SaveUserFiles(Played), Expected);
    EXPECT_FALSE(std::filesystem::exists(Played.File("level")));
    EXPECT_EQ(ReadBytes(Played.File("pex.ini")), Settings);
}
