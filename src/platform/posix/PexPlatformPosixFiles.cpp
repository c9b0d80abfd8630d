// Files on the systems whose file calls are POSIX's: Linux and the browser
// (whose file system Emscripten gives those calls). Reading, the new files
// under the atomic replace, kept files, and the folders of the user's files;
// what makes a replaced file last is each system's own (PlatformMakeDurable).
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <stdexcept>
#include <vector>

#include "PexPlatformInternal.h"

// The text of a symbolic link; empty when it cannot be read.
std::string ReadLinkText(const std::string& LinkName) {
    std::vector<char> Buffer(256);
    for (;;) {
        const ssize_t Length = readlink(LinkName.c_str(), Buffer.data(), Buffer.size());
        if (Length < 0) return std::string();
        if (static_cast<size_t>(Length) < Buffer.size()) return std::string(Buffer.data(), Length);
        Buffer.resize(Buffer.size() * 2);  // the text may have been cut: try a larger buffer
    }
}

// Counts a file step (FileStepFault); false, with errno, when it is to fail.
static bool Step() {
    const int Code = FileStepFault();
    if (Code != 0) errno = Code;
    return Code == 0;
}

// ---- Reading a whole file ---------------------------------------------------

static bool ReadFailed(std::string& Text, int Reason) {
    Text.clear();
    errno = Reason;
    return false;
}

// Reads at most Count bytes of a regular file; a file larger than Limit fails
// with EFBIG.
static bool ReadRegularFile(const std::string& FileName, size_t Count, uint64_t Limit,
                            std::string& Text) {
    Text.clear();
    if (!Step()) return ReadFailed(Text, errno);
    int Handle;
    do {
        // Non-blocking, so that opening a pipe or a device cannot hang; only
        // regular files are read.
        Handle = open(FileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    } while (Handle < 0 && errno == EINTR);
    if (Handle < 0) return ReadFailed(Text, errno);

    struct stat Info;
    int Reason = 0;
    if (fstat(Handle, &Info) != 0) {
        Reason = EIO;
    } else if (S_ISDIR(Info.st_mode)) {
        Reason = EISDIR;
    } else if (!S_ISREG(Info.st_mode)) {
        Reason = EINVAL;
    } else if (static_cast<uint64_t>(Info.st_size) > Limit) {
        Reason = EFBIG;
    } else {
        Text.resize(std::min(Count, static_cast<size_t>(Info.st_size)));
        size_t Done = 0;
        while (Done < Text.size()) {
            const ssize_t Read =
                Step() ? read(Handle, &Text[Done], Text.size() - Done) : ssize_t(-1);
            if (Read < 0 && errno == EINTR) continue;
            if (Read < 0) {
                Reason = EIO;
                break;
            }
            if (Read == 0) break;  // the file shrank since fstat: keep what is there
            Done += static_cast<size_t>(Read);
        }
        Text.resize(Done);
    }
    close(Handle);
    if (Reason != 0) return ReadFailed(Text, Reason);
    return true;
}

bool PlatformReadFile(const std::string& FileName, std::string& Text, size_t Limit) {
    return ReadRegularFile(FileName, Limit, Limit, Text);
}

bool PlatformReadFileStart(const std::string& FileName, size_t Count, std::string& Text) {
    return ReadRegularFile(FileName, Count, UINT64_MAX, Text);
}

// ---- New files ---------------------------------------------------------------

std::string FolderOfFile(const std::string& Path) {
    const size_t Slash = Path.rfind('/');
    if (Slash == std::string::npos) return ".";
    if (Slash == 0) return "/";
    return Path.substr(0, Slash);
}

// The file a path stands for: a symbolic link at the path is followed, link
// after link, to the name it finally points at, which may not exist yet.
// Anything but a link ends the walk, and the calls that follow report it.
static bool FollowLinks(const std::string& FileName, std::string& Path) {
    constexpr int32_t MaxLinks = 40;  // as the system's own limit
    Path = FileName;
    for (int32_t Links = 0; Links <= MaxLinks; ++Links) {
        struct stat Info;
        if (lstat(Path.c_str(), &Info) != 0 || !S_ISLNK(Info.st_mode)) return true;
        const std::string Link = ReadLinkText(Path);
        if (Link.empty()) return true;
        Path = Link[0] == '/' ? Link : FolderOfFile(Path) + "/" + Link;
    }
    errno = ELOOP;
    return false;
}

// A seed for the names of one new file: the process, the time and a counter.
static uint64_t NameSeed() {
    static uint64_t Counter = 0;
    struct timespec Now;
    clock_gettime(CLOCK_REALTIME, &Now);
    return (static_cast<uint64_t>(getpid()) << 32) ^ static_cast<uint64_t>(Now.tv_nsec) ^
           (static_cast<uint64_t>(Now.tv_sec) << 20) ^ (++Counter * 0x9E3779B97F4A7C15u);
}

// Creates "<Target>.XXXXXX" with Mode, retrying while the name is taken, so
// that no other file is ever reused or removed, and never through a link.
static int CreateUniqueFile(const std::string& Target, std::string& Name, mode_t Mode) {
    const uint64_t Seed = NameSeed();
    for (int32_t Attempt = 0; Attempt < MaxNameAttempts; ++Attempt) {
        Name = UniqueFileName(Target, Seed, Attempt);
        if (!Step()) return -1;
        int Handle;
        do {
            Handle = open(Name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, Mode);
        } while (Handle < 0 && errno == EINTR);
        if (Handle >= 0 || errno != EEXIST) return Handle;
    }
    errno = EEXIST;
    return -1;
}

// Opens a file for Target's new bytes. Where the system can, the file has no
// name yet (Linux's unnamed files), so that nothing is left of it when the
// program is killed before it is linked into place; elsewhere it is
// "<Target>.XXXXXX", which a second termination signal removes. Mode 0666 lets
// the user's umask apply as to any new file.
static int CreateBytesFile(const std::string& Target, std::string& Name, mode_t Mode) {
    Name.clear();
#if defined(O_TMPFILE) && !defined(__EMSCRIPTEN__)
    if (!Step()) return -1;
    int Handle;
    do {
        Handle = open(FolderOfFile(Target).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, Mode);
    } while (Handle < 0 && errno == EINTR);
    // File systems without unnamed files say so in one of these ways.
    if (Handle >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)) return Handle;
#endif
    const int Named = CreateUniqueFile(Target, Name, Mode);
    if (Named >= 0) AddPendingFile(Name);
    return Named;
}

