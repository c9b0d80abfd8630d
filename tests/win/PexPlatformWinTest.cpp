// The Windows platform services (PexPlatformWin.cpp), run under Wine: the
// executable's path, reading a file whole, the atomic replace with the
// read-only attribute honoured, library loading, the floating-point state and
// the path separator.
#include <gtest/gtest.h>
#include <windows.h>
#include <xmmintrin.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <stdexcept>
#include <string>

#include "PexPlatform.h"

namespace fs = std::filesystem;

namespace {

class PlatformFiles : public ::testing::Test {
protected:
    void SetUp() override {
        std::string Template = ::testing::TempDir() + "platformwin_XXXXXX";
        ASSERT_NE(mkdtemp(Template.data()), nullptr);
        Dir = Template + "\\";
    }
    void TearDown() override {
        for (const fs::directory_entry& Entry : fs::recursive_directory_iterator(Dir))
            SetFileAttributesA(Entry.path().string().c_str(), FILE_ATTRIBUTE_NORMAL);
        std::error_code Ignored;
        fs::remove_all(Dir, Ignored);
    }
    std::set<std::string> FolderNames() const {
        std::set<std::string> Names;
        for (const fs::directory_entry& Entry : fs::directory_iterator(Dir))
            Names.insert(Entry.path().filename().string());
        return Names;
    }
    void Write(const std::string& Name, const std::string& Text) const {
        std::ofstream(Dir + Name, std::ios::binary) << Text;
    }
    std::string Read(const std::string& Name) const {
        std::ifstream Stream(Dir + Name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(Stream), {});
    }
    std::string Dir;
};

std::string ReplaceError(const std::string& FileName, const std::string& Text) {
    try {
        PlatformReplaceFile(FileName, Text);
    } catch (const std::runtime_error& Error) {
        return Error.what();
    }
    return "";
}

std::string CreateMessage(const std::string& FileName, int Error) {
    return "Cannot create file \"" + FileName + "\". " + std::strerror(Error);
}

}  // namespace

TEST_F(PlatformFiles, ReadGivesEveryByteAndTheReasonForFilesItCannotUse) {
    const std::string Bytes("a\0b\r\n\xff", 6);
    Write("data.bin", Bytes);
    std::string Text = "old";
    ASSERT_TRUE(PlatformReadFile(Dir + "data.bin", Text));
    EXPECT_EQ(Text, Bytes);

    Write("empty", "");
    EXPECT_TRUE(PlatformReadFile(Dir + "empty", Text));
    EXPECT_EQ(Text, "");

    Text = "old";
    EXPECT_FALSE(PlatformReadFile(Dir + "missing", Text));
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(Text, "");
    EXPECT_FALSE(PlatformReadFile(Dir + "no\\such\\folder.txt", Text));
    EXPECT_EQ(errno, ENOENT);

    ASSERT_TRUE(CreateDirectoryA((Dir + "folder").c_str(), nullptr));
    EXPECT_FALSE(PlatformReadFile(Dir + "folder", Text));
    EXPECT_EQ(errno, EISDIR);

    // A device is never read: the console would wait for input.
    EXPECT_FALSE(PlatformReadFile("NUL", Text));
    EXPECT_TRUE(IsReadFailure(errno) || errno == ENOENT) << errno;
}

