#include "ConfigUnit.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "PexGL.h"
#include "PexScript.h"

bool FullScreen = false;
int32_t ScreenWidth = 640;
int32_t ScreenHeight = 480;
int32_t ScreenBPP = 32;

static const char* const ScreenSection = "Screen";
constexpr int32_t DefaultWidth = 640;
constexpr int32_t DefaultHeight = 480;
constexpr int32_t DefaultBPP = 32;

// ---- Text helpers -----------------------------------------------------------

// Upper case of every byte in code page 1251: Latin and Cyrillic letters.
static constexpr std::array<uint8_t, 256> MakeUpperTable() {
    std::array<uint8_t, 256> Table{};
    for (int32_t C = 0; C < 256; ++C) Table[C] = static_cast<uint8_t>(C);
    for (int32_t C = 'a'; C <= 'z'; ++C) Table[C] = static_cast<uint8_t>(C - 32);
    for (int32_t C = 0xE0; C <= 0xFF; ++C) Table[C] = static_cast<uint8_t>(C - 32);
    constexpr uint8_t Pairs[][2] = {
        {0x90, 0x80}, {0x83, 0x81}, {0x9A, 0x8A}, {0x9C, 0x8C}, {0x9D, 0x8D},
        {0x9E, 0x8E}, {0x9F, 0x8F}, {0xA2, 0xA1}, {0xBC, 0xA3}, {0xB4, 0xA5},
        {0xB8, 0xA8}, {0xBA, 0xAA}, {0xBF, 0xAF}, {0xB3, 0xB2}, {0xBE, 0xBD},
    };
    for (const auto& Pair : Pairs) Table[Pair[0]] = Pair[1];
    return Table;
}
static constexpr std::array<uint8_t, 256> UpperTable = MakeUpperTable();

static bool SameText(const std::string& A, const std::string& B) {
    if (A.size() != B.size()) return false;
    for (size_t I = 0; I < A.size(); ++I) {
        if (UpperTable[static_cast<uint8_t>(A[I])] != UpperTable[static_cast<uint8_t>(B[I])]) {
            return false;
        }
    }
    return true;
}

// Trims blanks and control characters (codes up to 32) from both ends.
static std::string Trim(const std::string& Text, size_t Begin, size_t End) {
    while (Begin < End && static_cast<uint8_t>(Text[Begin]) <= 32) ++Begin;
    while (End > Begin && static_cast<uint8_t>(Text[End - 1]) <= 32) --End;
    return Text.substr(Begin, End - Begin);
}

static int32_t DigitValue(char C) {
    if (C >= '0' && C <= '9') return C - '0';
    if (C >= 'a' && C <= 'f') return C - 'a' + 10;
    if (C >= 'A' && C <= 'F') return C - 'A' + 10;
    return -1;
}

