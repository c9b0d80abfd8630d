// The platform face's contract, on real files in a temporary folder, for every
// system the program builds for (the Windows build runs it under Wine): the
// executable's path, reading a file whole or its start, the atomic replace and
// the new files under it, kept files, the recovery folder, libraries, the
// floating-point state and the names of files. What only some systems have
// (named pipes, a file size limit, file modes, symbolic links) is checked
// where the system has it; the few facts that differ by design (file modes
// and links on POSIX systems, the read-only attribute and the user folder on
// Windows) have sections of their own at the end.
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <stdexcept>
#include <string>

#include "Capabilities.h"
#include "PexPlatformInternal.h"
#include "TempFolder.h"
#include "TestFiles.h"
#include "TestSystem.h"

#if defined(__i386__) || defined(__x86_64__)
#include <xmmintrin.h>
#endif

namespace fs = std::filesystem;

namespace {

class PlatformFiles : public ::testing::Test {
protected:
    std::set<std::string> FolderNames(const std::string& Folder) const {
        std::set<std::string> Names;
        for (const fs::directory_entry& Entry : fs::directory_iterator(Folder))
            Names.insert(Entry.path().filename().string());
        return Names;
    }
    TTempFolder Temp;
    const std::string Dir = Temp.Path;
};

// The message PlatformReplaceFile raises, or "" when it raises nothing.
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

bool PosixNames() {
    return PlatformPathDelim == '/';
}

}  // namespace

// ---- Reading -------------------------------------------------------------------

TEST_F(PlatformFiles, ReadGivesEveryByteOfARegularFile) {
    const std::string Bytes = std::string("a\0b\r\n\xFF\x80 end", 12);
    WriteBytes(Dir + "data", Bytes);
    std::string Text = "stale";
    EXPECT_TRUE(PlatformReadFile(Dir + "data", Text));
    EXPECT_EQ(Text, Bytes);

    WriteBytes(Dir + "empty", "");
    Text = "stale";
    EXPECT_TRUE(PlatformReadFile(Dir + "empty", Text));
    EXPECT_EQ(Text, "");
}

TEST_F(PlatformFiles, ReadFailsWithTheReasonForFilesItCannotUse) {
    fs::create_directory(Dir + "folder");
    const struct {
        std::string Path;
        int Reason;
    } Cases[] = {
        {Dir + "missing", ENOENT},
        {Dir + "missing/deeper", ENOENT},
        {Dir + "folder", EISDIR},
    };
    for (const auto& Case : Cases) {
        std::string Text = "stale";
        errno = 0;
        EXPECT_FALSE(PlatformReadFile(Case.Path, Text)) << Case.Path;
        EXPECT_EQ(errno, Case.Reason) << Case.Path;
        EXPECT_EQ(Text, "") << Case.Path;
        EXPECT_EQ(IsReadFailure(Case.Reason), Case.Reason != ENOENT) << Case.Path;
    }
    // A device is never read: a console or a terminal would wait for input.
    std::string Text = "stale";
    EXPECT_FALSE(PlatformReadFile(PosixNames() ? "/dev/null" : "NUL", Text));
    EXPECT_EQ(Text, "");
    EXPECT_EQ(ReadErrorText(Dir + "folder", EISDIR),
              "Cannot read file \"" + Dir + "folder\". " + std::strerror(EISDIR));
    EXPECT_EQ(ReadErrorText(Dir + "missing", ENOENT),
              "Cannot open file \"" + Dir + "missing\". " + std::strerror(ENOENT));
}

TEST_F(PlatformFiles, ReadOfAPipeReturnsAtOnceWithoutAWriter) {
    if (!HasNamedPipes()) GTEST_SKIP() << "no named pipes on this system";
    const std::string Pipe = Dir + "pipe";
    ASSERT_EQ(mkfifo(Pipe.c_str(), 0600), 0);
    bool Result = true, StartResult = true;
    int Reason = 0;
    EXPECT_TRUE(ReturnsWithoutAWriter(Pipe, [&] {
        std::string Text;
        Result = PlatformReadFile(Pipe, Text);
        StartResult = PlatformReadFileStart(Pipe, 4, Text);
        Reason = errno;  // the reader's thread's
    }));
    EXPECT_FALSE(Result);
    EXPECT_FALSE(StartResult);
    EXPECT_EQ(Reason, EINVAL);
}

