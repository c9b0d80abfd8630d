// Recording and playback through the engine, with the fake windowing layer
// underneath: what the frame loop takes from outside goes into the demo and
// comes back from it, a played run reads back what it wrote without touching
// the disk, a termination signal replays where it came, and a recording never
// destroys a file or claims success when it could not be written.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "Capabilities.h"
#include "EngineState.h"
#include "Fakes.h"
#include "PexDemo.h"
#include "PexDemoFile.h"
#include "PexFiles.h"
#include "PexGL.h"
#include "PexScript.h"
#include "StateUnit.h"
#include "TempFolder.h"
#include "TestFiles.h"
#include "TestSystem.h"

namespace {

// The engine as a run has it before the window opens, with demos off.
struct DemoTest : ::testing::Test {
    void SetUp() override { ResetEngine(); }
    void TearDown() override {
        testing::internal::CaptureStdout();
        DoneDemo();
        testing::internal::GetCapturedStdout();
        EndDemo(1);
        PlatformReleaseTerminationSignals();
    }

    // Opens the window and runs frames until the loop ends, each frame's clock
    // 1/16 s after the last; Script runs inside each swap with its number.
    void RunSession(const std::function<void(int32_t)>& Script) {
        InitEngine();
        ASSERT_TRUE(OpenWindow(640, 480, 32, false, 0));
        static int32_t Frame;
        static std::function<void(int32_t)> Run;
        Frame = 0;
        Run = Script;
        fake::OnSwap = [] { Run(++Frame); };
        for (int32_t I = 1; I <= 200; ++I)
            fake::Times.insert(fake::Times.end(), {I / 16.0, I / 16.0});
        RunMainLoop();
        TerminateEngine();
    }

    // The line a run prints at its end, the demo's finalisation and its end
    // after the run's own, which ended with Code; the exit code in Exit.
    std::string EndLine(int Code = 0) {
        testing::internal::CaptureStdout();
        DoneDemo();
        Exit = EndDemo(Code);
        return testing::internal::GetCapturedStdout();
    }

