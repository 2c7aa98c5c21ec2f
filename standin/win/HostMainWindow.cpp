#include "win/HostMainWindow.h"

#include "win/WindowParts.h"

namespace standin {

namespace {

HWND g_mainWindow = nullptr;

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY && window == g_mainWindow) g_mainWindow = nullptr;
  return DefWindowProcW(window, message, wParam, lParam);
}

HostWindow VM_CALL MainWindowFn() { return HostMainWindow(); }

}  // namespace

HWND HostMainWindow() {
  if (g_mainWindow && IsWindow(g_mainWindow)) return g_mainWindow;
  static bool registered = false;
  const WCHAR* className = reinterpret_cast<const WCHAR*>(u"VeilmarkStandinHost");
  if (!registered) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &MainWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_APPWORKSPACE + 1));
    windowClass.lpszClassName = className;
    RegisterClassExW(&windowClass);
    registered = true;
  }
  g_mainWindow = CreateWindowExW(0, className, reinterpret_cast<const WCHAR*>(u"Stand-in host"),
                                 WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 1000, 740, nullptr,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
  return g_mainWindow;
}

void DestroyHostMainWindow() {
  if (g_mainWindow) DestroyWindow(g_mainWindow);
  g_mainWindow = nullptr;
}

void RegisterMainWindowFunctions(FunctionTable& table) { table.Implement<20, 36>(&MainWindowFn); }

}  // namespace standin