TEST_F(PlatformFiles, ReadStopsAtTheSizeLimitButTheStartOfAFileIsAlwaysRead) {
    const std::string Path = Dir + "large";
    WriteBytes(Path, "PEX DEMO 1\n");
    fs::resize_file(Path, MaxWholeFileSize + 1);
    std::string Text = "stale";
    errno = 0;
    EXPECT_FALSE(PlatformReadFile(Path, Text));
    EXPECT_EQ(errno, EFBIG);
    EXPECT_TRUE(IsReadFailure(EFBIG));
    EXPECT_EQ(Text, "");
    ASSERT_TRUE(PlatformReadFileStart(Path, 4, Text));
    EXPECT_EQ(Text, "PEX ");
    EXPECT_FALSE(PlatformReadFile(Path, Text, 20));  // a limit of the caller's
    EXPECT_EQ(errno, EFBIG);

    fs::resize_file(Path, MaxWholeFileSize);
    EXPECT_TRUE(PlatformReadFile(Path, Text));
    ASSERT_EQ(Text.size(), MaxWholeFileSize);
    EXPECT_EQ(Text[0], 'P');
    EXPECT_EQ(Text.back(), '\0');
}

TEST(PlatformLimit, EveryOneBasedPositionOfAFileFitsIn32Bits) {
    EXPECT_LE(MaxWholeFileSize + 1, static_cast<size_t>(INT32_MAX));
}

// ---- Replacing -------------------------------------------------------------------

TEST_F(PlatformFiles, ReplaceLeavesAnotherProgramsTemporaryFilesAlone) {
    const std::string Path = Dir + "1.txt";
    WriteBytes(Path, "old");
    WriteBytes(Path + ".tmp", "another program's work");
    WriteBytes(Path + ".AAAAAA", "another program's work too");
    for (int32_t I = 0; I < 50; ++I) PlatformReplaceFile(Path, "new " + std::to_string(I));
    EXPECT_EQ(ReadBytes(Path), "new 49");
    EXPECT_EQ(ReadBytes(Path + ".tmp"), "another program's work");
    EXPECT_EQ(ReadBytes(Path + ".AAAAAA"), "another program's work too");
    EXPECT_EQ(FolderNames(Dir), (std::set<std::string>{"1.txt", "1.txt.tmp", "1.txt.AAAAAA"}));
}

TEST_F(PlatformFiles, OnlyARegularFileIsReplacedAndAMissingFolderIsNamed) {
    fs::create_directory(Dir + "folder");
    EXPECT_EQ(ReplaceError(Dir + "folder", "x"), CreateMessage(Dir + "folder", EISDIR));
    EXPECT_TRUE(fs::is_directory(Dir + "folder"));
    EXPECT_EQ(ReplaceError(Dir + "missing/1.txt", "x"),
              CreateMessage(Dir + "missing/1.txt", ENOENT));
    EXPECT_FALSE(fs::exists(Dir + "missing"));
    if (HasNamedPipes()) {
        ASSERT_EQ(mkfifo((Dir + "pipe").c_str(), 0600), 0);
        EXPECT_EQ(ReplaceError(Dir + "pipe", "x"), CreateMessage(Dir + "pipe", EINVAL));
        EXPECT_TRUE(fs::is_fifo(Dir + "pipe"));
        fs::remove(Dir + "pipe");
    }
    EXPECT_EQ(FolderNames(Dir), std::set<std::string>{"folder"});
}

// ---- New files, kept files, the recovery folder ------------------------------------