// Gives the bytes file the name Name when no file has it: false, with errno
// (EEXIST when the name is taken).
static bool LinkBytesFile(int Handle, const std::string& Name, const std::string& At) {
    if (!Step()) return false;
#ifdef __EMSCRIPTEN__
    // The browser's file systems have no hard links: the name is reserved by an
    // exclusive create and the bytes renamed over it. The store sees the two
    // steps as one: it is synced after them (PlatformMakeDurable).
    if (!Name.empty()) {
        const int Reserved = open(At.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (Reserved < 0) return false;
        close(Reserved);
        if (rename(Name.c_str(), At.c_str()) == 0) return true;
        const int Error = errno;
        unlink(At.c_str());  // the name just reserved
        errno = Error;
        return false;
    }
#endif
    if (!Name.empty()) return link(Name.c_str(), At.c_str()) == 0;
#if defined(O_TMPFILE) && !defined(__EMSCRIPTEN__)
    // The name of an open unnamed file: directly where the process may, else
    // through its descriptor's entry in /proc.
    if (linkat(Handle, "", AT_FDCWD, At.c_str(), AT_EMPTY_PATH) == 0) return true;
    if (errno != EPERM && errno != ENOENT) return false;
    const std::string Entry = "/proc/self/fd/" + std::to_string(Handle);
    return linkat(AT_FDCWD, Entry.c_str(), AT_FDCWD, At.c_str(), AT_SYMLINK_FOLLOW) == 0;
#else
    (void)Handle;
    errno = EINVAL;
    return false;
#endif
}

// Writes all of Data; false, with errno, when it cannot.
static bool WriteAll(int Handle, const char* Data, size_t Size) {
    size_t Done = 0;
    while (Done < Size) {
        if (!Step()) return false;
        const ssize_t Count = write(Handle, Data + Done, Size - Done);
        if (Count < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        Done += static_cast<size_t>(Count);
    }
    return true;
}

bool PlatformCreateNewFile(const std::string& FileName, TNewFile& File) {
    File = TNewFile();
    if (!FollowLinks(FileName, File.Target)) return false;
    // Only a regular file is ever replaced: renaming over a folder, a pipe or a
    // device would destroy it.
    struct stat Existing;
    const bool Exists = lstat(File.Target.c_str(), &Existing) == 0;
    if (Exists && !S_ISREG(Existing.st_mode)) {
        errno = S_ISDIR(Existing.st_mode) ? EISDIR : EINVAL;
        return false;
    }
    // The rename needs only the folder's permission; a file the user protected
    // is refused as opening it for writing would be.
    if (faccessat(AT_FDCWD, File.Target.c_str(), W_OK, AT_EACCESS) != 0 && errno != ENOENT)
        return false;
    const int Handle = CreateBytesFile(File.Target, File.Name, 0666);
    if (Handle < 0) return false;
    File.Handle = Handle;
    if (Exists) (void)fchmod(Handle, Existing.st_mode & 07777);  // the old file's mode
    return true;
}

bool PlatformWriteNewFile(TNewFile& File, const char* Data, size_t Size) {
    return WriteAll(int(File.Handle), Data, Size);
}

bool PlatformCommitNewFile(TNewFile& File) {
    int Error = 0;
    if (!Step() || fsync(int(File.Handle)) != 0) Error = errno;
    // An unnamed file gets a name of its own beside the target first.
    if (Error == 0 && File.Name.empty()) {
        std::string Name;
        const uint64_t Seed = NameSeed();
        for (int32_t Attempt = 0; Attempt < MaxNameAttempts; ++Attempt) {
            Name = UniqueFileName(File.Target, Seed, Attempt);
            if (LinkBytesFile(int(File.Handle), std::string(), Name)) break;
            Name.clear();
            if (errno != EEXIST) break;
        }
        if (Name.empty()) {
            Error = errno != 0 ? errno : EEXIST;
        } else {
            File.Name = Name;
            AddPendingFile(Name);
        }
    }
    if ((!Step() || close(int(File.Handle)) != 0) && Error == 0) Error = errno;
    File.Handle = -1;
    if (Error == 0 && (!Step() || rename(File.Name.c_str(), File.Target.c_str()) != 0))
        Error = errno;
    if (Error != 0) {
        PlatformDiscardNewFile(File);
        errno = Error;
        return false;
    }
    DropPendingFile(File.Name);
    return PlatformMakeDurable(File.Target);
}

void PlatformDiscardNewFile(TNewFile& File) {
    const int Saved = errno;
    if (File.Handle >= 0) close(int(File.Handle));
    File.Handle = -1;
    if (!File.Name.empty()) {
        unlink(File.Name.c_str());  // our own file: its name was unique
        DropPendingFile(File.Name);
    }
    errno = Saved;
}

// ---- Files under names of their own -------------------------------------------

// A file whose bytes are written first and whose name is taken last, in one
// step, so that it appears whole or not at all.
namespace {
struct TBytesFile {
    int Handle = -1;
    std::string Name;  // its own name while it has one
};
}  // namespace

static bool OpenBytesFile(const std::string& Name, TBytesFile& File) {
    File.Handle = CreateBytesFile(Name, File.Name, 0600);
    if (File.Handle < 0) return false;
    (void)fchmod(File.Handle, 0600);  // the user's alone, whatever the umask
    return true;
}

static void DropBytesFile(TBytesFile& File) {
    const int Saved = errno;
    if (File.Handle >= 0) close(File.Handle);
    File.Handle = -1;
    if (!File.Name.empty()) {
        unlink(File.Name.c_str());
        DropPendingFile(File.Name);
        File.Name.clear();
    }
    errno = Saved;
}

// Syncs the bytes and gives them the first free name of Name, Name-2, ...; the
// name taken, or empty with errno. The bytes file is gone either way.
static std::string NameBytesFile(TBytesFile& File, const std::string& Name) {
    std::string Taken;
    int Error = 0;
    if (!Step() || fsync(File.Handle) != 0) Error = errno;
    for (int32_t Attempt = 0; Error == 0 && Attempt < MaxNameAttempts; ++Attempt) {
        const std::string Candidate = NumberedName(Name, Attempt);
        if (LinkBytesFile(File.Handle, File.Name, Candidate)) {
            Taken = Candidate;
            break;
        }
        if (errno != EEXIST) Error = errno;
    }
    if (Taken.empty() && Error == 0) Error = EEXIST;
    if ((!Step() || close(File.Handle) != 0) && Error == 0) {
        Error = errno;
        unlink(Taken.c_str());  // a name of ours, just taken
        Taken.clear();
    }
    File.Handle = -1;
    DropBytesFile(File);
    if (!Taken.empty()) (void)PlatformMakeDurable(Taken);
    errno = Error;
    return Taken;
}

std::string PlatformCreateFileNamed(const std::string& Name, const std::string& Text) {
    TBytesFile File;
    if (!OpenBytesFile(Name, File)) return std::string();
    if (!WriteAll(File.Handle, Text.data(), Text.size())) {
        DropBytesFile(File);
        return std::string();
    }
    return NameBytesFile(File, Name);
}

std::string PlatformKeepFile(const std::string& FileName, const std::string& KeptName) {
    if (!Step()) return std::string();
    // Opening follows a symbolic link: the bytes are its target's.
    const int From = open(FileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (From < 0) return std::string();
    TBytesFile File;
    if (!OpenBytesFile(KeptName, File)) {
        const int Error = errno;
        close(From);
        errno = Error;
        return std::string();
    }
    char Buffer[65536];
    for (;;) {
        const ssize_t Count = Step() ? read(From, Buffer, sizeof(Buffer)) : ssize_t(-1);
        if (Count < 0 && errno == EINTR) continue;
        if (Count == 0) break;
        if (Count < 0 || !WriteAll(File.Handle, Buffer, size_t(Count))) {
            const int Error = errno;
            close(From);
            DropBytesFile(File);
            errno = Error;
            return std::string();
        }
    }
    close(From);
    return NameBytesFile(File, KeptName);
}

void PlatformRemoveFile(const std::string& FileName) {
    // Made to last as a replace is: a journal that came back after a power cut,
    // or stayed in the browser's store, would be restored over a saved level.
    if (unlink(FileName.c_str()) == 0) (void)PlatformMakeDurable(FileName);
}

// A folder of the XDG base directories: the variable's value when it is an
// absolute path (a relative one is to be ignored), else Default in the home
// folder; without trailing separators; empty when no home folder is known.
static std::string XdgFolder(const char* Variable, const char* Default) {
    std::string Folder;
    const char* Value = std::getenv(Variable);
    const char* Home = std::getenv("HOME");
    if (Value != nullptr && Value[0] == '/') {
        Folder = Value;
    } else if (Home != nullptr && Home[0] == '/') {
        Folder = std::string(Home) + "/" + Default;
    } else {
        const struct passwd* Entry = getpwuid(geteuid());
        if (Entry != nullptr && Entry->pw_dir != nullptr && Entry->pw_dir[0] == '/')
            Folder = std::string(Entry->pw_dir) + "/" + Default;
    }
    while (Folder.size() > 1 && Folder.back() == '/') Folder.pop_back();
    return Folder;
}

bool PlatformMakeFolders(const std::string& Folder, std::string& Failed) {
    Failed.clear();
    for (size_t Slash = Folder.find('/', 1);; Slash = Folder.find('/', Slash + 1)) {
        const std::string Part = Folder.substr(0, Slash);
        if (!Step() || (mkdir(Part.c_str(), 0700) != 0 && errno != EEXIST)) {
            Failed = Part;
            return false;
        }
        if (Slash == std::string::npos) return true;
    }
}

static bool WritableFolder(const std::string& Folder) {
    struct stat Info;
    return stat(Folder.c_str(), &Info) == 0 && S_ISDIR(Info.st_mode) &&
           access(Folder.c_str(), W_OK | X_OK) == 0;
}

std::string PlatformStateFolder() {
    const std::string Folder = XdgFolder("XDG_STATE_HOME", ".local/state");
    return Folder.empty() ? std::string() : Folder + "/pex/";
}

// This run's own folder in the system's temporary folder: made once, with a
// name no one can foresee, for this user alone; empty when it cannot be made.
static std::string PrivateTemporaryFolder() {
    static std::string Made;
    struct stat Info;
    // Still the folder made, as made: ours, not a link, for us alone.
    if (!Made.empty() && lstat(Made.c_str(), &Info) == 0 && S_ISDIR(Info.st_mode) &&
        Info.st_uid == geteuid() && (Info.st_mode & 077) == 0)
        return Made + "/";
    Made.clear();
    const char* Temporary = std::getenv("TMPDIR");
    std::string Folder = Temporary != nullptr && Temporary[0] == '/' ? Temporary : "/tmp";
    while (Folder.size() > 1 && Folder.back() == '/') Folder.pop_back();
    std::string Pattern = Folder + "/pex-XXXXXX";
    if (!Step() || mkdtemp(&Pattern[0]) == nullptr) return std::string();
    Made = Pattern;
    return Made + "/";
}

std::vector<std::string> PlatformRecoveryFolders() {
    std::vector<std::string> Folders;
    const std::string State = PlatformStateFolder();
    std::string Failed;
    if (!State.empty() && PlatformMakeFolders(State.substr(0, State.size() - 1), Failed) &&
        WritableFolder(State))
        Folders.push_back(State);
    const std::string Temporary = PrivateTemporaryFolder();
    if (!Temporary.empty()) Folders.push_back(Temporary);
    return Folders;
}

void PlatformRemoveFileNow(const char* FileName) {
    unlink(FileName);
}
// ---- The user's files -------------------------------------------------------

std::string PlatformUserFolder(const std::string& AppFolder) {
    // The effective user's rights, as a file created there would get them; a
    // folder on a read-only file system is not writable either.
    const bool System = AppFolder.compare(0, 5, "/usr/") == 0;
    if (AppFolder.empty() ||
        (!System && faccessat(AT_FDCWD, AppFolder.c_str(), W_OK | X_OK, AT_EACCESS) == 0))
        return AppFolder;
    const std::string Data = XdgFolder("XDG_DATA_HOME", ".local/share");
    if (Data.empty()) return AppFolder;
    return Data + "/pex/";
}

void PlatformSeedFile(const std::string& Shipped, const std::string& UserCopy) {
    struct stat Info;
    if (UserCopy == Shipped || lstat(UserCopy.c_str(), &Info) == 0) return;
    std::string Failed;
    if (!PlatformMakeFolders(FolderOfFile(UserCopy), Failed))
        throw std::runtime_error("Cannot create folder \"" + Failed + "\". " +
                                 std::strerror(errno));
    std::string Text;
    if (PlatformReadFile(Shipped, Text)) PlatformReplaceFile(UserCopy, Text);
}

// ---- Reading a file in pieces ------------------------------------------------

bool PlatformOpenStream(const std::string& FileName, TFileStream& Stream) {
    PlatformCloseStream(Stream);
    int Handle;
    do {
        // Non-blocking, as a whole-file read opens: a pipe or a device never hangs.
        Handle = open(FileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    } while (Handle < 0 && errno == EINTR);
    if (Handle < 0) return false;
    struct stat Info;
    int Reason = 0;
    if (fstat(Handle, &Info) != 0)
        Reason = EIO;
    else if (S_ISDIR(Info.st_mode))
        Reason = EISDIR;
    else if (!S_ISREG(Info.st_mode))
        Reason = EINVAL;
    if (Reason != 0) {
        close(Handle);
        errno = Reason;
        return false;
    }
    Stream.Handle = Handle;
    return true;
}

bool PlatformReadStream(TFileStream& Stream, char* Buffer, size_t Size, size_t& Count) {
    Count = 0;
    for (;;) {
        const ssize_t Read = read(static_cast<int>(Stream.Handle), Buffer, Size);
        if (Read < 0 && errno == EINTR) continue;
        if (Read < 0) {
            errno = EIO;
            return false;
        }
        Count = static_cast<size_t>(Read);
        return true;
    }
}

bool PlatformRewindStream(TFileStream& Stream) {
    return lseek(static_cast<int>(Stream.Handle), 0, SEEK_SET) == 0;
}

void PlatformCloseStream(TFileStream& Stream) {
    if (Stream.Handle >= 0) close(static_cast<int>(Stream.Handle));
    Stream.Handle = -1;
}