TEST_F(PlatformFiles, ReadStopsAtTheSizeLimit) {
    const std::string Path = Dir + "big";
    HANDLE Handle = CreateFileA(Path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(Handle, INVALID_HANDLE_VALUE);
    LARGE_INTEGER Size;
    Size.QuadPart = static_cast<LONGLONG>(MaxWholeFileSize) + 1;
    ASSERT_TRUE(SetFilePointerEx(Handle, Size, nullptr, FILE_BEGIN));
    ASSERT_TRUE(SetEndOfFile(Handle));
    CloseHandle(Handle);
    std::string Text = "old";
    EXPECT_FALSE(PlatformReadFile(Path, Text));
    EXPECT_EQ(errno, EFBIG);
    EXPECT_EQ(Text, "");
}

TEST_F(PlatformFiles, ReplaceCreatesAndReplacesLeavingNoTemporaryFile) {
    const std::string Path = Dir + "pex.ini";
    PlatformReplaceFile(Path, "first\r\n");
    EXPECT_EQ(Read("pex.ini"), "first\r\n");
    PlatformReplaceFile(Path, "second\r\n");
    EXPECT_EQ(Read("pex.ini"), "second\r\n");
    PlatformReplaceFile(Path, "");
    EXPECT_EQ(Read("pex.ini"), "");
    EXPECT_EQ(FolderNames(), std::set<std::string>{"pex.ini"});
}

TEST_F(PlatformFiles, ReplaceLeavesAnotherProgramsTemporaryFilesAlone) {
    Write("pex.ini", "old");
    Write("pex.ini.tmp", "another program's");
    PlatformReplaceFile(Dir + "pex.ini", "new");
    EXPECT_EQ(Read("pex.ini"), "new");
    EXPECT_EQ(Read("pex.ini.tmp"), "another program's");
    EXPECT_EQ(FolderNames(), (std::set<std::string>{"pex.ini", "pex.ini.tmp"}));
}

TEST_F(PlatformFiles, ReadOnlyFileFolderOrMissingFolderIsRefusedAndLeftAlone) {
    const std::string Protected = Dir + "pex.ini";
    Write("pex.ini", "kept");
    ASSERT_TRUE(SetFileAttributesA(Protected.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(ReplaceError(Protected, "new"), CreateMessage(Protected, EACCES));
    EXPECT_EQ(Read("pex.ini"), "kept");

    ASSERT_TRUE(CreateDirectoryA((Dir + "folder").c_str(), nullptr));
    EXPECT_EQ(ReplaceError(Dir + "folder", "new"), CreateMessage(Dir + "folder", EISDIR));

    const std::string Missing = Dir + "missing\\pex.ini";
    EXPECT_EQ(ReplaceError(Missing, "new"), CreateMessage(Missing, ENOENT));
    EXPECT_EQ(FolderNames(), (std::set<std::string>{"folder", "pex.ini"}));
}

TEST(PlatformExecutable, PathIsTheRunningFile) {
    const std::string Path = PlatformExecutablePath();
    char Expected[MAX_PATH * 4];
    const DWORD Length = GetModuleFileNameA(nullptr, Expected, sizeof(Expected));
    EXPECT_EQ(Path, std::string(Expected, Length));
    EXPECT_EQ(Path.substr(Path.size() - 4), ".exe");
    EXPECT_NE(Path.rfind(PlatformPathDelim), std::string::npos);
}

TEST(PlatformLibraries, LoadFindAndFree) {
    EXPECT_EQ(PlatformLoadLibrary("pex_no_such_library.dll"), nullptr);
    void* Kernel = PlatformLoadLibrary("kernel32.dll");
    ASSERT_NE(Kernel, nullptr);
    EXPECT_EQ(
        PlatformFindSymbol(Kernel, "GetTickCount"),
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetTickCount")));
    EXPECT_EQ(PlatformFindSymbol(Kernel, "PexNoSuchExport"), nullptr);
    PlatformFreeLibrary(Kernel);
}

TEST(PlatformFloat, MaskRecordsAndRestoreGivesBackTheCallersState) {
    uint16_t Caller = 0;
    __asm__ __volatile__("fnstcw %0" : "=m"(Caller));
    const uint32_t CallerMXCSR = _mm_getcsr();
    uint16_t Saved = 0;
    uint32_t SavedMXCSR = 0;
    PlatformMaskFloatExceptions(Saved, SavedMXCSR);
    uint16_t Inside = 0;
    __asm__ __volatile__("fnstcw %0" : "=m"(Inside));
    // Exception masks, precision and rounding; bit 6 is reserved.
    EXPECT_EQ(Inside & 0x0F3F, MaskedFPUControlWord & 0x0F3F);
    EXPECT_EQ(_mm_getcsr() & MXCSRExceptionMasks, MXCSRExceptionMasks);
    EXPECT_EQ(Saved, Caller);
    EXPECT_EQ(SavedMXCSR, CallerMXCSR);
    PlatformRestoreFloatState(Saved, SavedMXCSR);
    uint16_t After = 0;
    __asm__ __volatile__("fnstcw %0" : "=m"(After));
    EXPECT_EQ(After, Caller);
    EXPECT_EQ(_mm_getcsr(), CallerMXCSR);
}

TEST(PlatformNames, WindowsSeparatorAndLibraryName) {
    EXPECT_EQ(PlatformPathDelim, '\\');
    EXPECT_EQ(std::string(PlatformLibraryPrefix) + "fmod" + PlatformLibraryExtension, "fmod.dll");
}

// ---- The user's files -----------------------------------------------------------

TEST_F(PlatformFiles, UserFolderIsTheApplicationFolderWhileItCanBeWritten) {
    EXPECT_EQ(PlatformUserFolder(Dir), Dir);
    EXPECT_TRUE(FolderNames().empty()) << "the probe of the folder leaves nothing behind";
    // A folder no file can be made in (here: one that is not there) sends the
    // user's files to %APPDATA%\Pex.
    const std::string Unwritable = Dir + "missing\\";
    const std::string SavedAppData = std::getenv("APPDATA") ? std::getenv("APPDATA") : "";
    _putenv_s("APPDATA", (Dir + "Roaming\\").c_str());
    EXPECT_EQ(PlatformUserFolder(Unwritable), Dir + "Roaming\\Pex\\");
    _putenv_s("APPDATA", "");
    EXPECT_EQ(PlatformUserFolder(Unwritable), Unwritable) << "no data folder: kept as it was";
    _putenv_s("APPDATA", SavedAppData.c_str());
}

TEST_F(PlatformFiles, SeedMakesTheFoldersFromTheDriveOnAndKeepsTheUsersCopy) {
    Write("shipped.txt", "shipped\r\n");
    const std::string Copy = Dir + "Pex\\level\\default\\1.txt";
    PlatformSeedFile(Dir + "shipped.txt", Copy);
    EXPECT_EQ(Read("Pex\\level\\default\\1.txt"), "shipped\r\n");
    Write("Pex\\level\\default\\1.txt", "the user's own");
    PlatformSeedFile(Dir + "shipped.txt", Copy);
    EXPECT_EQ(Read("Pex\\level\\default\\1.txt"), "the user's own");
    // Under a file, no folder can be made: the error names the folder.
    try {
        PlatformSeedFile(Dir + "shipped.txt", Dir + "shipped.txt\\sub\\1.txt");
        FAIL() << "no error raised";
    } catch (const std::runtime_error& Error) {
        EXPECT_EQ(
            std::string(Error.what()).rfind("Cannot create folder \"" + Dir + "shipped.txt", 0), 0u)
            << Error.what();
    }
}
