// The sound library itself: loading modules, playing them on an SDL audio
// device (the headless "dummy" and "disk" drivers), and the music Pex ships,
// rendered offline with libopenmpt.
#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "SoundLib.h"

namespace {

const std::string MusicDir = std::string(PEX_SOURCE_DIR) + "/data/music/";
// Scratch files carry the process id: test runs may share the temporary folder.
const std::string ScratchPrefix =
    ::testing::TempDir() + "soundlib" + std::to_string(getpid()) + "_";
const char* const ShippedSongs[] = {"splash.oxm", "game.oxm"};
constexpr int32_t Rate = 44100;

std::vector<uint8_t> ReadFile(const std::string& Path) {
    std::vector<uint8_t> Data;
    FILE* File = std::fopen(Path.c_str(), "rb");
    if (File != nullptr) {
        uint8_t Chunk[65536];
        size_t Count;
        while ((Count = std::fread(Chunk, 1, sizeof(Chunk), File)) > 0) {
            Data.insert(Data.end(), Chunk, Chunk + Count);
        }
        std::fclose(File);
    }
    return Data;
}

std::string WriteTempFile(const std::string& Name, const std::vector<uint8_t>& Data) {
    const std::string Path = ScratchPrefix + Name;
    FILE* File = std::fopen(Path.c_str(), "wb");
    if (File != nullptr) {
        std::fwrite(Data.data(), 1, Data.size(), File);
        std::fclose(File);
    }
    return Path;
}

openmpt_module* OpenModule(const std::vector<uint8_t>& Data) {
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
        openmpt_module* Module = OpenModule(ReadFile(MusicDir + Name));
        ASSERT_NE(Module, nullptr) << Name;
        EXPECT_GE(openmpt_module_get_duration_seconds(Module), 30.0) << Name;
        openmpt_module_destroy(Module);
    }
}

// Every two seconds of the first pass carry music, and nothing clips.
TEST(ShippedMusic, RendersAudibleMusicWithoutGapsOrClipping) {
    for (const char* Name : ShippedSongs) {
        openmpt_module* Module = OpenModule(ReadFile(MusicDir + Name));
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
        openmpt_module* Module = OpenModule(ReadFile(MusicDir + Name));
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
    const std::vector<uint8_t> Splash = ReadFile(MusicDir + "splash.oxm");
    ASSERT_GT(Splash.size(), 400u);
    std::vector<uint8_t> Noise(4096);
    uint32_t State = 12345;
    for (uint8_t& Byte : Noise) {
        State = State * 1103515245u + 12345u;
        Byte = static_cast<uint8_t>(State >> 24);
    }
    const std::string Text = "[Screen]\nFullScreen=0\nWidth=640\n";
    const std::string Cases[] = {
        MusicDir + "no-such-song.oxm",
        ::testing::TempDir(),  // a folder
        WriteTempFile("empty.oxm", {}),
        WriteTempFile("text.oxm", std::vector<uint8_t>(Text.begin(), Text.end())),
        WriteTempFile("noise.oxm", Noise),
        WriteTempFile("header.oxm", std::vector<uint8_t>(Splash.begin(), Splash.begin() + 60)),
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
    const std::vector<uint8_t> Game = ReadFile(MusicDir + "game.oxm");
    for (size_t Length : {Game.size() / 2, size_t{400}, size_t{2000}}) {
        const std::string Path = WriteTempFile(
            "cut" + std::to_string(Length) + ".oxm",
            std::vector<uint8_t>(Game.begin(), Game.begin() + static_cast<long>(Length)));
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
    }
};

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
    EXPECT_EQ(FSOUND_Init(0, 32, 0), 0);
    EXPECT_EQ(FSOUND_Init(-44100, 32, 0), 0);
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

// Ctrl+C and a termination request must still end the program: their handlers
// stay as they were (a job started in the background, for one, ignores SIGINT).
TEST_F(Output, OpenOutputLeavesTheTerminationSignalsAlone) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const int Signals[] = {SIGINT, SIGTERM};
    struct sigaction Before[2];
    for (int I = 0; I < 2; ++I) ASSERT_EQ(sigaction(Signals[I], nullptr, &Before[I]), 0);
    ASSERT_EQ(FSOUND_Init(44100, 32, 0), 1);
    for (int I = 0; I < 2; ++I) {
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
        const std::vector<uint8_t> Bytes = ReadFile(RawPath);
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

}  // namespace
