#include "PexDemo.h"

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <new>

#include "PexDemoFile.h"
#include "PexFiles.h"
#include "PexGL.h"
#include "PexPlatform.h"
#include "PexScript.h"

uint8_t DemoMode = dmOff;

static std::string DemoFileName;
static uint64_t Outcome = DigestStart;
static size_t FrameCount = 0;  // frames recorded or played
static bool EngineEnded = false;

// The driver that was in use when the demo started: the recorder and the player
// pass the calls they do not answer themselves on to it.
static const TWindowDriver* Beneath = nullptr;

// What the program's own handlers are; the driver installs its own in their place.
static TGlfw2KeyFun ProgramKey = nullptr;
static TGlfw2CharFun ProgramChar = nullptr;
static TGlfw2MouseButtonFun ProgramButton = nullptr;

// A demo started while another runs stands in for what the other stood in for,
// never for the other itself.
static void TakeDriverBeneath() {
    if (DemoMode == dmOff) Beneath = &WindowDriverInUse();
}

// ---- The outcome digest ------------------------------------------------------

void DigestOutcome(const void* Data, size_t Size) {
    if (DemoMode != dmOff) Outcome = DigestBytes(Outcome, Data, Size);
}

// The files the run wrote enter the outcome digest in the order written.
static void DigestWrites() {
    for (const std::string& Text : TakeWrittenTexts()) DigestOutcome(Text.data(), Text.size());
}

// ---- Recording ---------------------------------------------------------------

static TWindowDriver Recorder;
static TNewFile RecordFile;
static std::string RecordBuffer;  // written out in pieces of this size
constexpr size_t RecordChunk = 64 * 1024;
static bool RecordFailed = false;
static std::vector<TDemoItem> Noted;  // the frame being noted

// The first failed write is said at once; the session goes on, but the demo
// is abandoned and the run ends with ExitRecordingFailed.
static void AbandonRecording(int Reason) {
    if (RecordFailed) return;
    RecordFailed = true;
    PlatformDiscardNewFile(RecordFile);
    RecordBuffer.clear();
    std::fprintf(stderr, "pex: cannot write the demo \"%s\": %s; the recording is abandoned\n",
                 DemoFileName.c_str(), std::strerror(Reason));
    std::fflush(stderr);
}

static void FlushRecord() {
    if (RecordFailed || RecordBuffer.empty()) return;
    if (!PlatformWriteNewFile(RecordFile, RecordBuffer.data(), RecordBuffer.size()))
        AbandonRecording(errno);
    RecordBuffer.clear();
}

static void WriteRecord(const std::string& Text) {
    if (RecordFailed) return;
    RecordBuffer += Text;
    if (RecordBuffer.size() >= RecordChunk) FlushRecord();
}

static void Note(char Kind, int32_t A, int32_t B = 0) {
    if (!EngineEnded) Noted.push_back(TDemoItem{Kind, A, B});
}

static double RecordTime() {
    const double Time = Beneath->GetTime();
    if (!EngineEnded) Noted.push_back(TimeItem(Time));
    return Time;
}

static int32_t RecordWindowParam(int32_t Param) {
    const int32_t Value = Beneath->GetWindowParam(Param);
    if (Param == GLFW2_OPENED) Note(diOpened, Value);
    if (Param == GLFW2_ACTIVE) Note(diActive, Value);
    return Value;
}

static void RecordWindowSize(int32_t* Width, int32_t* Height) {
    Beneath->GetWindowSize(Width, Height);
    Note(diWindowSize, *Width, *Height);
}

static void RecordFramebufferSize(int32_t* Width, int32_t* Height) {
    Beneath->GetFramebufferSize(Width, Height);
    Note(diFramebufferSize, *Width, *Height);
}

static void RecordMousePos(int32_t* X, int32_t* Y) {
    Beneath->GetMousePos(X, Y);
    Note(diMousePos, *X, *Y);
}