    int Exit = -1;
    TTempFolder Dir;
};

TDemo ReadDemo(const std::string& Path) {
    TDemo Demo;
    std::string Error;
    EXPECT_TRUE(ParseDemoText(ReadBytes(Path), Demo, Error)) << Error;
    return Demo;
}

std::vector<char> Kinds(const TDemo& Demo, size_t Frame) {
    std::vector<char> Result;
    for (size_t I = Demo.Frames[Frame].First; I < FrameItemsEnd(Demo, Frame); ++I)
        Result.push_back(Demo.Items[I].Kind);
    return Result;
}

// A session of three frames: the mouse moves, Up goes down in the second swap,
// the window is closed in the third.
void ThreeFrames(int32_t Frame) {
    fake::MouseX = 10 * Frame;
    if (Frame == 2 && fake::KeyFun) fake::KeyFun(kcUp, GLFW2_PRESS);
    if (Frame == 3) fake::Opened = false;
}

TEST_F(DemoTest, RecordingNotesEveryAnswerAndEventOfTheEngineFrameByFrame) {
    WriteBytes(Dir.File("pex.ini"), "[Screen]\r\n");
    std::string Error;
    ASSERT_TRUE(StartDemoRecording(Dir.File("a.dem"), Error)) << Error;
    InitDemo({{"settings", Dir.File("pex.ini")}, {"level", Dir.File("missing.txt")}});
    RunSession(ThreeFrames);
    EXPECT_TRUE(KeyDown(kcUp));                                // the program still gets the events
    EXPECT_FALSE(std::filesystem::exists(Dir.File("a.dem")));  // in place only at the end
    const std::string Line = EndLine();
    EXPECT_EQ(Exit, 0);
    char Expected[64];
    std::snprintf(Expected, sizeof(Expected), "demo: frames=3 digest=%016llx\n",
                  static_cast<unsigned long long>(DigestStart));
    EXPECT_EQ(Line, Expected);  // nothing was written and no unit added its state

    const TDemo Demo = ReadDemo(Dir.File("a.dem"));
    ASSERT_EQ(Demo.Files.size(), 2u);
    EXPECT_EQ(Demo.Files[0].Digest, DigestText("[Screen]\r\n"));
    EXPECT_FALSE(Demo.Files[1].Present);
    ASSERT_EQ(SwappedFrameCount(Demo), 3u);
    // OpenWindow asks for the size; then each frame: the clock twice, the
    // activity, the sizes, the mouse; the swap's events close the frame.
    EXPECT_EQ(Kinds(Demo, 0), (std::vector<char>{diWindowSize, diTime, diTime, diActive,
                                                 diWindowSize, diFramebufferSize, diMousePos}));
    EXPECT_EQ(Kinds(Demo, 1), (std::vector<char>{diOpened, diTime, diTime, diActive, diWindowSize,
                                                 diFramebufferSize, diMousePos, diKey}));
    EXPECT_EQ(Demo.Items[Demo.Frames[1].First + 6].A, 10);  // the mouse as the frame read it
    EXPECT_EQ(ItemTime(Demo.Items[Demo.Frames[1].First + 1]), 0.125);
    EXPECT_EQ(Kinds(Demo, 3), std::vector<char>{diOpened});
    EXPECT_EQ(Demo.Items.back().A, 0);  // the session ended with the window closed
}

TEST_F(DemoTest, PlaybackGivesTheEngineTheRecordedSessionWhateverTheWindowSays) {
    std::string Error;
    ASSERT_TRUE(StartDemoRecording(Dir.File("a.dem"), Error)) << Error;
    InitDemo({});
    RunSession(ThreeFrames);
    const std::string Recorded = EndLine();
    ASSERT_EQ(Exit, 0);

    SetUp();
    ASSERT_TRUE(StartDemoPlayback(Dir.File("a.dem"), Error)) << Error;
    InitDemo({});
    std::vector<int32_t> MouseSeen;
    static std::vector<int32_t>* Seen;
    Seen = &MouseSeen;
    OnUpdate = [] { Seen->push_back(Mouse.X); };
    // The real window says otherwise: no events, another mouse, never closed.
    InitEngine();
    ASSERT_TRUE(OpenWindow(640, 480, 32, false, 0));
    fake::MouseX = 999;
    RunMainLoop();
    TerminateEngine();
    EXPECT_TRUE(KeyDown(kcUp));
    EXPECT_EQ(MouseSeen, (std::vector<int32_t>{0, 10, 20}));
    EXPECT_EQ(DeltaTime, 0.0625);  // the recorded clock, not the fake's standing one
    EXPECT_TRUE(fake::Sleeps.empty());
    EXPECT_EQ(EndLine(), Recorded);
    EXPECT_TRUE(DemoPlaybackOver());
}

TEST_F(DemoTest, RealF10OrCloseRequestEndsThePlaybackEarly) {
    std::string Error;
    ASSERT_TRUE(StartDemoRecording(Dir.File("a.dem"), Error)) << Error;
    InitDemo({});
    RunSession([](int32_t Frame) {
        if (Frame == 50) fake::Opened = false;
    });
    EndLine();
    ASSERT_EQ(Exit, 0);
    // F10 stops it inside the fifth swap, before that frame counts; a close
    // request at the next question about the window, after it.
    for (const bool Close : {false, true}) {
        SetUp();
        ASSERT_TRUE(StartDemoPlayback(Dir.File("a.dem"), Error)) << Error;
        InitDemo({});
        RunSession([Close](int32_t Frame) {
            if (Frame != 5) return;
            if (Close)
                fake::Opened = false;
            else
                fake::KeyFun(kcF10, GLFW2_PRESS);
        });
        EXPECT_EQ(EndLine().substr(0, 15), Close ? "demo: frames=5 " : "demo: frames=4 ") << Close;
    }
}

TEST_F(DemoTest, PlaybackThatDivergesEndsWithTheLineNamed) {
    WriteBytes(Dir.File("a.dem"), "PEX DEMO 1\nf m1,2\nx\nend 1\n");
    std::string Error;
    ASSERT_TRUE(StartDemoPlayback(Dir.File("a.dem"), Error)) << Error;
    InitDemo({});
    testing::internal::CaptureStderr();
    InitEngine();
    ProcessFrame();  // asks for the time first
    const std::string Message = testing::internal::GetCapturedStderr();
    EXPECT_NE(Message.find("line 2: the program asked for the time where the demo has the mouse "
                           "position; the playback ends there"),
              std::string::npos)
        << Message;
    EXPECT_TRUE(Quit);  // the window reads as closed from there on
}

// A termination signal is outside input too: it ends the replay in the frame
// it ended the recording, here in the middle of a state switch's fade.
bool SwitchStarted = false;

// The first frame starts a switch to the menu, which runs the fade's frames.
void SwitchToMenuOnce() {
    if (SwitchStarted) return;
    SwitchStarted = true;
    SwitchState(stMenu);
}

TEST_F(DemoTest, SignalThatEndedARecordingDuringAFadeEndsItsReplayThere) {
    std::string Error;
    ASSERT_TRUE(StartDemoRecording(Dir.File("a.dem"), Error)) << Error;
    InitDemo({});
    PlatformCatchTerminationSignals();
    SwitchStarted = false;
    OnUpdate = SwitchToMenuOnce;
    OnDraw = DrawFade;
    RunSession([](int32_t Frame) {
        if (Frame == 6) std::raise(SIGTERM);
    });
    EXPECT_EQ(CurrentState, stMenu);
    const std::string Recorded = EndLine();
    ASSERT_EQ(Exit, 0);
    PlatformReleaseTerminationSignals();
    const TDemo Demo = ReadDemo(Dir.File("a.dem"));
    EXPECT_LT(SwappedFrameCount(Demo), 26u);  // it came while the screen darkened
    EXPECT_EQ(Kinds(Demo, 6), (std::vector<char>{diOpened, diSignal}));

    SetUp();
    ASSERT_TRUE(StartDemoPlayback(Dir.File("a.dem"), Error)) << Error;
    InitDemo({});
    SwitchStarted = false;
    OnUpdate = SwitchToMenuOnce;
    OnDraw = DrawFade;
    testing::internal::CaptureStderr();
    RunSession([](int32_t) {});
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(EndLine(), Recorded);
}

// A played run writes nothing, but a file it wrote reads back as written, so
// that a save followed by a load goes as recorded; the bytes enter the digest.
// The clipboard, too, is left alone: it is the user's.
TEST_F(DemoTest, PlayedRunReadsBackWhatItWroteAndLeavesTheDiskAlone) {
    const auto SaveThenLoad = [this](int32_t Frame) {
        if (Frame != 2) return;
        SetClipboardText("#level=1.AAAA");
        WriteWholeFile(Dir.File("level/default/1.txt"), "painted level", MakeMissingFolder);
        std::string Text;
        ReadWholeFile(Dir.File("level/default/1.txt"), Text);
        DigestOutcome(Text.data(), Text.size());
        fake::Opened = false;
    };
    std::string Error;
    ASSERT_TRUE(StartDemoRecording(Dir.File("a.dem"), Error)) << Error;
    InitDemo({});
    RunSession(SaveThenLoad);
    const std::string Recorded = EndLine();
    ASSERT_EQ(Exit, 0);
    EXPECT_EQ(Recorded.substr(0, 15), "demo: frames=2 ");
    EXPECT_EQ(fake::Clipboard, std::vector<std::string>{"#level=1.AAAA"});
    std::filesystem::remove_all(Dir.File("level"));

    SetUp();
    ASSERT_TRUE(StartDemoPlayback(Dir.File("a.dem"), Error)) << Error;
    InitDemo({});
    RunSession(SaveThenLoad);
    EXPECT_EQ(EndLine(), Recorded);
    EXPECT_FALSE(std::filesystem::exists(Dir.File("level")));
    EXPECT_TRUE(fake::Clipboard.empty());
}

TEST_F(DemoTest, PlaybackReportsFilesThatDifferFromTheRecordedOnes) {
    WriteBytes(Dir.File("main.menu"), "changed");
    WriteBytes(Dir.File("a.dem"),
               DemoHeaderText({{"menu", true, DigestText("recorded")}, {"level", false, 0}}) +
                   "x\nend 0\n");
    std::string Error;
    ASSERT_TRUE(StartDemoPlayback(Dir.File("a.dem"), Error)) << Error;
    testing::internal::CaptureStderr();
    InitDemo({{"menu", Dir.File("main.menu")}, {"level", Dir.File("missing")}});
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "demo: the menu file differs from the recorded one; the replay will diverge\n");
}

