#include "ui/MainDialog.h"

#include "host/HostCall.h"
#include "host/UiEntry.h"
#include "ui/Commands.h"
#include "ui/DialogLayout.h"
#include "ui/FormatDialog.h"
#include "ui/WideText.h"

namespace vm {

namespace {

HWND g_dialog = nullptr;
HHOOK g_hook = nullptr;
bool g_classRegistered = false;

constexpr DWORD kCheckBox = BS_AUTOCHECKBOX | WS_TABSTOP;
constexpr DWORD kFirstRadio = BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP;
constexpr DWORD kRadio = BS_AUTORADIOBUTTON;
constexpr DWORD kPushButton = BS_PUSHBUTTON | WS_TABSTOP;

struct ControlSpec {
  int id;
  const char16_t* text;
  DWORD style;
  int x, y, w, h;
};

// In creation order, which is the tab order.
constexpr ControlSpec kControls[] = {
    {-1, u"개인 정보 선택 사항", BS_GROUPBOX, 14, 8, 348, 214},
    {kIdPhone, u"전화번호", kCheckBox, 28, 34, 150, 22},
    {kIdBirthDate, u"생년월일", kCheckBox, 28, 64, 150, 22},
    {kIdEmail, u"전자 우편", kCheckBox, 28, 94, 150, 22},
    {kIdResidentNumber, u"주민등록번호", kCheckBox, 28, 124, 150, 22},
    {kIdForeignNumber, u"외국인등록번호", kCheckBox, 28, 154, 150, 22},
    {kIdIpAddress, u"IP 주소", kCheckBox, 196, 34, 150, 22},
    {kIdBankAccount, u"계좌 번호", kCheckBox, 196, 64, 150, 22},
    {kIdCreditCard, u"신용카드 번호", kCheckBox, 196, 94, 150, 22},
    {kIdPostalAddress, u"주소", kCheckBox, 196, 124, 150, 22},
    {kIdFormats, u"표시 형식 선택...", kPushButton, 28, 184, 160, 26},
    {-1, u"보호 문자 선택", BS_GROUPBOX, 14, 232, 348, 116},
    {kIdStars, u"******", kFirstRadio, 28, 256, 150, 22},
    {kIdTildes, u"~~~~~~", kRadio, 28, 284, 150, 22},
    {kIdCrosses, u"XXXXXX", kRadio, 28, 312, 150, 22},
    {kIdFind, kFindButtonText, BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP, 378, 10, 118, 30},
    {kIdProtectOne, u"보호하기(&H)", kPushButton, 378, 50, 118, 30},
    {kIdProtectAll, u"모두 보호(&A)", kPushButton, 378, 90, 118, 30},
    {kIdClose, u"닫기", kPushButton, 378, 130, 118, 30},
};

void OnCommand(HWND window, PiDialogState* state, int id, int notification) {
  switch (id) {
    case kIdClose: DestroyWindow(window); return;
    case kIdFind: FindNext(window); return;
    case kIdProtectOne: Protect(window, false); return;
    case kIdProtectAll: Protect(window, true); return;
    case kIdFormats: OpenFormatDialog(window); return;
    default: break;
  }
  // Another protection character or display format does not end a search; other categories do.
  if (id >= kIdPhone && id <= kIdPostalAddress && notification == BN_CLICKED && state &&
      state->scanned) {
    ResetSearch(window, state);
  }
}

void OnTimer(HWND window, PiDialogState* state, UINT_PTR timer) {
  if (timer == kReshowTimer) {
    KillTimer(window, kReshowTimer);
    if (!state) return;
    ShowCurrentMatch(window, state);
    if (--state->reshowCountdown > 0) SetTimer(window, kReshowTimer, 600, nullptr);
  } else if (timer == kDocumentWatchTimer) {
    if (state && Host<20, 24>() != state->document) {
      KillTimer(window, kDocumentWatchTimer);
      DestroyWindow(window);
    }
  }
}

}  // namespace

LRESULT CALLBACK MainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  PiDialogState* state = DialogStateOf(window);
  switch (message) {
    case WM_NCCREATE: {
      auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
      return DefWindowProcW(window, message, wParam, lParam);
    }
    case WM_COMMAND:
      OnCommand(window, state, LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_TIMER:
      OnTimer(window, state, wParam);
      return 0;
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
      return ControlColor(wParam);
    case WM_DESTROY:
      KillTimer(window, kReshowTimer);
      KillTimer(window, kDocumentWatchTimer);
      RemoveMatchFrames(state);
      if (g_hook) {
        UnhookWindowsHookEx(g_hook);
        g_hook = nullptr;
      }
      g_dialog = nullptr;
      return 0;
    case WM_NCDESTROY:
      if (state) {
        if (state->font) DeleteObject(state->font);
        delete state;
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      }
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

LRESULT CALLBACK DialogKeyboardHook(int code, WPARAM wParam, LPARAM lParam) {
  auto* message = reinterpret_cast<MSG*>(lParam);
  if (code >= 0 && wParam == PM_REMOVE && g_dialog && IsWindow(g_dialog) &&
      IsWindowEnabled(g_dialog) && message->message >= WM_KEYFIRST &&
      message->message <= WM_KEYLAST && IsDialogMessageW(g_dialog, message)) {
    // Handled by the dialog manager: the host's loop receives WM_NULL instead.
    message->message = WM_NULL;
    message->wParam = 0;
    message->lParam = 0;
  }
  return CallNextHookEx(g_hook, code, wParam, lParam);
}

void OpenMainDialog(HWND owner) {
  if (g_dialog && IsWindow(g_dialog)) {
    SetForegroundWindow(g_dialog);
    return;
  }
  RegisterDialogClass(g_classRegistered, kMainDialogClass, &MainDialogProc);

  float s = DialogScale();
  HFONT font = CreateDialogFont(s);
  RECT place = CenteredDialogRect(owner, Scaled(kMainClientWidth, s), Scaled(kMainClientHeight, s));

  auto* state = new PiDialogState;
  state->font = font;
  state->document = Host<20, 24>();

  HINSTANCE instance = ModuleInstance();
  HWND window = CreateWindowExW(kDialogExStyle, Wide(kMainDialogClass), Wide(kMainDialogCaption),
                                kDialogStyle, place.left, place.top, place.right - place.left,
                                place.bottom - place.top, owner, nullptr, instance, state);
  if (!window) {
    if (font) DeleteObject(font);
    delete state;
    return;
  }

  for (const ControlSpec& control : kControls) {
    CreateChildControl(window, instance, u"BUTTON", control.text, control.style, control.x,
                       control.y, control.w, control.h, control.id, font, s);
  }
  CheckDlgButton(window, kIdResidentNumber, BST_CHECKED);
  CheckDlgButton(window, kIdStars, BST_CHECKED);

  g_dialog = window;
  g_hook = SetWindowsHookExW(WH_GETMESSAGE, &DialogKeyboardHook, nullptr, GetCurrentThreadId());

  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  SetFocus(GetDlgItem(window, kIdFind));
  SetTimer(window, kDocumentWatchTimer, kDocumentWatchPeriod, nullptr);
}

HWND MainDialogWindow() { return g_dialog; }

void ResetSearch(HWND dialog, PiDialogState* state) {
  RemoveMatchFrames(state);
  if (state) {
    state->scanned = false;
    state->current = -1;
    state->matches.clear();
  }
  SetDlgItemTextW(dialog, kIdFind, Wide(kFindButtonText));
  SetWindowTextW(dialog, Wide(kMainDialogCaption));
}

int32_t ShowMessage(HWND owner, const std::u16string& text, const std::u16string& caption,
                    int32_t flags) {
  return Host<30, 3>(text.c_str(), flags, caption.c_str(), 0, static_cast<HostWindow>(owner));
}

void OpenMainDialogForHost(HostWindow owner) { OpenMainDialog(static_cast<HWND>(owner)); }

void* ModuleResourceHandle() { return ModuleInstance(); }

}  // namespace vm
