#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "Capabilities.h"
#include "ConfigUnit.h"
#include "PexGL.h"
#include "PexPlatform.h"
#include "TempFolder.h"
#include "TestFiles.h"
#include "TestSystem.h"

namespace fs = std::filesystem;

namespace {

const char* const DefaultFile =
    "[Screen]\r\nFullScreen=0\r\nWidth=640\r\nHeight=480\r\nBPP=32\r\n\r\n";

class ConfigTest : public ::testing::Test {
protected:
    void SetUp() override {
        Dir = Folder.Path;
        Path = Dir + "pex.ini";
        // Values no file holds, so a test sees which ones a load set.
        FullScreen = true;
        ScreenWidth = -7;
        ScreenHeight = -7;
        ScreenBPP = -7;
        ScreenScale = -7;
    }
    // Loads Text as the settings file, then writes the settings back to it.
    std::string LoadAndSave(const std::string& Text) {
        WriteBytes(Path, Text);
        LoadScreenSettingsFrom(Path);
        SaveScreenSettingsTo(Path);
        return ReadBytes(Path);
    }
    TTempFolder Folder;
    std::string Dir;
    std::string Path;
};

}  // namespace

// ---- Settings file ------------------------------------------------------------

TEST_F(ConfigTest, NoFileGivesDefaultsAndIsCreatedWithSixLines) {
    LoadScreenSettingsFrom(Path);
    EXPECT_FALSE(FullScreen);
    EXPECT_EQ(ScreenWidth, 640);
    EXPECT_EQ(ScreenHeight, 480);
    EXPECT_EQ(ScreenBPP, 32);
    SaveScreenSettingsTo(Path);
    EXPECT_EQ(ReadBytes(Path), DefaultFile);
}

TEST_F(ConfigTest, ShippedSettingsFileHoldsTheDefaults) {
    EXPECT_EQ(ReadBytes(std::string(PEX_SOURCE_DIR) + "/data/pex.ini"), DefaultFile);
}

TEST_F(ConfigTest, SectionAndKeysMatchInAnyLetterCase) {
    const std::string Written =
        LoadAndSave("[SCREEN]\nfullscreen = 1\n  wIdTh\t=  1024  \nsCaLe = 0x2\n");
    EXPECT_TRUE(FullScreen);
    EXPECT_EQ(ScreenWidth, 1024);
    EXPECT_EQ(ScreenScale, 2);
    EXPECT_EQ(Written,
              "[SCREEN]\r\nFullScreen=1\r\nWidth=1024\r\nScale=2\r\nHeight=480\r\nBPP="
              "32\r\n\r\n");
}

TEST_F(ConfigTest, BooleanIsAnIntegerOtherThanZero) {
    const std::string Written = LoadAndSave("[Screen]\r\nFullScreen=true\r\n");
    EXPECT_FALSE(FullScreen);
    EXPECT_EQ(Written, DefaultFile);
    for (const char* Value : {"1", "2", "-1", "0x10"}) {
        WriteBytes(Path, std::string("[Screen]\nFullScreen=") + Value + "\n");
        LoadScreenSettingsFrom(Path);
        EXPECT_TRUE(FullScreen) << Value;
    }
    for (const char* Value : {"0", "", "yes"}) {
        WriteBytes(Path, std::string("[Screen]\nFullScreen=") + Value + "\n");
        LoadScreenSettingsFrom(Path);
        EXPECT_FALSE(FullScreen) << Value;
    }
}

TEST_F(ConfigTest, HexadecimalValuesReadAndAreWrittenInDecimal) {
    for (const char* Value : {"0x320", "0X320", "$320"}) {
        const std::string Written = LoadAndSave(std::string("[Screen]\r\nWidth=") + Value + "\r\n");
        EXPECT_EQ(ScreenWidth, 800) << Value;
        EXPECT_EQ(Written, "[Screen]\r\nWidth=800\r\nFullScreen=0\r\nHeight=480\r\nBPP=32\r\n\r\n");
    }
}

TEST_F(ConfigTest, ValuesThatDoNotConvertGiveTheDefaults) {
    WriteBytes(Path, "[Screen]\nWidth=0x\nHeight=99999999999\nBPP=16bit\n");
    LoadScreenSettingsFrom(Path);
    EXPECT_EQ(ScreenWidth, 640);
    EXPECT_EQ(ScreenHeight, 480);
    EXPECT_EQ(ScreenBPP, 32);
    WriteBytes(Path, "[Screen]\nWidth=-2147483648\nHeight=+600\nBPP=2147483647\n");
    LoadScreenSettingsFrom(Path);
    EXPECT_EQ(ScreenWidth, INT32_MIN);
    EXPECT_EQ(ScreenHeight, 600);
    EXPECT_EQ(ScreenBPP, INT32_MAX);
}

