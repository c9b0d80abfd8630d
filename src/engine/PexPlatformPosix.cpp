#include <SDL2/SDL.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <stdexcept>
#include <vector>

#include "PexPlatform.h"

#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
#include <xmmintrin.h>
#define PEX_X86_FPU 1
#endif

// ---- Executable path --------------------------------------------------------

// The text of a symbolic link; empty when it cannot be read.
static std::string ReadLinkText(const std::string& LinkName) {
    std::vector<char> Buffer(256);
    for (;;) {
        const ssize_t Length = readlink(LinkName.c_str(), Buffer.data(), Buffer.size());
        if (Length < 0) return std::string();
        if (static_cast<size_t>(Length) < Buffer.size()) return std::string(Buffer.data(), Length);
        Buffer.resize(Buffer.size() * 2);  // the text may have been cut: try a larger buffer
    }
}

static bool EndsWith(const std::string& Text, const std::string& Tail) {
    return Text.size() >= Tail.size() &&
           Text.compare(Text.size() - Tail.size(), Tail.size(), Tail) == 0;
}

static bool SameFile(const struct stat& A, const struct stat& B) {
    return A.st_dev == B.st_dev && A.st_ino == B.st_ino;
}

std::string PlatformExecutablePath() {
    std::string Path = ReadLinkText("/proc/self/exe");
    // Once the running file is removed or replaced (a rebuild during play), the
    // kernel adds this mark to the link's text. The mark is dropped unless a file
    // of that very name is the running executable itself.
    static const std::string DeletedMark = " (deleted)";
    if (EndsWith(Path, DeletedMark)) {
        struct stat Running, Named;
        const bool Alive = stat("/proc/self/exe", &Running) == 0 &&
                           stat(Path.c_str(), &Named) == 0 && SameFile(Running, Named);
        if (!Alive) Path.erase(Path.size() - DeletedMark.size());
    }
    return Path;
}

// ---- Reading a whole file ---------------------------------------------------

static bool ReadFailed(std::string& Text, int Reason) {
    Text.clear();
    errno = Reason;
    return false;
}

bool PlatformReadFile(const std::string& FileName, std::string& Text) {
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
    } else if (static_cast<uint64_t>(Info.st_size) > MaxWholeFileSize) {
        Reason = EFBIG;
    } else {
        Text.resize(static_cast<size_t>(Info.st_size));
        size_t Done = 0;
        while (Done < Text.size()) {
            const ssize_t Count = read(Handle, &Text[Done], Text.size() - Done);
            if (Count < 0 && errno == EINTR) continue;
            if (Count < 0) {
                Reason = EIO;
                break;
            }
            if (Count == 0) break;  // the file shrank since fstat: keep what is there
            Done += static_cast<size_t>(Count);
        }
        Text.resize(Done);
    }
    close(Handle);
    if (Reason != 0) return ReadFailed(Text, Reason);
    return true;
}

// ---- Replacing a file -------------------------------------------------------

static std::runtime_error CreateError(const std::string& FileName, int Error) {
    return std::runtime_error("Cannot create file \"" + FileName + "\". " + std::strerror(Error));
}

static std::string FolderOf(const std::string& Path) {
    const size_t Slash = Path.rfind('/');
    if (Slash == std::string::npos) return ".";
    if (Slash == 0) return "/";
    return Path.substr(0, Slash);
}

// The file a path stands for: a symbolic link at the path is followed, link
// after link, to the name it finally points at, which may not exist yet.
// Anything but a link ends the walk, and the calls that follow report it.
static std::string FollowLinks(const std::string& FileName) {
    constexpr int32_t MaxLinks = 40;  // as the system's own limit
    std::string Path = FileName;
    for (int32_t Links = 0; Links <= MaxLinks; ++Links) {
        struct stat Info;
        if (lstat(Path.c_str(), &Info) != 0 || !S_ISLNK(Info.st_mode)) return Path;
        const std::string Link = ReadLinkText(Path);
        if (Link.empty()) return Path;
        Path = Link[0] == '/' ? Link : FolderOf(Path) + "/" + Link;
    }
    throw CreateError(FileName, ELOOP);
}

