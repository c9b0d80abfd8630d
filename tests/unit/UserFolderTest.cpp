// Where the user's files live: beside the executable while the user may write
// there, in the user's data folder for a copy installed where the user may not
// (PlatformUserFolder), seeded from the shipped copies (PlatformSeedFile), as
// VarsUnit (the level) and ConfigUnit (the settings file) use them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "Capabilities.h"
#include "ConfigUnit.h"
#include "PexGL.h"
#include "PexPlatform.h"
#include "TempFolder.h"
#include "TestFiles.h"
#include "TestSystem.h"
#include "VarsUnit.h"

namespace fs = std::filesystem;

namespace {

class UserFolder : public ::testing::Test {
protected:
    TTempFolder Temp;
    std::string Dir = Temp.Path;
};

fs::perms ModeOf(const std::string& Path) {
    return fs::status(Path).permissions() & fs::perms::all;
}

}  // namespace

TEST_F(UserFolder, WritableApplicationFolderKeepsEveryFileBesideTheExecutable) {
    EXPECT_EQ(PlatformUserFolder(Dir), Dir);
    // The test program's own folder is the build's, which the user may write.
    EXPECT_EQ(SettingsFileName(), SettingsFilePath(PlatformExecutablePath()));

    const std::string SavedAppDir = AppDir;
    AppDir = Dir;
    InitVars();
    EXPECT_EQ(LevelDir, Dir + "level" + PathDelim);
    EXPECT_EQ(LevelFilePath(), Dir + "level" + PathDelim + "default" + PathDelim + "1.txt");
    DoneVars();
    AppDir = SavedAppDir;
    // Not even the level's folder is made: the folder is as it was.
    EXPECT_TRUE(fs::is_empty(Dir));
}

TEST_F(UserFolder, SeedCopiesTheShippedFileOnceAndNeverOverTheUsersCopy) {
    const std::string Shipped = Dir + "shipped.txt";
    WriteBytes(Shipped, "shipped\r\n\x1a\xff");
    const std::string Folder = Dir + "user" + PathDelim + "level" + PathDelim;
    const std::string Copy = Folder + "1.txt";
    PlatformSeedFile(Shipped, Copy);
    EXPECT_EQ(ReadBytes(Copy), "shipped\r\n\x1a\xff");
    if (HasFileModes()) {  // the folders made are the user's alone
        EXPECT_EQ(ModeOf(Dir + "user"), fs::perms::owner_all);
        EXPECT_EQ(ModeOf(Folder), fs::perms::owner_all);
    }

    WriteBytes(Copy, "the user's own");
    WriteBytes(Shipped, "a newer shipped copy");
    PlatformSeedFile(Shipped, Copy);
    EXPECT_EQ(ReadBytes(Copy), "the user's own");

    // The same file, as where the application folder is the user's: untouched.
    PlatformSeedFile(Shipped, Shipped);
    EXPECT_EQ(ReadBytes(Shipped), "a newer shipped copy");

    // Nothing shipped: the folders are there for the first save, no file is.
    const std::string Other = Dir + "other" + PathDelim + "pex.ini";
    PlatformSeedFile(Dir + "missing.ini", Other);
    EXPECT_TRUE(fs::is_directory(Dir + "other"));
    EXPECT_FALSE(fs::exists(Other));
}

TEST_F(UserFolder, SeedRaisesWithTheFolderItCannotMake) {
    WriteBytes(Dir + "shipped.txt", "x");
    WriteBytes(Dir + "file", "in the way");
    const std::string Blocked = Dir + "file" + PathDelim + "sub";
    try {
        PlatformSeedFile(Dir + "shipped.txt", Blocked + PathDelim + "1.txt");
        FAIL() << "no error raised";
    } catch (const std::runtime_error& Error) {
        EXPECT_EQ(std::string(Error.what()).rfind("Cannot create folder \"", 0), 0u)
            << Error.what();
        EXPECT_NE(std::string(Error.what()).find(Dir + "file"), std::string::npos) << Error.what();
    }
    EXPECT_EQ(ReadBytes(Dir + "file"), "in the way");
}