TEST_F(PlatformFiles, NewFileStaysAsideUntilCommittedAndGoesWhenDiscarded) {
    const std::string Path = Dir + "demo.dem";
    WriteBytes(Path, "earlier demo");
    TNewFile File;
    ASSERT_TRUE(PlatformCreateNewFile(Path, File));
    ASSERT_TRUE(PlatformWriteNewFile(File, "part one, ", 10));
    ASSERT_TRUE(PlatformWriteNewFile(File, "part two", 8));
    EXPECT_EQ(ReadBytes(Path), "earlier demo");  // the old file stays whole meanwhile
    // Where the system has unnamed files, the new one has no name until committed.
    EXPECT_EQ(FolderNames(Dir).size(), File.Name.empty() ? 1u : 2u);
    ASSERT_TRUE(PlatformCommitNewFile(File));
    EXPECT_EQ(ReadBytes(Path), "part one, part two");
    EXPECT_EQ(FolderNames(Dir), std::set<std::string>{"demo.dem"});

    ASSERT_TRUE(PlatformCreateNewFile(Path, File));
    ASSERT_TRUE(PlatformWriteNewFile(File, "abandoned", 9));
    PlatformDiscardNewFile(File);
    EXPECT_EQ(ReadBytes(Path), "part one, part two");
    EXPECT_EQ(FolderNames(Dir), std::set<std::string>{"demo.dem"});
}

TEST_F(PlatformFiles, RecoveryFoldersAreTheStateFolderThenOneOfThisRunsOwn) {
    const TVariable Temporary("TMPDIR", Dir + "tmp");
    // Windows' temporary folder is TMP's, else TEMP's.
    const TVariable Tmp("TMP", Dir + "tmp");
    const TVariable Temp("TEMP", Dir + "tmp");
    fs::create_directories(Dir + "tmp");
    std::vector<std::string> Folders;
    if (PosixNames()) {
        const TVariable State("XDG_STATE_HOME", Dir + "state/");
        Folders = PlatformRecoveryFolders();
        ASSERT_EQ(Folders.size(), 2u);
        EXPECT_EQ(Folders[0], Dir + "state/pex/");
        unsetenv("XDG_STATE_HOME");
        const TVariable Home("HOME", Dir + "home");
        EXPECT_EQ(PlatformStateFolder(), Dir + "home/.local/state/pex/");
        WriteBytes(Dir + "file", "");  // a home that cannot hold folders
        const TVariable FileHome("HOME", Dir + "file");
        EXPECT_EQ(PlatformRecoveryFolders().size(), 1u);
    } else {
        const TVariable Local("LOCALAPPDATA", Dir + "Local\\");
        fs::create_directories(Dir + "Local");
        Folders = PlatformRecoveryFolders();
        ASSERT_EQ(Folders.size(), 2u);
        EXPECT_EQ(Folders[0], Dir + "Local\\Pex\\");
    }
    // The run's own folder in the temporary one: made once, fresh, unforeseeable.
    const std::string Own = Folders.back();
    EXPECT_EQ(Own.rfind(Dir + "tmp", 0), 0u) << Own;
    EXPECT_TRUE(fs::is_directory(Own)) << Own;
    EXPECT_EQ(PlatformRecoveryFolders().back(), Own);
}

// ---- The executable, libraries, floating point, names ------------------------------

TEST(PlatformExecutable, PathIsTheRunningFile) {
    const std::string Path = PlatformExecutablePath();
    ASSERT_FALSE(Path.empty());
    EXPECT_TRUE(fs::path(Path).is_absolute()) << Path;
    EXPECT_TRUE(fs::is_regular_file(Path)) << Path;
    EXPECT_EQ(fs::path(Path).stem().string(), "PexPlatformTest");
    EXPECT_NE(Path.rfind(PlatformPathDelim), std::string::npos);
}

TEST(PlatformLibraries, LoadFindAndFree) {
    const std::string Missing =
        std::string(PlatformLibraryPrefix) + "pex_no_such_library" + PlatformLibraryExtension;
    EXPECT_EQ(PlatformLoadLibrary(Missing.c_str()), nullptr);
    // The system's C library (its kernel on Windows), found by the system's search.
    const char* System = PosixNames() ? "libc.so.6" : "kernel32.dll";
    const char* Export = PosixNames() ? "malloc" : "GetTickCount";
    void* Library = PlatformLoadLibrary(System);
    ASSERT_NE(Library, nullptr);
    EXPECT_NE(PlatformFindSymbol(Library, Export), nullptr);
    EXPECT_EQ(PlatformFindSymbol(Library, "PexNoSuchExport"), nullptr);
    PlatformFreeLibrary(Library);
}