// Noted only when one came, so that a session without one records as before.
static int32_t RecordTerminationSignal() {
    const int32_t Signal = Beneath->TerminationSignal();
    if (Signal != 0) Note(diSignal, Signal);
    return Signal;
}

static void RecordKey(int32_t Key, int32_t Action) {
    Note(diKey, Key, Action);
    if (ProgramKey) ProgramKey(Key, Action);
}

static void RecordChar(int32_t Character, int32_t Action) {
    Note(diChar, Character, Action);
    if (ProgramChar) ProgramChar(Character, Action);
}

static void RecordButton(int32_t Button, int32_t Action) {
    Note(diButton, Button, Action);
    if (ProgramButton) ProgramButton(Button, Action);
}

static void RecordKeyCallback(TGlfw2KeyFun Fun) {
    ProgramKey = Fun;
    Beneath->SetKeyCallback(Fun ? RecordKey : nullptr);
}

static void RecordCharCallback(TGlfw2CharFun Fun) {
    ProgramChar = Fun;
    Beneath->SetCharCallback(Fun ? RecordChar : nullptr);
}

static void RecordButtonCallback(TGlfw2MouseButtonFun Fun) {
    ProgramButton = Fun;
    Beneath->SetMouseButtonCallback(Fun ? RecordButton : nullptr);
}

static void RecordSwap() {
    Beneath->SwapBuffers();
    DigestWrites();
    if (EngineEnded) return;
    WriteRecord(DemoFrameText(Noted, false));
    Noted.clear();
    ++FrameCount;
}

static void RecordTerminate() {
    DigestWrites();
    EngineEnded = true;
    Beneath->Terminate();
}

static std::string NotADemo(const std::string& FileName, const std::string& Why) {
    return "Cannot record into \"" + FileName + "\": " + Why;
}

bool StartDemoRecording(const std::string& FileName, std::string& Error) {
    // The demo replaces only an earlier demo: any other file (the settings, a
    // level, the menu) is the user's, and a pipe or a device is never waited on.
    std::string Start;
    if (PlatformReadFileStart(FileName, 64, Start)) {
        if (!IsDemoHeader(Start)) {
            Error = NotADemo(FileName, "the file exists and is not a demo");
            return false;
        }
    } else if (errno == EISDIR || errno == EINVAL) {
        Error = NotADemo(FileName, "it is not a regular file");
        return false;
    } else if (errno != ENOENT) {
        Error = ReadErrorText(FileName, errno);
        return false;
    }
    if (!PlatformCreateNewFile(FileName, RecordFile)) {
        Error = CreateFileError(FileName, errno).what();
        return false;
    }
    DemoFileName = FileName;
    RecordBuffer.clear();
    RecordFailed = false;
    TakeDriverBeneath();
    Recorder = *Beneath;
    Recorder.Terminate = RecordTerminate;
    Recorder.SetKeyCallback = RecordKeyCallback;
    Recorder.SetCharCallback = RecordCharCallback;
    Recorder.SetMouseButtonCallback = RecordButtonCallback;
    Recorder.GetTime = RecordTime;
    Recorder.GetWindowParam = RecordWindowParam;
    Recorder.GetWindowSize = RecordWindowSize;
    Recorder.GetFramebufferSize = RecordFramebufferSize;
    Recorder.GetMousePos = RecordMousePos;
    Recorder.SwapBuffers = RecordSwap;
    Recorder.TerminationSignal = RecordTerminationSignal;
    UseWindowDriver(Recorder);
    DemoMode = dmRecord;
    return true;
}

// ---- Playback ----------------------------------------------------------------

// The demo is read twice from the one file kept open, a piece at a time, so
// that memory stays the same whatever its length: whole before the run, to
// refuse a damaged one before the window opens, then as the run plays it. A
// demo changed in place meanwhile ends the playback where it no longer reads.
static TWindowDriver Player;
static TFileStream PlayFile;
static TDemoReader Reader;
static uint8_t Ahead = dsEnd;   // what the reader met last, not yet taken
static bool Looked = true;      // Ahead holds something
static bool LastFrame = false;  // the current frame is the session's end
static uint64_t FrameLine = 0;  // the current frame's line in the demo
static bool PlaybackOver = false;
static TDemoItem LastAnswers[128];  // the last answer of each kind
static size_t ReaderPeak = 0;       // the reader's most memory, over both readings

