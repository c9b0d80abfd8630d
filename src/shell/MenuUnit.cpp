#include "MenuUnit.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "ConfigUnit.h"
#include "PexDemo.h"
#include "PexFiles.h"
#include "PexGL.h"
#include "PexScript.h"
#include "StateUnit.h"
#include "VarsUnit.h"

std::vector<TMenuItem> MenuItems;
int32_t MenuIndex = 0;

static const char* const MenuHeader = "?ex2.menu";
static const char* const FullScreenId = "setup.graphics.fullscreen";
static const char* const CheckedValue = "checked";
// "Меню:" in code page 1251.
static const std::string MenuHeading = "\xCC\xE5\xED\xFE:";

// First row of the item list on the screen, and the distance between rows.
constexpr int32_t RowsTop = 160;
constexpr int32_t RowHeight = 32;
constexpr int32_t TitleX = 240;
constexpr int32_t CheckboxX = 208;
constexpr int32_t HintX = 8;
constexpr int32_t HintSpacing = -4;
// Source x of the 32 x 32 glyphs in the row at y 160 of menu.tga.
constexpr int32_t GlyphRowY = 160;
constexpr int32_t ArrowSourceX = 0;
constexpr int32_t BoxSourceX = 32;
constexpr int32_t TickedBoxSourceX = 64;

// The reader's state between two lines of the script.
struct TMenuReader {
    int32_t Level;
    std::string PropertyName;
};

static void SetProperty(TMenuItem& Item, const std::string& Name, const std::string& Value) {
    if (Name == "title") {
        Item.Title = Value;
    } else if (Name == "hint") {
        Item.Hint = Value;
    } else if (Name == "type") {
        Item.ItemType = Value;
    } else if (Name == "value") {
        Item.Value = Value;
    } else if (Name == "enabled") {
        Item.Enabled = Value != "false";
    }
}

static void ReadMenuLine(TMenuReader& Reader, const std::string& Line) {
    if (Line.empty()) return;
    const std::string Argument = Line.substr(1);
    switch (Line[0]) {
        case '*': {
            TMenuItem Item{Reader.Level, Argument, "", "", "", "", true};
            if (Item.Id == FullScreenId && FullScreen) Item.Value = CheckedValue;
            MenuItems.push_back(std::move(Item));
            Reader.PropertyName.clear();
            break;
        }
        case ':':
            Reader.PropertyName = Argument;
            break;
        case '\t':
            // A value before the first item has nowhere to go.
            if (!MenuItems.empty()) SetProperty(MenuItems.back(), Reader.PropertyName, Argument);
            break;
        case '>':
            ++Reader.Level;
            break;
        case '<':
            --Reader.Level;
            break;
        default:
            break;
    }
}

void LoadMenuFromText(const std::string& Text) {
    MenuItems.clear();
    MenuIndex = 0;
    // A NUL byte ends the text.
    const size_t End = std::min(Text.find('\0'), Text.size());
    TMenuReader Reader{0, ""};
    bool HeaderLine = true;
    size_t Position = 0;
    std::string_view Read;
    bool Ended;
    while (NextLine(std::string_view(Text).substr(0, End), Position, Read, Ended)) {
        const std::string Line(Read);
        if (HeaderLine) {
            if (Line != MenuHeader) return;
            HeaderLine = false;
        } else {
            ReadMenuLine(Reader, Line);
        }
    }
}

std::string MenuFilePath() {
    return AppDir + "main.menu";
}

void LoadMenu() {
    const std::string FileName = MenuFilePath();
    std::string Text;
    // A script that opens but cannot be read whole (a folder, a pipe, a file
    // over MaxWholeFileSize, a read error) is as fatal as a missing one.
    if (!ReadFileText(FileName, Text)) throw std::runtime_error(ReadErrorText(FileName, errno));
    LoadMenuFromText(Text);
}

// Keeps the selection on an existing item; false when there is none.
static bool HasCurrentItem() {
    if (MenuItems.empty()) return false;
    if (MenuIndex < 0 || MenuIndex >= static_cast<int32_t>(MenuItems.size())) MenuIndex = 0;
    return true;
}

static int32_t LastIndex() {
    return static_cast<int32_t>(MenuItems.size()) - 1;
}

static bool HasSubmenu(int32_t Index) {
    return Index < LastIndex() && MenuItems[Index + 1].Level > MenuItems[Index].Level;
}

