// The platform services: the executable's path, reading a file whole and the
// atomic replace, on real files in a temporary folder.
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <stdexcept>
#include <string>

#include "PexPlatform.h"
#include "TestFiles.h"

namespace fs = std::filesystem;

namespace {

constexpr uid_t NobodyId = 65534;

class PlatformFiles : public ::testing::Test {
protected:
    void SetUp() override {
        std::string Template = ::testing::TempDir() + "platformtest_XXXXXX";
        ASSERT_NE(mkdtemp(Template.data()), nullptr);
        Dir = Template + "/";
    }
    void TearDown() override {
        std::error_code Ignored;
        fs::permissions(Dir + "locked", fs::perms::owner_all, fs::perm_options::add, Ignored);
        fs::remove_all(Dir, Ignored);
    }
    std::set<std::string> FolderNames(const std::string& Folder) const {
        std::set<std::string> Names;
        for (const fs::directory_entry& Entry : fs::directory_iterator(Folder))
            Names.insert(Entry.path().filename().string());
        return Names;
    }
    std::string Dir;
};

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

}  // namespace

// ---- Reading ---------------------------------------------------------------

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
    ASSERT_EQ(mkfifo((Dir + "pipe").c_str(), 0600), 0);
    const struct {
        std::string Path;
        int Reason;
    } Cases[] = {
        {Dir + "missing", ENOENT},
        {Dir + "missing/deeper", ENOENT},
        {Dir, EISDIR},
        {Dir + "pipe", EINVAL},
        {"/dev/null", EINVAL},
    };
    for (const auto& Case : Cases) {
        std::string Text = "stale";
        errno = 0;
        EXPECT_FALSE(PlatformReadFile(Case.Path, Text)) << Case.Path;
        EXPECT_EQ(errno, Case.Reason) << Case.Path;
        EXPECT_EQ(Text, "") << Case.Path;
        EXPECT_EQ(IsReadFailure(Case.Reason), Case.Reason != ENOENT) << Case.Path;
    }
}

TEST_F(PlatformFiles, ReadOfAPipeReturnsAtOnceWithoutAWriter) {
    const std::string Pipe = Dir + "pipe";
    ASSERT_EQ(mkfifo(Pipe.c_str(), 0600), 0);
    bool Result = true;
    EXPECT_TRUE(ReturnsWithoutAWriter(Pipe, [&] {
        std::string Text;
        Result = PlatformReadFile(Pipe, Text);
    }));
    EXPECT_FALSE(Result);
}

// A sparse file costs no disk space, so the limit is tested at its real size.
TEST_F(PlatformFiles, ReadStopsAtTheSizeLimit) {
    const std::string Path = Dir + "large";
    WriteBytes(Path, "x");
    ASSERT_EQ(truncate(Path.c_str(), static_cast<off_t>(MaxWholeFileSize) + 1), 0);
    std::string Text = "stale";
    errno = 0;
    EXPECT_FALSE(PlatformReadFile(Path, Text));
    EXPECT_EQ(errno, EFBIG);
    EXPECT_TRUE(IsReadFailure(EFBIG));
    EXPECT_EQ(Text, "");

    ASSERT_EQ(truncate(Path.c_str(), static_cast<off_t>(MaxWholeFileSize)), 0);
    EXPECT_TRUE(PlatformReadFile(Path, Text));
    ASSERT_EQ(Text.size(), MaxWholeFileSize);
    EXPECT_EQ(Text[0], 'x');
    EXPECT_EQ(Text.back(), '\0');
}

TEST(PlatformLimit, EveryOneBasedPositionOfAFileFitsIn32Bits) {
    EXPECT_LE(MaxWholeFileSize + 1, static_cast<size_t>(INT32_MAX));
}

// ---- Replacing -------------------------------------------------------------