static int WriteAll(int Handle, const std::string& Text) {
    size_t Done = 0;
    while (Done < Text.size()) {
        const ssize_t Count = write(Handle, Text.data() + Done, Text.size() - Done);
        if (Count < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        Done += static_cast<size_t>(Count);
    }
    return 0;
}

// Creates "<Target>.XXXXXX" with six random letters and digits, retrying while
// the name is taken, so that no other file is ever reused or removed. Created
// with mode 0666, so the user's umask applies as to any new file.
static int CreateUniqueFile(const std::string& Target, std::string& TempName) {
    static const char Letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    constexpr uint64_t LetterCount = sizeof(Letters) - 1;
    constexpr int32_t Attempts = 100;
    static uint64_t Counter = 0;
    struct timespec Now;
    clock_gettime(CLOCK_REALTIME, &Now);
    uint64_t Seed = (static_cast<uint64_t>(getpid()) << 32) ^ static_cast<uint64_t>(Now.tv_nsec) ^
                    (static_cast<uint64_t>(Now.tv_sec) << 20) ^ (++Counter * 0x9E3779B97F4A7C15u);
    for (int32_t Attempt = 0; Attempt < Attempts; ++Attempt) {
        // splitmix64: a well-mixed value from a plain counter.
        Seed += 0x9E3779B97F4A7C15u;
        uint64_t Bits = Seed;
        Bits = (Bits ^ (Bits >> 30)) * 0xBF58476D1CE4E5B9u;
        Bits = (Bits ^ (Bits >> 27)) * 0x94D049BB133111EBu;
        Bits ^= Bits >> 31;
        TempName = Target + ".";
        for (int32_t I = 0; I < 6; ++I) {
            TempName += Letters[Bits % LetterCount];
            Bits /= LetterCount;
        }
        int Handle;
        do {
            Handle =
                open(TempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        } while (Handle < 0 && errno == EINTR);
        if (Handle >= 0 || errno != EEXIST) return Handle;
    }
    errno = EEXIST;
    return -1;
}

void PlatformReplaceFile(const std::string& FileName, const std::string& Text) {
    const std::string Target = FollowLinks(FileName);
    // Only a regular file is ever replaced: renaming over a folder, a pipe or a
    // device would destroy it.
    struct stat Existing;
    if (lstat(Target.c_str(), &Existing) == 0 && !S_ISREG(Existing.st_mode))
        throw CreateError(FileName, S_ISDIR(Existing.st_mode) ? EISDIR : EINVAL);
    // The rename needs only the folder's permission; a file the user protected
    // is refused as opening it for writing would be.
    if (faccessat(AT_FDCWD, Target.c_str(), W_OK, AT_EACCESS) != 0 && errno != ENOENT)
        throw CreateError(FileName, errno);

    std::string TempName;
    const int Handle = CreateUniqueFile(Target, TempName);
    if (Handle < 0) throw CreateError(FileName, errno);

    struct stat Old;
    if (stat(Target.c_str(), &Old) == 0 && S_ISREG(Old.st_mode)) {
        (void)fchmod(Handle, Old.st_mode & 07777);  // the new file keeps the old one's mode
    }
    int Error = WriteAll(Handle, Text);
    if (Error == 0 && fsync(Handle) != 0) Error = errno;
    if (close(Handle) != 0 && Error == 0) Error = errno;
    if (Error == 0 && rename(TempName.c_str(), Target.c_str()) != 0) Error = errno;
    if (Error != 0) {
        unlink(TempName.c_str());  // our own file: its name was unique
        throw CreateError(FileName, Error);
    }
    // Make the rename itself durable; a folder that cannot be synced loses nothing.
    const int FolderHandle = open(FolderOf(Target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (FolderHandle >= 0) {
        (void)fsync(FolderHandle);
        close(FolderHandle);
    }
}

// ---- Shared libraries -------------------------------------------------------

void* PlatformLoadLibrary(const char* FileName) {
    return dlopen(FileName, RTLD_NOW | RTLD_LOCAL);
}

void* PlatformFindSymbol(void* Library, const char* Name) {
    return dlsym(Library, Name);
}

void PlatformFreeLibrary(void* Library) {
    dlclose(Library);
}

// ---- Floating point ---------------------------------------------------------

void PlatformMaskFloatExceptions(uint16_t& SavedControlWord, uint32_t& SavedMXCSR) {
#ifdef PEX_X86_FPU
    uint16_t ControlWord = 0;
    __asm__ __volatile__("fnstcw %0" : "=m"(ControlWord));
    SavedControlWord = ControlWord;
    ControlWord = MaskedFPUControlWord;
    __asm__ __volatile__("fldcw %0" : : "m"(ControlWord));
    SavedMXCSR = _mm_getcsr();
    _mm_setcsr(SavedMXCSR | MXCSRExceptionMasks);
#else
    SavedControlWord = 0;
    SavedMXCSR = 0;
#endif
}

void PlatformRestoreFloatState(uint16_t ControlWord, uint32_t MXCSR) {
#ifdef PEX_X86_FPU
    __asm__ __volatile__("fldcw %0" : : "m"(ControlWord));
    _mm_setcsr(MXCSR);
#else
    (void)ControlWord;
    (void)MXCSR;
#endif
}

// ---- Error box --------------------------------------------------------------

bool PlatformShowErrorBox(const char* Title, const std::string& Message, std::string& Reason) {
    if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, Title, Message.c_str(), nullptr) == 0)
        return true;
    Reason = SDL_GetError();
    return false;
}

// ---- The user's files -------------------------------------------------------

// The data folder of the XDG base directories: $XDG_DATA_HOME when it is an
// absolute path (a relative one is to be ignored), else .local/share in the
// home folder; empty when no home folder is known either.
static std::string DataHome() {
    const char* Data = std::getenv("XDG_DATA_HOME");
    if (Data != nullptr && Data[0] == '/') return Data;
    std::string Home;
    const char* HomeVariable = std::getenv("HOME");
    if (HomeVariable != nullptr && HomeVariable[0] == '/') {
        Home = HomeVariable;
    } else {
        const struct passwd* Entry = getpwuid(geteuid());
        if (Entry != nullptr && Entry->pw_dir != nullptr && Entry->pw_dir[0] == '/')
            Home = Entry->pw_dir;
    }
    if (Home.empty()) return Home;
    return Home + "/.local/share";
}

std::string PlatformUserFolder(const std::string& AppFolder) {
    // The effective user's rights, as a file created there would get them; a
    // folder on a read-only file system is not writable either.
    if (AppFolder.empty() || faccessat(AT_FDCWD, AppFolder.c_str(), W_OK | X_OK, AT_EACCESS) == 0)
        return AppFolder;
    std::string Data = DataHome();
    while (!Data.empty() && Data.back() == '/') Data.pop_back();
    if (Data.empty()) return AppFolder;
    return Data + "/pex/";
}

// Makes Folder and its missing parents, each readable by this user alone.
static void MakeFolders(const std::string& Folder) {
    size_t End = 0;
    do {
        End = Folder.find('/', End + 1);
        const std::string Part = Folder.substr(0, End);
        if (mkdir(Part.c_str(), 0700) != 0 && errno != EEXIST)
            throw std::runtime_error("Cannot create folder \"" + Part + "\". " +
                                     std::strerror(errno));
    } while (End != std::string::npos && End + 1 < Folder.size());
}

void PlatformSeedFile(const std::string& Shipped, const std::string& UserCopy) {
    struct stat Info;
    if (UserCopy == Shipped || lstat(UserCopy.c_str(), &Info) == 0) return;
    MakeFolders(FolderOf(UserCopy));
    std::string Text;
    if (PlatformReadFile(Shipped, Text)) PlatformReplaceFile(UserCopy, Text);
}