// A demo's frames as the engine asks for them: the first one after the
// window opened, then Count frames that ended in a swap, then the session's end.
std::string GeneratedDemo(int32_t Count, const std::string& FirstEvents) {
    std::string Text =
        "PEX DEMO 1\nf w640,480 t0x0p+0 t0x0p+0 a1 w640,480 b640,480 m0,0" + FirstEvents + "\n";
    for (int32_t I = 1; I < Count; ++I)
        Text += "f o1 t" + HexFloatText(I / 16.0) + " t" + HexFloatText(I / 16.0) +
                " a1 w640,480 b640,480 m" + std::to_string(I % 640) + ",0\n";
    return Text + "x o0\nend " + std::to_string(Count) + "\n";
}

// Memory stays the same whatever the demo's length: a long one, with a line
// far longer than what the reader holds, plays to its end.
TEST_F(DemoTest, LongDemoPlaysToItsEndWithTheReaderHoldingOnePiece) {
    std::string Events;
    for (int32_t I = 0; I < 300000; ++I) Events += " c97,1";
    WriteBytes(Dir.File("a.dem"), GeneratedDemo(100000, Events + " k90,1"));
    std::string Error;
    ASSERT_TRUE(StartDemoPlayback(Dir.File("a.dem"), Error)) << Error;
    InitDemo({});
    InitEngine();
    ASSERT_TRUE(OpenWindow(640, 480, 32, false, 0));
    testing::internal::CaptureStderr();
    RunMainLoop();
    TerminateEngine();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_TRUE(KeyDown(kcZ));  // the long line's last event
    EXPECT_EQ(Mouse.X, 99999 % 640);
    EXPECT_EQ(EndLine().substr(0, 20), "demo: frames=100000 ");
    EXPECT_LE(DemoReaderPeakBytes(), DemoReadChunk + 1024);
}

