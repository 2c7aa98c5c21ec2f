// The main dialog: a modeless window owned by the host's main window (at most one per process).
#pragma once

#include <windows.h>

#include <string>

#include "HostAbi.h"
#include "ui/DialogState.h"

namespace vm {

// Control ids of the main dialog.
enum MainDialogId : int {
  kIdClose = 2,
  kIdPhone = 2101,             // the nine category check boxes, 2101 to 2109
  kIdIpAddress = 2102,
  kIdBirthDate = 2103,
  kIdBankAccount = 2104,
  kIdEmail = 2105,
  kIdCreditCard = 2106,
  kIdResidentNumber = 2107,
  kIdForeignNumber = 2108,
  kIdPostalAddress = 2109,
  kIdStars = 2201,             // protection characters, one radio group
  kIdTildes = 2202,
  kIdCrosses = 2203,
  kIdFind = 2301,
  kIdProtectOne = 2302,
  kIdProtectAll = 2303,
  kIdFormats = 2401,
};

inline constexpr char16_t kMainDialogClass[] = u"VeilmarkPiDlg";
inline constexpr char16_t kMainDialogCaption[] = u"개인 정보 보호하기";
inline constexpr char16_t kFindButtonText[] = u"찾기(&F)";
inline constexpr int kMainClientWidth = 510;   // at 96 DPI
inline constexpr int kMainClientHeight = 364;
inline constexpr UINT_PTR kReshowTimer = 1;
inline constexpr UINT_PTR kDocumentWatchTimer = 2;
inline constexpr UINT kDocumentWatchPeriod = 500;  // ms

// Opens the dialog, or brings the open one to the foreground.
void OpenMainDialog(HWND owner);
// The open main dialog; null when none.
HWND MainDialogWindow();
// Ends the active search: frames removed, list emptied, "찾기(&F)" and the plain caption back.
void ResetSearch(HWND dialog, PiDialogState* state);
// The host's message box (host 30:3) with the dialog as owner; the button chosen.
int32_t ShowMessage(HWND owner, const std::u16string& text, const std::u16string& caption, int32_t flags);

LRESULT CALLBACK MainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// WH_GETMESSAGE hook: the dialog manager's keyboard interface inside the host's message loop.
LRESULT CALLBACK DialogKeyboardHook(int code, WPARAM wParam, LPARAM lParam);

}  // namespace vm