#if defined(__i386__) || defined(__x86_64__)
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
#endif

TEST(PlatformNames, SeparatorAndLibraryNameBelongTogether) {
    const std::string Library =
        std::string(PlatformLibraryPrefix) + "fmod" + PlatformLibraryExtension;
    EXPECT_EQ(Library, PlatformPathDelim == '/' ? "libfmod.so" : "fmod.dll");
    EXPECT_EQ(UniqueFileName("1.txt", 42, 0).rfind("1.txt.", 0), 0u);
    EXPECT_EQ(UniqueFileName("1.txt", 42, 0).size(), 12u);
    EXPECT_NE(UniqueFileName("1.txt", 42, 0), UniqueFileName("1.txt", 42, 1));
}

// ---- What POSIX systems add: file modes, links, users, the executable's name ------

#ifndef _WIN32

namespace {

constexpr uid_t NobodyId = 65534;

mode_t FileMode(const std::string& Path) {
    struct stat Info;
    EXPECT_EQ(stat(Path.c_str(), &Info), 0) << Path;
    return Info.st_mode & 07777;
}

mode_t CurrentUmask() {
    const mode_t Mask = umask(0);
    umask(Mask);
    return Mask;
}

}  // namespace

TEST_F(PlatformFiles, ReplaceMakesANewFileWithTheUsualModeOrTheOldOne) {
    const std::string Path = Dir + "pex.ini";
    PlatformReplaceFile(Path, "first");
    EXPECT_EQ(FileMode(Path), 0666 & ~CurrentUmask());
    ASSERT_EQ(chmod(Path.c_str(), 0640), 0);
    struct stat Before;
    ASSERT_EQ(stat(Path.c_str(), &Before), 0);
    PlatformReplaceFile(Path, "new");
    struct stat After;
    ASSERT_EQ(stat(Path.c_str(), &After), 0);
    EXPECT_EQ(ReadBytes(Path), "new");
    EXPECT_EQ(FileMode(Path), 0640u);
    EXPECT_NE(After.st_ino, Before.st_ino);  // renamed over, never rewritten in place
}

TEST_F(PlatformFiles, ReplaceThroughASymbolicLinkReplacesItsTarget) {
    fs::create_directories(Dir + "real/sub");
    fs::create_directories(Dir + "links");
    const std::string Target = Dir + "real/sub/pex.ini";
    WriteBytes(Target, "old");
    ASSERT_EQ(chmod(Target.c_str(), 0604), 0);
    // A relative link to a relative link to the file.
    ASSERT_EQ(symlink("sub/pex.ini", (Dir + "real/hop").c_str()), 0);
    ASSERT_EQ(symlink("../real/hop", (Dir + "links/pex.ini").c_str()), 0);

    PlatformReplaceFile(Dir + "links/pex.ini", "new");
    EXPECT_EQ(ReadBytes(Target), "new");
    EXPECT_EQ(FileMode(Target), 0604u);
    EXPECT_TRUE(fs::is_symlink(Dir + "links/pex.ini"));
    EXPECT_EQ(fs::read_symlink(Dir + "links/pex.ini"), "../real/hop");
    EXPECT_EQ(fs::read_symlink(Dir + "real/hop"), "sub/pex.ini");
    EXPECT_EQ(FolderNames(Dir + "links"), std::set<std::string>{"pex.ini"});
    EXPECT_EQ(FolderNames(Dir + "real"), (std::set<std::string>{"hop", "sub"}));
    EXPECT_EQ(FolderNames(Dir + "real/sub"), std::set<std::string>{"pex.ini"});
}

