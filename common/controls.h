// Thin helpers for the controls the programs drive, where they save real repetition.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <string_view>
#include <vector>

namespace mailwick {

// Moves a top-level window to the middle of the screen, keeping its size.
void CentreOnScreen(HWND window);

// A window's (or control's) whole text.
std::string WindowText(HWND window);

// List view: a column at `index`; an item whose text (LPSTR_TEXTCALLBACK for one asked
// through LVN_GETDISPINFO) and image are given, carrying `param`. Both return the index or -1.
int ListViewAddColumn(HWND listView, int index, const char* title, int width, int format = LVCFMT_LEFT);
int ListViewAddItem(HWND listView, int index, const char* text, int image, LPARAM param);

// Combo box: replaces the entries; selects the entry equal to `text` (false when none is);
// the selected entry's text (empty when none is selected).
void ComboFill(HWND combo, const std::vector<std::string>& entries);
bool ComboSelect(HWND combo, std::string_view text);
std::string ComboSelectedText(HWND combo);
// Selects the entry named `text` without regard to case, or else the first entry that
// begins with it, so "Work" never picks "Work VPN" listed before it. False when none fits.
bool ComboSelectNamed(HWND combo, const char* text);

// Check boxes and radio buttons.
bool IsButtonChecked(HWND button);
void SetButtonChecked(HWND button, bool checked);

}  // namespace mailwick
