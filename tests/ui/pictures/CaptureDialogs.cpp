// Draws both dialogs on the screen and saves each as the screen shows it (a 24-bit BMP per
// dialog, named after the DPI): capture-dialogs OUTPUT_FOLDER DPI. scripts/dialog-pictures.sh
// runs it at 96 and 144 DPI and turns the files into the README's PNG pictures.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/Application.h"
#include "core/StandinHost.h"
#include "host/PlugIn.h"
#include "ui/FormatDialog.h"
#include "ui/MainDialog.h"

namespace {

std::string g_folder;
std::string g_dpi;

void Pump(int milliseconds) {
  DWORD end = GetTickCount() + static_cast<DWORD>(milliseconds);
  while (static_cast<int>(end - GetTickCount()) > 0) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    Sleep(10);
  }
}

// The window as drawn on the screen, saved as a bottom-up 24-bit BMP.
bool SaveWindow(HWND window, const std::string& name) {
  RECT rect;
  GetWindowRect(window, &rect);
  int width = rect.right - rect.left, height = rect.bottom - rect.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  GdiFlush();
  DWORD rowBytes = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
  DWORD imageBytes = rowBytes * static_cast<DWORD>(height);
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  file.bfSize = file.bfOffBits + imageBytes;
  std::string path = g_folder + "/" + name + "-" + g_dpi + ".bmp";
  FILE* out = std::fopen(path.c_str(), "wb");
  bool written = out && std::fwrite(&file, sizeof file, 1, out) == 1 &&
                 std::fwrite(&info.bmiHeader, sizeof(BITMAPINFOHEADER), 1, out) == 1 &&
                 std::fwrite(bits, imageBytes, 1, out) == 1;
  if (out) std::fclose(out);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  std::printf("%s %s (%dx%d)\n", written ? "wrote" : "could not write", path.c_str(), width, height);
  return written;
}

bool g_formatSaved = false;

void CALLBACK CaptureFormatDialog(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  HWND format = FindWindowW(reinterpret_cast<const WCHAR*>(vm::kFormatDialogClass), nullptr);
  if (!format) return;
  // Show a category with a choice made: e-mail, its third template.
  SendDlgItemMessageW(format, vm::kIdCategoryList, LB_SETCURSEL, 3, 0);
  SendMessageW(format, WM_COMMAND, MAKEWPARAM(vm::kIdCategoryList, LBN_SELCHANGE), 0);
  SendDlgItemMessageW(format, vm::kIdFormatList, LB_SETCURSEL, 2, 0);
  SendMessageW(format, WM_COMMAND, MAKEWPARAM(vm::kIdFormatList, LBN_SELCHANGE), 0);
  RedrawWindow(format, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  Pump(400);
  g_formatSaved = SaveWindow(format, "format-dialog");
  PostMessageW(format, WM_COMMAND, vm::kIdFormatCancel, 0);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: capture-dialogs OUTPUT_FOLDER DPI\n");
    return 2;
  }
  g_folder = argv[1];
  g_dpi = argv[2];
  standin::ResetHost();
  if (!standin::LoadPlugin(&vm::PlugInMain, nullptr)) return 1;
  standin::OpenHostDocumentFromContent({"BT ET"});

  vm::OpenMainDialog(nullptr);
  HWND dialog = vm::MainDialogWindow();
  if (!dialog) return 1;
  SendDlgItemMessageW(dialog, vm::kIdPhone, BM_CLICK, 0, 0);
  SendDlgItemMessageW(dialog, vm::kIdEmail, BM_CLICK, 0, 0);
  Pump(600);
  bool mainSaved = SaveWindow(dialog, "main-dialog");

  SetTimer(nullptr, 0, 600, &CaptureFormatDialog);
  SendDlgItemMessageW(dialog, vm::kIdFormats, BM_CLICK, 0, 0);
  DestroyWindow(dialog);
  standin::ResetHost();
  return mainSaved && g_formatSaved ? 0 : 1;
}