TEST_F(ConfigTest, WindowSideOrScaleNoWindowCanHaveGivesTheDefaultAndSaysSo) {
    testing::internal::CaptureStderr();
    std::string Written =
        LoadAndSave("[Screen]\nWidth=100000\nHeight = 0x4001\nBPP=100000\nScale=9\n");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "pex: the setting Width=100000 is more than 16384 pixels; 640 is used instead\n"
              "pex: the setting Height=0x4001 is more than 16384 pixels; 480 is used instead\n"
              "pex: the setting Scale=9 is not 0 to 8; 1 is used instead\n");
    EXPECT_EQ(Written,
              "[Screen]\r\nWidth=640\r\nHeight=480\r\nBPP=100000\r\nScale=1\r\nFullScreen="
              "0\r\n\r\n");
    // The longest side, and 0 or less (taken from the other side), stay as
    // they are, and so do the scales 0 to 8.
    testing::internal::CaptureStderr();
    Written = LoadAndSave("[Screen]\nWidth=16384\nHeight=-1\nScale=0\n");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(ScreenScale, 0);
    EXPECT_EQ(Written,
              "[Screen]\r\nWidth=16384\r\nHeight=-1\r\nScale=0\r\nFullScreen=0\r\nBPP=32\r\n\r\n");
}

TEST_F(ConfigTest, CommentsAndLinesBeforeTheFirstSectionAreDropped) {
    const std::string Written = LoadAndSave(
        "; settings\r\nstray=1\r\n[Video]\r\n  ; a comment\r\nGamma = 2\r\n\r\n"
        "[Screen]\r\nBPP=16\r\nExtra = keep me \r\nplain line\r\n\r\n[Sound]\r\nVolume=7");
    EXPECT_EQ(ScreenBPP, 16);
    EXPECT_EQ(Written,
              "[Video]\r\nGamma=2\r\n\r\n"
              "[Screen]\r\nBPP=16\r\nExtra=keep me\r\nplain line\r\nFullScreen=0\r\nWidth=640\r\n"
              "Height=480\r\n\r\n"
              "[Sound]\r\nVolume=7\r\n\r\n");
}

TEST_F(ConfigTest, LinesMayEndInCrLfLfOrCr) {
    WriteBytes(Path, "[Screen]\rWidth=800\r\nHeight=600\nBPP=16\r\r\n");
    LoadScreenSettingsFrom(Path);
    EXPECT_EQ(ScreenWidth, 800);
    EXPECT_EQ(ScreenHeight, 600);
    EXPECT_EQ(ScreenBPP, 16);
}

TEST_F(ConfigTest, ChangedSettingsReachTheFile) {
    WriteBytes(Path, DefaultFile);
    LoadScreenSettingsFrom(Path);
    FullScreen = true;
    ScreenWidth = -5;
    ScreenScale = 3;
    SaveScreenSettingsTo(Path);
    EXPECT_EQ(ReadBytes(Path),
              "[Screen]\r\nFullScreen=1\r\nWidth=-5\r\nHeight=480\r\nBPP=32\r\nScale=3\r\n\r\n");
}

// Nothing to change: a protected file that holds these settings already,
// whatever its line ends, comments or spellings, is left as it is without an
// error; one that holds others raises.
TEST_F(ConfigTest, ProtectedFileThatHoldsTheSettingsAlreadyIsNoError) {
    const std::string Same =
        "[Screen]\r\nFullScreen=0\r\nWidth=800\r\nHeight=480\r\nBPP=32\r\n\r\n";
    const std::string Alike = "; mine\n[screen]\nwidth = 0x320\n\nBPP=32\n";
    for (const std::string& Text : {Same, Alike}) {
        WriteBytes(Path, Text);
        fs::permissions(Path, fs::perms::owner_read);
        const TFileSizeLimit Full(0);  // any write at all would fail
        LoadScreenSettingsFrom(Path);
        EXPECT_NO_THROW(SaveScreenSettingsTo(Path));
        EXPECT_EQ(ReadBytes(Path), Text);
        FullScreen = true;
        EXPECT_THROW(SaveScreenSettingsTo(Path), std::runtime_error);
        fs::permissions(Path, fs::perms::owner_all);
    }
}

TEST_F(ConfigTest, MissingFolderRaises) {
    EXPECT_THROW(SaveScreenSettingsTo(Dir + "missing/pex.ini"), std::runtime_error);
    EXPECT_FALSE(fs::exists(Dir + "missing"));
}

TEST(SettingsFilePath, ReplacesTheExtensionOfTheFileName) {
    if (!KeepsPathsAsWritten()) GTEST_SKIP() << "paths come back with '\\' on this system";
    EXPECT_EQ(SettingsFilePath("/opt/pex/pex"), "/opt/pex/pex.ini");
    EXPECT_EQ(SettingsFilePath("/opt/pex/pex.bin"), "/opt/pex/pex.ini");
    EXPECT_EQ(SettingsFilePath("/opt/pex.d/pex"), "/opt/pex.d/pex.ini");
    EXPECT_EQ(SettingsFilePath("/opt/pex/pex.1.2"), "/opt/pex/pex.1.ini");
    EXPECT_EQ(SettingsFilePath("pex"), "pex.ini");
    EXPECT_EQ(SettingsFilePath(""), "");
}

