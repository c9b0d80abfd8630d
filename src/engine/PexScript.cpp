#include "PexScript.h"

#include <cstdint>

#include "PexFiles.h"

// ---- Whole files -------------------------------------------------------------

void ReadWholeFile(const std::string& FileName, std::string& Text) {
    // Missing, unreadable and oversized files read as empty, quietly.
    (void)ReadFileText(FileName, Text);
}

// ---- Lines and tokens --------------------------------------------------------

bool NextLine(std::string_view Text, size_t& Position, std::string_view& Line, bool& Ended) {
    if (Position >= Text.size()) return false;
    size_t End = Text.find_first_of("\r\n", Position);
    if (End == std::string_view::npos) End = Text.size();
    Line = Text.substr(Position, End - Position);
    Ended = End < Text.size();
    Position = End;
    if (Ended) Position += Text.compare(End, 2, "\r\n") == 0 ? 2 : 1;
    return true;
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

int32_t HexDigitValue(char C) {
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
        const int32_t Digit = HexDigitValue(Text[I]);
        if (Digit < 0 || Digit >= Base) return Default;
        Value = Value * Base + Digit;
        if (Value > Limit) return Default;
    }
    if (Negative) Value = -Value;
    if (Value > INT32_MAX) return Default;
    return static_cast<int32_t>(Value);
}
