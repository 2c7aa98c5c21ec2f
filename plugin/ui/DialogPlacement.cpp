#include "ui/DialogPlacement.h"

#include <algorithm>

#include "host/HostCall.h"
#include "ui/MatchFrames.h"

namespace vm {

namespace {

constexpr LONG kGap = 16;

bool Overlap(const RECT& a, const RECT& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

bool Inside(const RECT& r, const RECT& area) {
  return r.left >= area.left && r.top >= area.top && r.right <= area.right && r.bottom <= area.bottom;
}

}  // namespace

POINT PlaceAwayFrom(const RECT& dialog, const RECT& occurrence, const RECT& workArea) {
  const LONG width = dialog.right - dialog.left;
  const LONG height = dialog.bottom - dialog.top;
  const POINT candidates[] = {
      {dialog.left, occurrence.bottom + kGap},           // below
      {dialog.left, occurrence.top - height - kGap},     // above
      {occurrence.right + kGap, dialog.top},             // right
      {occurrence.left - width - kGap, dialog.top},      // left
  };
  for (const POINT& corner : candidates) {
    const RECT placed{corner.x, corner.y, corner.x + width, corner.y + height};
    if (Inside(placed, workArea) && !Overlap(placed, occurrence)) return corner;
  }
  LONG y = occurrence.bottom + kGap;
  if (y + height > workArea.bottom) y = occurrence.top - height - kGap;
  LONG x = dialog.left;
  if (x + width > workArea.right) x = workArea.right - width;
  x = std::max(x, workArea.left);
  if (y + height > workArea.bottom) y = workArea.bottom - height;
  y = std::max(y, workArea.top);
  return POINT{x, y};
}

bool MatchScreenRect(HostHandle document, const PiMatch& match, RECT* screen) {
  HostHandle view = Host<26, 24>(document);
  if (!view) return false;
  HostHandle pageView = Host<31, 2>(view, match.pageIndex);
  HWND window = static_cast<HWND>(Host<31, 42>(view));
  if (!pageView || !window) return false;
  const HostBox rect = FirstRect(match);
  HostIntRect pixels{};
  Host<32, 9>(pageView, &rect, &pixels);
  POINT a{pixels.left, pixels.top};
  POINT b{pixels.right, pixels.bottom};
  ClientToScreen(window, &a);
  ClientToScreen(window, &b);
  *screen = RECT{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
  return true;
}

void MoveDialogAwayFromMatch(HWND dialog, HostHandle document, const PiMatch& match) {
  RECT occurrence;
  if (!MatchScreenRect(document, match, &occurrence)) return;
  RECT placed;
  if (!GetWindowRect(dialog, &placed)) return;
  RECT common;
  if (!IntersectRect(&common, &placed, &occurrence)) return;

  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (!GetMonitorInfoW(MonitorFromWindow(dialog, MONITOR_DEFAULTTONEAREST), &monitor)) return;
  const POINT corner = PlaceAwayFrom(placed, occurrence, monitor.rcWork);
  SetWindowPos(dialog, nullptr, corner.x, corner.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace vm