TEST_F(PlatformFiles, LinkToAMissingFileCreatesTheFileAndALoopRaises) {
    const std::string Absolute = Dir + "made.txt";
    ASSERT_EQ(symlink(Absolute.c_str(), (Dir + "link").c_str()), 0);
    PlatformReplaceFile(Dir + "link", "made");
    EXPECT_EQ(ReadBytes(Absolute), "made");
    EXPECT_TRUE(fs::is_symlink(Dir + "link"));

    ASSERT_EQ(symlink("b", (Dir + "a").c_str()), 0);
    ASSERT_EQ(symlink("a", (Dir + "b").c_str()), 0);
    EXPECT_EQ(ReplaceError(Dir + "a", "x"), CreateMessage(Dir + "a", ELOOP));
    ASSERT_EQ(symlink("folder", (Dir + "to-folder").c_str()), 0);
    fs::create_directory(Dir + "folder");
    EXPECT_EQ(ReplaceError(Dir + "to-folder", "x"), CreateMessage(Dir + "to-folder", EISDIR));
    EXPECT_EQ(FolderNames(Dir),
              (std::set<std::string>{"a", "b", "link", "made.txt", "to-folder", "folder"}));
}

// Kept bytes and recovered work are files of their own, the user's alone: a
// link is never kept as a link nor written through, and the run's own folder
// in the shared temporary folder is no one else's.
TEST_F(PlatformFiles, KeptAndNamedFilesAreTheUsersOwnBytesNeverLinks) {
    WriteBytes(Dir + "target.txt", "the unreadable level");
    ASSERT_EQ(symlink("target.txt", (Dir + "1.txt").c_str()), 0);
    const std::string Kept = PlatformKeepFile(Dir + "1.txt", Dir + "1.txt.unreadable");
    EXPECT_FALSE(fs::is_symlink(Kept));
    PlatformReplaceFile(Dir + "1.txt", "saved over");
    EXPECT_EQ(ReadBytes(Kept), "the unreadable level");
    EXPECT_EQ(FileMode(Kept), 0600u);

    // A link planted where a name would go is passed over, its target untouched.
    WriteBytes(Dir + "victim", "someone's file");
    ASSERT_EQ(symlink("victim", (Dir + "r").c_str()), 0);
    EXPECT_EQ(PlatformCreateFileNamed(Dir + "r", "work"), Dir + "r-2");
    EXPECT_EQ(ReadBytes(Dir + "victim"), "someone's file");
    EXPECT_EQ(FileMode(Dir + "r-2"), 0600u);

    const TVariable Temporary("TMPDIR", Dir);
    const TVariable State("XDG_STATE_HOME", Dir + "file/");
    WriteBytes(Dir + "file", "");
    const std::vector<std::string> Folders = PlatformRecoveryFolders();
    ASSERT_EQ(Folders.size(), 1u);
    struct stat Info;
    ASSERT_EQ(lstat(Folders[0].substr(0, Folders[0].size() - 1).c_str(), &Info), 0);
    EXPECT_TRUE(S_ISDIR(Info.st_mode));
    EXPECT_EQ(Info.st_mode & 07777, 0700u);
    EXPECT_EQ(Info.st_uid, geteuid());
}

TEST_F(PlatformFiles, FoldersMadeForTheUserAreHisAlone) {
    std::string Failed;
    ASSERT_TRUE(PlatformMakeFolders(Dir + "level/default", Failed));
    EXPECT_EQ(FileMode(Dir + "level"), 0700u);
    EXPECT_EQ(FileMode(Dir + "level/default"), 0700u);
    WriteBytes(Dir + "plain", "");
    EXPECT_FALSE(PlatformMakeFolders(Dir + "plain/sub", Failed));
    EXPECT_EQ(Failed, Dir + "plain/sub");
}