static bool ReadDemoPiece(char* Buffer, size_t Size, size_t& Count) {
    return PlatformReadStream(PlayFile, Buffer, Size, Count);
}

static void ReadFromStart() {
    ReaderPeak = std::max(ReaderPeak, Reader.PeakBytes());
    Looked = false;
    if (PlatformRewindStream(PlayFile))
        Reader.Start(ReadDemoPiece);
    else
        Reader.Start(nullptr);  // the reader fails at once, with the rewind's errno
}

// Past here the demo reads as ended, for whatever the program still asks.
static void ClosePlayback() {
    ReaderPeak = std::max(ReaderPeak, Reader.PeakBytes());
    PlatformCloseStream(PlayFile);
    Reader = TDemoReader();
    Ahead = dsEnd;
    Looked = true;
}

// What the demo holds next, read when first asked for.
static uint8_t LookAhead() {
    if (Looked) return Ahead;
    Ahead = Reader.Next();
    Looked = true;
    if (Ahead == dsError) {
        std::fprintf(stderr,
                     "demo: \"%s\" %s; the demo changed since it was checked, and the playback "
                     "ends there\n",
                     DemoFileName.c_str(), Reader.Error().c_str());
        PlaybackOver = true;
    }
    return Ahead;
}

static TDemoItem TakeItem() {
    Looked = false;
    return Reader.Item();
}

// The kind of the frame's next item; 0 at the frame's end.
static char NextKind() {
    return LookAhead() == dsItem ? Reader.Item().Kind : '\0';
}

// Moves on to the frame the reader has met.
static void EnterFrame() {
    if (LookAhead() != dsFrame) {
        PlaybackOver = true;
        return;
    }
    Looked = false;
    LastFrame = Reader.LastFrame();
    FrameLine = Reader.Line();
}

static void EndPlayback(char Asked, char Recorded) {
    std::fprintf(stderr,
                 "demo: \"%s\" line %" PRIu64
                 ": the program asked for %s where the demo has %s; the playback ends there\n",
                 DemoFileName.c_str(), FrameLine, DemoKindName(Asked), DemoKindName(Recorded));
    PlaybackOver = true;
}

// The recorded answer of that kind, in the order recorded; once the playback
// is over, the last one of its kind, with the window inactive and closed.
static TDemoItem Answer(char Kind) {
    TDemoItem& Last = LastAnswers[uint8_t(Kind) & 127];
    if (!PlaybackOver) {
        const char Recorded = NextKind();
        if (Recorded == Kind) {
            Last = TakeItem();
            // The session ended in this frame: the window closes for the program here.
            if (!(LastFrame && Kind == diOpened)) return Last;
            PlaybackOver = true;
        } else if (!PlaybackOver) {  // over when the demo no longer reads
            EndPlayback(Kind, Recorded == '\0' && LastFrame ? 'x' : Recorded);
        }
    }
    TDemoItem Item = Last;
    Item.Kind = Kind;
    if (Kind == diActive || Kind == diOpened) Item.A = 0;
    return Item;
}

static void StopPlayback() {
    PlaybackOver = true;
}

bool DemoPlaybackOver() {
    return PlaybackOver;
}

size_t DemoReaderPeakBytes() {
    return std::max(ReaderPeak, Reader.PeakBytes());
}

static double PlayTime() {
    return ItemTime(Answer(diTime));
}

static int32_t PlayWindowParam(int32_t Param) {
    if (Param != GLFW2_OPENED && Param != GLFW2_ACTIVE) return Beneath->GetWindowParam(Param);
    // A close request ends the playback as F10 does.
    if (Beneath->GetWindowParam(GLFW2_OPENED) == 0) StopPlayback();
    return Answer(Param == GLFW2_OPENED ? diOpened : diActive).A;
}

