#include "PexScript.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <stdexcept>

void ReadWholeFile(const std::string& FileName, std::string& Text) {
    Text.clear();
    int Handle;
    do {
        // Non-blocking, so that opening a pipe or device cannot hang; only regular
        // files are read.
        Handle = open(FileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    } while (Handle < 0 && errno == EINTR);
    if (Handle < 0) return;  // missing or locked files read as empty, quietly

    struct stat Info;
    if (fstat(Handle, &Info) == 0 && S_ISREG(Info.st_mode) && Info.st_size > 0) {
        Text.resize(static_cast<size_t>(Info.st_size));
        size_t Done = 0;
        while (Done < Text.size()) {
            ssize_t Count = read(Handle, &Text[Done], Text.size() - Done);
            if (Count < 0 && errno == EINTR) continue;
            if (Count < 0) {
                Done = 0;  // an unreadable file reads as empty
                break;
            }
            if (Count == 0) break;  // the file shrank since fstat
            Done += static_cast<size_t>(Count);
        }
        Text.resize(Done);
    }
    close(Handle);
}

static bool IsSeparator(char C) {
    return static_cast<unsigned char>(C) <= 32;
}

bool NextToken(const std::string& Text, std::string& Token, int32_t& Position) {
    Token.clear();
    const int64_t Length = static_cast<int64_t>(Text.size());
    if (Position < 1) Position = 1;  // callers start at 1; never index before the text
    if (Position > Length) return false;
    // Position is 1-based: the character at Position is Text[Position - 1].
    while (IsSeparator(Text[Position - 1])) {
        ++Position;
        if (Position > Length) return false;
    }
    const int32_t Start = Position;
    while (Position <= Length && !IsSeparator(Text[Position - 1])) ++Position;
    Token.assign(Text, static_cast<size_t>(Start - 1), static_cast<size_t>(Position - Start));
    return true;
}

static int32_t DigitValue(char C) {
    if (C >= '0' && C <= '9') return C - '0';
    if (C >= 'a' && C <= 'f') return C - 'a' + 10;
    if (C >= 'A' && C <= 'F') return C - 'A' + 10;
    return -1;
}

int32_t StrToIntDef(const std::string& Text, int32_t Default) {
    const size_t Length = Text.size();
    size_t I = 0;
    bool Negative = false;
    if (I < Length && (Text[I] == '+' || Text[I] == '-')) {
        Negative = Text[I] == '-';
        ++I;
    }
    int32_t Base = 10;
    if (I < Length && Text[I] == '$') {
        Base = 16;
        ++I;
    } else if (I + 1 < Length && Text[I] == '0' && (Text[I + 1] == 'x' || Text[I + 1] == 'X')) {
        Base = 16;
        I += 2;
    }
    if (I == Length) return Default;
    constexpr int64_t Limit = int64_t(INT32_MAX) + 1;  // magnitude of INT32_MIN
    int64_t Value = 0;
    for (; I < Length; ++I) {
        const int32_t Digit = DigitValue(Text[I]);
        if (Digit < 0 || Digit >= Base) return Default;
        Value = Value * Base + Digit;
        if (Value > Limit) return Default;
    }
    if (Negative) Value = -Value;
    if (Value > INT32_MAX) return Default;
    return static_cast<int32_t>(Value);
}

static std::runtime_error CreateError(const std::string& FileName, int32_t Error) {
    return std::runtime_error("Cannot create file \"" + FileName + "\". " + std::strerror(Error));
}

static int32_t WriteAll(int Handle, const std::string& Text) {
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

// Writes Text to a temporary file beside FileName, flushes it to the disk and
// renames it over FileName: a failed or interrupted save leaves the earlier
// file whole.
void WriteWholeFile(const std::string& FileName, const std::string& Text) {
    const std::filesystem::path Folder = std::filesystem::path(FileName).parent_path();
    const std::string TempName = FileName + ".tmp";
    unlink(TempName.c_str());  // a leftover of an interrupted save
    const int Handle =
        open(TempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (Handle < 0) throw CreateError(FileName, errno);

    struct stat Old;
    if (stat(FileName.c_str(), &Old) == 0 && S_ISREG(Old.st_mode)) {
        (void)fchmod(Handle, Old.st_mode & 07777);  // the new file keeps the old one's mode
    }
    int32_t Error = WriteAll(Handle, Text);
    if (Error == 0 && fsync(Handle) != 0) Error = errno;
    if (close(Handle) != 0 && Error == 0) Error = errno;
    if (Error == 0 && rename(TempName.c_str(), FileName.c_str()) != 0) Error = errno;
    if (Error != 0) {
        unlink(TempName.c_str());
        throw CreateError(FileName, Error);
    }
    // Make the rename itself durable; a folder that cannot be synced loses nothing.
    const int FolderHandle =
        open(Folder.empty() ? "." : Folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (FolderHandle >= 0) {
        (void)fsync(FolderHandle);
        close(FolderHandle);
    }
}
