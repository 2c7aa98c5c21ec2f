// Keeping the dialog off the occurrence it shows.
#pragma once

#include <windows.h>

#include "HostAbi.h"
#include "detect/PiMatch.h"

namespace vm {

// Where a dialog with window rectangle `dialog` goes so that it leaves `occurrence` visible, all
// in screen pixels: below it with a 16-pixel gap, else above, to its right, to its left — the
// first place that lies wholly inside `workArea` without touching the occurrence; without one,
// below or above as far as the work area allows.
POINT PlaceAwayFrom(const RECT& dialog, const RECT& occurrence, const RECT& workArea);

// The occurrence's first rectangle on the screen; false when the view, page view or window is
// missing.
bool MatchScreenRect(HostHandle document, const PiMatch& match, RECT* screen);

// Moves the dialog when it covers the occurrence on the screen; leaves it alone otherwise.
void MoveDialogAwayFromMatch(HWND dialog, HostHandle document, const PiMatch& match);

}  // namespace vm
