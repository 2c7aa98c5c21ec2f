// Showing the current occurrence: frames on its page, the view scrolled to it when it is not
// wholly visible, the dialog moved off it, and its position in the caption.
#include <windows.h>

#include "host/HostCall.h"
#include "ui/CommandTexts.h"
#include "ui/Commands.h"
#include "ui/DialogPlacement.h"
#include "ui/MainDialog.h"
#include "ui/MatchFrames.h"
#include "ui/WideText.h"

namespace vm {

namespace {

bool WhollyVisible(const HostBox& rect, const HostBox& visible) {
  return visible.x1 - visible.x0 > 0.1f && visible.y1 - visible.y0 > 0.1f && rect.x0 >= visible.x0 &&
         rect.x1 <= visible.x1 && rect.y0 >= visible.y0 && rect.y1 <= visible.y1;
}

void ScrollToMatchIfHidden(HostHandle document, const PiMatch& match) {
  HostHandle view = Host<26, 24>(document);
  if (!view) return;
  const HostBox rect = FirstRect(match);
  HostHandle pageView = Host<31, 2>(view, match.pageIndex);
  if (pageView && WhollyVisible(rect, Normalized(Host<32, 12>(pageView)))) return;
  Host<31, 7>(view, match.pageIndex, rect.x0, rect.y1);
}

}  // namespace

void ShowCurrentMatch(HWND dialog, PiDialogState* state) {
  if (!state || state->current < 0 || state->current >= static_cast<int32_t>(state->matches.size()))
    return;
  RemoveMatchFrames(state);
  HostHandle document = Host<20, 24>();
  if (document != state->document) return;
  if (document) {
    const PiMatch& match = state->matches[state->current];
    AddMatchFrames(*state, document, match);
    ScrollToMatchIfHidden(document, match);
    MoveDialogAwayFromMatch(dialog, document, match);
  }
  SetWindowTextW(dialog, Wide(CounterCaption(state->current + 1,
                                             static_cast<int32_t>(state->matches.size()))));
}

}  // namespace vm