// The playback reads the demo again as it goes: one changed in place since it
// was checked ends the playback where it no longer reads, as a divergence does.
TEST_F(DemoTest, DemoDamagedAfterItWasCheckedEndsThePlaybackThere) {
    WriteBytes(Dir.File("a.dem"), GeneratedDemo(3, ""));
    std::string Error;
    ASSERT_TRUE(StartDemoPlayback(Dir.File("a.dem"), Error)) << Error;
    const std::string Text = GeneratedDemo(3, "");
    WriteBytes(Dir.File("a.dem"), Text.substr(0, Text.find("\nf o1 t") + 7) + "x\n");
    InitDemo({});
    testing::internal::CaptureStderr();
    InitEngine();
    ASSERT_TRUE(OpenWindow(640, 480, 32, false, 0));
    RunMainLoop();
    TerminateEngine();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "demo: \"" + Dir.File("a.dem") +
                  "\" line 3: bad value in item \"tx\"; the demo changed since it was checked, "
                  "and the playback ends there\n");
    EXPECT_EQ(EndLine().substr(0, 15), "demo: frames=1 ");
}

TEST_F(DemoTest, DamagedOrMissingDemoIsRefusedBeforeTheRunStarts) {
    WriteBytes(Dir.File("a.dem"), "PEX DEMO 1\nf t0x1p-3\n");
    std::string Error;
    EXPECT_FALSE(StartDemoPlayback(Dir.File("a.dem"), Error));
    EXPECT_EQ(Error,
              "Demo \"" + Dir.File("a.dem") + "\" line 3: the demo is truncated (no end line)");
    // Damage far past the first piece read is found before the run too.
    std::string Long = GeneratedDemo(20000, "");
    Long.replace(Long.rfind(" a1 "), 4, " a\x1b ");
    WriteBytes(Dir.File("a.dem"), Long);
    EXPECT_FALSE(StartDemoPlayback(Dir.File("a.dem"), Error));
    EXPECT_EQ(Error, "Demo \"" + Dir.File("a.dem") + "\" line 20001: bad value in item \"a\\x1B\"");
    EXPECT_FALSE(StartDemoPlayback(Dir.File("missing.dem"), Error));
    EXPECT_NE(Error.find("Cannot read file"), std::string::npos);
    EXPECT_EQ(DemoMode, dmOff);
}

