#include "WindowChecks.h"

#include <cwctype>

#include "Expect.h"
#include "ui/WindowDriver.h"

namespace winhost {

namespace {

std::u16string ClassOf(HWND window) {
  WCHAR name[64] = {};
  GetClassNameW(window, name, 64);
  return std::u16string(reinterpret_cast<const char16_t*>(name));
}

bool SameIgnoringCase(const std::u16string& a, const std::u16string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::towlower(a[i]) != std::towlower(b[i])) return false;
  }
  return true;
}

void CheckFont(HWND window, const std::string& what, int dpi) {
  auto font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
  LOGFONTW log{};
  if (!Expect(font && GetObjectW(font, sizeof log, &log) == sizeof log, what + " has the dialog font")) return;
  ExpectEqual(log.lfHeight, -static_cast<int>(13.0f * (dpi / 96.0f) + 0.5f), what + " font height");
  ExpectEqual(std::u16string(reinterpret_cast<const char16_t*>(log.lfFaceName)), u"Malgun Gothic", what + " font face");
  ExpectEqual(log.lfWeight, 400, what + " font weight");
  ExpectEqual(log.lfQuality, CLEARTYPE_QUALITY, what + " font quality");
}

struct ThreadWindows {
  const char16_t* className;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<ThreadWindows*>(context);
  if (ClassOf(window) == search->className) search->found.push_back(window);
  return TRUE;
}

std::vector<HWND> ThreadWindowsOf(const char16_t* className) {
  ThreadWindows search{className, {}};
  EnumThreadWindows(GetCurrentThreadId(), &CollectWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace

int Scaled(int length, int dpi) { return static_cast<int>(length * (dpi / 96.0f)); }

HWND FindThreadWindow(const char16_t* className) {
  std::vector<HWND> windows = ThreadWindowsOf(className);
  return windows.empty() ? nullptr : windows.front();
}

int CountThreadWindows(const char16_t* className) { return static_cast<int>(ThreadWindowsOf(className).size()); }

void CheckDialogWindow(HWND dialog, const std::string& name, const char16_t* caption, int clientWidth,
                       int clientHeight, const std::vector<ExpectedControl>& controls, int dpi) {
  ExpectEqual(uitest::TextOf(dialog), caption, name + " caption");
  const LONG style = GetWindowLongW(dialog, GWL_STYLE);
  const LONG exStyle = GetWindowLongW(dialog, GWL_EXSTYLE);
  Expect((style & (WS_POPUP | WS_CAPTION | WS_SYSMENU)) == (WS_POPUP | WS_CAPTION | WS_SYSMENU) &&
             !(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)),
         name + " is a fixed-size popup with caption and system menu");
  Expect((exStyle & (WS_EX_CONTROLPARENT | WS_EX_DLGMODALFRAME)) == (WS_EX_CONTROLPARENT | WS_EX_DLGMODALFRAME),
         name + " has the dialog frame and tabs into its controls");
  SIZE client = uitest::ClientSize(dialog);
  ExpectEqual(client.cx, Scaled(clientWidth, dpi), name + " client width");
  ExpectEqual(client.cy, Scaled(clientHeight, dpi), name + " client height");

  size_t index = 0;
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT), ++index) {
    if (!Expect(index < controls.size(), name + " has no more than " + std::to_string(controls.size()) + " controls")) {
      break;
    }
    const ExpectedControl& expected = controls[index];
    const std::string what = name + " control " + std::to_string(index) + " (" + Utf8(expected.text ? expected.text : u"") + ")";
    ExpectEqual(GetDlgCtrlID(child), expected.id, what + " id");
    Expect(SameIgnoringCase(ClassOf(child), expected.className),
           what + " class " + Utf8(ClassOf(child)) + ", expected " + Utf8(expected.className));
    if (expected.text) ExpectEqual(uitest::TextOf(child), expected.text, what + " text");
    // Lists and edit boxes manage their border and scroll-bar bits themselves.
    const bool button = SameIgnoringCase(ClassOf(child), u"Button");
    const DWORD childStyle = static_cast<DWORD>(GetWindowLongW(child, GWL_STYLE));
    const DWORD wanted = (expected.style | WS_CHILD | WS_VISIBLE) & (button ? ~0u : ~DWORD{WS_BORDER | WS_VSCROLL});
    Expect((childStyle & wanted) == wanted && (!button || (childStyle & 0xF) == (expected.style & 0xF)),
           what + " style bits");
    RECT rect = uitest::ChildRect(child);
    const int left = Scaled(expected.x, dpi), top = Scaled(expected.y, dpi);
    Expect(rect.left == left && rect.top == top && rect.right == left + Scaled(expected.width, dpi) &&
               rect.bottom == top + Scaled(expected.height, dpi),
           what + " at " + std::to_string(rect.left) + "," + std::to_string(rect.top) + " size " +
               std::to_string(rect.right - rect.left) + "x" + std::to_string(rect.bottom - rect.top));
    CheckFont(child, what, dpi);
  }
  ExpectEqual(static_cast<long long>(index), static_cast<long long>(controls.size()), name + " control count");
}

std::u16string ListItemText(HWND list, int index) {
  LRESULT length = SendMessageW(list, LB_GETTEXTLEN, index, 0);
  if (length < 0) return u"";
  std::u16string text(static_cast<size_t>(length) + 1, u'\0');
  SendMessageW(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(length));
  return text;
}

void ClickListItem(HWND list, int index) {
  RECT item{};
  SendMessageW(list, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item));
  LPARAM point = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
  SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, point);
  SendMessageW(list, WM_LBUTTONUP, 0, point);
}

}  // namespace winhost
