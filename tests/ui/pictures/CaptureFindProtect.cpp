// Find and protect as the user sees them, for the README: the real dialog driven through its
// buttons on a sample document, and at each of three steps the page with the current occurrence
// framed (rendered by MuPDF) next to the dialog as the screen shows it:
//   find-step-1.png   the first find
//   find-step-2.png   "다음 찾기"
//   protect-one.png   after protecting that occurrence, the next one shown
// capture-find-protect SAMPLE_PDF OUTPUT_FOLDER (scripts/dialog-pictures.sh runs it at 96 DPI).
#include <windows.h>

#include <cstdio>
#include <string>

#include "core/Application.h"
#include "core/PageRender.h"
#include "core/Ribbon.h"
#include "host/PlugIn.h"
#include "ui/DialogState.h"
#include "ui/MainDialog.h"
#include "ui/WindowDriver.h"
#include "ui/pictures/WindowPicture.h"

namespace {

std::string Utf8(const std::u16string& text) {
  std::string out(text.size() * 3 + 1, '\0');
  const int length = WideCharToMultiByte(CP_UTF8, 0, reinterpret_cast<const WCHAR*>(text.c_str()),
                                         static_cast<int>(text.size()), out.data(),
                                         static_cast<int>(out.size()), nullptr, nullptr);
  out.resize(length > 0 ? length : 0);
  return out;
}

void Press(HWND dialog, int id, int settleMilliseconds) {
  PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
  uitest::PumpMessages(settleMilliseconds);
  RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  uitest::PumpMessages(200);
}

// The current occurrence's page (frames included) beside the dialog, as OUTPUT/name.png.
bool SaveStep(HWND dialog, HostHandle document, const std::string& folder, const char* name) {
  const vm::PiDialogState* state = vm::DialogStateOf(dialog);
  if (!state || state->current < 0 || state->current >= static_cast<int>(state->matches.size())) {
    std::fprintf(stderr, "%s: no occurrence is shown\n", name);
    return false;
  }
  standin::PageImage page;
  if (!standin::RenderPage(document, state->matches[state->current].pageIndex, 1.0f, &page)) {
    std::fprintf(stderr, "%s: the page did not render\n", name);
    return false;
  }
  const standin::PageImage dialogPicture = pictures::PictureOfWindow(dialog);
  const std::string path = folder + "/" + name + ".png";
  const bool written = !dialogPicture.rgb.empty() &&
                       standin::WritePng(pictures::SideBySide(page, dialogPicture), path);
  std::printf("%s %s: page %d, caption \"%s\"\n", written ? "wrote" : "could not write", path.c_str(),
              state->matches[state->current].pageIndex + 1, Utf8(uitest::TextOf(dialog)).c_str());
  return written;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: capture-find-protect SAMPLE_PDF OUTPUT_FOLDER\n");
    return 2;
  }
  const std::string folder = argv[2];
  standin::ResetHost();
  if (!standin::LoadPlugin(&vm::PlugInMain, nullptr)) return 1;
  std::string error;
  HostHandle document = standin::OpenHostDocument(argv[1], &error);
  if (!document) {
    std::fprintf(stderr, "%s: %s\n", argv[1], error.c_str());
    return 1;
  }
  uitest::PumpMessages(100);
  if (!standin::ClickRibbonButton("Ctrl_Veilmark_Mask")) return 1;
  uitest::PumpMessages(300);
  HWND dialog = vm::MainDialogWindow();
  if (!dialog) return 1;
  // Resident numbers are ticked when the dialog opens; add telephone numbers and e-mail.
  Press(dialog, vm::kIdPhone, 50);
  Press(dialog, vm::kIdEmail, 50);

  bool ok = true;
  Press(dialog, vm::kIdFind, 300);
  ok = SaveStep(dialog, document, folder, "find-step-1") && ok;
  Press(dialog, vm::kIdFind, 300);
  ok = SaveStep(dialog, document, folder, "find-step-2") && ok;
  // The protected occurrence is masked, the one now at its place shown (and shown again twice by
  // the dialog's timer while the host settles the page).
  Press(dialog, vm::kIdProtectOne, 1500);
  ok = SaveStep(dialog, document, folder, "protect-one") && ok;

  DestroyWindow(dialog);
  uitest::PumpMessages(100);
  standin::ResetHost();
  return ok ? 0 : 1;
}
