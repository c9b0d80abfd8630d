#include "PexPlatformInternal.h"

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// After windows.h, whose types it uses: RtlGenRandom.
#include <ntsecapi.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <vector>

// The errno value for a Windows error code, so that messages read the same as
// on other systems (strerror's texts).
static int ErrnoOf(DWORD Error) {
    switch (Error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
        case ERROR_DIRECTORY:
            return ENOENT;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_WRITE_PROTECT:
        case ERROR_CURRENT_DIRECTORY:
            return EACCES;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return EEXIST;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return ENOSPC;
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY:
            return ENOMEM;
        case ERROR_TOO_MANY_OPEN_FILES:
            return EMFILE;
        case ERROR_FILENAME_EXCED_RANGE:
            return ENAMETOOLONG;
        case ERROR_NOT_SAME_DEVICE:
            return EXDEV;
        default:
            return EIO;
    }
}

static bool IsFolder(const std::wstring& Path) {
    const DWORD Attributes = GetFileAttributesW(Path.c_str());
    return Attributes != INVALID_FILE_ATTRIBUTES && (Attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// File names are byte strings in the system's ANSI code page, as the ...A
// calls take them; the wide calls get them converted.
static std::wstring Widen(const std::string& Text) {
    if (Text.empty()) return std::wstring();
    const int Length =
        MultiByteToWideChar(CP_ACP, 0, Text.data(), static_cast<int>(Text.size()), nullptr, 0);
    std::wstring Wide(static_cast<size_t>(Length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, Text.data(), static_cast<int>(Text.size()), &Wide[0], Length);
    return Wide;
}

// Counts a file step (FileStepFault): the Windows error code it is to fail
// with, 0 when it is to be made.
static DWORD StepFault() {
    return static_cast<DWORD>(FileStepFault());
}

// Counts a file step; false, with the code as the last error, when it is to
// fail, so that the caller reports it as the call's own failure.
static bool Step() {
    const DWORD Code = StepFault();
    if (Code != NO_ERROR) SetLastError(Code);
    return Code == NO_ERROR;
}

// ---- Executable path --------------------------------------------------------

std::string PlatformExecutablePath() {
    std::vector<char> Buffer(MAX_PATH);
    for (;;) {
        const DWORD Length =
            GetModuleFileNameA(nullptr, Buffer.data(), static_cast<DWORD>(Buffer.size()));
        if (Length == 0) return std::string();
        if (Length < Buffer.size()) return std::string(Buffer.data(), Length);
        Buffer.resize(Buffer.size() * 2);  // the name was cut: try a larger buffer
    }
}

// ---- Reading a whole file ---------------------------------------------------

static bool ReadFailed(std::string& Text, int Reason) {
    Text.clear();
    errno = Reason;
    return false;
}

// Reads at most Count bytes of a disk file; a file larger than Limit fails with EFBIG.
static bool ReadDiskFile(const std::string& FileName, size_t Count, uint64_t Limit,
                         std::string& Text) {
    Text.clear();
    const HANDLE Handle = Step()
                              ? CreateFileW(Widen(FileName).c_str(), GENERIC_READ,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)
                              : INVALID_HANDLE_VALUE;
    if (Handle == INVALID_HANDLE_VALUE) {
        const DWORD Error = GetLastError();
        // A folder cannot be opened as a file; say so rather than "denied".
        if (Error == ERROR_ACCESS_DENIED && IsFolder(Widen(FileName)))
            return ReadFailed(Text, EISDIR);
        return ReadFailed(Text, ErrnoOf(Error));
    }

    int Reason = 0;
    LARGE_INTEGER Size;
    if (GetFileType(Handle) != FILE_TYPE_DISK) {
        Reason = EINVAL;  // a console, a pipe or a device: never read
    } else if (!GetFileSizeEx(Handle, &Size)) {
        Reason = EIO;
    } else if (static_cast<uint64_t>(Size.QuadPart) > Limit) {
        Reason = EFBIG;
    } else {
        Text.resize(std::min<uint64_t>(Count, static_cast<uint64_t>(Size.QuadPart)));
        size_t Done = 0;
        while (Done < Text.size()) {
            const DWORD Chunk = static_cast<DWORD>(std::min<size_t>(Text.size() - Done, 1u << 30));
            DWORD Read = 0;
            if (!Step() || !ReadFile(Handle, &Text[Done], Chunk, &Read, nullptr)) {
                Reason = EIO;
                break;
            }
            if (Read == 0) break;  // the file shrank since its size was taken: keep what is there
            Done += Read;
        }
        Text.resize(Done);
    }
    CloseHandle(Handle);
    if (Reason != 0) return ReadFailed(Text, Reason);
    return true;
}

bool PlatformReadFile(const std::string& FileName, std::string& Text, size_t Limit) {
    return ReadDiskFile(FileName, Limit, Limit, Text);
}

bool PlatformReadFileStart(const std::string& FileName, size_t Count, std::string& Text) {
    return ReadDiskFile(FileName, Count, UINT64_MAX, Text);
}

// ---- New files ---------------------------------------------------------------

// The file a name stands for: an existing symbolic link or junction is
// followed to its final target, which is replaced while the link stays. A
// name that does not exist yet stands for itself.
static std::wstring FinalPath(const std::wstring& Path) {
    const HANDLE Handle =
        CreateFileW(Path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (Handle == INVALID_HANDLE_VALUE) return Path;
    std::wstring Final(MAX_PATH, L'\0');
    DWORD Length = GetFinalPathNameByHandleW(Handle, &Final[0], static_cast<DWORD>(Final.size()),
                                             FILE_NAME_NORMALIZED);
    if (Length >= Final.size()) {
        Final.resize(Length + 1);
        Length = GetFinalPathNameByHandleW(Handle, &Final[0], static_cast<DWORD>(Final.size()),
                                           FILE_NAME_NORMALIZED);
    }
    CloseHandle(Handle);
    if (Length == 0 || Length >= Final.size()) return Path;
    Final.resize(Length);
    return Final;
}

// Back to the ANSI code page the rest of the program's names are in.
static std::string Narrow(const std::wstring& Text) {
    if (Text.empty()) return std::string();
    const int Length = WideCharToMultiByte(CP_ACP, 0, Text.data(), static_cast<int>(Text.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string Narrowed(static_cast<size_t>(Length), '\0');
    WideCharToMultiByte(CP_ACP, 0, Text.data(), static_cast<int>(Text.size()), &Narrowed[0], Length,
                        nullptr, nullptr);
    return Narrowed;
}

static bool Failed(DWORD Error) {
    errno = ErrnoOf(Error);
    return false;
}

// Access for the current user alone, for the files and folders that hold the
// user's work outside its own place: a protected access list with one entry,
// which what is made in such a folder inherits. Where the system cannot tell
// the user, Get() is null and the folder's own rules apply.
namespace {
class TUsersOwn {
public:
    TUsersOwn() {
        HANDLE Token;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &Token)) return;
        DWORD Size = 0;
        GetTokenInformation(Token, TokenUser, nullptr, 0, &Size);
        User.resize(Size);
        const bool Known =
            Size != 0 && GetTokenInformation(Token, TokenUser, User.data(), Size, &Size);
        CloseHandle(Token);
        if (!Known) return;
        const PSID Sid = reinterpret_cast<TOKEN_USER*>(User.data())->User.Sid;
        List.resize(sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(Sid));
        PACL Acl = reinterpret_cast<PACL>(List.data());
        Ready = InitializeAcl(Acl, static_cast<DWORD>(List.size()), ACL_REVISION) &&
                AddAccessAllowedAceEx(Acl, ACL_REVISION, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE,
                                      FILE_ALL_ACCESS, Sid) &&
                InitializeSecurityDescriptor(&Descriptor, SECURITY_DESCRIPTOR_REVISION) &&
                SetSecurityDescriptorDacl(&Descriptor, TRUE, Acl, FALSE) &&
                SetSecurityDescriptorControl(&Descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
        Attributes = SECURITY_ATTRIBUTES{sizeof(SECURITY_ATTRIBUTES), &Descriptor, FALSE};
    }
    TUsersOwn(const TUsersOwn&) = delete;
    TUsersOwn& operator=(const TUsersOwn&) = delete;
    SECURITY_ATTRIBUTES* Get() { return Ready ? &Attributes : nullptr; }

private:
    std::vector<uint8_t> User, List;
    SECURITY_DESCRIPTOR Descriptor{};
    SECURITY_ATTRIBUTES Attributes{};
    bool Ready = false;
};
}  // namespace

// A seed for the names of one new file or folder, from the system's random
// source, so that no one can foresee them; the time, the process and a
// counter where it gives none.
static uint64_t NameSeed() {
    static uint64_t Counter = 0;
    uint64_t Seed = 0;
    if (RtlGenRandom(&Seed, sizeof(Seed))) return Seed ^ ++Counter;
    LARGE_INTEGER Now;
    QueryPerformanceCounter(&Now);
    return (static_cast<uint64_t>(GetCurrentProcessId()) << 32) ^
           static_cast<uint64_t>(Now.QuadPart) ^ (++Counter * 0x9E3779B97F4A7C15u);
}

// Creates "<Target>.XXXXXX", retrying while the name is taken, so that no
// other file is ever reused or removed; a link at the name counts as taken,
// and is never followed.
static HANDLE CreateUniqueFile(const std::string& Target, std::string& Name,
                               SECURITY_ATTRIBUTES* Security = nullptr) {
    const uint64_t Seed = NameSeed();
    for (int32_t Attempt = 0; Attempt < MaxNameAttempts; ++Attempt) {
        Name = UniqueFileName(Target, Seed, Attempt);
        const HANDLE Handle =
            Step() ? CreateFileW(Widen(Name).c_str(), GENERIC_WRITE, 0, Security, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr)
                   : INVALID_HANDLE_VALUE;
        if (Handle != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return Handle;
    }
    SetLastError(ERROR_FILE_EXISTS);
    return INVALID_HANDLE_VALUE;
}

// Closes a handle the program wrote; the error of the close, or of the step
// made to fail. The handle is closed either way: one left open would keep its
// file from being removed.
static DWORD CloseWritten(HANDLE Handle) {
    const DWORD Fault = StepFault();
    if (!CloseHandle(Handle)) return GetLastError();
    return Fault;
}

// Writes all of Data; false, with errno, when it cannot.
static bool WriteAll(HANDLE Handle, const char* Data, size_t Size) {
    size_t Done = 0;
    while (Done < Size) {
        const DWORD Chunk = static_cast<DWORD>(std::min<size_t>(Size - Done, 1u << 30));
        DWORD Count = 0;
        if (!Step() || !WriteFile(Handle, Data + Done, Chunk, &Count, nullptr))
            return Failed(GetLastError());
        Done += Count;
    }
    return true;
}

bool PlatformCreateNewFile(const std::string& FileName, TNewFile& File) {
    File = TNewFile();
    File.Target = Narrow(FinalPath(Widen(FileName)));
    const DWORD Attributes = GetFileAttributesW(Widen(File.Target).c_str());
    const bool Exists = Attributes != INVALID_FILE_ATTRIBUTES;
    // A file the user marked read-only is refused, as opening it for writing
    // would be; a folder is never replaced.
    if (Exists && (Attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        errno = EISDIR;
        return false;
    }
    if (Exists && (Attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        errno = EACCES;
        return false;
    }
    const HANDLE Handle = CreateUniqueFile(File.Target, File.Name);
    if (Handle == INVALID_HANDLE_VALUE) return Failed(GetLastError());
    File.Handle = reinterpret_cast<intptr_t>(Handle);
    AddPendingFile(File.Name);
    return true;
}

bool PlatformWriteNewFile(TNewFile& File, const char* Data, size_t Size) {
    return WriteAll(reinterpret_cast<HANDLE>(File.Handle), Data, Size);
}

bool PlatformCommitNewFile(TNewFile& File) {
    const HANDLE Handle = reinterpret_cast<HANDLE>(File.Handle);
    DWORD Error = NO_ERROR;
    if (!Step() || !FlushFileBuffers(Handle)) Error = GetLastError();
    const DWORD Closed = CloseWritten(Handle);
    if (Error == NO_ERROR) Error = Closed;
    File.Handle = -1;
    if (Error == NO_ERROR && !Step()) Error = GetLastError();
    if (Error == NO_ERROR) {
        const std::wstring Target = Widen(File.Target), Name = Widen(File.Name);
        // ReplaceFileW keeps the old file's attributes and security; where it
        // cannot work (no old file, another volume) the new file is moved over.
        const bool Exists = GetFileAttributesW(Target.c_str()) != INVALID_FILE_ATTRIBUTES;
        const bool Replaced =
            Exists && ReplaceFileW(Target.c_str(), Name.c_str(), nullptr,
                                   REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr);
        if (!Replaced && !MoveFileExW(Name.c_str(), Target.c_str(),
                                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            Error = GetLastError();
    }
    if (Error != NO_ERROR) {
        PlatformDiscardNewFile(File);
        return Failed(Error);
    }
    DropPendingFile(File.Name);
    return true;
}

void PlatformDiscardNewFile(TNewFile& File) {
    const int Saved = errno;
    if (File.Handle != -1) CloseHandle(reinterpret_cast<HANDLE>(File.Handle));
    File.Handle = -1;
    if (!File.Name.empty()) {
        DeleteFileW(Widen(File.Name).c_str());  // our own file
        DropPendingFile(File.Name);
    }
    errno = Saved;
}

// ---- Files under names of their own -------------------------------------------

// A file whose bytes are written first, under a name of its own that no one
// can foresee, and whose name is taken last, in one step, so that it appears
// whole or not at all.
namespace {
struct TBytesFile {
    HANDLE Handle = INVALID_HANDLE_VALUE;
    std::string Name;  // its own name while it has one
};
}  // namespace

static bool OpenBytesFile(const std::string& Name, TBytesFile& File) {
    TUsersOwn Security;
    File.Handle = CreateUniqueFile(Name, File.Name, Security.Get());
    if (File.Handle == INVALID_HANDLE_VALUE) {
        File.Name.clear();
        return Failed(GetLastError());
    }
    AddPendingFile(File.Name);
    return true;
}

static void DropBytesFile(TBytesFile& File) {
    const int Saved = errno;
    if (File.Handle != INVALID_HANDLE_VALUE) CloseHandle(File.Handle);
    File.Handle = INVALID_HANDLE_VALUE;
    if (!File.Name.empty()) {
        DeleteFileW(Widen(File.Name).c_str());
        DropPendingFile(File.Name);
        File.Name.clear();
    }
    errno = Saved;
}

// Flushes the bytes and gives them the first free name of Name, Name-2, ...:
// a move that fails when the name is taken (a file, a folder or a link, which
// is never followed). The name taken, or empty with errno. The bytes file is
// gone either way.
static std::string NameBytesFile(TBytesFile& File, const std::string& Name) {
    std::string Taken;
    DWORD Error = NO_ERROR;
    if (!Step() || !FlushFileBuffers(File.Handle)) Error = GetLastError();
    const DWORD Closed = CloseWritten(File.Handle);
    File.Handle = INVALID_HANDLE_VALUE;
    if (Error == NO_ERROR) Error = Closed;
    const std::wstring Bytes = Widen(File.Name);
    for (int32_t Attempt = 0; Error == NO_ERROR && Attempt < MaxNameAttempts; ++Attempt) {
        const std::string Candidate = NumberedName(Name, Attempt);
        if (Step() &&
            MoveFileExW(Bytes.c_str(), Widen(Candidate).c_str(), MOVEFILE_WRITE_THROUGH)) {
            Taken = Candidate;
            DropPendingFile(File.Name);
            File.Name.clear();
            break;
        }
        const DWORD Reason = GetLastError();
        if (Reason != ERROR_ALREADY_EXISTS && Reason != ERROR_FILE_EXISTS) Error = Reason;
    }
    if (Taken.empty() && Error == NO_ERROR) Error = ERROR_FILE_EXISTS;
    DropBytesFile(File);
    if (Taken.empty()) Failed(Error);
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
    // Opening follows a link: the bytes are its target's.
    const HANDLE From = Step() ? CreateFileW(Widen(FileName).c_str(), GENERIC_READ,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)
                               : INVALID_HANDLE_VALUE;
    if (From == INVALID_HANDLE_VALUE) {
        Failed(GetLastError());
        return std::string();
    }
    if (GetFileType(From) != FILE_TYPE_DISK) {  // a device or a pipe: never read
        CloseHandle(From);
        errno = EINVAL;
        return std::string();
    }
    TBytesFile File;
    if (!OpenBytesFile(KeptName, File)) {
        const int Error = errno;
        CloseHandle(From);
        errno = Error;
        return std::string();
    }
    std::vector<char> Buffer(65536);
    for (;;) {
        DWORD Count = 0;
        if (!Step() ||
            !ReadFile(From, Buffer.data(), static_cast<DWORD>(Buffer.size()), &Count, nullptr)) {
            Failed(GetLastError());
            CloseHandle(From);
            DropBytesFile(File);
            return std::string();
        }
        if (Count == 0) break;
        if (!WriteAll(File.Handle, Buffer.data(), Count)) {
            CloseHandle(From);
            DropBytesFile(File);
            return std::string();
        }
    }
    CloseHandle(From);
    return NameBytesFile(File, KeptName);
}

void PlatformRemoveFile(const std::string& FileName) {
    DeleteFileW(Widen(FileName).c_str());
}

static bool IsDelim(char C) {
    return C == '\\' || C == '/';
}

bool PlatformMakeFolders(const std::string& Folder, std::string& Failed) {
    Failed.clear();
    // The parts before the first folder name (a drive "C:" or a share
    // "\\server\share") are taken as they are.
    size_t Start = 0;
    if (Folder.size() >= 2 && IsDelim(Folder[0]) && IsDelim(Folder[1])) {
        Start = Folder.find_first_of("\\/", 2);  // after the server
        if (Start != std::string::npos)
            Start = Folder.find_first_of("\\/", Start + 1);  // the share
    } else if (Folder.size() >= 2 && Folder[1] == ':') {
        Start = 2;
    }
    TUsersOwn Security;
    while (Start != std::string::npos && Start < Folder.size()) {
        const size_t End = Folder.find_first_of("\\/", Start + 1);
        const std::string Part = Folder.substr(0, End);
        Start = End;
        if (IsDelim(Part.back())) continue;
        const std::wstring Wide = Widen(Part);
        if (Step() && CreateDirectoryW(Wide.c_str(), Security.Get())) continue;
        const DWORD Error = GetLastError();
        // A folder that is there already, or that the user may not make but
        // is there (a drive's root, a protected parent), is passed.
        if ((Error == ERROR_ALREADY_EXISTS || Error == ERROR_FILE_EXISTS ||
             Error == ERROR_ACCESS_DENIED) &&
            IsFolder(Wide))
            continue;
        Failed = Part;
        if (Error == ERROR_ALREADY_EXISTS || Error == ERROR_FILE_EXISTS) {
            errno = ENOTDIR;  // a file holds the folder's name
            return false;
        }
        return ::Failed(Error);
    }
    return true;
}

// The value of an environment variable; empty when it is not set.
static std::wstring Variable(const wchar_t* Name) {
    std::wstring Value(MAX_PATH, L'\0');
    DWORD Length = GetEnvironmentVariableW(Name, &Value[0], static_cast<DWORD>(Value.size()));
    if (Length >= Value.size()) {
        Value.resize(Length);
        Length = GetEnvironmentVariableW(Name, &Value[0], static_cast<DWORD>(Value.size()));
    }
    Value.resize(Length < Value.size() ? Length : 0);
    return Value;
}

// Without its trailing separators, a drive's root ("C:\") excepted.
static std::wstring WithoutTrailingDelims(std::wstring Folder) {
    while (Folder.size() > 3 && (Folder.back() == L'\\' || Folder.back() == L'/'))
        Folder.pop_back();
    return Folder;
}

std::string PlatformStateFolder() {
    const std::wstring Local = Variable(L"LOCALAPPDATA");
    if (Local.empty()) return std::string();
    return Narrow(WithoutTrailingDelims(Local) + L"\\Pex\\");
}

// Whether Folder is a folder itself, not a link or junction to one.
static bool IsPlainFolder(const std::wstring& Folder) {
    const DWORD Attributes = GetFileAttributesW(Folder.c_str());
    return Attributes != INVALID_FILE_ATTRIBUTES && (Attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
           (Attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

// This run's own folder in the user's temporary folder: made once, with a name
// no one can foresee (a folder of that name already there is never taken),
// for this user alone; empty when it cannot be made.
static std::string PrivateTemporaryFolder() {
    static std::string Made;
    if (!Made.empty() && IsPlainFolder(Widen(Made))) return Made + "\\";
    Made.clear();
    wchar_t Buffer[MAX_PATH + 1];
    const DWORD Length = GetTempPathW(MAX_PATH + 1, Buffer);
    if (Length == 0 || Length > MAX_PATH) {
        Failed(GetLastError());
        return std::string();
    }
    const std::string Base = Narrow(WithoutTrailingDelims(std::wstring(Buffer, Length))) + "\\pex";
    TUsersOwn Security;
    const uint64_t Seed = NameSeed();
    for (int32_t Attempt = 0; Attempt < MaxNameAttempts; ++Attempt) {
        const std::string Folder = UniqueFileName(Base, Seed, Attempt);
        if (Step() && CreateDirectoryW(Widen(Folder).c_str(), Security.Get())) {
            Made = Folder;
            return Made + "\\";
        }
        const DWORD Error = GetLastError();
        if (Error != ERROR_ALREADY_EXISTS && Error != ERROR_FILE_EXISTS) {
            Failed(Error);
            return std::string();
        }
    }
    errno = EEXIST;
    return std::string();
}

std::vector<std::string> PlatformRecoveryFolders() {
    std::vector<std::string> Folders;
    const std::string State = PlatformStateFolder();
    std::string Failed;
    if (!State.empty() && PlatformMakeFolders(State.substr(0, State.size() - 1), Failed))
        Folders.push_back(State);
    const std::string Temporary = PrivateTemporaryFolder();
    if (!Temporary.empty()) Folders.push_back(Temporary);
    return Folders;
}

void PlatformRemoveFileNow(const char* FileName) {
    DeleteFileA(FileName);
}

// ---- Shared libraries -------------------------------------------------------

void* PlatformLoadLibrary(const char* FileName) {
    // No "cannot find the DLL" box from the system: a missing library is the
    // caller's to handle.
    const UINT OldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    void* Library = reinterpret_cast<void*>(LoadLibraryA(FileName));
    SetErrorMode(OldMode);
    return Library;
}

void* PlatformFindSymbol(void* Library, const char* Name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(Library), Name));
}

void PlatformFreeLibrary(void* Library) {
    FreeLibrary(static_cast<HMODULE>(Library));
}

// ---- Error box --------------------------------------------------------------

bool PlatformShowErrorBox(const char* Title, const std::string& Message, std::string& Reason) {
    if (MessageBoxA(nullptr, Message.c_str(), Title, MB_OK | MB_ICONERROR | MB_TASKMODAL) != 0)
        return true;
    const DWORD Error = GetLastError();
    char Text[512] = "";
    const DWORD Length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, Error, 0, Text, sizeof(Text), nullptr);
    Reason.assign(Text, Length);
    while (!Reason.empty() && (Reason.back() == '\n' || Reason.back() == '\r')) Reason.pop_back();
    if (Reason.empty()) Reason = "error " + std::to_string(Error);
    return false;
}

// ---- The user's files -------------------------------------------------------

// Whether this user may make files in Folder. Windows' access rules are too
// many to read off the folder (lists of rights, inherited ones, a read-only
// medium), so a file is made there and removed again.
static bool FolderWritable(const std::string& Folder) {
    std::string TempName;
    const HANDLE Handle = CreateUniqueFile(Folder + "pex", TempName);
    if (Handle == INVALID_HANDLE_VALUE) return false;
    CloseHandle(Handle);
    DeleteFileW(Widen(TempName).c_str());
    return true;
}

std::string PlatformUserFolder(const std::string& AppFolder) {
    if (AppFolder.empty() || FolderWritable(AppFolder)) return AppFolder;
    const char* Data = std::getenv("APPDATA");
    if (Data == nullptr || Data[0] == '\0') return AppFolder;
    std::string Folder = Data;
    while (!Folder.empty() && IsDelim(Folder.back())) Folder.pop_back();
    return Folder + "\\Pex\\";
}

// Makes Folder and its missing parents for this user alone; raises
// "Cannot create folder "<name>". <reason>" naming the one that failed.
static void MakeFolders(const std::string& Folder) {
    std::string Failed;
    if (!PlatformMakeFolders(Folder, Failed))
        throw std::runtime_error("Cannot create folder \"" + Failed + "\". " +
                                 std::strerror(errno));
}

static std::string FolderOf(const std::string& Path) {
    const size_t Delim = Path.find_last_of("\\/");
    return Delim == std::string::npos ? std::string() : Path.substr(0, Delim);
}

void PlatformSeedFile(const std::string& Shipped, const std::string& UserCopy) {
    if (UserCopy == Shipped ||
        GetFileAttributesW(Widen(UserCopy).c_str()) != INVALID_FILE_ATTRIBUTES)
        return;
    MakeFolders(FolderOf(UserCopy));
    std::string Text;
    if (PlatformReadFile(Shipped, Text)) PlatformReplaceFile(UserCopy, Text);
}

// ---- The session's end -------------------------------------------------------

static TSessionEndHandler SessionEnd = nullptr;

// Windows asks every top-level window whether the session may end
// (WM_QUERYENDSESSION), then tells it that it ends (WM_ENDSESSION). Once the
// window procedure returns from the second, the process may be ended at any
// moment, so the program ends inside it.
struct TWatchedWindow {
    HWND Window;
    WNDPROC Procedure;  // the window's own, which every other message goes to
};
constexpr int32_t WatchedWindowSlots = 8;
static TWatchedWindow WatchedWindows[WatchedWindowSlots];
static int32_t WatchedWindowCount = 0;

static LRESULT CALLBACK WatchSessionEnd(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam) {
    WNDPROC Procedure = DefWindowProcW;
    for (int32_t I = 0; I < WatchedWindowCount; ++I)
        if (WatchedWindows[I].Window == Window) Procedure = WatchedWindows[I].Procedure;
    if (SessionEnd && Message == WM_QUERYENDSESSION) return TRUE;
    // WParam FALSE: the session goes on after all.
    if (SessionEnd && Message == WM_ENDSESSION && WParam)
        SessionEnd("the Windows session is ending");
    return CallWindowProcW(Procedure, Window, Message, WParam, LParam);
}

static BOOL CALLBACK WatchWindow(HWND Window, LPARAM) {
    if (WatchedWindowCount == WatchedWindowSlots) return FALSE;
    for (int32_t I = 0; I < WatchedWindowCount; ++I)
        if (WatchedWindows[I].Window == Window) return TRUE;
    const LONG_PTR Own = GetWindowLongPtrW(Window, GWLP_WNDPROC);
    if (!Own) return TRUE;
    WatchedWindows[WatchedWindowCount++] = {Window, reinterpret_cast<WNDPROC>(Own)};
    SetWindowLongPtrW(Window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WatchSessionEnd));
    return TRUE;
}

void PlatformWatchWindows() {
    EnumThreadWindows(GetCurrentThreadId(), WatchWindow, 0);
}

// The longest Windows lets a console handler run at logging off or shutting
// down; it ends the process sooner when it is done.
constexpr DWORD ConsoleEndWait = 20000;

// Runs on a thread of its own: the frame loop takes the end from there as a
// termination signal, and this thread waits, since the process is ended as
// soon as it returns; the program's end ends the wait with the process.
static BOOL WINAPI OnConsoleEvent(DWORD Event) {
    if (Event != CTRL_CLOSE_EVENT && Event != CTRL_LOGOFF_EVENT && Event != CTRL_SHUTDOWN_EVENT)
        return FALSE;  // Ctrl+C and Ctrl+Break come as signals
    std::raise(SIGTERM);
    Sleep(ConsoleEndWait);
    return TRUE;
}

void PlatformCatchSessionEnd(TSessionEndHandler OnEnd) {
    SessionEnd = OnEnd;
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

void PlatformReleaseSessionEnd() {
    SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
    SessionEnd = nullptr;
}

// ---- Reading a file in pieces ------------------------------------------------

static HANDLE StreamHandle(const TFileStream& Stream) {
    return reinterpret_cast<HANDLE>(Stream.Handle);
}

bool PlatformOpenStream(const std::string& FileName, TFileStream& Stream) {
    PlatformCloseStream(Stream);
    const HANDLE Handle = CreateFileA(FileName.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (Handle == INVALID_HANDLE_VALUE) {
        const DWORD Error = GetLastError();
        // A folder cannot be opened as a file; say so rather than "denied".
        errno = Error == ERROR_ACCESS_DENIED && IsFolder(Widen(FileName)) ? EISDIR : ErrnoOf(Error);
        return false;
    }
    if (GetFileType(Handle) != FILE_TYPE_DISK) {
        CloseHandle(Handle);
        errno = EINVAL;  // a console, a pipe or a device: never read
        return false;
    }
    Stream.Handle = reinterpret_cast<intptr_t>(Handle);
    return true;
}

bool PlatformReadStream(TFileStream& Stream, char* Buffer, size_t Size, size_t& Count) {
    DWORD Read = 0;
    Count = 0;
    if (!ReadFile(StreamHandle(Stream), Buffer,
                  static_cast<DWORD>(std::min<size_t>(Size, 1u << 30)), &Read, nullptr)) {
        errno = EIO;
        return false;
    }
    Count = Read;
    return true;
}

bool PlatformRewindStream(TFileStream& Stream) {
    LARGE_INTEGER Start;
    Start.QuadPart = 0;
    if (SetFilePointerEx(StreamHandle(Stream), Start, nullptr, FILE_BEGIN)) return true;
    errno = EIO;
    return false;
}

void PlatformCloseStream(TFileStream& Stream) {
    if (Stream.Handle != -1) CloseHandle(StreamHandle(Stream));
    Stream.Handle = -1;
}
