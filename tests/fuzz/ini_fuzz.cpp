// Settings file reader over arbitrary bytes. The four screen settings read
// from the input, written into its document and read back from the written
// text must be the same, and the written text must read and write unchanged.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "ConfigUnit.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    TIniDocument Document = ParseIniText(std::string(reinterpret_cast<const char*>(Data), Size));
    ReadScreenSettings(Document);
    const bool ReadFullScreen = FullScreen;
    const int32_t ReadWidth = ScreenWidth;
    const int32_t ReadHeight = ScreenHeight;
    const int32_t ReadBPP = ScreenBPP;

    WriteScreenSettings(Document);
    const std::string Text = IniDocumentText(Document);
    const TIniDocument Reloaded = ParseIniText(Text);
    ReadScreenSettings(Reloaded);
    if (FullScreen != ReadFullScreen || ScreenWidth != ReadWidth || ScreenHeight != ReadHeight ||
        ScreenBPP != ReadBPP) {
        std::abort();
    }
    if (IniDocumentText(Reloaded) != Text) std::abort();
    return 0;
}