// A copy of this program stands for an installed one: in a folder the user may
// not write (run as user 65534 when the tests run as root, who may write
// anywhere), with a shipped settings file and level beside it. It starts the
// units as the program does (the branch on PEX_USER_FOLDER_CHILD).
TEST_F(UserFolder, InstalledCopyKeepsTheUsersFilesInTheDataFolderSeededOnce) {
    if (std::getenv("PEX_USER_FOLDER_CHILD") != nullptr) {
        InitPexGL();
        InitVars();
        InitConfig();
        EXPECT_EQ(ScreenHeight, std::atoi(std::getenv("PEX_EXPECT_HEIGHT")));
        ScreenBPP = 16;
        DoneConfig();
        DoneVars();
        DonePexGL();
        return;
    }
    if (!HasPosixShell()) GTEST_SKIP() << "no POSIX shell to start the copy of this program";
    const std::string App = Dir + "app/";
    const std::string Home = Dir + "home/";
    fs::create_directories(App + "level/default");
    fs::create_directories(Home);
    fs::copy_file(PlatformExecutablePath(), App + "pex");
    WriteBytes(App + "pex.ini", "[Screen]\r\nHeight=600\r\n[Mine]\r\nKept=1\r\n");
    WriteBytes(App + "level/default/1.txt", "the shipped level\r\n");
    for (const char* Folder : {"app/level/default", "app/level", "app"})
        fs::permissions(Dir + Folder, fs::perms::owner_read | fs::perms::owner_exec |
                                          fs::perms::group_read | fs::perms::group_exec |
                                          fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(Dir, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                             fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(Home, fs::perms::all);
    const std::string AsUser =
        geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups -- " : "";
    auto Run = [&](const std::string& DataHome, int32_t Height) {
        const std::string Command =
            AsUser + "env HOME='" + Home + "' XDG_DATA_HOME='" + DataHome +
            "' PEX_USER_FOLDER_CHILD=1 PEX_EXPECT_HEIGHT=" + std::to_string(Height) + " '" + App +
            "pex' --gtest_filter='UserFolder.InstalledCopy*' >'" + Home + "log.txt' 2>&1";
        return std::system(Command.c_str());
    };

    // A relative XDG_DATA_HOME is ignored: the files go to ~/.local/share/pex.
    ASSERT_EQ(Run("relative/data", 600), 0) << ReadBytes(Home + "log.txt");
    const std::string Data = Home + ".local/share/pex/";
    EXPECT_EQ(ModeOf(Data), fs::perms::owner_all);
    EXPECT_EQ(ReadBytes(Data + "level/default/1.txt"), "the shipped level\r\n");
    EXPECT_EQ(ReadBytes(Data + "pex.ini"),
              "[Screen]\r\nHeight=600\r\nFullScreen=0\r\nWidth=640\r\nBPP=16\r\n\r\n"
              "[Mine]\r\nKept=1\r\n\r\n");
    EXPECT_EQ(ReadBytes(App + "pex.ini"), "[Screen]\r\nHeight=600\r\n[Mine]\r\nKept=1\r\n");
    EXPECT_EQ(ReadBytes(App + "level/default/1.txt"), "the shipped level\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(App), fs::directory_iterator()), 3);

    // Later runs keep to the user's copies (here named by an absolute
    // XDG_DATA_HOME), whatever the shipped ones say.
    WriteBytes(Data + "pex.ini", "[Screen]\r\nHeight=700\r\n");
    WriteBytes(Data + "level/default/1.txt", "the user's level\r\n");
    ASSERT_EQ(Run(Home + ".local/share", 700), 0) << ReadBytes(Home + "log.txt");
    EXPECT_EQ(ReadBytes(Data + "pex.ini"),
              "[Screen]\r\nHeight=700\r\nFullScreen=0\r\nWidth=640\r\nBPP=16\r\n\r\n");
    EXPECT_EQ(ReadBytes(Data + "level/default/1.txt"), "the user's level\r\n");
}