static void PlayPair(char Kind, int32_t* A, int32_t* B) {
    const TDemoItem Item = Answer(Kind);
    *A = Item.A;
    *B = Item.B;
}

static void PlayWindowSize(int32_t* Width, int32_t* Height) {
    PlayPair(diWindowSize, Width, Height);
}

static void PlayFramebufferSize(int32_t* Width, int32_t* Height) {
    PlayPair(diFramebufferSize, Width, Height);
}

static void PlayMousePos(int32_t* X, int32_t* Y) {
    PlayPair(diMousePos, X, Y);
}

// A demo's clock is the recorded one: playback does not wait for it.
static void PlaySleep(double) {}

// The clipboard is the user's: a replay leaves it as it is.
static void PlayClipboard(const char*) {}

// A real signal ends the playback at once; a recorded one where it was noted.
static int32_t PlayTerminationSignal() {
    if (const int32_t Signal = Beneath->TerminationSignal()) {
        StopPlayback();
        return Signal;
    }
    if (PlaybackOver || NextKind() != diSignal) return 0;
    return TakeItem().A;
}

// Of the real input only F10 counts, and it ends the playback.
static void WatchStopKey(int32_t Key, int32_t Action) {
    if (Key == kcF10 && Action == GLFW2_PRESS) StopPlayback();
}

static void PlayKeyCallback(TGlfw2KeyFun Fun) {
    ProgramKey = Fun;
    Beneath->SetKeyCallback(WatchStopKey);
}

static void PlayCharCallback(TGlfw2CharFun Fun) {
    ProgramChar = Fun;
    Beneath->SetCharCallback(nullptr);
}

static void PlayButtonCallback(TGlfw2MouseButtonFun Fun) {
    ProgramButton = Fun;
    Beneath->SetMouseButtonCallback(nullptr);
}

// The recorded events of the frame, delivered as the swap delivers real ones;
// then the next frame.
static void PlaySwap() {
    Beneath->SwapBuffers();
    DigestWrites();
    if (PlaybackOver) return;
    while (IsDemoEvent(NextKind())) {
        const TDemoItem Event = TakeItem();
        if (Event.Kind == diKey && ProgramKey) ProgramKey(Event.A, Event.B);
        if (Event.Kind == diChar && ProgramChar) ProgramChar(Event.A, Event.B);
        if (Event.Kind == diButton && ProgramButton) ProgramButton(Event.A, Event.B);
    }
    if (PlaybackOver) return;
    if (LastFrame || NextKind() != '\0') {
        EndPlayback('\0', NextKind() == '\0' ? 'x' : NextKind());
        return;
    }
    EnterFrame();
    ++FrameCount;
}

static void PlayTerminate() {
    DigestWrites();
    EngineEnded = true;
    ClosePlayback();
    Beneath->Terminate();
}

// Opens the demo and reads it through; false, with Error, for one that cannot
// be played. The file stays open for the playback.
static bool CheckDemo(const std::string& FileName, std::string& Error) {
    if (!PlatformOpenStream(FileName, PlayFile)) {
        Error = "Cannot read file \"" + FileName + "\". " + std::strerror(errno);
        return false;
    }
    ReadFromStart();
    uint8_t Step = Reader.Next();
    while (Step != dsEnd && Step != dsError) Step = Reader.Next();
    if (Step == dsEnd) return true;
    Error = "Demo \"" + FileName + "\" " + Reader.Error();
    ClosePlayback();
    return false;
}

