#include "FindProtectChecks.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

#include "Expect.h"
#include "Sample.h"
#include "core/PageRender.h"
#include "ui/FindProtectScript.h"
#include "ui/WindowDriver.h"
#include "ui/pictures/WindowPicture.h"
#include "win/HostMainWindow.h"

namespace winhost {

namespace {

bool WriteFile(const std::string& path, const std::string& text) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  return std::fclose(file) == 0 && ok;
}

// The host's window with the dialog over it, as the screen shows them.
void TakePicture(HWND dialog, const std::string& path) {
  RECT host, box;
  GetWindowRect(standin::HostMainWindow(), &host);
  GetWindowRect(dialog, &box);
  RECT both;
  UnionRect(&both, &host, &box);
  both.left = std::max(both.left, 0L);
  both.top = std::max(both.top, 0L);
  // Painted as it stands now: the view where the dialog was before it moved off the occurrence.
  uitest::PumpMessages(300);
  Expect(standin::WritePng(pictures::PictureOfScreen(both), path), "picture written to " + path);
}

}  // namespace

void CheckFindProtect(const std::string& output, int dpi) {
  CloseSample();  // the runs open their own documents
  for (const uitest::FindProtectCase& run : uitest::FindProtectCases()) {
    const std::string saved = output + "\\" + run.file;
    std::printf("-- find and protect: %s\n", run.file.c_str());
    std::fflush(stdout);
    const uitest::FindProtectRun result = uitest::RunFindProtect(
        run, DataFile(run.file), saved, [&](HWND dialog, HostHandle, const std::string& step) {
          if (run.file == "sample-ko.pdf" && step == "find 1")
            TakePicture(dialog, output + "\\find-" + std::to_string(dpi) + ".png");
        });
    for (const std::string& failure : result.failures) Expect(false, failure);
    Expect(WriteFile(saved + ".txt", uitest::TranscriptText(result.transcript)), "transcript written for " + run.file);
  }
  OpenSample();
}

}  // namespace winhost
