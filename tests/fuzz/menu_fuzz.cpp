// Menu script reader over arbitrary bytes, then a bounded run of menu keys,
// draws and activations chosen by the input. The selection must stay on an
// existing item, and nothing may read or write outside the item list.
//
// Input layout (read from the end by FuzzedDataProvider): the last byte is the
// number of key frames, the bytes before it one key frame each, and whatever
// remains is the script. Bit 0-1 of a key frame pick Up, Down, Enter or Escape,
// bit 2 presses a second key in the same frame, bit 3 draws the menu, bit 4
// activates the current item directly, bit 5 flips FullScreen.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "ConfigUnit.h"
#include "Fakes.h"
#include "MainUnit.h"
#include "MenuUnit.h"
#include "PexGL.h"
#include "StateUnit.h"

static int32_t Switches = 0;
static void TargetEntered() {
    ++Switches;
}

static constexpr int32_t MenuKeys[4] = {kcUp, kcDown, kcEnter, kcEscape};
static constexpr int32_t MaxKeyFrames = 48;

static void CheckSelection() {
    if (!MenuItems.empty() &&
        (MenuIndex < 0 || MenuIndex >= static_cast<int32_t>(MenuItems.size())))
        std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    FuzzedDataProvider Input(Data, Size);
    const int32_t KeyFrames = Input.ConsumeIntegral<uint8_t>() % (MaxKeyFrames + 1);
    uint8_t Frames[MaxKeyFrames];
    for (int32_t I = 0; I < KeyFrames; ++I) Frames[I] = Input.ConsumeIntegral<uint8_t>();
    const std::string Script = Input.ConsumeRemainingBytesAsString();

    fake::ResetGL();
    fake::ResetGlfw();
    ClearKeys();
    Quit = false;
    FullScreen = (Size & 1) != 0;
    FontMetrics = TFontMetrics{};
    for (TStateProcs& Row : States) Row = TStateProcs{};
    States[stMenu].Update = MenuUpdate;
    States[stMenu].Step = MenuStep;
    // The menu draws on request below; nested frames of a switch then only draw
    // the fade, which keeps the recorded GL calls and the run short.
    // Switches run whole frames; the draw dispatcher lets the fade complete.
    States[stGame].Enter = TargetEntered;
    States[stEditor].Enter = TargetEntered;
    OnUpdate = DispatchUpdate;
    OnDraw = DispatchDraw;
    CurrentState = stMenu;
    Switches = 0;

    LoadMenuFromText(Script);
    CheckSelection();
    if (!MenuItems.empty() && MenuIndex != 0) std::abort();

    for (int32_t I = 0; I < KeyFrames; ++I) {
        const uint8_t Frame = Frames[I];
        KeyCallback(MenuKeys[Frame & 3], 1);
        if (Frame & 4) KeyCallback(MenuKeys[(Frame >> 6) & 3], 1);
        if (Frame & 32) FullScreen = !FullScreen;
        const int32_t Before = Switches;
        const bool WasFullScreen = FullScreen;
        std::string OldValue;
        if (!MenuItems.empty()) OldValue = MenuItems[MenuIndex].Value;
        if (Frame & 16)
            ActivateMenuItem();
        else
            MenuUpdate();
        CheckSelection();
        // Only a switch to the game or the editor enters a state.
        if (Switches != Before && CurrentState != stGame && CurrentState != stEditor) std::abort();
        // FullScreen only changes through the full-screen checkbox.
        if (FullScreen != WasFullScreen && !MenuItems.empty()) {
            const TMenuItem& Item = MenuItems[MenuIndex];
            if (Item.Id != "setup.graphics.fullscreen" || Item.ItemType != "checkbox" ||
                Item.Value == OldValue)
                std::abort();
        }
        if (Frame & 8) MenuDraw();
        if (FontMetrics.Spacing != 0) std::abort();
        CurrentState = stMenu;
        Quit = false;
        ClearKeys();
        fake::ResetGL();
    }
    OnUpdate = nullptr;
    OnDraw = nullptr;
    return 0;
}
