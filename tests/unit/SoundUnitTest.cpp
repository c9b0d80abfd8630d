#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "PexGL.h"
#include "SoundUnit.h"
#include "TestSystem.h"
#include "fmoddyn.h"

namespace {

// Existing files stand in for music modules: the recording library only
// checks that they open.
const std::string SplashSong = std::string(PEX_SOURCE_DIR) + "/data/music/splash.oxm";
const std::string GameSong = std::string(PEX_SOURCE_DIR) + "/data/music/game.oxm";

class SoundUnitTest : public ::testing::Test {
protected:
    void SetUp() override {
        unsetenv("PEX_RECORDER_INIT_RESULT");
        InitFmodDyn();
    }
    void TearDown() override {
        DoneSound();
        DoneFmodDyn();
        unsetenv("PEX_RECORDER_INIT_RESULT");
    }
    // Starts the unit with the recording library as the application's library.
    void StartWithRecorder() {
        AppDir = std::string(PEX_RECORDER_DIR) + "/";
        InitSound();
        ASSERT_NE(SoundLibrary, nullptr);
    }
    std::string Recorded(const char* Query) {
        auto Read = reinterpret_cast<const char* (*)()>(ResolveEntryPoint(SoundLibrary, Query));
        return Read();
    }
};

TEST_F(SoundUnitTest, WithoutLibraryPlayMusicFailsAndShutdownClosesNothing) {
    AppDir = "/nonexistent/folder/";
    EXPECT_NO_THROW(InitSound());
    EXPECT_EQ(SoundLibrary, nullptr);
    EXPECT_FALSE(PlayMusic(SplashSong));
    EXPECT_FALSE(PlayMusic(GameSong));
    EXPECT_EQ(CurrentSong, nullptr);
    // Any call through the empty pointers would crash here.
    EXPECT_NO_THROW(DoneSound());
}

TEST_F(SoundUnitTest, InitSoundStartsOutputAt44100HzWith32Channels) {
    StartWithRecorder();
    EXPECT_EQ(Recorded("RecorderLog"), "FSOUND_Init(44100,32,0)");
    EXPECT_EQ(CurrentSong, nullptr);
}

TEST_F(SoundUnitTest, FailedInitIsClosedAtOnceAndMusicStillGoesToTheLibrary) {
    setenv("PEX_RECORDER_INIT_RESULT", "0", 1);
    StartWithRecorder();
    EXPECT_EQ(Recorded("RecorderLog"), "FSOUND_Init(44100,32,0) FSOUND_Close()");
    EXPECT_TRUE(PlayMusic(SplashSong));
    EXPECT_EQ(Recorded("RecorderLoadedSongs"), SplashSong);
}

TEST_F(SoundUnitTest, SecondSongReplacesTheFirst) {
    StartWithRecorder();
    EXPECT_TRUE(PlayMusic(SplashSong));
    EXPECT_TRUE(PlayMusic(GameSong));
    EXPECT_EQ(Recorded("RecorderLog"),
              "FSOUND_Init(44100,32,0) FMUSIC_LoadSong(" + SplashSong + ") FMUSIC_PlaySong(" +
                  SplashSong + ") FMUSIC_FreeSong(" + SplashSong + ") FMUSIC_LoadSong(" + GameSong +
                  ") FMUSIC_PlaySong(" + GameSong + ")");
    EXPECT_EQ(Recorded("RecorderLoadedSongs"), GameSong);
    EXPECT_NE(CurrentSong, nullptr);
}

TEST_F(SoundUnitTest, UnloadableMusicFileStillCountsAsPlayed) {
    StartWithRecorder();
    const std::string Missing = std::string(PEX_RECORDER_DIR) + "/missing.oxm";
    EXPECT_TRUE(PlayMusic(SplashSong));
    EXPECT_TRUE(PlayMusic(Missing));
    EXPECT_EQ(CurrentSong, nullptr);
    EXPECT_EQ(Recorded("RecorderLoadedSongs"), "");
    // The empty handle is still handed over to be started, as the library allows.
    const std::string Log = Recorded("RecorderLog");
    EXPECT_EQ(Log.substr(Log.rfind("FMUSIC_LoadSong(")),
              "FMUSIC_LoadSong(" + Missing + ") FMUSIC_PlaySong(null)");
}

TEST_F(SoundUnitTest, ShutdownClosesTheOutput) {
    StartWithRecorder();
    EXPECT_TRUE(PlayMusic(GameSong));
    DoneSound();
    EXPECT_EQ(Recorded("RecorderLog"), "FSOUND_Init(44100,32,0) FMUSIC_LoadSong(" + GameSong +
                                           ") FMUSIC_PlaySong(" + GameSong + ") FSOUND_Close()");
    EXPECT_EQ(CurrentSong, nullptr);
}

}  // namespace
