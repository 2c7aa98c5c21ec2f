// Pictures for the README made from what the virtual X screen shows: a window as it is drawn,
// and two pictures side by side.
#pragma once

#include <windows.h>

#include "core/PageRender.h"

namespace pictures {

// That rectangle of the screen, as drawn; empty on failure.
standin::PageImage PictureOfScreen(const RECT& area);

// The window's rectangle of the screen (so whatever is drawn over it too); empty on failure.
standin::PageImage PictureOfWindow(HWND window);

// `left` and `right` next to each other on a grey ground with a margin around both, tops aligned.
standin::PageImage SideBySide(const standin::PageImage& left, const standin::PageImage& right);

}  // namespace pictures
