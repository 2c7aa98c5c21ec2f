// Protect: the current occurrence or every listed one is masked in the document as one undo
// step; afterwards the search goes on with what is left, or ends.
#include <windows.h>

#include <algorithm>
#include <functional>

#include "detect/ScanDocument.h"
#include "host/HostCall.h"
#include "mask/RedactionWriter.h"
#include "mask/Replacements.h"
#include "ui/CommandTexts.h"
#include "ui/Commands.h"
#include "ui/MainDialog.h"
#include "ui/MatchFrames.h"
#include "ui/ReadOptions.h"

namespace vm {

namespace {

char16_t ProtectionCharacter(const PiOptions& options) {
  return options.protection.empty() ? u'*' : options.protection.front();
}

bool WriteReplacements(HostHandle document, const PiOptions& options, const PiMatchList& selected) {
  try {
    PiMatchList replacements;
    BuildReplacements(document, options, selected, replacements);
    return ApplyReplacements(document, replacements, ProtectionCharacter(options));
  } catch (...) {
    return false;  // e.g. out of memory; reported like any other failed write
  }
}

// After one occurrence was protected: scan again and show the occurrence now at the same
// place in the list (or the first), three times over while the host settles the page.
void ContinueAfterProtectingOne(HWND dialog, PiDialogState& state, HostHandle document,
                                const PiOptions& options, bool warnIncomplete) {
  RepaintView(Host<26, 24>(document));
  const int32_t saved = state.current;
  ScanDocument(document, options.flags, state.matches, &state.scanReport);
  const bool listEmpty = state.matches.empty();
  if (listEmpty) {
    ResetSearch(dialog, &state);
  } else {
    state.current = saved < static_cast<int32_t>(state.matches.size()) ? saved : 0;
    ShowCurrentMatch(dialog, &state);
    state.reshowCountdown = 2;
    SetTimer(dialog, kReshowTimer, kReshowFirstDelay, nullptr);
  }
  // An ended search must not look like a clean document when pages were not fully searched.
  if ((warnIncomplete || listEmpty) && !state.scanReport.Complete()) {
    ShowMessage(dialog, IncompleteScanText(state.scanReport), kMainDialogCaption, kFlagsWarning);
  }
}

void ProtectIn(HWND dialog, PiDialogState& state, bool all) {
  const PiOptions options = ReadOptions(dialog);
  if (std::ranges::none_of(options.flags, std::identity{})) {
    ShowMessage(dialog, kNoCategoryText, kMainDialogCaption, kFlagsInformation);
    return;
  }
  HostHandle document = Host<20, 24>();
  if (!document) {
    ShowMessage(dialog, kNoDocumentText, kMainDialogCaption, kFlagsWarning);
    return;
  }
  if (document != state.document) {
    DestroyWindow(dialog);
    return;
  }
  bool scannedHere = false;
  if (!state.scanned || state.matches.empty()) {
    if (ScanDocument(document, options.flags, state.matches, &state.scanReport) < 1) {
      const bool complete = state.scanReport.Complete();
      ShowMessage(dialog, WithScanNotice(kNothingToProtectText, state.scanReport), kMainDialogCaption,
                  complete ? kFlagsInformation : kFlagsWarning);
      return;
    }
    state.scanned = true;
    state.current = 0;
    scannedHere = true;
  }

  PiMatchList selected;
  if (all) {
    selected = state.matches;
  } else {
    selected.push_back(state.matches[std::clamp<int32_t>(state.current, 0,
                                                         static_cast<int32_t>(state.matches.size()) - 1)]);
  }
  RemoveMatchFrames(&state);

  if (!WriteReplacements(document, options, selected)) {
    ShowMessage(dialog, kApplyFailedText, kMainDialogCaption, kFlagsError);
    // Pages written before the failure keep their changes, so positions on them moved: the
    // next command searches again.
    ResetSearch(dialog, &state);
    return;
  }
  if (all) {
    const bool complete = state.scanReport.Complete();
    ShowMessage(dialog, WithScanNotice(ProtectedCountText(static_cast<int32_t>(selected.size())), state.scanReport),
                kMainDialogCaption, complete ? kFlagsInformation : kFlagsWarning);
    ResetSearch(dialog, &state);
    return;
  }
  ContinueAfterProtectingOne(dialog, state, document, options, scannedHere);
}

}  // namespace

void Protect(HWND dialog, bool all) {
  PiDialogState* state = DialogStateOf(dialog);
  if (!state) return;
  try {
    ProtectIn(dialog, *state, all);
  } catch (...) {
    // Runs inside the host's message loop: nothing may unwind into it.
  }
}

}  // namespace vm
