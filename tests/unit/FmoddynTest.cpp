#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "TestSystem.h"
#include "fmoddyn.h"

#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
#include <xmmintrin.h>
#endif

namespace {

const std::string RecorderPath = std::string(PEX_RECORDER_DIR) + "/" + SoundLibraryName;
const std::string Recorder2Path = std::string(PEX_RECORDER2_DIR) + "/" + SoundLibraryName;
const std::string NoMixerPath = std::string(PEX_NOMIXER_DIR) + "/" + SoundLibraryName;

bool IsLoaded(const std::string& Path) {
    void* Handle = dlopen(Path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (Handle != nullptr) {
        dlclose(Handle);
    }
    return Handle != nullptr;
}

class FmoddynTest : public ::testing::Test {
protected:
    void TearDown() override { UnloadSoundLibrary(); }
};

TEST_F(FmoddynTest, EveryEntryPointResolvesToItsOwnExport) {
    ASSERT_TRUE(LoadSoundLibrary(RecorderPath.c_str()));
    ASSERT_NE(SoundLibrary, nullptr);
    int32_t Resolved = 0;
#define CHECK_ENTRY(Ret, Name, Params, Bytes)                                      \
    EXPECT_EQ(reinterpret_cast<void*>(Name), dlsym(SoundLibrary, #Name)) << #Name; \
    Resolved += Name != nullptr ? 1 : 0;
    FMOD_ENTRY_POINTS(CHECK_ENTRY, CHECK_ENTRY)
#undef CHECK_ENTRY
    EXPECT_EQ(Resolved, 216);
}

TEST_F(FmoddynTest, MissingEntryPointStopsTheLoadAtThatName) {
    try {
        LoadSoundLibrary(NoMixerPath.c_str());
        FAIL() << "the load must fail";
    } catch (const std::runtime_error& Error) {
        const std::string Message = Error.what();
        EXPECT_EQ(
            Message.rfind(
                "Failed to find FSOUND_SetMixer in " + SoundLibraryName + " (fmoddyn, line ", 0),
            0u)
            << Message;
    }
    // The names before the missing one keep their addresses, none after is set,
    // and the library stays loaded.
    EXPECT_NE(FSOUND_SetOutput, nullptr);
    EXPECT_NE(FSOUND_SetDriver, nullptr);
    int32_t Index = 0;
    int32_t SetAfterMissing = 0;
#define COUNT_SET(Ret, Name, Params, Bytes) \
    if (Index++ >= 2 && Name != nullptr) ++SetAfterMissing;
    FMOD_ENTRY_POINTS(COUNT_SET, COUNT_SET)
#undef COUNT_SET
    EXPECT_EQ(SetAfterMissing, 0);
    EXPECT_TRUE(IsLoaded(NoMixerPath));
    EXPECT_NE(SoundLibrary, nullptr);
}

TEST_F(FmoddynTest, SecondLoadReleasesTheFirstLibrary) {
    ASSERT_TRUE(LoadSoundLibrary(RecorderPath.c_str()));
    ASSERT_TRUE(IsLoaded(RecorderPath));
    ASSERT_TRUE(LoadSoundLibrary(Recorder2Path.c_str()));
    EXPECT_FALSE(IsLoaded(RecorderPath));
    EXPECT_TRUE(IsLoaded(Recorder2Path));
    EXPECT_EQ(reinterpret_cast<void*>(FSOUND_Init), dlsym(SoundLibrary, "FSOUND_Init"));
}

TEST_F(FmoddynTest, MissingLibraryFileGivesFalseAndNoError) {
    ASSERT_TRUE(LoadSoundLibrary(RecorderPath.c_str()));
    bool Loaded = true;
    EXPECT_NO_THROW(Loaded = LoadSoundLibrary(("/nonexistent/folder/" + SoundLibraryName).c_str()));
    EXPECT_FALSE(Loaded);
    EXPECT_EQ(SoundLibrary, nullptr);
    EXPECT_FALSE(IsLoaded(RecorderPath));
    EXPECT_EQ(FSOUND_Init, nullptr);
    EXPECT_EQ(FMUSIC_LoadSong, nullptr);
}

TEST_F(FmoddynTest, LoadWithoutPathFindsTheLibraryByItsBareName) {
    // The test executable's search path holds the recorder's folder.
    ASSERT_TRUE(LoadSoundLibrary());
    EXPECT_TRUE(IsLoaded(RecorderPath));
    UnloadSoundLibrary();
    ASSERT_TRUE(LoadSoundLibrary(""));
    EXPECT_TRUE(IsLoaded(RecorderPath));
}

TEST_F(FmoddynTest, UnloadReleasesTheLibraryAndEmptiesThePointers) {
    ASSERT_TRUE(LoadSoundLibrary(RecorderPath.c_str()));
    UnloadSoundLibrary();
    EXPECT_EQ(SoundLibrary, nullptr);
    EXPECT_FALSE(IsLoaded(RecorderPath));
    EXPECT_EQ(FSOUND_Close, nullptr);
    EXPECT_EQ(FMUSIC_GetUserData, nullptr);
    UnloadSoundLibrary();  // a second release is harmless
    EXPECT_EQ(SoundLibrary, nullptr);
}

TEST_F(FmoddynTest, UnitEndReleasesTheLibrary) {
    InitFmodDyn();
    ASSERT_TRUE(LoadSoundLibrary(RecorderPath.c_str()));
    DoneFmodDyn();
    EXPECT_EQ(SoundLibrary, nullptr);
    EXPECT_FALSE(IsLoaded(RecorderPath));
}

#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))

uint16_t ReadControlWord() {
    uint16_t Word = 0;
    __asm__ __volatile__("fnstcw %0" : "=m"(Word));
    return Word;
}

void WriteControlWord(uint16_t Word) {
    __asm__ __volatile__("fldcw %0" : : "m"(Word));
}

TEST_F(FmoddynTest, UnitStartMasksFloatingPointExceptionsAndUnitEndRestores) {
    const uint16_t OriginalWord = ReadControlWord();
    const uint32_t OriginalMXCSR = _mm_getcsr();
    // A state that differs from the masked one: rounding toward zero, with
    // the SSE division-by-zero exception unmasked.
    const uint16_t CallerWord = 0x0F7F;
    const uint32_t CallerMXCSR = (OriginalMXCSR & ~0x0200u) | 0x6000u;
    WriteControlWord(CallerWord);
    _mm_setcsr(CallerMXCSR);

    InitFmodDyn();
    const uint16_t WordInside = ReadControlWord();
    const uint32_t MXCSRInside = _mm_getcsr();
    DoneFmodDyn();
    const uint16_t WordAfter = ReadControlWord();
    const uint32_t MXCSRAfter = _mm_getcsr();

    WriteControlWord(OriginalWord);
    _mm_setcsr(OriginalMXCSR);

    EXPECT_EQ(WordInside & ~0x0040, 0x133F);  // bit 6 is reserved and always reads as 1
    EXPECT_EQ(MXCSRInside & 0x1F80u, 0x1F80u);
    EXPECT_EQ(SavedFPUControlWord, CallerWord);
    EXPECT_EQ(WordAfter, CallerWord);
    EXPECT_EQ(MXCSRAfter, CallerMXCSR);
}

#endif

}  // namespace