// ---- Where a recording goes ---------------------------------------------------

TEST_F(DemoTest, NeitherRecordingNorPlaybackWaitsOnAPipe) {
    if (!HasNamedPipes()) GTEST_SKIP() << "no named pipes on this system";
    ASSERT_EQ(mkfifo(Dir.File("pipe").c_str(), 0600), 0);
    std::string Error;
    EXPECT_TRUE(ReturnsWithoutAWriter(
        Dir.File("pipe"), [&] { EXPECT_FALSE(StartDemoRecording(Dir.File("pipe"), Error)); }));
    EXPECT_EQ(Error, "Cannot record into \"" + Dir.File("pipe") + "\": it is not a regular file");
    EXPECT_TRUE(ReturnsWithoutAWriter(
        Dir.File("pipe"), [&] { EXPECT_FALSE(StartDemoPlayback(Dir.File("pipe"), Error)); }));
    EXPECT_EQ(Error, "Cannot read file \"" + Dir.File("pipe") + "\". " + std::strerror(EINVAL));
    EXPECT_FALSE(StartDemoPlayback(Dir.Path, Error));
    EXPECT_EQ(Error, "Cannot read file \"" + Dir.Path + "\". " + std::strerror(EISDIR));
    EXPECT_EQ(DemoMode, dmOff);
}

TEST_F(DemoTest, RecordingRefusesAnyFileButAnEarlierDemo) {
    const std::string Settings = "[Screen]\r\nFullScreen=1\r\n";
    WriteBytes(Dir.File("pex.ini"), Settings);
    std::filesystem::create_directory(Dir.File("folder"));
    std::string Error;
    EXPECT_FALSE(StartDemoRecording(Dir.File("pex.ini"), Error));
    EXPECT_EQ(Error, "Cannot record into \"" + Dir.File("pex.ini") +
                         "\": the file exists and is not a demo");
    EXPECT_FALSE(StartDemoRecording(Dir.File("folder"), Error));
    EXPECT_EQ(Error, "Cannot record into \"" + Dir.File("folder") + "\": it is not a regular file");
    EXPECT_FALSE(StartDemoRecording(Dir.File("no/such/folder/a.dem"), Error));
    EXPECT_EQ(Error.rfind("Cannot create file", 0), 0u) << Error;
    EXPECT_EQ(DemoMode, dmOff);
    EXPECT_EQ(ReadBytes(Dir.File("pex.ini")), Settings);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Dir.Path),
                            std::filesystem::directory_iterator()),
              2);

    // An earlier demo is replaced, but only by a run that ended well.
    WriteBytes(Dir.File("a.dem"), "PEX DEMO 1\nx\nend 0\n");
    ASSERT_TRUE(StartDemoRecording(Dir.File("a.dem"), Error)) << Error;
    InitDemo({});
    RunSession(ThreeFrames);
    EXPECT_EQ(EndLine(1), "");  // a failed run claims no recording
    EXPECT_EQ(Exit, 1);
    EXPECT_EQ(ReadBytes(Dir.File("a.dem")), "PEX DEMO 1\nx\nend 0\n");
    SetUp();
    ASSERT_TRUE(StartDemoRecording(Dir.File("a.dem"), Error)) << Error;
    InitDemo({});
    RunSession(ThreeFrames);
    EndLine();
    EXPECT_EQ(Exit, 0);
    EXPECT_EQ(SwappedFrameCount(ReadDemo(Dir.File("a.dem"))), 3u);
}