// Init and Done use the file beside the executable. So that nothing is written
// beside the build's own executable, a copy of this program in a temporary
// folder runs them (the branch on PEX_CONFIG_CHILD).
TEST(ConfigUnit, InitReadsAndDoneWritesTheFileBesideTheExecutable) {
    if (!HasPosixShell()) GTEST_SKIP() << "no POSIX shell to start the copy of this program";
    if (std::getenv("PEX_CONFIG_CHILD") != nullptr) {
        InitConfig();
        EXPECT_EQ(ScreenHeight, 600);
        ScreenBPP = 16;
        DoneConfig();
        return;
    }
    const TTempFolder Folder;
    const std::string Dir = Folder.Path;
    fs::copy_file(PlatformExecutablePath(), Dir + "copy");
    WriteBytes(Dir + "copy.ini", "[Screen]\r\nHeight=600\r\n");
    const std::string Command = "PEX_CONFIG_CHILD=1 '" + Dir + "copy' --gtest_filter=" +
                                "ConfigUnit.InitReadsAndDoneWritesTheFileBesideTheExecutable >'" +
                                Dir + "log.txt' 2>&1";
    EXPECT_EQ(std::system(Command.c_str()), 0) << ReadBytes(Dir + "log.txt");
    EXPECT_EQ(ReadBytes(Dir + "copy.ini"),
              "[Screen]\r\nHeight=600\r\nFullScreen=0\r\nWidth=640\r\nBPP=16\r\n\r\n");
}

// ---- INI document -------------------------------------------------------------

TEST(IniDocument, CyrillicNamesMatchInAnyLetterCase) {
    // Section "ЭКРАН" and key "ширина" in code page 1251, looked up in the other case.
    const TIniDocument Document =
        ParseIniText("[\xDD\xCA\xD0\xC0\xCD]\n\xF8\xE8\xF0\xE8\xED\xE0=5\n");
    EXPECT_EQ(ReadIniInteger(Document, "\xFD\xEA\xF0\xE0\xED", "\xD8\xC8\xD0\xC8\xCD\xC0", 0), 5);
    EXPECT_EQ(ReadIniInteger(Document, "\xFD\xEA\xF0\xE0\xED", "\xD8\xC8\xD0\xC8\xCD", 0), 0);
}

TEST(IniDocument, EmptyValueReadsAsEmptyStringAndMissingKeyAsDefault) {
    const TIniDocument Document = ParseIniText("[A]\nKey=\nSpaced = a = b \n");
    EXPECT_EQ(ReadIniString(Document, "a", "key", "default"), "");
    EXPECT_EQ(ReadIniString(Document, "a", "spaced", ""), "a = b");
    EXPECT_EQ(ReadIniString(Document, "a", "other", "default"), "default");
    EXPECT_EQ(ReadIniString(Document, "b", "key", "default"), "default");
}

TEST(IniDocument, WritesReplaceInPlaceAndAppendWhatIsMissing) {
    TIniDocument Document = ParseIniText("[One]\nA=1\nB=2\n[Two]\nC=3\n");
    WriteIniString(Document, "one", "a", "9");
    WriteIniInteger(Document, "Two", "D", -4);
    WriteIniBool(Document, "Three", "E", true);
    EXPECT_EQ(IniDocumentText(Document),
              "[One]\r\na=9\r\nB=2\r\n\r\n[Two]\r\nC=3\r\nD=-4\r\n\r\n[Three]\r\nE=1\r\n\r\n");
}

TEST(IniDocument, FirstOfTwoSectionsOrKeysOfOneNameIsUsed) {
    TIniDocument Document = ParseIniText("[S]\nK=1\nK=2\n[s]\nK=3\n");
    EXPECT_EQ(ReadIniInteger(Document, "S", "K", 0), 1);
    WriteIniInteger(Document, "S", "K", 5);
    EXPECT_EQ(IniDocumentText(Document), "[S]\r\nK=5\r\nK=2\r\n\r\n[s]\r\nK=3\r\n\r\n");
}

// A settings file over the whole-file reader's limit is treated as unreadable:
// the defaults are used, and saving writes the screen settings alone.
TEST_F(ConfigTest, FileOverTheSizeLimitGivesTheDefaultsAndIsReplaced) {
    WriteBytes(Path, "[Screen]\r\nWidth=800\r\n[Mine]\r\nA=1\r\n");
    ASSERT_EQ(truncate(Path.c_str(), static_cast<off_t>(MaxWholeFileSize) + 1), 0);
    LoadScreenSettingsFrom(Path);
    EXPECT_EQ(ScreenWidth, 640);
    SaveScreenSettingsTo(Path);
    EXPECT_EQ(ReadBytes(Path), DefaultFile);
}
