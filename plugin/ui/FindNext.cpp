// Find: the first press scans the document and shows the first occurrence; later presses step
// through the list, offering to start again from the first at the end.
#include <windows.h>

#include <algorithm>
#include <functional>

#include "detect/ScanDocument.h"
#include "host/HostCall.h"
#include "ui/CommandTexts.h"
#include "ui/Commands.h"
#include "ui/MainDialog.h"
#include "ui/ReadOptions.h"
#include "ui/WideText.h"

namespace vm {

namespace {

void StepToNext(HWND dialog, PiDialogState& state) {
  int32_t next = state.current + 1;
  if (next >= static_cast<int32_t>(state.matches.size())) {
    if (ShowMessage(dialog, kWrapQuestionText, kMainDialogCaption, kFlagsYesNoWarning) != kAnswerYes) return;
    next = 0;
  }
  state.current = next;
  ShowCurrentMatch(dialog, &state);
}

void FirstFind(HWND dialog, PiDialogState& state) {
  const PiOptions options = ReadOptions(dialog);
  if (std::ranges::none_of(options.flags, std::identity{})) {
    ShowMessage(dialog, kNoCategoryText, kFindCaption, kFlagsInformation);
    return;
  }
  HostHandle document = Host<20, 24>();
  if (!document) {
    ShowMessage(dialog, kNoDocumentText, kFindCaption, kFlagsWarning);
    return;
  }
  if (document != state.document) {
    DestroyWindow(dialog);
    return;
  }
  if (ScanDocument(document, options.flags, state.matches, &state.scanReport) <= 0) {
    // Nothing found must not read as a clean document when part of it was not searched.
    ShowMessage(dialog, WithScanNotice(kFoundNothingText, state.scanReport), kFindCaption, kFlagsWarning);
    return;
  }
  state.scanned = true;
  state.current = 0;
  SetDlgItemTextW(dialog, kIdFind, Wide(kFindNextText));
  ShowCurrentMatch(dialog, &state);
  if (!state.scanReport.Complete()) {
    ShowMessage(dialog, IncompleteScanText(state.scanReport), kFindCaption, kFlagsWarning);
  }
}

}  // namespace

void FindNext(HWND dialog) {
  PiDialogState* state = DialogStateOf(dialog);
  if (!state) return;
  try {
    if (state->scanned && !state->matches.empty()) {
      StepToNext(dialog, *state);
    } else {
      FirstFind(dialog, *state);
    }
  } catch (...) {
    // Runs inside the host's message loop: nothing may unwind into it.
  }
}

}  // namespace vm
