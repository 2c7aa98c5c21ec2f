// The display-format dialog: a modal window with its own message loop, choosing one display
// format per category; "설정(&D)" stores all choices, "취소" none.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>

namespace vm {

enum FormatDialogId : int {
  kIdFormatSet = 1,
  kIdFormatCancel = 2,
  kIdCategoryList = 2501,
  kIdCurrentFormat = 2502,
  kIdFormatList = 2503,
};

inline constexpr char16_t kFormatDialogClass[] = u"VeilmarkFmtDlg";
inline constexpr char16_t kFormatDialogCaption[] = u"표시 형식 선택";
inline constexpr int kFormatClientWidth = 616;  // at 96 DPI
inline constexpr int kFormatClientHeight = 294;

// One run of the dialog, reached through the window's user-data slot.
struct FormatDialogState {
  HFONT font = nullptr;                // deleted when the dialog ends
  bool done = false;                   // ends the message loop
  std::array<int32_t, 8> chosen{};     // entry number per row of FormatChoiceTable
};

// Runs the dialog with `owner` disabled; returns when it has ended.
void OpenFormatDialog(HWND owner);

LRESULT CALLBACK FormatDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Shows the templates of the category selected in 2501, with its choice selected.
void FillFormatList(HWND window, FormatDialogState* state);

}  // namespace vm
