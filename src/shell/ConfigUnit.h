// ConfigUnit: the screen settings and the settings file beside the
// executable, or in the user's folder where the user may not write beside it.
//
// Owns: FullScreen, ScreenWidth, ScreenHeight, ScreenBPP, ScreenScale.
// Uses: PexPlatform (PlatformExecutablePath), PexGL (PathDelim), PexScript (ReadWholeFile,
// WriteChangedFile, StrToIntDef).
// Initialisation gives the user a copy of the shipped settings file when the
// user's folder has none (SeedUserFile), then reads it; finalisation
// writes it back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

extern bool FullScreen;
extern int32_t ScreenWidth;
extern int32_t ScreenHeight;
extern int32_t ScreenBPP;
// Key "Scale": how layout pixels become the window's (FrameScale of PexGL):
// 1, the default, as without the key; 0 fits the layout into the window;
// 2..MaxFrameScale that multiple. Any other value is read as 1, with one line
// on standard error. The key is written only where the file has it or the
// value is not 1, so that a file without it is rewritten as before.
extern int32_t ScreenScale;

// Read from / written to SettingsFileName().
void LoadScreenSettings();
void SaveScreenSettings();

// The settings file of an executable: its path with the file name's extension
// replaced by ".ini" (appended when the name has none); empty for an empty path.
std::string SettingsFilePath(const std::string& ExePath);

// The settings file of this run: SettingsFilePath of the running executable,
// in the folder PlatformUserFolder gives for the executable's own (so beside
// it, where the user may write there); empty when the executable's path is
// unknown.
std::string SettingsFileName();

// The same two operations on a given settings file. A file that is missing,
// unreadable or larger than MaxWholeFileSize (PexPlatform) loads as the
// defaults, and saving then writes the screen settings alone. Saving leaves a
// file that holds the same text as it is, and replaces any other only once the
// new one is complete; it raises std::runtime_error ("Cannot create file ...")
// when the file cannot be written, the user protected it included, leaving the
// old one whole.
void LoadScreenSettingsFrom(const std::string& FileName);
void SaveScreenSettingsTo(const std::string& FileName);

// ---- In-memory INI document -------------------------------------------------

// A section and its lines in file order: "key=value" entries, or other text
// kept as read.
struct TIniSection {
    std::string Name;
    std::vector<std::string> Lines;
};
using TIniDocument = std::vector<TIniSection>;

// Lines end in CR LF, LF or CR; each is trimmed of blanks and control
// characters; empty lines, ";" comments and lines before the first section are
// dropped; entries become key "=" value with both parts trimmed.
TIniDocument ParseIniText(const std::string& Text);
// Every section as "[Name]", its lines and one empty line, each ended by CR LF.
std::string IniDocumentText(const TIniDocument& Document);

// Section and key names match without regard to letter case.
std::string ReadIniString(const TIniDocument& Document, const std::string& Section,
                          const std::string& Key, const std::string& Default);
// Decimal, or hexadecimal after "$" or "0x"; Default when the value does not convert.
int32_t ReadIniInteger(const TIniDocument& Document, const std::string& Section,
                       const std::string& Key, int32_t Default);
// An integer other than 0 is true.
bool ReadIniBool(const TIniDocument& Document, const std::string& Section, const std::string& Key,
                 bool Default);
// Replaces the entry in place, or appends it to its section, or appends the section.
void WriteIniString(TIniDocument& Document, const std::string& Section, const std::string& Key,
                    const std::string& Value);
void WriteIniInteger(TIniDocument& Document, const std::string& Section, const std::string& Key,
                     int32_t Value);
void WriteIniBool(TIniDocument& Document, const std::string& Section, const std::string& Key,
                  bool Value);

// The settings from / into a document's "Screen" section. A window side
// longer than MaxWindowSide (PexGL) is read as its default, with one line on
// standard error naming the setting.
void ReadScreenSettings(const TIniDocument& Document);
void WriteScreenSettings(TIniDocument& Document);

void InitConfig();
void DoneConfig();
