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

#include "PexPlatform.h"

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
            const ssize_t Read = read(Handle, &Text[Done], Text.size() - Done);
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

// Creates "<Target>.XXXXXX", retrying while the name is taken, so that no
// other file is ever reused or removed. Created with mode 0666, so the user's
// umask applies as to any new file.
static int CreateUniqueFile(const std::string& Target, std::string& Name) {
    constexpr int32_t Attempts = 100;
    static uint64_t Counter = 0;
    struct timespec Now;
    clock_gettime(CLOCK_REALTIME, &Now);
    const uint64_t Seed =
        (static_cast<uint64_t>(getpid()) << 32) ^ static_cast<uint64_t>(Now.tv_nsec) ^
        (static_cast<uint64_t>(Now.tv_sec) << 20) ^ (++Counter * 0x9E3779B97F4A7C15u);
    for (int32_t Attempt = 0; Attempt < Attempts; ++Attempt) {
        Name = UniqueFileName(Target, Seed, Attempt);
        int Handle;
        do {
            Handle = open(Name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        } while (Handle < 0 && errno == EINTR);
        if (Handle >= 0 || errno != EEXIST) return Handle;
    }
    errno = EEXIST;
    return -1;
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
    const int Handle = CreateUniqueFile(File.Target, File.Name);
    if (Handle < 0) return false;
    AddPendingFile(File.Name);
    File.Handle = Handle;
    if (Exists) (void)fchmod(Handle, Existing.st_mode & 07777);  // the old file's mode
    return true;
}

bool PlatformWriteNewFile(TNewFile& File, const char* Data, size_t Size) {
    size_t Done = 0;
    while (Done < Size) {
        const ssize_t Count = write(int(File.Handle), Data + Done, Size - Done);
        if (Count < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        Done += static_cast<size_t>(Count);
    }
    return true;
}

bool PlatformCommitNewFile(TNewFile& File) {
    int Error = 0;
    if (fsync(int(File.Handle)) != 0) Error = errno;
    if (close(int(File.Handle)) != 0 && Error == 0) Error = errno;
    File.Handle = -1;
    if (Error == 0 && rename(File.Name.c_str(), File.Target.c_str()) != 0) Error = errno;
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

bool PlatformKeepFile(const std::string& FileName, const std::string& KeptName) {
    if (link(FileName.c_str(), KeptName.c_str()) == 0) return true;
    // Hard links are not everywhere (some file systems, some mounts): copy instead.
    if (errno != EPERM && errno != EXDEV && errno != ENOTSUP && errno != EMLINK) return false;
    const int From = open(FileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (From < 0) return false;
    const int To = open(KeptName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (To < 0) {
        const int Error = errno;
        close(From);
        errno = Error;
        return false;
    }
    char Buffer[65536];
    int Error = 0;
    for (;;) {
        const ssize_t Count = read(From, Buffer, sizeof(Buffer));
        if (Count < 0 && errno == EINTR) continue;
        if (Count <= 0) {
            if (Count < 0) Error = errno;
            break;
        }
        size_t Done = 0;
        while (Done < size_t(Count) && Error == 0) {
            const ssize_t Written = write(To, Buffer + Done, size_t(Count) - Done);
            if (Written < 0 && errno != EINTR) Error = errno;
            if (Written > 0) Done += size_t(Written);
        }
        if (Error != 0) break;
    }
    if (Error == 0 && fsync(To) != 0) Error = errno;
    close(From);
    if (close(To) != 0 && Error == 0) Error = errno;
    if (Error != 0) {
        unlink(KeptName.c_str());
        errno = Error;
        return false;
    }
    return true;
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

// Makes Folder and its missing parents, each readable by this user alone; the
// part that could not be made, with errno, or empty.
static std::string MakeFolders(const std::string& Folder) {
    for (size_t Slash = Folder.find('/', 1);; Slash = Folder.find('/', Slash + 1)) {
        const std::string Part = Folder.substr(0, Slash);
        if (mkdir(Part.c_str(), 0700) != 0 && errno != EEXIST) return Part;
        if (Slash == std::string::npos) return std::string();
    }
}

static bool WritableFolder(const std::string& Folder) {
    struct stat Info;
    return stat(Folder.c_str(), &Info) == 0 && S_ISDIR(Info.st_mode) &&
           access(Folder.c_str(), W_OK | X_OK) == 0;
}

std::string PlatformRecoveryFolder() {
    std::string Folder = XdgFolder("XDG_STATE_HOME", ".local/state");
    if (!Folder.empty()) {
        Folder += "/pex";
        if (MakeFolders(Folder).empty() && WritableFolder(Folder)) return Folder + "/";
    }
    const char* Temporary = std::getenv("TMPDIR");
    Folder = Temporary != nullptr && Temporary[0] == '/' ? Temporary : "/tmp";
    while (Folder.size() > 1 && Folder.back() == '/') Folder.pop_back();
    return WritableFolder(Folder) ? Folder + "/" : std::string();
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
    const std::string Failed = MakeFolders(FolderOfFile(UserCopy));
    if (!Failed.empty())
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