bool StartDemoPlayback(const std::string& FileName, std::string& Error) {
    ClosePlayback();
    ReaderPeak = 0;
    try {
        if (!CheckDemo(FileName, Error)) return false;
    } catch (const std::bad_alloc&) {
        ClosePlayback();
        Error = "Demo \"" + FileName + "\" cannot be played: out of memory";
        return false;
    }
    DemoFileName = FileName;
    TakeDriverBeneath();
    Player = *Beneath;
    Player.Terminate = PlayTerminate;
    Player.SetKeyCallback = PlayKeyCallback;
    Player.SetCharCallback = PlayCharCallback;
    Player.SetMouseButtonCallback = PlayButtonCallback;
    Player.GetTime = PlayTime;
    Player.GetWindowParam = PlayWindowParam;
    Player.GetWindowSize = PlayWindowSize;
    Player.GetFramebufferSize = PlayFramebufferSize;
    Player.GetMousePos = PlayMousePos;
    Player.Sleep = PlaySleep;
    Player.SetClipboardString = PlayClipboard;
    Player.SwapBuffers = PlaySwap;
    Player.TerminationSignal = PlayTerminationSignal;
    UseWindowDriver(Player);
    DemoMode = dmPlay;
    return true;
}

// ---- Starting and ending -----------------------------------------------------

static std::vector<TDemoFile> WatchedDigests(const TWatchedFiles& Watched) {
    std::vector<TDemoFile> Files;
    for (const auto& File : Watched) {
        std::string Text;
        const bool Present = !File.second.empty() && ReadFileText(File.second, Text);
        Files.push_back(TDemoFile{File.first, Present, Present ? DigestText(Text) : 0});
    }
    return Files;
}

void InitDemo(const TWatchedFiles& Watched) {
    Outcome = DigestStart;
    FrameCount = 0;
    PlaybackOver = false;
    EngineEnded = false;
    Noted.clear();
    for (TDemoItem& Item : LastAnswers) Item = TDemoItem{'\0', 0, 0};
    if (DemoMode == dmOff) return;
    JournalWrites();
    if (DemoMode == dmRecord) {
        WriteRecord(DemoHeaderText(WatchedDigests(Watched)));
        return;
    }
    KeepWritesInMemory();
    const std::vector<TDemoFile> Now = WatchedDigests(Watched);
    // The second reading: the file lines, then the first frame.
    ReadFromStart();
    while (LookAhead() == dsFile) {
        Looked = false;
        const TDemoFile& Recorded = Reader.File();
        for (const TDemoFile& File : Now)
            if (File.Label == Recorded.Label &&
                (File.Present != Recorded.Present || File.Digest != Recorded.Digest))
                std::fprintf(stderr,
                             "demo: the %s file differs from the recorded one; the replay will "
                             "diverge\n",
                             File.Label.c_str());
    }
    EnterFrame();
}

static void PrintOutcome() {
    std::printf("demo: frames=%" PRIu64 " digest=%016" PRIx64 "\n", uint64_t(FrameCount), Outcome);
    std::fflush(stdout);
}

void DoneDemo() {
    if (DemoMode == dmOff) return;
    DigestWrites();
    ForgetWrites();
    if (DemoMode == dmRecord) {
        WriteRecord(DemoFrameText(Noted, true));
        WriteRecord(DemoEndText(FrameCount));
        FlushRecord();
        Noted.clear();
    }
    // A recording tells its outcome once the demo is committed (EndDemo).
    if (DemoMode == dmPlay) PrintOutcome();
    ClosePlayback();
}

int EndDemo(int ExitCode) {
    const uint8_t Mode = DemoMode;
    DemoMode = dmOff;
    if (Mode != dmOff) UseWindowDriver(*Beneath);
    if (Mode != dmRecord) return ExitCode;
    if (RecordFailed) return ExitCode != 0 ? ExitCode : ExitRecordingFailed;
    if (ExitCode != 0) {
        PlatformDiscardNewFile(RecordFile);  // a failed run leaves an earlier demo whole
        return ExitCode;
    }
    if (!PlatformCommitNewFile(RecordFile)) {
        AbandonRecording(errno);
        return ExitRecordingFailed;
    }
    PrintOutcome();
    return 0;
}
