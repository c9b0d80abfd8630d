// MenuUnit: the menu screen and the menu script that fills it.
//
// Owns: MenuItems (the items of main.menu in file order) and MenuIndex (the
// current item).
// Uses: PexGL (keys, drawing, text, Quit, AppDir), PexScript (reading the
// script), PexDemo (the outcome digest), StateUnit, VarsUnit (MenuTexture, FontTexture), ConfigUnit
// (FullScreen).
// InitMenu fills the menu row of the state table and reads the menu script
// (a missing script is fatal); DoneMenu releases the items.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TMenuItem {
    int32_t Level;         // nesting depth, 0 at the top
    std::string Id;        // compared with the known identifiers
    std::string Title;     // label drawn in the list
    std::string Hint;      // help line drawn while the item is current
    std::string ItemType;  // "checkbox" is the only type with behaviour
    std::string Value;     // a checkbox is ticked when this is "checked"
    bool Enabled;          // a disabled item is drawn faded, nothing more
};

extern std::vector<TMenuItem> MenuItems;
extern int32_t MenuIndex;

// The menu script: AppDir + "main.menu".
std::string MenuFilePath();
// Reads MenuFilePath(); raises std::runtime_error ("Cannot open file ..."
// or "Cannot read file ...") when it cannot be opened, is not a regular file, is
// larger than MaxWholeFileSize (PexPlatform) or cannot be read.
void LoadMenu();
// Replaces MenuItems with the items of a script's text and selects the first.
void LoadMenuFromText(const std::string& Text);

void MenuUpdate();
void ActivateMenuItem();
void MenuStep();
void MenuDraw();

// Adds MenuIndex to a demo's outcome digest.
void DigestMenu();

void InitMenu();
void DoneMenu();
