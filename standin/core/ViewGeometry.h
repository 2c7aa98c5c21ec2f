// Where a document view shows its pages: pages stacked top to bottom with a gap around each,
// drawn at a zoom factor, and a window (the client area) looking at part of that column.
// "Document pixels" are positions in the whole column; window pixels are document pixels minus
// the scroll position.
#pragma once

#include <vector>

#include "HostAbi.h"

namespace standin {

struct ViewLayout {
  float zoom = 1.0f;       // window pixels per page unit
  int clientWidth = 640;   // the view window's client area
  int clientHeight = 480;
  int scrollX = 0;         // document pixel at the client area's left edge
  int scrollY = 0;         // ... and at its top edge
};

// The gap between pages and around the column, in pixels.
constexpr int kPageGap = 10;

// A page's place in document pixels.
struct PagePlace {
  float left;
  float top;
  float width;
  float height;
};

// `pageBoxes` are the pages' boxes (normalized, page units) in page order.
PagePlace PlaceOfPage(const std::vector<HostBox>& pageBoxes, int pageIndex, float zoom);

// The size of the whole column in document pixels.
void ColumnSize(const std::vector<HostBox>& pageBoxes, float zoom, float* width, float* height);

// A page rectangle in window pixels: left/top from (x0, y0), right/bottom from (x1, y1), so the
// corners come out in whatever order the rectangle's did.
HostIntRect PageRectToWindow(const ViewLayout& layout, const std::vector<HostBox>& pageBoxes,
                             int pageIndex, const HostBox& rect);

// The part of a page inside the client area, in page units (left, bottom, right, top); a zero
// box when none of it is.
HostBox VisiblePartOfPage(const ViewLayout& layout, const std::vector<HostBox>& pageBoxes, int pageIndex);

// Scrolls so that the page point (x, y) sits a gap below and right of the client area's
// upper-left corner, as far as the column allows; the horizontal position stays when the point
// is already within the client area's width.
void ScrollToPagePoint(ViewLayout& layout, const std::vector<HostBox>& pageBoxes, int pageIndex,
                       float x, float y);

// Keeps the scroll position inside the column.
void ClampScroll(ViewLayout& layout, const std::vector<HostBox>& pageBoxes);

}  // namespace standin