TEST_F(PlatformFiles, ReplaceCreatesANewFileWithTheUsualMode) {
    const std::string Path = Dir + "new.txt";
    PlatformReplaceFile(Path, "first");
    EXPECT_EQ(ReadBytes(Path), "first");
    EXPECT_EQ(FileMode(Path), 0666 & ~CurrentUmask());
    EXPECT_EQ(FolderNames(Dir), std::set<std::string>{"new.txt"});
}

TEST_F(PlatformFiles, ReplaceSwapsInANewFileWithTheOldMode) {
    const std::string Path = Dir + "pex.ini";
    WriteBytes(Path, "old contents, longer than the new");
    ASSERT_EQ(chmod(Path.c_str(), 0640), 0);
    struct stat Before;
    ASSERT_EQ(stat(Path.c_str(), &Before), 0);
    PlatformReplaceFile(Path, "new");
    struct stat After;
    ASSERT_EQ(stat(Path.c_str(), &After), 0);
    EXPECT_EQ(ReadBytes(Path), "new");
    EXPECT_EQ(FileMode(Path), 0640u);
    EXPECT_NE(After.st_ino, Before.st_ino);  // renamed over, never rewritten in place
    EXPECT_EQ(FolderNames(Dir), std::set<std::string>{"pex.ini"});
}

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

TEST_F(PlatformFiles, FailedWriteLeavesTheOldFileAndNoTemporaryFile) {
    const std::string Path = Dir + "1.txt";
    WriteBytes(Path, "old");
    std::string Message;
    {
        const TFileSizeLimit Full(4);
        Message = ReplaceError(Path, "a text longer than the limit");
    }
    EXPECT_EQ(Message, CreateMessage(Path, EFBIG));
    EXPECT_EQ(ReadBytes(Path), "old");
    EXPECT_EQ(FolderNames(Dir), std::set<std::string>{"1.txt"});
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
    EXPECT_EQ(FolderNames(Dir), (std::set<std::string>{"a", "b", "link", "made.txt"}));
}

TEST_F(PlatformFiles, OnlyARegularFileIsReplaced) {
    ASSERT_EQ(mkfifo((Dir + "pipe").c_str(), 0600), 0);
    ASSERT_EQ(symlink("pipe", (Dir + "to-pipe").c_str()), 0);
    fs::create_directory(Dir + "folder");
    ASSERT_EQ(symlink("folder", (Dir + "to-folder").c_str()), 0);
    EXPECT_EQ(ReplaceError(Dir + "pipe", "x"), CreateMessage(Dir + "pipe", EINVAL));
    EXPECT_EQ(ReplaceError(Dir + "to-pipe", "x"), CreateMessage(Dir + "to-pipe", EINVAL));
    EXPECT_EQ(ReplaceError(Dir + "folder", "x"), CreateMessage(Dir + "folder", EISDIR));
    EXPECT_EQ(ReplaceError(Dir + "to-folder", "x"), CreateMessage(Dir + "to-folder", EISDIR));
    EXPECT_TRUE(fs::is_fifo(Dir + "pipe"));
    EXPECT_TRUE(fs::is_directory(Dir + "folder"));
    EXPECT_EQ(FolderNames(Dir), (std::set<std::string>{"pipe", "to-pipe", "folder", "to-folder"}));
}

