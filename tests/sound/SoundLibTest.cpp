// The sound library itself: loading modules, playing them on an SDL audio
// device (the headless "dummy" and "disk" drivers), and the music Pex ships,
// rendered offline with libopenmpt.
#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "Capabilities.h"
#include "PexPlatform.h"
#include "SdlCapabilities.h"
#include "SoundLib.h"
#include "TempFolder.h"
#include "TestFiles.h"
#include "TestSystem.h"

namespace {

const std::string MusicDir = std::string(PEX_SOURCE_DIR) + "/data/music/";
// Scratch files go to a folder of this test program's own.
const TTempFolder Scratch;
const std::string ScratchPrefix = Scratch.Path;
const char* const ShippedSongs[] = {"splash.oxm", "game.oxm"};
constexpr int32_t Rate = 44100;

std::string WriteTempFile(const std::string& Name, const std::string& Data) {
    const std::string Path = ScratchPrefix + Name;
    WriteBytes(Path, Data);
    return Path;
}

openmpt_module* OpenModule(const std::string& Data) {
    return openmpt_module_create_from_memory2(Data.data(), Data.size(), openmpt_log_func_silent,
                                              nullptr, openmpt_error_func_ignore, nullptr, nullptr,
                                              nullptr, nullptr);
}

// Renders Seconds of a looping module as interleaved stereo.
std::vector<float> Render(openmpt_module* Module, double Seconds) {
    openmpt_module_set_repeat_count(Module, -1);
    const size_t Frames = static_cast<size_t>(Seconds * Rate);
    std::vector<float> Samples(Frames * 2, 0.0f);
    size_t Done = 0;
    while (Done < Frames) {
        const size_t Count = openmpt_module_read_interleaved_float_stereo(
            Module, Rate, std::min<size_t>(4096, Frames - Done), &Samples[Done * 2]);
        if (Count == 0) {
            break;
        }
        Done += Count;
    }
    Samples.resize(Done * 2);
    return Samples;
}

double RmsDecibels(const float* Samples, size_t Count) {
    double Sum = 0.0;
    for (size_t I = 0; I < Count; ++I) {
        Sum += static_cast<double>(Samples[I]) * Samples[I];
    }
    return 20.0 * std::log10(std::sqrt(Sum / static_cast<double>(Count)) + 1e-12);
}

// Largest change between neighbouring samples of one channel in frames [From, To).
float LargestStep(const std::vector<float>& Samples, size_t From, size_t To) {
    float Largest = 0.0f;
    for (size_t Frame = std::max<size_t>(From, 1); Frame < To; ++Frame) {
        for (size_t C = 0; C < 2; ++C) {
            Largest =
                std::max(Largest, std::fabs(Samples[Frame * 2 + C] - Samples[(Frame - 1) * 2 + C]));
        }
    }
    return Largest;
}

TEST(ShippedMusic, BothModulesLoadInTheLibrary) {
    for (const char* Name : ShippedSongs) {
        FMUSIC_MODULE* Song = FMUSIC_LoadSong((MusicDir + Name).c_str());
        ASSERT_NE(Song, nullptr) << Name;
        EXPECT_EQ(FMUSIC_FreeSong(Song), 1) << Name;
    }
}

TEST(ShippedMusic, EachPlaysAtLeastThirtySecondsBeforeLooping) {
    for (const char* Name : ShippedSongs) {
        openmpt_module* Module = OpenModule(ReadBytes(MusicDir + Name));
        ASSERT_NE(Module, nullptr) << Name;
        EXPECT_GE(openmpt_module_get_duration_seconds(Module), 30.0) << Name;
        openmpt_module_destroy(Module);
    }
}

// Every two seconds of the first pass carry music, and nothing clips.
TEST(ShippedMusic, RendersAudibleMusicWithoutGapsOrClipping) {
    for (const char* Name : ShippedSongs) {
        openmpt_module* Module = OpenModule(ReadBytes(MusicDir + Name));
        ASSERT_NE(Module, nullptr) << Name;
        const double Duration = openmpt_module_get_duration_seconds(Module);
        const std::vector<float> Samples = Render(Module, Duration);
        openmpt_module_destroy(Module);
        const size_t Window = 2 * Rate * 2;
        for (size_t Start = 0; Start + Window <= Samples.size(); Start += Window) {
            EXPECT_GT(RmsDecibels(&Samples[Start], Window), -30.0)
                << Name << " at " << Start / 2 / Rate << " s";
        }
        float Peak = 0.0f;
        for (float Value : Samples) {
            Peak = std::max(Peak, std::fabs(Value));
        }
        EXPECT_LT(Peak, 0.95f) << Name;
    }
}

// A click is a jump in the waveform; where the song runs back to its start
// the largest jump is no larger than those the music makes anyway.
TEST(ShippedMusic, LoopsWithoutAClick) {
    for (const char* Name : ShippedSongs) {
        openmpt_module* Module = OpenModule(ReadBytes(MusicDir + Name));
        ASSERT_NE(Module, nullptr) << Name;
        const double Duration = openmpt_module_get_duration_seconds(Module);
        const std::vector<float> Samples = Render(Module, Duration + 1.0);
        openmpt_module_destroy(Module);
        const size_t Seam = static_cast<size_t>(Duration * Rate);
        const size_t Margin = Rate / 50;
        ASSERT_GT(Samples.size() / 2, Seam + Margin) << Name;
        EXPECT_LT(LargestStep(Samples, Seam - Margin, Seam + Margin),
                  0.5f * LargestStep(Samples, 0, Seam - Margin))
            << Name;
    }
}

TEST(LoadSong, UnreadableOrForeignFilesGiveNoModule) {
    const std::string Splash = ReadBytes(MusicDir + "splash.oxm");
    ASSERT_GT(Splash.size(), 400u);
    std::string Noise(4096, '\0');
    uint32_t State = 12345;
    for (char& Byte : Noise) {
        State = State * 1103515245u + 12345u;
        Byte = static_cast<char>(State >> 24);
    }
    const std::string Text = "[Screen]\nFullScreen=0\nWidth=640\n";
    const std::string Cases[] = {
        MusicDir + "no-such-song.oxm",
        ::testing::TempDir(),  // a folder
        WriteTempFile("empty.oxm", {}),
        WriteTempFile("text.oxm", Text),
        WriteTempFile("noise.oxm", Noise),
        WriteTempFile("header.oxm", Splash.substr(0, 60)),
    };
    for (const std::string& Path : Cases) {
        EXPECT_EQ(FMUSIC_LoadSong(Path.c_str()), nullptr) << Path;
    }
    for (size_t I = 2; I < sizeof(Cases) / sizeof(Cases[0]); ++I) {
        std::remove(Cases[I].c_str());
    }
    EXPECT_EQ(FMUSIC_LoadSong(nullptr), nullptr);
}

// A module cut short loads what is there or nothing; either way it can be
// played and freed.
TEST(LoadSong, TruncatedModuleIsSafeToPlayAndFree) {
    const std::string Game = ReadBytes(MusicDir + "game.oxm");
    for (size_t Length : {Game.size() / 2, size_t{400}, size_t{2000}}) {
        const std::string Path =
            WriteTempFile("cut" + std::to_string(Length) + ".oxm", Game.substr(0, Length));
        FMUSIC_MODULE* Song = FMUSIC_LoadSong(Path.c_str());
        EXPECT_EQ(FMUSIC_PlaySong(Song), Song != nullptr ? 1 : 0) << Length;
        EXPECT_EQ(FMUSIC_FreeSong(Song), Song != nullptr ? 1 : 0) << Length;
        std::remove(Path.c_str());
    }
}

TEST(LoadSong, HandlesNotLoadedHereAreRefused) {
    int32_t NotASong = 0;
    FMUSIC_MODULE* Bogus = reinterpret_cast<FMUSIC_MODULE*>(&NotASong);
    EXPECT_EQ(FMUSIC_PlaySong(nullptr), 0);
    EXPECT_EQ(FMUSIC_FreeSong(nullptr), 0);
    EXPECT_EQ(FMUSIC_PlaySong(Bogus), 0);
    EXPECT_EQ(FMUSIC_FreeSong(Bogus), 0);
    FMUSIC_MODULE* Song = FMUSIC_LoadSong((MusicDir + "game.oxm").c_str());
    ASSERT_NE(Song, nullptr);
    EXPECT_EQ(FMUSIC_FreeSong(Song), 1);
    EXPECT_EQ(FMUSIC_FreeSong(Song), 0);  // already released
}

class Output : public ::testing::Test {
protected:
    void TearDown() override {
        FSOUND_Close();
        unsetenv("SDL_AUDIODRIVER");
        unsetenv("SDL_DISKAUDIOFILE");
        unsetenv("AUDIODEV");
    }
};

// Collects what this process writes to standard error (file descriptor 2,
// which is where ALSA's library and SDL write too) while it lives.
class StandardErrorCapture {
public:
    StandardErrorCapture() {
        std::fflush(stderr);
        Saved = dup(2);
        const int File = open(Path.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0600);
        dup2(File, 2);
        close(File);
    }
    ~StandardErrorCapture() {
        Restore();
        std::remove(Path.c_str());
    }
    // Ends the capture and gives its lines (ended by LF, or by CR LF as the
    // text streams of Windows write them).
    std::vector<std::string> Lines() {
        Restore();
        const std::string Bytes = ReadBytes(Path);
        std::vector<std::string> Result;
        std::string Line;
        for (char Byte : Bytes) {
            if (Byte == '\n') {
                if (!Line.empty() && Line.back() == '\r') Line.pop_back();
                Result.push_back(Line);
                Line.clear();
            } else {
                Line += Byte;
            }
        }
        if (!Line.empty()) {
            Result.push_back(Line);
        }
        return Result;
    }

private:
    void Restore() {
        if (Saved >= 0) {
            std::fflush(stderr);
            dup2(Saved, 2);
            close(Saved);
            Saved = -1;
        }
    }
    std::string Path = ScratchPrefix + "stderr.txt";
    int Saved = -1;
};

std::string JoinLines(const std::vector<std::string>& Lines) {
    std::string Text;
    for (const std::string& Line : Lines) {
        Text += Line + "\n";
    }
    return Text;
}

bool StartsWith(const std::string& Text, const std::string& Prefix) {
    return Text.compare(0, Prefix.size(), Prefix) == 0;
}

// ALSA's own messages for a device that does not exist (about eight lines on a
// machine without a sound card) stay quiet; one line says sound is off and why.
TEST_F(Output, FailedAlsaProbeLeavesOneLineWithItsReason) {
    if (!HasAlsa()) GTEST_SKIP() << "no ALSA sound system here";
    setenv("SDL_AUDIODRIVER", "alsa", 1);
    setenv("AUDIODEV", "pex_no_such_pcm", 1);
    StandardErrorCapture Capture;
    EXPECT_EQ(FSOUND_Init(44100, 32, 0), 0);
    const std::vector<std::string> Lines = Capture.Lines();
    ASSERT_EQ(Lines.size(), 1u) << JoinLines(Lines);
    EXPECT_TRUE(StartsWith(Lines[0], "Sound is off: ")) << Lines[0];
    EXPECT_NE(Lines[0].find("pex_no_such_pcm"), std::string::npos) << Lines[0];
}

// The quiet handler is this thread's and only for the probe: later ALSA
// messages are printed as ALSA prints them, and ALSA holds no pointer into the
// sound library once FSOUND_Init has returned.
TEST_F(Output, AlsaPrintsItsOwnMessagesAgainAfterTheProbe) {
    if (!HasAlsa()) GTEST_SKIP() << "no ALSA sound system here";
    setenv("SDL_AUDIODRIVER", "alsa", 1);
    setenv("AUDIODEV", "pex_no_such_pcm", 1);
    {
        StandardErrorCapture Quiet;
        ASSERT_EQ(FSOUND_Init(44100, 32, 0), 0);
    }
    void* Alsa = dlopen("libasound.so.2", RTLD_NOW);
    ASSERT_NE(Alsa, nullptr);
    using TPcmOpen = int (*)(void**, const char*, int, int);
    auto PcmOpen = reinterpret_cast<TPcmOpen>(dlsym(Alsa, "snd_pcm_open"));
    ASSERT_NE(PcmOpen, nullptr);
    StandardErrorCapture Capture;
    void* Pcm = nullptr;
    EXPECT_LT(PcmOpen(&Pcm, "pex_no_such_pcm", 0, 0), 0);
    const std::string Text = JoinLines(Capture.Lines());
    dlclose(Alsa);
    EXPECT_NE(Text.find("ALSA lib"), std::string::npos) << Text;
}

TEST_F(Output, UnknownAudioDriverLeavesOneLine) {
    setenv("SDL_AUDIODRIVER", "pex_no_such_driver", 1);
    StandardErrorCapture Capture;
    EXPECT_EQ(FSOUND_Init(44100, 32, 0), 0);
    const std::vector<std::string> Lines = Capture.Lines();
    ASSERT_EQ(Lines.size(), 1u) << JoinLines(Lines);
    EXPECT_TRUE(StartsWith(Lines[0], "Sound is off: ")) << Lines[0];
    EXPECT_NE(Lines[0].find("pex_no_such_driver"), std::string::npos) << Lines[0];
}

TEST_F(Output, OpenedOutputWritesNothingToStandardError) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    StandardErrorCapture Capture;
    EXPECT_EQ(FSOUND_Init(44100, 32, 0), 1);
    EXPECT_EQ(JoinLines(Capture.Lines()), "");
}

