#include "ConfigUnit.h"

#include <array>
#include <cstdio>
#include <stdexcept>

#include "PexFiles.h"
#include "PexGL.h"
#include "PexPlatform.h"
#include "PexScript.h"

bool FullScreen = false;
int32_t ScreenWidth = 640;
int32_t ScreenHeight = 480;
int32_t ScreenBPP = 32;
int32_t ScreenScale = 1;

static const char* const ScreenSection = "Screen";
constexpr int32_t DefaultWidth = 640;
constexpr int32_t DefaultHeight = 480;
constexpr int32_t DefaultBPP = 32;
constexpr int32_t DefaultScale = 1;
static const char* const ScaleKey = "Scale";

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

// ---- INI document -----------------------------------------------------------

TIniDocument ParseIniText(const std::string& Text) {
    TIniDocument Document;
    size_t Position = 0;
    std::string_view Read;
    bool Ended;
    while (NextLine(Text, Position, Read, Ended)) {
        const std::string Line = Trim(std::string(Read), 0, Read.size());
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

struct TWindowSide {
    const char* Key;
    int32_t* Value;
    int32_t Default;
};

static const TWindowSide WindowSides[] = {
    {"Width", &ScreenWidth, DefaultWidth},
    {"Height", &ScreenHeight, DefaultHeight},
};

// The scale a document gives: the value when it is one the picture knows,
// else the default.
static int32_t ScaleSetting(const TIniDocument& Document, bool& Known) {
    const int32_t Value = ReadIniInteger(Document, ScreenSection, ScaleKey, DefaultScale);
    Known = Value >= FitScale && Value <= MaxFrameScale;
    return Known ? Value : DefaultScale;
}

void ReadScreenSettings(const TIniDocument& Document) {
    FullScreen = ReadIniBool(Document, ScreenSection, "FullScreen", false);
    ScreenWidth = ReadIniInteger(Document, ScreenSection, "Width", DefaultWidth);
    ScreenHeight = ReadIniInteger(Document, ScreenSection, "Height", DefaultHeight);
    ScreenBPP = ReadIniInteger(Document, ScreenSection, "BPP", DefaultBPP);
    // A side longer than any window can be would end every start; the default
    // is used instead, and written back. A side of 0 or less keeps its meaning
    // (taken from the other side), and every colour depth opens a window.
    for (const TWindowSide& Side : WindowSides) {
        if (*Side.Value <= MaxWindowSide) continue;
        std::fprintf(stderr, "pex: the setting %s=%s is more than %d pixels; %d is used instead\n",
                     Side.Key, ReadIniString(Document, ScreenSection, Side.Key, "").c_str(),
                     MaxWindowSide, Side.Default);
        std::fflush(stderr);
        *Side.Value = Side.Default;
    }
    bool Known = true;
    ScreenScale = ScaleSetting(Document, Known);
    if (!Known) {
        std::fprintf(stderr, "pex: the setting %s=%s is not %d to %d; %d is used instead\n",
                     ScaleKey, ReadIniString(Document, ScreenSection, ScaleKey, "").c_str(),
                     FitScale, MaxFrameScale, DefaultScale);
        std::fflush(stderr);
    }
}

void WriteScreenSettings(TIniDocument& Document) {
    WriteIniBool(Document, ScreenSection, "FullScreen", FullScreen);
    WriteIniInteger(Document, ScreenSection, "Width", ScreenWidth);
    WriteIniInteger(Document, ScreenSection, "Height", ScreenHeight);
    WriteIniInteger(Document, ScreenSection, "BPP", ScreenBPP);
    const int64_t Section = FindSection(Document, ScreenSection);
    const bool Present = Section >= 0 && FindEntry(Document[Section], ScaleKey) >= 0;
    if (Present || ScreenScale != DefaultScale)
        WriteIniInteger(Document, ScreenSection, ScaleKey, ScreenScale);
}

std::string SettingsFilePath(const std::string& ExePath) {
    if (ExePath.empty()) return std::string();
    const size_t NameStart = ExePath.rfind(PathDelim) + 1;  // 0 when there is no folder
    const size_t Dot = ExePath.rfind('.');
    if (Dot == std::string::npos || Dot < NameStart) return ExePath + ".ini";
    return ExePath.substr(0, Dot) + ".ini";
}

// Whether two settings texts give the same screen settings as read.
static bool SameScreenSettings(const std::string& Old, const std::string& New) {
    const TIniDocument A = ParseIniText(Old);
    const TIniDocument B = ParseIniText(New);
    bool Known = true;
    return ReadIniBool(A, ScreenSection, "FullScreen", false) ==
               ReadIniBool(B, ScreenSection, "FullScreen", false) &&
           ReadIniInteger(A, ScreenSection, "Width", DefaultWidth) ==
               ReadIniInteger(B, ScreenSection, "Width", DefaultWidth) &&
           ReadIniInteger(A, ScreenSection, "Height", DefaultHeight) ==
               ReadIniInteger(B, ScreenSection, "Height", DefaultHeight) &&
           ReadIniInteger(A, ScreenSection, "BPP", DefaultBPP) ==
               ReadIniInteger(B, ScreenSection, "BPP", DefaultBPP) &&
           ScaleSetting(A, Known) == ScaleSetting(B, Known);
}

void LoadScreenSettingsFrom(const std::string& FileName) {
    std::string Text;
    // A missing, unreadable or oversized file is an empty document: all defaults.
    ReadWholeFile(FileName, Text);
    ReadScreenSettings(ParseIniText(Text));
}

void SaveScreenSettingsTo(const std::string& FileName) {
    std::string Text;
    // Other sections and keys of the file survive; a file too large or unreadable
    // to read is replaced by the screen settings alone.
    ReadWholeFile(FileName, Text);
    TIniDocument Document = ParseIniText(Text);
    WriteScreenSettings(Document);
    // A file that holds these settings already needs no change: when it cannot
    // be written, that is no error, whatever its line ends or comments.
    TSaveRules Rules;
    Rules.What = "settings";
    Rules.SaysTheSame = SameScreenSettings;
    SaveFile(FileName, IniDocumentText(Document), Rules);
}

std::string SettingsFileName() {
    const std::string Beside = SettingsFilePath(PlatformExecutablePath());
    const size_t NameStart = Beside.rfind(PathDelim) + 1;  // 0 when there is no folder
    if (NameStart == 0) return Beside;
    return PlatformUserFolder(Beside.substr(0, NameStart)) + Beside.substr(NameStart);
}

// Without a known executable path there is no settings file: the defaults are
// used and nothing is written.
void LoadScreenSettings() {
    LoadScreenSettingsFrom(SettingsFileName());
}

void SaveScreenSettings() {
    const std::string FileName = SettingsFileName();
    if (!FileName.empty()) SaveScreenSettingsTo(FileName);
}

void InitConfig() {
    const std::string FileName = SettingsFileName();
    // An installed copy's user starts from the shipped settings.
    if (!FileName.empty()) SeedUserFile(SettingsFilePath(PlatformExecutablePath()), FileName);
    LoadScreenSettings();
}

void DoneConfig() {
    SaveScreenSettings();
}