// A signed 32-bit integer: an optional sign, then decimal digits, or hexadecimal
// digits after "$", "0x" or "0X". Anything else, or a value outside 32 bits,
// gives Default.
static int32_t StrToIntDef(const std::string& Text, int32_t Default) {
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

// ---- INI document -----------------------------------------------------------

TIniDocument ParseIniText(const std::string& Text) {
    TIniDocument Document;
    size_t Start = 0;
    while (Start < Text.size()) {
        size_t End = Text.find_first_of("\r\n", Start);
        if (End == std::string::npos) End = Text.size();
        const std::string Line = Trim(Text, Start, End);
        Start = End;
        if (Start < Text.size()) {
            const bool CrLf =
                Text[Start] == '\r' && Start + 1 < Text.size() && Text[Start + 1] == '\n';
            Start += CrLf ? 2 : 1;
        }
        if (Line.empty() || Line[0] == ';') continue;
        if (Line.front() == '[' && Line.back() == ']' && Line.size() >= 2) {
            Document.push_back({Trim(Line, 1, Line.size() - 1), {}});
        } else if (!Document.empty()) {  // lines before the first section are dropped
            const size_t Equals = Line.find('=');
            if (Equals == std::string::npos) {
                Document.back().Lines.push_back(Line);
            } else {
                Document.back().Lines.push_back(Trim(Line, 0, Equals) + "=" +
                                                Trim(Line, Equals + 1, Line.size()));
            }
        }
    }
    return Document;
}

std::string IniDocumentText(const TIniDocument& Document) {
    std::string Text;
    for (const TIniSection& Section : Document) {
        Text += "[" + Section.Name + "]\r\n";
        for (const std::string& Line : Section.Lines) Text += Line + "\r\n";
        Text += "\r\n";
    }
    return Text;
}

// Index of the first section of that name, or -1.
static int64_t FindSection(const TIniDocument& Document, const std::string& Name) {
    for (size_t I = 0; I < Document.size(); ++I) {
        if (SameText(Document[I].Name, Name)) return static_cast<int64_t>(I);
    }
    return -1;
}

// Index of the section's first entry for Key, or -1.
static int64_t FindEntry(const TIniSection& Section, const std::string& Key) {
    for (size_t I = 0; I < Section.Lines.size(); ++I) {
        const std::string& Line = Section.Lines[I];
        const size_t Equals = Line.find('=');
        if (Equals != std::string::npos && SameText(Line.substr(0, Equals), Key)) {
            return static_cast<int64_t>(I);
        }
    }
    return -1;
}

std::string ReadIniString(const TIniDocument& Document, const std::string& Section,
                          const std::string& Key, const std::string& Default) {
    const int64_t Found = FindSection(Document, Section);
    if (Found < 0) return Default;
    const int64_t Entry = FindEntry(Document[Found], Key);
    if (Entry < 0) return Default;
    const std::string& Line = Document[Found].Lines[Entry];
    return Line.substr(Line.find('=') + 1);
}

int32_t ReadIniInteger(const TIniDocument& Document, const std::string& Section,
                       const std::string& Key, int32_t Default) {
    // A missing key reads as the empty string, which does not convert.
    return StrToIntDef(ReadIniString(Document, Section, Key, std::string()), Default);
}

bool ReadIniBool(const TIniDocument& Document, const std::string& Section, const std::string& Key,
                 bool Default) {
    return ReadIniInteger(Document, Section, Key, Default ? 1 : 0) != 0;
}

void WriteIniString(TIniDocument& Document, const std::string& Section, const std::string& Key,
                    const std::string& Value) {
    int64_t Found = FindSection(Document, Section);
    if (Found < 0) {
        Document.push_back({Section, {}});
        Found = static_cast<int64_t>(Document.size()) - 1;
    }
    std::vector<std::string>& Lines = Document[Found].Lines;
    const int64_t Entry = FindEntry(Document[Found], Key);
    if (Entry < 0) {
        Lines.push_back(Key + "=" + Value);
    } else {
        Lines[Entry] = Key + "=" + Value;
    }
}

void WriteIniInteger(TIniDocument& Document, const std::string& Section, const std::string& Key,
                     int32_t Value) {
    WriteIniString(Document, Section, Key, std::to_string(Value));
}

void WriteIniBool(TIniDocument& Document, const std::string& Section, const std::string& Key,
                  bool Value) {
    WriteIniString(Document, Section, Key, Value ? "1" : "0");
}

// ---- Settings file ----------------------------------------------------------

void ReadScreenSettings(const TIniDocument& Document) {
    FullScreen = ReadIniBool(Document, ScreenSection, "FullScreen", false);
    ScreenWidth = ReadIniInteger(Document, ScreenSection, "Width", DefaultWidth);
    ScreenHeight = ReadIniInteger(Document, ScreenSection, "Height", DefaultHeight);
    ScreenBPP = ReadIniInteger(Document, ScreenSection, "BPP", DefaultBPP);
}

void WriteScreenSettings(TIniDocument& Document) {
    WriteIniBool(Document, ScreenSection, "FullScreen", FullScreen);
    WriteIniInteger(Document, ScreenSection, "Width", ScreenWidth);
    WriteIniInteger(Document, ScreenSection, "Height", ScreenHeight);
    WriteIniInteger(Document, ScreenSection, "BPP", ScreenBPP);
}

std::string SettingsFilePath(const std::string& ExePath) {
    if (ExePath.empty()) return std::string();
    const size_t NameStart = ExePath.rfind(PathDelim) + 1;  // 0 when there is no folder
    const size_t Dot = ExePath.rfind('.');
    if (Dot == std::string::npos || Dot < NameStart) return ExePath + ".ini";
    return ExePath.substr(0, Dot) + ".ini";
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
// renames it over FileName: a failed write leaves the earlier file whole.
static void ReplaceFile(const std::string& FileName, const std::string& Text) {
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
}

void LoadScreenSettingsFrom(const std::string& FileName) {
    std::string Text;
    ReadWholeFile(FileName, Text);  // a missing file is an empty document: all defaults
    ReadScreenSettings(ParseIniText(Text));
}

void SaveScreenSettingsTo(const std::string& FileName) {
    std::string Text;
    ReadWholeFile(FileName, Text);  // other sections and keys of the file survive
    TIniDocument Document = ParseIniText(Text);
    WriteScreenSettings(Document);
    ReplaceFile(FileName, IniDocumentText(Document));
}

// Without a known executable path there is no settings file: the defaults are
// used and nothing is written.
void LoadScreenSettings() {
    LoadScreenSettingsFrom(SettingsFilePath(ExecutablePath()));
}

void SaveScreenSettings() {
    const std::string FileName = SettingsFilePath(ExecutablePath());
    if (!FileName.empty()) SaveScreenSettingsTo(FileName);
}

void InitConfig() {
    LoadScreenSettings();
}

void DoneConfig() {
    SaveScreenSettings();
}
