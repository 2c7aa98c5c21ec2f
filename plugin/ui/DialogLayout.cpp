#include "ui/DialogLayout.h"

#include "ui/WideText.h"

namespace vm {

float DialogScale() {
  HDC screen = GetDC(nullptr);
  int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return dpi < 1 ? 1.0f : static_cast<float>(dpi) / 96.0f;
}

int Scaled(int value, float s) { return static_cast<int>(static_cast<float>(value) * s); }

HFONT CreateDialogFont(float s) {
  int height = -static_cast<int>(13.0f * s + 0.5f);
  return CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                     DEFAULT_PITCH | FF_DONTCARE, Wide(u"Malgun Gothic"));
}

HWND CreateChildControl(HWND parent, HINSTANCE instance, const char16_t* className,
                        const char16_t* text, DWORD style, int x, int y, int w, int h, int id,
                        HFONT font, float s) {
  HWND control = CreateWindowExW(0, Wide(className), Wide(text), style | WS_CHILD | WS_VISIBLE,
                                 Scaled(x, s), Scaled(y, s), Scaled(w, s), Scaled(h, s), parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance,
                                 nullptr);
  if (control && font) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  return control;
}

RECT CenteredDialogRect(HWND owner, int clientWidth, int clientHeight) {
  RECT frame{0, 0, clientWidth, clientHeight};
  AdjustWindowRectEx(&frame, kDialogStyle, FALSE, kDialogExStyle);
  int width = frame.right - frame.left;
  int height = frame.bottom - frame.top;
  RECT ownerRect;
  int x, y;
  if (owner && GetWindowRect(owner, &ownerRect)) {
    x = ownerRect.left + (ownerRect.right - ownerRect.left - width) / 2;
    y = ownerRect.top + (ownerRect.bottom - ownerRect.top - height) / 2;
  } else {
    x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  }
  return RECT{x, y, x + width, y + height};
}

void RegisterDialogClass(bool& registered, const char16_t* name, WNDPROC procedure) {
  if (registered) return;
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = 0;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = ModuleInstance();
  windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  windowClass.lpszClassName = Wide(name);
  RegisterClassExW(&windowClass);
  registered = true;
}

HINSTANCE ModuleInstance() {
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                              GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          reinterpret_cast<LPCWSTR>(&ModuleInstance), &module)) {
    module = GetModuleHandleW(nullptr);
  }
  return module;
}

LRESULT ControlColor(WPARAM deviceContext) {
  SetBkMode(reinterpret_cast<HDC>(deviceContext), TRANSPARENT);
  return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

}  // namespace vm