// Root may write any file, so the refusal is checked as an ordinary user: a
// child process gives up root when the tests run as root.
TEST_F(PlatformFiles, ProtectedFileOrFolderIsRefusedAndLeftAlone) {
    const bool Root = geteuid() == 0;
    ASSERT_EQ(chmod(Dir.c_str(), 0777), 0);
    const std::string Protected = Dir + "pex.ini";
    WriteBytes(Protected, "the user's settings");
    ASSERT_EQ(chmod(Protected.c_str(), 0444), 0);
    const std::string Writable = Dir + "free.ini";
    WriteBytes(Writable, "old");
    ASSERT_EQ(chmod(Writable.c_str(), 0666), 0);
    fs::create_directories(Dir + "locked");
    const std::string InLockedFolder = Dir + "locked/1.txt";
    WriteBytes(InLockedFolder, "old level");
    ASSERT_EQ(chmod(InLockedFolder.c_str(), 0666), 0);
    ASSERT_EQ(chmod((Dir + "locked").c_str(), 0555), 0);
    const std::string Link = Dir + "link.ini";
    ASSERT_EQ(symlink("pex.ini", Link.c_str()), 0);

    int Channel[2];
    ASSERT_EQ(pipe(Channel), 0);
    const pid_t Child = fork();
    ASSERT_GE(Child, 0);
    if (Child == 0) {
        close(Channel[0]);
        if (Root && (setgroups(0, nullptr) != 0 || setgid(NobodyId) != 0 || setuid(NobodyId) != 0))
            _exit(3);
        const std::string Messages =
            ReplaceError(Protected, "replaced") + "\n" + ReplaceError(Link, "replaced") + "\n" +
            ReplaceError(InLockedFolder, "replaced") + "\n" + ReplaceError(Writable, "new") + "\n";
        const ssize_t Written = write(Channel[1], Messages.data(), Messages.size());
        _exit(Written == static_cast<ssize_t>(Messages.size()) ? 0 : 4);
    }
    close(Channel[1]);
    std::string Messages;
    char Buffer[512];
    ssize_t Count;
    while ((Count = read(Channel[0], Buffer, sizeof(Buffer))) > 0) Messages.append(Buffer, Count);
    close(Channel[0]);
    int Status = 0;
    ASSERT_EQ(waitpid(Child, &Status, 0), Child);
    ASSERT_TRUE(WIFEXITED(Status));
    ASSERT_EQ(WEXITSTATUS(Status), 0);

    EXPECT_EQ(Messages, CreateMessage(Protected, EACCES) + "\n" + CreateMessage(Link, EACCES) +
                            "\n" + CreateMessage(InLockedFolder, EACCES) + "\n\n");
    EXPECT_EQ(ReadBytes(Protected), "the user's settings");
    EXPECT_EQ(FileMode(Protected), 0444u);
    EXPECT_EQ(ReadBytes(InLockedFolder), "old level");
    EXPECT_EQ(ReadBytes(Writable), "new");
    EXPECT_EQ(FolderNames(Dir),
              (std::set<std::string>{"pex.ini", "free.ini", "locked", "link.ini"}));
    EXPECT_EQ(FolderNames(Dir + "locked"), std::set<std::string>{"1.txt"});
}

// A copy installed with the system is never written into, even by a user who
// could (root): the files the user changes go to the user's data folder.
TEST_F(PlatformFiles, CopyInstalledUnderUsrKeepsTheUsersFilesInTheDataFolder) {
    const TVariable Data("XDG_DATA_HOME", Dir + "data");
    EXPECT_EQ(PlatformUserFolder("/usr/lib/games/pex/"), Dir + "data/pex/");
    EXPECT_EQ(PlatformUserFolder(Dir), Dir);
}

using PlatformFilesDeathTest = PlatformFiles;

TEST_F(PlatformFilesDeathTest, SecondSignalRemovesTheNewFilesBeingWritten) {
    const std::string Path = Dir + "1.txt";
    WriteBytes(Path, "old");
    EXPECT_EXIT(
        {
            PlatformCatchTerminationSignals();
            TNewFile File;
            if (!PlatformCreateNewFile(Path, File)) std::exit(1);
            PlatformWriteNewFile(File, "half a lev", 10);
            std::raise(SIGINT);
            if (PlatformTerminationSignal() != SIGINT) std::exit(2);
            std::raise(SIGINT);
            std::exit(0);
        },
        ::testing::KilledBySignal(SIGINT), "");
    EXPECT_EQ(ReadBytes(Path), "old");
    EXPECT_EQ(FolderNames(Dir), std::set<std::string>{"1.txt"});
    // Killed outright, which no handler sees: an unnamed new file goes with it.
    EXPECT_EXIT(
        {
            TNewFile File;
            if (!PlatformCreateNewFile(Path, File)) std::exit(1);
            PlatformWriteNewFile(File, "half a lev", 10);
            if (!File.Name.empty()) std::exit(3);  // the system has no unnamed files
            std::raise(SIGKILL);
        },
        ::testing::KilledBySignal(SIGKILL), "");
    EXPECT_EQ(FolderNames(Dir), std::set<std::string>{"1.txt"});
}

