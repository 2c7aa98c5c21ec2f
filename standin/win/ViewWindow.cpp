// The views' real windows: one child window of the host's main window per open document,
// filling its client area, showing the pages as MuPDF draws them (annotations included) at the
// view's zoom and scroll position. Only the active document's window is shown.
#include "win/ViewWindow.h"

#include <algorithm>
#include <vector>

#include "core/Application.h"
#include "core/PageRender.h"
#include "win/HostMainWindow.h"

namespace standin {

namespace {

constexpr char16_t kViewClass[] = u"VeilmarkStandinView";

HostHandle DocumentOfWindow(HWND window) {
  return reinterpret_cast<HostHandle>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

void SyncClientSize(HWND window) {
  HostHandle document = DocumentOfWindow(window);
  if (!document) return;
  RECT client;
  GetClientRect(window, &client);
  ViewLayout layout = GetViewLayout(document);
  layout.clientWidth = client.right;
  layout.clientHeight = client.bottom;
  SetViewLayout(document, layout);
}

// Draws an RGB page image at (x, y) of the device context.
void Blit(HDC dc, const PageImage& image, int x, int y) {
  std::vector<uint8_t> bgra(static_cast<size_t>(image.width) * image.height * 4);
  for (size_t i = 0, n = static_cast<size_t>(image.width) * image.height; i < n; ++i) {
    bgra[i * 4 + 0] = image.rgb[i * 3 + 2];
    bgra[i * 4 + 1] = image.rgb[i * 3 + 1];
    bgra[i * 4 + 2] = image.rgb[i * 3 + 0];
  }
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = image.width;
  info.bmiHeader.biHeight = -image.height;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  SetDIBitsToDevice(dc, x, y, image.width, image.height, 0, 0, 0, image.height, bgra.data(), &info,
                    DIB_RGB_COLORS);
}

void Paint(HWND window) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  FillRect(dc, &paint.rcPaint, GetSysColorBrush(COLOR_APPWORKSPACE));
  HostHandle document = DocumentOfWindow(window);
  const std::vector<HostBox> boxes = document ? PageBoxes(document) : std::vector<HostBox>{};
  if (!boxes.empty()) {
    const ViewLayout layout = GetViewLayout(document);
    int first = -1, last = -1;
    for (int i = 0; i < static_cast<int>(boxes.size()); ++i) {
      const PagePlace place = PlaceOfPage(boxes, i, layout.zoom);
      const float top = place.top - layout.scrollY;
      if (top + place.height > 0 && top < layout.clientHeight) {
        if (first < 0) first = i;
        last = i + 1;
      }
    }
    if (first >= 0) {
      const std::vector<PageImage> images = RenderPages(document, layout.zoom, first, last);
      for (size_t k = 0; k < images.size(); ++k) {
        const PagePlace place = PlaceOfPage(boxes, first + static_cast<int>(k), layout.zoom);
        Blit(dc, images[k], static_cast<int>(place.left) - layout.scrollX,
             static_cast<int>(place.top) - layout.scrollY);
      }
    }
  }
  EndPaint(window, &paint);
}

LRESULT CALLBACK ViewWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCCREATE:
      SetWindowLongPtrW(window, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
      break;
    case WM_SIZE:
      SyncClientSize(window);
      return 0;
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT fills everything
    case WM_PAINT:
      Paint(window);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void RegisterViewClass() {
  static bool registered = false;
  if (registered) return;
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = &ViewWindowProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  windowClass.lpszClassName = reinterpret_cast<const WCHAR*>(kViewClass);
  RegisterClassExW(&windowClass);
  registered = true;
}

HostWindow CreateViewWindow(HostHandle document) {
  RegisterViewClass();
  HWND main = HostMainWindow();
  RECT client{0, 0, 640, 480};
  if (main) GetClientRect(main, &client);
  HWND window = CreateWindowExW(0, reinterpret_cast<const WCHAR*>(kViewClass), nullptr,
                                WS_CHILD | WS_CLIPSIBLINGS, 0, 0, client.right, client.bottom, main,
                                nullptr, GetModuleHandleW(nullptr), document);
  if (window) SyncClientSize(window);
  return window;
}

void DestroyViewWindow(HostWindow window) {
  HWND hwnd = static_cast<HWND>(window);
  if (IsWindow(hwnd)) DestroyWindow(hwnd);
}

void RepaintViewWindow(HostWindow window) {
  HWND hwnd = static_cast<HWND>(window);
  if (IsWindow(hwnd)) InvalidateRect(hwnd, nullptr, TRUE);
}

// Shows the active document's window above the others and hides the rest.
void ActivateViewWindow(HostWindow active) {
  for (HostHandle document : OpenDocuments()) {
    HWND window = static_cast<HWND>(ViewWindowOf(document));
    if (!IsWindow(window)) continue;
    if (window == active) {
      SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW | SWP_NOACTIVATE);
    } else {
      ShowWindow(window, SW_HIDE);
    }
  }
}

}  // namespace

void InstallViewWindows() {
  ViewWindowHooks hooks;
  hooks.create = &CreateViewWindow;
  hooks.destroy = &DestroyViewWindow;
  hooks.repaint = &RepaintViewWindow;
  hooks.activated = &ActivateViewWindow;
  SetViewWindowHooks(hooks);
}

}  // namespace standin
