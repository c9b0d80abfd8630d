#include "PexPlatform.h"

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <xmmintrin.h>

#include <algorithm>
#include <cerrno>
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
    const HANDLE Handle = CreateFileA(FileName.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
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
            if (!ReadFile(Handle, &Text[Done], Chunk, &Read, nullptr)) {
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

// Creates "<Target>.XXXXXX", retrying while the name is taken, so that no
// other file is ever reused or removed.
static HANDLE CreateUniqueFile(const std::string& Target, std::string& Name) {
    constexpr int32_t Attempts = 100;
    static uint64_t Counter = 0;
    LARGE_INTEGER Now;
    QueryPerformanceCounter(&Now);
    const uint64_t Seed = (static_cast<uint64_t>(GetCurrentProcessId()) << 32) ^
                          static_cast<uint64_t>(Now.QuadPart) ^ (++Counter * 0x9E3779B97F4A7C15u);
    for (int32_t Attempt = 0; Attempt < Attempts; ++Attempt) {
        Name = UniqueFileName(Target, Seed, Attempt);
        const HANDLE Handle = CreateFileW(Widen(Name).c_str(), GENERIC_WRITE, 0, nullptr,
                                          CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (Handle != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return Handle;
    }
    SetLastError(ERROR_FILE_EXISTS);
    return INVALID_HANDLE_VALUE;
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
    const HANDLE Handle = reinterpret_cast<HANDLE>(File.Handle);
    size_t Done = 0;
    while (Done < Size) {
        const DWORD Chunk = static_cast<DWORD>(std::min<size_t>(Size - Done, 1u << 30));
        DWORD Count = 0;
        if (!WriteFile(Handle, Data + Done, Chunk, &Count, nullptr)) return Failed(GetLastError());
        Done += Count;
    }
    return true;
}

bool PlatformCommitNewFile(TNewFile& File) {
    const HANDLE Handle = reinterpret_cast<HANDLE>(File.Handle);
    DWORD Error = NO_ERROR;
    if (!FlushFileBuffers(Handle)) Error = GetLastError();
    if (!CloseHandle(Handle) && Error == NO_ERROR) Error = GetLastError();
    File.Handle = -1;
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

bool PlatformKeepFile(const std::string& FileName, const std::string& KeptName) {
    const std::wstring From = Widen(FileName), To = Widen(KeptName);
    if (CreateHardLinkW(To.c_str(), From.c_str(), nullptr)) return true;
    const DWORD Error = GetLastError();
    if (Error == ERROR_ALREADY_EXISTS || Error == ERROR_FILE_EXISTS ||
        Error == ERROR_FILE_NOT_FOUND || Error == ERROR_PATH_NOT_FOUND)
        return Failed(Error);
    // File systems without hard links (FAT, some network shares): copy.
    if (CopyFileW(From.c_str(), To.c_str(), TRUE)) return true;
    return Failed(GetLastError());
}

std::string PlatformRecoveryFolder() {
    wchar_t Buffer[MAX_PATH + 1];
    const DWORD Length = GetEnvironmentVariableW(L"LOCALAPPDATA", Buffer, MAX_PATH);
    if (Length > 0 && Length < MAX_PATH) {
        std::wstring Folder(Buffer, Length);
        while (Folder.size() > 3 && (Folder.back() == L'\\' || Folder.back() == L'/'))
            Folder.pop_back();
        Folder += L"\\Pex";
        CreateDirectoryW(Folder.c_str(), nullptr);
        if (IsFolder(Folder)) return Narrow(Folder) + "\\";
    }
    const DWORD TempLength = GetTempPathW(MAX_PATH + 1, Buffer);
    if (TempLength == 0 || TempLength > MAX_PATH) return std::string();
    std::string Folder = Narrow(std::wstring(Buffer, TempLength));
    if (!Folder.empty() && Folder.back() != '\\') Folder += '\\';
    return Folder;
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

// ---- Floating point ---------------------------------------------------------

void PlatformMaskFloatExceptions(uint16_t& SavedControlWord, uint32_t& SavedMXCSR) {
    uint16_t ControlWord = 0;
    __asm__ __volatile__("fnstcw %0" : "=m"(ControlWord));
    SavedControlWord = ControlWord;
    ControlWord = MaskedFPUControlWord;
    __asm__ __volatile__("fldcw %0" : : "m"(ControlWord));
    SavedMXCSR = _mm_getcsr();
    _mm_setcsr(SavedMXCSR | MXCSRExceptionMasks);
}

void PlatformRestoreFloatState(uint16_t ControlWord, uint32_t MXCSR) {
    __asm__ __volatile__("fldcw %0" : : "m"(ControlWord));
    _mm_setcsr(MXCSR);
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

static bool IsDelim(char C) {
    return C == '\\' || C == '/';
}

std::string PlatformUserFolder(const std::string& AppFolder) {
    if (AppFolder.empty() || FolderWritable(AppFolder)) return AppFolder;
    const char* Data = std::getenv("APPDATA");
    if (Data == nullptr || Data[0] == '\0') return AppFolder;
    std::string Folder = Data;
    while (!Folder.empty() && IsDelim(Folder.back())) Folder.pop_back();
    return Folder + "\\Pex\\";
}

// Makes Folder and its missing parents. The parts before the first folder
// name (a drive "C:" or a share "\\server\share") are taken as they are.
static void MakeFolders(const std::string& Folder) {
    size_t Start = 0;
    if (Folder.size() >= 2 && IsDelim(Folder[0]) && IsDelim(Folder[1])) {
        Start = Folder.find_first_of("\\/", 2);  // after the server
        if (Start != std::string::npos)
            Start = Folder.find_first_of("\\/", Start + 1);  // the share
    } else if (Folder.size() >= 2 && Folder[1] == ':') {
        Start = 2;
    }
    while (Start != std::string::npos && Start < Folder.size()) {
        const size_t End = Folder.find_first_of("\\/", Start + 1);
        const std::string Part = Folder.substr(0, End);
        if (!IsDelim(Part.back()) && !CreateDirectoryW(Widen(Part).c_str(), nullptr)) {
            const DWORD Error = GetLastError();
            if (Error != ERROR_ALREADY_EXISTS &&
                !(Error == ERROR_ACCESS_DENIED && IsFolder(Widen(Part))))
                throw std::runtime_error("Cannot create folder \"" + Part + "\". " +
                                         std::strerror(ErrnoOf(Error)));
        }
        Start = End;
    }
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
