// One script of clicks through the main dialog, find to save, run alike by the Linux interface
// tests (the module linked in, winelib) and by the Windows host program (the module as the DLL):
// the same clicks on the same documents must give the same transcript and the same saved bytes.
// It reaches the module through window messages and the host's functions only.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "HostAbi.h"

namespace uitest {

struct FindProtectCase {
  std::string file;                 // the document's file name
  std::vector<int> categoryClicks;  // check boxes (2101 to 2109) clicked after the dialog opens
  int protectionCharacter;          // radio button 2201 to 2203
};

// Every case, the bundled sample first, then documents of other producers.
const std::vector<FindProtectCase>& FindProtectCases();

struct FindProtectRun {
  std::vector<std::string> transcript;  // what the dialog and the host showed, step by step
  std::vector<std::string> failures;    // expectations that did not hold
  bool saved = false;
};

// Called at each step with the dialog, the document and the step's name ("find 1", ...).
using StepObserver = std::function<void(HWND dialog, HostHandle document, const std::string& step)>;

// With the stored display formats cleared: opens `input`, clicks the ribbon button, the check
// boxes and the protection character, "찾기" and "다음 찾기" up to the first occurrence on the
// next page (frames on the page, the occurrence within the view, which scrolls there), "보호하기", "모두 보호", undoes and redoes both steps
// "개인 정보 보호" (the pages' content back and again), closes the dialog, saves to `saved` and
// closes the document. The module must already be loaded.
FindProtectRun RunFindProtect(const FindProtectCase& run, const std::string& input, const std::string& saved,
                              const StepObserver& observer = {});

// The transcript as a file's text, one line each.
std::string TranscriptText(const std::vector<std::string>& transcript);

}  // namespace uitest
