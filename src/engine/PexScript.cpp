#include "PexScript.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

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
