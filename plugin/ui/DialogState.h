// The state of the open main dialog, shared by the dialog itself, find and navigation, and the
// protect commands. One record per dialog window, reached through its user-data slot.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "HostAbi.h"
#include "detect/PiMatch.h"
#include "detect/ScanDocument.h"

namespace vm {

// One temporary frame annotation now on a page.
struct MatchFrame {
  int32_t pageIndex = 0;
  HostHandle annotation = nullptr;  // as host 26:130 returned it
  HostBox rect{};                   // left, bottom, right, top in page space
};

struct PiDialogState {
  HFONT font = nullptr;             // the dialog font; deleted with the state
  HostHandle document = nullptr;    // the active document at opening; never changes
  bool scanned = false;             // a search is active: `matches` is a scan's result
  int32_t current = -1;             // index of the occurrence shown; -1 when none
  int32_t reshowCountdown = 0;      // re-shows still due after protecting one occurrence
  PiMatchList matches;
  std::vector<MatchFrame> frames;
  ScanReport scanReport;            // how completely the scan behind `matches` searched
};

// The state stored in a main dialog's user-data slot; null when none.
inline PiDialogState* DialogStateOf(HWND dialog) {
  return dialog ? reinterpret_cast<PiDialogState*>(GetWindowLongPtrW(dialog, GWLP_USERDATA)) : nullptr;
}

}  // namespace vm