TEST_F(Output, NoAudioDriverMeansInitFailsAndMusicCallsStayHarmless) {
    setenv("SDL_AUDIODRIVER", "pex_no_such_driver", 1);
    EXPECT_EQ(FSOUND_Init(44100, 32, 0), 0);
    FSOUND_Close();
    FMUSIC_MODULE* Song = FMUSIC_LoadSong((MusicDir + "splash.oxm").c_str());
    ASSERT_NE(Song, nullptr);
    EXPECT_EQ(FMUSIC_PlaySong(Song), 1);
    EXPECT_EQ(FMUSIC_FreeSong(Song), 1);
}

TEST_F(Output, InitRejectsAnImpossibleRate) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    StandardErrorCapture Capture;
    EXPECT_EQ(FSOUND_Init(0, 32, 0), 0);
    EXPECT_EQ(FSOUND_Init(-44100, 32, 0), 0);
    EXPECT_EQ(JoinLines(Capture.Lines()),
              "Sound is off: the mixing rate 0 Hz is outside 8000 to 192000 Hz\n"
              "Sound is off: the mixing rate -44100 Hz is outside 8000 to 192000 Hz\n");
}

TEST_F(Output, InitOpensTheHeadlessDeviceAndCloseReleasesEverySong) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    ASSERT_EQ(FSOUND_Init(44100, 32, 0), 1);
    FMUSIC_MODULE* Song = FMUSIC_LoadSong((MusicDir + "game.oxm").c_str());
    ASSERT_NE(Song, nullptr);
    EXPECT_EQ(FMUSIC_PlaySong(Song), 1);
    FSOUND_Close();
    EXPECT_EQ(FMUSIC_FreeSong(Song), 0);      // Close has released it
    EXPECT_EQ(FSOUND_Init(44100, 32, 0), 1);  // and output can start again
}

