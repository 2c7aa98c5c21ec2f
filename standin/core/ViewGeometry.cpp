#include "core/ViewGeometry.h"

#include <algorithm>
#include <cmath>

namespace standin {

namespace {

int32_t Pixel(float value) { return static_cast<int32_t>(std::lround(value)); }

}  // namespace

PagePlace PlaceOfPage(const std::vector<HostBox>& pageBoxes, int pageIndex, float zoom) {
  float top = kPageGap;
  for (int i = 0; i < pageIndex && i < static_cast<int>(pageBoxes.size()); ++i)
    top += (pageBoxes[i].y1 - pageBoxes[i].y0) * zoom + kPageGap;
  const HostBox& box = pageBoxes.at(pageIndex);
  return PagePlace{static_cast<float>(kPageGap), top, (box.x1 - box.x0) * zoom, (box.y1 - box.y0) * zoom};
}

void ColumnSize(const std::vector<HostBox>& pageBoxes, float zoom, float* width, float* height) {
  float widest = 0;
  float total = kPageGap;
  for (const HostBox& box : pageBoxes) {
    widest = std::max(widest, (box.x1 - box.x0) * zoom);
    total += (box.y1 - box.y0) * zoom + kPageGap;
  }
  *width = widest + 2 * kPageGap;
  *height = total;
}

HostIntRect PageRectToWindow(const ViewLayout& layout, const std::vector<HostBox>& pageBoxes,
                             int pageIndex, const HostBox& rect) {
  const HostBox& box = pageBoxes.at(pageIndex);
  const PagePlace place = PlaceOfPage(pageBoxes, pageIndex, layout.zoom);
  const float left = place.left - layout.scrollX;
  const float top = place.top - layout.scrollY;
  auto x = [&](float pageX) { return Pixel(left + (pageX - box.x0) * layout.zoom); };
  auto y = [&](float pageY) { return Pixel(top + (box.y1 - pageY) * layout.zoom); };
  return HostIntRect{x(rect.x0), y(rect.y0), x(rect.x1), y(rect.y1)};
}

HostBox VisiblePartOfPage(const ViewLayout& layout, const std::vector<HostBox>& pageBoxes, int pageIndex) {
  const HostBox& box = pageBoxes.at(pageIndex);
  const PagePlace place = PlaceOfPage(pageBoxes, pageIndex, layout.zoom);
  const float left = place.left - layout.scrollX;
  const float top = place.top - layout.scrollY;
  const float x0 = std::max(left, 0.0f);
  const float x1 = std::min(left + place.width, static_cast<float>(layout.clientWidth));
  const float y0 = std::max(top, 0.0f);
  const float y1 = std::min(top + place.height, static_cast<float>(layout.clientHeight));
  if (x0 >= x1 || y0 >= y1) return HostBox{0, 0, 0, 0};
  return HostBox{box.x0 + (x0 - left) / layout.zoom, box.y1 - (y1 - top) / layout.zoom,
                 box.x0 + (x1 - left) / layout.zoom, box.y1 - (y0 - top) / layout.zoom};
}

void ClampScroll(ViewLayout& layout, const std::vector<HostBox>& pageBoxes) {
  float width = 0, height = 0;
  ColumnSize(pageBoxes, layout.zoom, &width, &height);
  const int maxX = std::max(0, Pixel(width) - layout.clientWidth);
  const int maxY = std::max(0, Pixel(height) - layout.clientHeight);
  layout.scrollX = std::clamp(layout.scrollX, 0, maxX);
  layout.scrollY = std::clamp(layout.scrollY, 0, maxY);
}

void ScrollToPagePoint(ViewLayout& layout, const std::vector<HostBox>& pageBoxes, int pageIndex,
                       float x, float y) {
  const HostBox& box = pageBoxes.at(pageIndex);
  const PagePlace place = PlaceOfPage(pageBoxes, pageIndex, layout.zoom);
  const int pointX = Pixel(place.left + (x - box.x0) * layout.zoom);
  const int pointY = Pixel(place.top + (box.y1 - y) * layout.zoom);
  layout.scrollY = pointY - kPageGap;
  if (pointX < layout.scrollX || pointX >= layout.scrollX + layout.clientWidth)
    layout.scrollX = pointX - kPageGap;
  ClampScroll(layout, pageBoxes);
}

}  // namespace standin
