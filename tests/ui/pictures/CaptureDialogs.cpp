// Draws both dialogs on the screen and saves each as the screen shows it (a PNG per dialog,
// named after the DPI): capture-dialogs OUTPUT_FOLDER DPI. scripts/dialog-pictures.sh runs it at
// 96 and 144 DPI for the README's pictures.
#include <windows.h>

#include <cstdio>
#include <string>

#include "core/Application.h"
#include "core/PageRender.h"
#include "core/StandinHost.h"
#include "host/PlugIn.h"
#include "ui/FormatDialog.h"
#include "ui/MainDialog.h"
#include "ui/WindowDriver.h"
#include "ui/pictures/WindowPicture.h"

namespace {

std::string g_folder;
std::string g_dpi;

// The window as drawn on the screen, as OUTPUT_FOLDER/name-DPI.png.
bool SaveWindow(HWND window, const std::string& name) {
  const standin::PageImage picture = pictures::PictureOfWindow(window);
  const std::string path = g_folder + "/" + name + "-" + g_dpi + ".png";
  const bool written = !picture.rgb.empty() && standin::WritePng(picture, path);
  std::printf("%s %s (%dx%d)\n", written ? "wrote" : "could not write", path.c_str(), picture.width,
              picture.height);
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
  uitest::PumpMessages(400);
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
  uitest::PumpMessages(600);
  bool mainSaved = SaveWindow(dialog, "main-dialog");

  SetTimer(nullptr, 0, 600, &CaptureFormatDialog);
  SendDlgItemMessageW(dialog, vm::kIdFormats, BM_CLICK, 0, 0);
  DestroyWindow(dialog);
  standin::ResetHost();
  return mainSaved && g_formatSaved ? 0 : 1;
}