// Ctrl+C, a termination request and a hang-up must still reach the program:
// their handlers stay as they were (a job started in the background, for one,
// ignores SIGINT).
TEST_F(Output, OpenOutputLeavesTheTerminationSignalsAlone) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    std::vector<int> Signals = {SIGINT, SIGTERM};
#ifdef SIGHUP  // Windows has no hang-up signal
    Signals.push_back(SIGHUP);
#endif
    std::vector<struct sigaction> Before(Signals.size());
    for (size_t I = 0; I < Signals.size(); ++I)
        ASSERT_EQ(sigaction(Signals[I], nullptr, &Before[I]), 0);
    ASSERT_EQ(FSOUND_Init(44100, 32, 0), 1);
    for (size_t I = 0; I < Signals.size(); ++I) {
        struct sigaction After;
        ASSERT_EQ(sigaction(Signals[I], nullptr, &After), 0);
        EXPECT_EQ(After.sa_handler, Before[I].sa_handler) << Signals[I];
    }
}

// The disk driver writes what the audio callback produces to a file, in real
// time, as 32-bit float stereo.
class DiskOutput : public Output {
protected:
    std::string RawPath = ScratchPrefix + "output.raw";

    void TearDown() override {
        Output::TearDown();
        std::remove(RawPath.c_str());
    }
    void SetUp() override {
        std::remove(RawPath.c_str());
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", RawPath.c_str(), 1);
    }
    size_t WrittenBytes() {
        struct stat Info;
        return stat(RawPath.c_str(), &Info) == 0 ? static_cast<size_t>(Info.st_size) : 0;
    }
    // Waits until the file holds at least Bytes; false after ten seconds.
    bool WaitForBytes(size_t Bytes) {
        for (int32_t Try = 0; Try < 1000; ++Try) {
            if (WrittenBytes() >= Bytes) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
    std::vector<float> ReadFloats(size_t FromByte) {
        const std::string Bytes = ReadBytes(RawPath);
        std::vector<float> Floats;
        for (size_t I = FromByte; I + 4 <= Bytes.size(); I += 4) {
            float Value;
            std::memcpy(&Value, &Bytes[I], 4);
            Floats.push_back(Value);
        }
        return Floats;
    }
};

constexpr size_t BytesPerSecond = Rate * 2 * sizeof(float);

TEST_F(DiskOutput, PlayingSongGoesOnWithoutFurtherCallsUntilFreed) {
    if (!CanReadWhatSdlWrites()) GTEST_SKIP() << "SDL's file is locked while it writes";
    ASSERT_EQ(FSOUND_Init(44100, 32, 0), 1);
    FMUSIC_MODULE* Song = FMUSIC_LoadSong((MusicDir + "splash.oxm").c_str());
    ASSERT_NE(Song, nullptr);
    const size_t Start = WrittenBytes();
    ASSERT_EQ(FMUSIC_PlaySong(Song), 1);
    ASSERT_TRUE(WaitForBytes(Start + BytesPerSecond));
    const std::vector<float> Playing = ReadFloats(Start);
    EXPECT_GT(RmsDecibels(Playing.data(), Playing.size()), -40.0);

    ASSERT_EQ(FMUSIC_FreeSong(Song), 1);
    // Buffers mixed before the free may still be on their way to the file.
    const size_t Stopped = WrittenBytes() + 4 * 1024 * 2 * sizeof(float);
    ASSERT_TRUE(WaitForBytes(Stopped + BytesPerSecond / 2));
    const std::vector<float> After = ReadFloats(Stopped);
    ASSERT_FALSE(After.empty());
    size_t Audible = 0;
    for (float Value : After) {
        Audible += Value != 0.0f ? 1 : 0;
    }
    EXPECT_EQ(Audible, 0u);
}

// The loader reads through the program's whole-file reader: a pipe with no
// writer gives no module at once, and so does a file over the reader's limit,
// even one that starts as a valid module.
TEST(LoadSong, PipeOrOversizedFileGivesNoModuleWithoutWaiting) {
    if (!HasNamedPipes()) GTEST_SKIP() << "no named pipes on this system";
    const std::string Pipe = ScratchPrefix + "pipe.oxm";
    ASSERT_EQ(mkfifo(Pipe.c_str(), 0600), 0);
    FMUSIC_MODULE* FromPipe = nullptr;
    EXPECT_TRUE(ReturnsWithoutAWriter(Pipe, [&] { FromPipe = FMUSIC_LoadSong(Pipe.c_str()); }));
    EXPECT_EQ(FromPipe, nullptr);
    std::remove(Pipe.c_str());

    const std::string Large = WriteTempFile("large.oxm", ReadBytes(MusicDir + "splash.oxm"));
    FMUSIC_MODULE* Song = FMUSIC_LoadSong(Large.c_str());
    ASSERT_NE(Song, nullptr);
    EXPECT_EQ(FMUSIC_FreeSong(Song), 1);
    ASSERT_EQ(truncate(Large.c_str(), static_cast<off_t>(MaxWholeFileSize) + 1), 0);
    EXPECT_EQ(FMUSIC_LoadSong(Large.c_str()), nullptr);
    std::remove(Large.c_str());
}

}  // namespace