TEST(PlatformExecutable, PathIsTheKernelsNameOfTheRunningFile) {
    EXPECT_EQ(fs::canonical(PlatformExecutablePath()), fs::canonical("/proc/self/exe"));
}

class PlatformExecutableCopy : public PlatformFiles {
protected:
    // Runs a copy of the probe program (tests/support/ExecutablePathProbe.cpp)
    // named Name; the paths it printed, one a line.
    std::string RunCopy(const std::string& Name, bool Replace) {
        const std::string Copy = Dir + Name;
        fs::copy_file(PEX_EXEPATH_PROBE, Copy);
        fs::permissions(Copy, fs::perms::owner_all);
        const std::string Command =
            "'" + Copy + "'" + (Replace ? " --replace" : "") + " >'" + Dir + "log' 2>&1";
        const int Status = std::system(Command.c_str());
        EXPECT_TRUE(WIFEXITED(Status) && WEXITSTATUS(Status) == 0) << ReadBytes(Dir + "log");
        return ReadBytes(Dir + "log");
    }
};

// An executable removed or replaced while it runs (a rebuild during play) still
// gives the name it was started under, and a name that carries the kernel's own
// mark for a removed file is kept as it is.
TEST_F(PlatformExecutableCopy, PathKeepsTheStartNameWhenTheFileGoes) {
    const std::string Copy = Dir + "pex copy";
    EXPECT_EQ(RunCopy("pex copy", true), Copy + "\n" + Copy + "\n" + Copy + "\n");
    EXPECT_EQ(ReadBytes(Copy), "a newer build");  // the copy did replace itself
    EXPECT_EQ(RunCopy("pex (deleted)", false), Dir + "pex (deleted)\n");
}

#endif

// ---- What Windows has instead: the read-only attribute, the user folder ------------

#ifdef _WIN32

TEST_F(PlatformFiles, ReadOnlyFileIsRefusedAndLeftAlone) {
    const std::string Protected = Dir + "pex.ini";
    WriteBytes(Protected, "kept");
    ASSERT_TRUE(SetFileAttributesA(Protected.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(ReplaceError(Protected, "new"), CreateMessage(Protected, EACCES));
    EXPECT_EQ(ReadBytes(Protected), "kept");
    SetFileAttributesA(Protected.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(FolderNames(Dir), std::set<std::string>{"pex.ini"});
}

TEST_F(PlatformFiles, UserFolderIsTheApplicationFolderWhileItCanBeWritten) {
    EXPECT_EQ(PlatformUserFolder(Dir), Dir);
    EXPECT_TRUE(FolderNames(Dir).empty()) << "the probe of the folder leaves nothing behind";
    // A folder no file can be made in (here: one that is not there) sends the
    // user's files to %APPDATA%\Pex.
    const std::string Unwritable = Dir + "missing\\";
    const TVariable AppData("APPDATA", Dir + "Roaming\\");
    EXPECT_EQ(PlatformUserFolder(Unwritable), Dir + "Roaming\\Pex\\");
    const TVariable NoAppData("APPDATA", "");
    EXPECT_EQ(PlatformUserFolder(Unwritable), Unwritable) << "no data folder: kept as it was";
}

TEST_F(PlatformFiles, SeedMakesTheFoldersFromTheDriveOnAndKeepsTheUsersCopy) {
    WriteBytes(Dir + "shipped.txt", "shipped\r\n");
    const std::string Copy = Dir + "Pex\\level\\default\\1.txt";
    PlatformSeedFile(Dir + "shipped.txt", Copy);
    EXPECT_EQ(ReadBytes(Copy), "shipped\r\n");
    WriteBytes(Copy, "the user's own");
    PlatformSeedFile(Dir + "shipped.txt", Copy);
    EXPECT_EQ(ReadBytes(Copy), "the user's own");
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

#endif