// A full disk: the first failed write is said at once, the session goes on,
// no cut-off demo is left, and the run does not end as a success.
TEST_F(DemoTest, FailedRecordingIsReportedAtOnceAndLeavesNoFile) {
    if (!HasFileSizeLimit()) GTEST_SKIP() << "no file size limit on this system";
    std::string Error;
    ASSERT_TRUE(StartDemoRecording(Dir.File("a.dem"), Error)) << Error;
    InitDemo({});
    std::string Said;
    bool GoneWhileRunning = false;
    {
        const TFileSizeLimit Full(1024);
        testing::internal::CaptureStderr();
        RunSession([&](int32_t Frame) {
            if (Frame < 3000) return;
            // Acted on at the first failed write, long before the session's end.
            GoneWhileRunning = std::filesystem::is_empty(Dir.Path);
            fake::Opened = false;
        });
        Said = testing::internal::GetCapturedStderr();
    }
    EXPECT_TRUE(GoneWhileRunning);
    EXPECT_EQ(Said, "pex: cannot write the demo \"" + Dir.File("a.dem") +
                        "\": " + std::strerror(EFBIG) + "; the recording is abandoned\n");
    EXPECT_EQ(EndLine(), "");  // no line claims a recording
    EXPECT_EQ(Exit, ExitRecordingFailed);
    EXPECT_TRUE(std::filesystem::is_empty(Dir.Path));
}

// A recording over an earlier demo with each file step failing in turn, once
// or from then on: the run ends well with the new demo whole and its line
// printed, or with exit code 3, the earlier demo whole, no line and nothing
// else left.
TEST_F(DemoTest, EveryFileStepOfARecordingFailingInTurnLosesNothing) {
    const std::string Earlier = "PEX DEMO 1\nx\nend 0\n";
    int64_t Steps = 0;
    for (int64_t Step = 0; Step <= Steps; ++Step)
        for (const int Code : FileStepErrors)
            for (const bool Persist : {false, true}) {
                SetUp();
                TTempFolder Folder;
                const std::string Path = Folder.File("a.dem");
                WriteBytes(Path, Earlier);
                PlatformFailFileStep(Step, Code, Persist);
                std::string Error, Line;
                testing::internal::CaptureStderr();
                const bool Started = StartDemoRecording(Path, Error);
                if (Started) {
                    InitDemo({});
                    RunSession(ThreeFrames);
                    Line = EndLine();
                }
                testing::internal::GetCapturedStderr();
                if (Step == 0) Steps = PlatformFileSteps();
                PlatformFailFileStep(0, 0);
                SCOPED_TRACE("step " + std::to_string(Step) + ", error " + std::to_string(Code));
                if (Started && Exit == 0) {
                    EXPECT_EQ(Line.rfind("demo: frames=3 ", 0), 0u);
                    EXPECT_EQ(SwappedFrameCount(ReadDemo(Path)), 3u);
                } else {
                    EXPECT_EQ(Line, "");
                    if (Started) {
                        EXPECT_EQ(Exit, ExitRecordingFailed);
                    }
                    EXPECT_EQ(ReadBytes(Path), Earlier);
                }
                EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Folder.Path),
                                        std::filesystem::directory_iterator()),
                          1);
                if (HasFailure()) return;
            }
    EXPECT_GT(Steps, 3);
}

}  // namespace