TEST_F(PlatformFiles, MissingFolderRaisesWithTheGivenName) {
    EXPECT_EQ(ReplaceError(Dir + "missing/1.txt", "x"),
              CreateMessage(Dir + "missing/1.txt", ENOENT));
    EXPECT_FALSE(fs::exists(Dir + "missing"));
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

// ---- New files, kept files, the recovery folder ------------------------------

TEST_F(PlatformFiles, NewFileStaysAsideUntilCommittedAndGoesWhenDiscarded) {
    const std::string Path = Dir + "demo.dem";
    WriteBytes(Path, "earlier demo");
    TNewFile File;
    ASSERT_TRUE(PlatformCreateNewFile(Path, File));
    ASSERT_TRUE(PlatformWriteNewFile(File, "part one, ", 10));
    ASSERT_TRUE(PlatformWriteNewFile(File, "part two", 8));
    EXPECT_EQ(ReadBytes(Path), "earlier demo");  // the old file stays whole meanwhile
    EXPECT_EQ(FolderNames(Dir).size(), 2u);
    ASSERT_TRUE(PlatformCommitNewFile(File));
    EXPECT_EQ(ReadBytes(Path), "part one, part two");
    EXPECT_EQ(FolderNames(Dir), std::set<std::string>{"demo.dem"});

    ASSERT_TRUE(PlatformCreateNewFile(Path, File));
    ASSERT_TRUE(PlatformWriteNewFile(File, "abandoned", 9));
    PlatformDiscardNewFile(File);
    EXPECT_EQ(ReadBytes(Path), "part one, part two");
    EXPECT_EQ(FolderNames(Dir), std::set<std::string>{"demo.dem"});
}

TEST_F(PlatformFiles, ReadingTheStartOfAFileIgnoresTheSizeLimit) {
    const std::string Path = Dir + "large";
    WriteBytes(Path, "PEX DEMO 1\n");
    ASSERT_EQ(truncate(Path.c_str(), static_cast<off_t>(MaxWholeFileSize) + 1), 0);
    std::string Text;
    ASSERT_TRUE(PlatformReadFileStart(Path, 4, Text));
    EXPECT_EQ(Text, "PEX ");
    ASSERT_TRUE(PlatformReadFile(Path, Text, 20) == false && errno == EFBIG);
    ASSERT_EQ(mkfifo((Dir + "pipe").c_str(), 0600), 0);
    EXPECT_FALSE(PlatformReadFileStart(Dir + "pipe", 4, Text));  // never waits on a pipe
    EXPECT_EQ(errno, EINVAL);
}

TEST_F(PlatformFiles, KeptFileHoldsTheOldBytesAfterAReplaceAndIsNeverOverwritten) {
    const std::string Path = Dir + "1.txt";
    WriteBytes(Path, "old level");
    ASSERT_TRUE(PlatformKeepFile(Path, Path + ".unreadable"));
    PlatformReplaceFile(Path, "new level");
    EXPECT_EQ(ReadBytes(Path + ".unreadable"), "old level");
    errno = 0;
    EXPECT_FALSE(PlatformKeepFile(Path, Path + ".unreadable"));
    EXPECT_EQ(errno, EEXIST);
    EXPECT_EQ(ReadBytes(Path + ".unreadable"), "old level");
    EXPECT_FALSE(PlatformKeepFile(Dir + "missing", Dir + "kept"));
    EXPECT_EQ(errno, ENOENT);
}

TEST_F(PlatformFiles, RecoveryFolderIsTheUsersStateFolderOrElseTheTemporaryOne) {
    const char* SavedState = std::getenv("XDG_STATE_HOME");
    const char* SavedHome = std::getenv("HOME");
    const std::string OldState = SavedState ? SavedState : "", OldHome = SavedHome ? SavedHome : "";
    setenv("XDG_STATE_HOME", (Dir + "state").c_str(), 1);
    EXPECT_EQ(PlatformRecoveryFolder(), Dir + "state/pex/");
    EXPECT_TRUE(fs::is_directory(Dir + "state/pex"));
    unsetenv("XDG_STATE_HOME");
    setenv("HOME", (Dir + "home").c_str(), 1);
    EXPECT_EQ(PlatformRecoveryFolder(), Dir + "home/.local/state/pex/");
    WriteBytes(Dir + "file", "");  // a home that cannot hold folders
    setenv("HOME", (Dir + "file").c_str(), 1);
    setenv("TMPDIR", (Dir + "tmp/").c_str(), 1);
    fs::create_directories(Dir + "tmp");
    EXPECT_EQ(PlatformRecoveryFolder(), Dir + "tmp/");
    unsetenv("TMPDIR");
    SavedHome ? setenv("HOME", OldHome.c_str(), 1) : unsetenv("HOME");
    if (SavedState) setenv("XDG_STATE_HOME", OldState.c_str(), 1);
}

// A copy installed with the system is never written into, even by a user who
// could (root): the files the user changes go to the user's data folder.
TEST_F(PlatformFiles, CopyInstalledUnderUsrKeepsTheUsersFilesInTheDataFolder) {
    const char* Saved = std::getenv("XDG_DATA_HOME");
    const std::string Old = Saved ? Saved : "";
    setenv("XDG_DATA_HOME", (Dir + "data").c_str(), 1);
    EXPECT_EQ(PlatformUserFolder("/usr/lib/games/pex/"), Dir + "data/pex/");
    EXPECT_EQ(PlatformUserFolder(Dir), Dir);
    Saved ? setenv("XDG_DATA_HOME", Old.c_str(), 1) : unsetenv("XDG_DATA_HOME");
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
}

// ---- The executable's path -------------------------------------------------

TEST(PlatformExecutable, PathIsTheRunningFile) {
    const std::string Path = PlatformExecutablePath();
    ASSERT_FALSE(Path.empty());
    EXPECT_EQ(Path[0], '/');
    EXPECT_EQ(fs::canonical(Path), fs::canonical("/proc/self/exe"));
}

// Run in a copy of this test program (see the next test): the copy checks its
// path against PEX_EXPECTED_EXE, and with PEX_REPLACE_SELF set also after its
// file was removed and after a new file took its name, as a rebuild does.
TEST(PlatformExecutable, PathKeepsTheStartNameWhenTheFileGoes) {
    const char* Expected = std::getenv("PEX_EXPECTED_EXE");
    if (Expected == nullptr) {
        // Not a copy: this program's own path is the file it runs from.
        EXPECT_TRUE(fs::exists(PlatformExecutablePath()));
        return;
    }
    EXPECT_EQ(PlatformExecutablePath(), Expected);
    if (std::getenv("PEX_REPLACE_SELF") == nullptr) return;
    ASSERT_EQ(unlink(Expected), 0);
    EXPECT_EQ(PlatformExecutablePath(), Expected);
    WriteBytes(Expected, "a newer build");
    EXPECT_EQ(PlatformExecutablePath(), Expected);
}

class PlatformExecutableCopy : public PlatformFiles {
protected:
    // Runs a copy of this program named Name with the check above; its exit code.
    int RunCopy(const std::string& Name, bool Replace) {
        const std::string Copy = Dir + Name;
        fs::copy_file("/proc/self/exe", Copy);
        fs::permissions(Copy, fs::perms::owner_all);
        const std::string Command =
            "PEX_EXPECTED_EXE='" + Copy + "' " + (Replace ? "PEX_REPLACE_SELF=1 '" : "'") + Copy +
            "' --gtest_filter=PlatformExecutable.PathKeepsTheStartNameWhenTheFileGoes"
            " >'" +
            Dir + "log' 2>&1";
        const int Status = std::system(Command.c_str());
        return WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
    }
};

TEST_F(PlatformExecutableCopy, ReplacedWhileRunningStillGivesTheStartName) {
    EXPECT_EQ(RunCopy("pex copy", true), 0) << ReadBytes(Dir + "log");
    EXPECT_EQ(ReadBytes(Dir + "pex copy"), "a newer build");  // the copy did replace itself
    EXPECT_NE(ReadBytes(Dir + "log").find("[  PASSED  ] 1 test"), std::string::npos);
}

TEST_F(PlatformExecutableCopy, NameThatCarriesTheKernelsMarkIsKept) {
    EXPECT_EQ(RunCopy("pex (deleted)", false), 0) << ReadBytes(Dir + "log");
    EXPECT_NE(ReadBytes(Dir + "log").find("[  PASSED  ] 1 test"), std::string::npos);
}
