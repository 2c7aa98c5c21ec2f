// Checks of a dialog window as the user sees it: its children in creation order (class, id,
// text, style bits, position at the screen's scale), its font, its styles and client size.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace winhost {

struct ExpectedControl {
  int id;                 // -1 for labels and group boxes
  const char16_t* className;
  const char16_t* text;   // null: filled by the dialog, not checked here
  DWORD style;            // bits that must be set besides WS_CHILD | WS_VISIBLE
  int x, y, width, height;  // at 96 DPI
};

// A 96-DPI length at `dpi`, truncated as the dialogs scale.
int Scaled(int length, int dpi);

// The top-level window of this thread with that class; null when none.
HWND FindThreadWindow(const char16_t* className);
int CountThreadWindows(const char16_t* className);

// Caption, window styles, client size, every child in creation order and every child's font.
void CheckDialogWindow(HWND dialog, const std::string& name, const char16_t* caption, int clientWidth,
                       int clientHeight, const std::vector<ExpectedControl>& controls, int dpi);

std::u16string ListItemText(HWND list, int index);
// A mouse click on a list entry, as the user makes it (the list notifies its parent itself).
void ClickListItem(HWND list, int index);

}  // namespace winhost
