#include "ui/FormatDialog.h"

#include "mask/FormatChoiceTable.h"
#include "ui/DialogLayout.h"
#include "ui/StoredFormats.h"
#include "ui/WideText.h"

namespace vm {

namespace {

bool g_classRegistered = false;

constexpr DWORD kListStyle = WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY;
constexpr DWORD kReadOnlyEdit = WS_BORDER | ES_READONLY | ES_AUTOHSCROLL;

struct ControlSpec {
  int id;
  const char16_t* className;
  const char16_t* text;
  DWORD style;
  int x, y, w, h;
};

constexpr ControlSpec kControls[] = {
    {-1, u"STATIC", u"항목", 0, 20, 12, 120, 18},
    {kIdCategoryList, u"LISTBOX", u"", kListStyle, 20, 34, 150, 246},
    {-1, u"STATIC", u"현재 형식", 0, 190, 12, 120, 18},
    {kIdCurrentFormat, u"EDIT", u"", kReadOnlyEdit, 190, 34, 290, 24},
    {-1, u"STATIC", u"형식 목록", 0, 190, 70, 120, 18},
    {kIdFormatList, u"LISTBOX", u"", kListStyle, 190, 92, 290, 188},
    {kIdFormatSet, u"BUTTON", u"설정(&D)", BS_DEFPUSHBUTTON | WS_TABSTOP, 500, 12, 96, 28},
    {kIdFormatCancel, u"BUTTON", u"취소", BS_PUSHBUTTON | WS_TABSTOP, 500, 48, 96, 28},
};

constexpr int32_t kRowCount = static_cast<int32_t>(FormatChoiceTable.size());

FormatDialogState* FormatStateOf(HWND window) {
  return reinterpret_cast<FormatDialogState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

int32_t ListSelection(HWND window, int id) {
  return static_cast<int32_t>(SendDlgItemMessageW(window, id, LB_GETCURSEL, 0, 0));
}

void OnFormatChosen(HWND window, FormatDialogState* state) {
  int32_t row = ListSelection(window, kIdCategoryList);
  int32_t entry = ListSelection(window, kIdFormatList);
  if (!state || row < 0 || row >= kRowCount || entry < 0 ||
      entry >= FormatChoiceTable[static_cast<size_t>(row)].count) {
    return;
  }
  state->chosen[static_cast<size_t>(row)] = entry;
  SetDlgItemTextW(window, kIdCurrentFormat,
                  Wide(FormatChoiceTable[static_cast<size_t>(row)].templates[entry]));
}

void OnCommand(HWND window, FormatDialogState* state, int id, int notification) {
  if (id == kIdCategoryList && notification == LBN_SELCHANGE) {
    FillFormatList(window, state);
  } else if (id == kIdFormatList && notification == LBN_SELCHANGE) {
    OnFormatChosen(window, state);
  } else if (id == kIdFormatSet && state) {
    for (int32_t row = 0; row < kRowCount; ++row) {
      WriteFormatIndex(row, state->chosen[static_cast<size_t>(row)]);
    }
    state->done = true;
  } else if (id == kIdFormatCancel && state) {
    state->done = true;
  }
}

// Until the dialog is done: the thread's messages, with the dialog manager's keyboard interface
// for the dialog. A WM_QUIT ends the dialog and is posted again for the host's own loop.
void RunModalLoop(HWND window, const FormatDialogState& state) {
  while (!state.done) {
    MSG message;
    BOOL result = GetMessageW(&message, nullptr, 0, 0);
    if (result == 0) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    if (result == -1) return;
    if (IsDialogMessageW(window, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace

LRESULT CALLBACK FormatDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  FormatDialogState* state = FormatStateOf(window);
  switch (message) {
    case WM_NCCREATE: {
      auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
      return DefWindowProcW(window, message, wParam, lParam);
    }
    case WM_COMMAND:
      OnCommand(window, state, LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_CLOSE:
      if (state) state->done = true;
      return 0;
    case WM_DESTROY:
      // Destroyed with its owner (the main dialog closes when the active document changes):
      // the loop must not wait for a window that is gone.
      if (state) state->done = true;
      return 0;
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
      return ControlColor(wParam);
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

void FillFormatList(HWND window, FormatDialogState* state) {
  int32_t row = ListSelection(window, kIdCategoryList);
  if (!state || row < 0 || row >= kRowCount) return;
  const FormatChoiceRow& choices = FormatChoiceTable[static_cast<size_t>(row)];
  HWND list = GetDlgItem(window, kIdFormatList);
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  for (int32_t entry = 0; entry < choices.count; ++entry) {
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(choices.templates[entry])));
  }
  int32_t chosen = state->chosen[static_cast<size_t>(row)];
  SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(chosen), 0);
  SetDlgItemTextW(window, kIdCurrentFormat, Wide(choices.templates[chosen]));
}

void OpenFormatDialog(HWND owner) {
  RegisterDialogClass(g_classRegistered, kFormatDialogClass, &FormatDialogProc);
  float s = DialogScale();
  FormatDialogState state;
  state.font = CreateDialogFont(s);
  for (int32_t row = 0; row < kRowCount; ++row) state.chosen[static_cast<size_t>(row)] = ReadFormatIndex(row);

  RECT place = CenteredDialogRect(owner, Scaled(kFormatClientWidth, s), Scaled(kFormatClientHeight, s));
  HINSTANCE instance = ModuleInstance();
  HWND window = CreateWindowExW(kDialogExStyle, Wide(kFormatDialogClass), Wide(kFormatDialogCaption),
                                kDialogStyle, place.left, place.top, place.right - place.left,
                                place.bottom - place.top, owner, nullptr, instance, &state);
  if (!window) {
    if (state.font) DeleteObject(state.font);
    return;
  }
  for (const ControlSpec& control : kControls) {
    CreateChildControl(window, instance, control.className, control.text, control.style, control.x,
                       control.y, control.w, control.h, control.id, state.font, s);
  }
  HWND categories = GetDlgItem(window, kIdCategoryList);
  for (const FormatChoiceRow& choices : FormatChoiceTable) {
    SendMessageW(categories, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(choices.label)));
  }
  SendMessageW(categories, LB_SETCURSEL, 0, 0);
  FillFormatList(window, &state);

  if (owner) EnableWindow(owner, FALSE);
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  SetFocus(categories);

  RunModalLoop(window, state);

  if (owner) {
    EnableWindow(owner, TRUE);
    SetActiveWindow(owner);
  }
  DestroyWindow(window);
  if (state.font) DeleteObject(state.font);
}

}  // namespace vm