void MenuUpdate() {
    // An empty menu offers nothing to move to or activate.
    if (!HasCurrentItem()) return;
    const int32_t Level = MenuItems[MenuIndex].Level;
    // Only the first pressed key acts; the others keep their press for a later frame.
    if (KeyPressed(kcUp)) {
        for (int32_t I = MenuIndex - 1; I >= 0; --I) {
            if (MenuItems[I].Level == Level) {
                MenuIndex = I;
                break;
            }
        }
    } else if (KeyPressed(kcDown)) {
        for (int32_t I = MenuIndex + 1; I <= LastIndex(); ++I) {
            if (MenuItems[I].Level == Level) {
                MenuIndex = I;
                break;
            }
        }
    } else if (KeyPressed(kcEnter)) {
        if (HasSubmenu(MenuIndex))
            ++MenuIndex;
        else
            ActivateMenuItem();
    } else if (KeyPressed(kcEscape)) {
        for (int32_t I = MenuIndex - 1; I >= 0; --I) {
            if (MenuItems[I].Level < Level) {
                MenuIndex = I;
                break;
            }
        }
    }
}

void ActivateMenuItem() {
    if (!HasCurrentItem()) return;
    TMenuItem& Item = MenuItems[MenuIndex];
    if (Item.ItemType == "checkbox") {
        if (Item.Value.empty())
            Item.Value = CheckedValue;
        else
            Item.Value.clear();
        if (Item.Id == FullScreenId) FullScreen = Item.Value == CheckedValue;
    } else if (Item.Id == "exit") {
        Quit = true;
    } else if (Item.Id == "game") {
        SwitchState(stGame);
    } else if (Item.Id == "editor") {
        SwitchState(stEditor);
    }
}

void MenuStep() {}

static void DrawMenuRows() {
    const int32_t Current = MenuIndex;
    // The shown run starts just after the current item's parent.
    int32_t Start = 0;
    for (int32_t I = Current; I >= 0; --I) {
        if (MenuItems[I].Level < MenuItems[Current].Level) {
            Start = I + 1;
            break;
        }
    }
    const int32_t StartLevel = MenuItems[Start].Level;
    int32_t Y = RowsTop;
    for (int32_t J = Start; J <= LastIndex(); ++J) {
        const TMenuItem& Item = MenuItems[J];
        if (Item.Level > StartLevel) continue;  // inside a sibling's submenu
        if (Item.Level < StartLevel) break;     // the run has ended
        TPackedColor Color = J == Current ? clGreen : clWhite;
        if (!Item.Enabled) Color = ColorWithAlpha(Color, 128);
        SetColor(Color);
        BindTexture(FontTexture);
        PrintText(TitleX, Y, Item.Title, 0);
        if (Item.ItemType == "checkbox") {
            BindTexture(MenuTexture);
            SetColor(clWhite);
            BeginQuads();
            DrawTexQuad(CheckboxX, Y - 8, 32, 32,
                        Item.Value == CheckedValue ? TickedBoxSourceX : BoxSourceX, GlyphRowY);
            EndQuads();
        }
        if (HasSubmenu(J)) {
            // Wraps instead of overflowing for absurdly long titles.
            const int32_t ArrowX = static_cast<int32_t>(
                TitleX + static_cast<int64_t>(Item.Title.size()) * FontMetrics.Size);
            BindTexture(MenuTexture);
            SetColor(clCyan);
            BeginQuads();
            DrawTexQuad(ArrowX, Y - 8, 32, 32, ArrowSourceX, GlyphRowY);
            EndQuads();
        }
        Y += RowHeight;
    }
}

void MenuDraw() {
    SetTexturing(true);
    BindTexture(MenuTexture);
    SetBlendMode(bmNone);
    SetColor(clNavy);
    BeginQuads();
    DrawTexGrid(0, 0, 128, 64, 0, 64, 5, 8);
    EndQuads();

    SetBlendMode(bmAlpha);
    SetColorRGBA(255, 255, 255, 127);
    BeginQuads();
    DrawTexGridSpaced(0, 0, 96, 64, 0, 0, 4, 1, 84, 32);
    EndQuads();

    BindTexture(FontTexture);
    SetBlendMode(bmAlpha);
    FontMetrics.Size = 16;
    SetColor(clYellow);
    PrintText(TitleX, 128, MenuHeading, 0);

    // With no items there is no hint and no row to show.
    if (!HasCurrentItem()) return;

    FontMetrics.Spacing = HintSpacing;
    SetColor(clYellow);
    PrintText(HintX, 480 - FontMetrics.Size - 8, MenuItems[MenuIndex].Hint, 0);
    FontMetrics.Spacing = 0;

    DrawMenuRows();
}

void DigestMenu() {
    DigestValue(MenuIndex);
}

void InitMenu() {
    States[stMenu].Enter = nullptr;
    States[stMenu].Leave = nullptr;
    States[stMenu].Update = MenuUpdate;
    States[stMenu].Step = MenuStep;
    States[stMenu].Draw = MenuDraw;
    LoadMenu();
}

void DoneMenu() {
    MenuItems.clear();
    MenuItems.shrink_to_fit();
    MenuIndex = 0;
}
