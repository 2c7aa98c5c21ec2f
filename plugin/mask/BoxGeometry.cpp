#include "mask/BoxGeometry.h"

#include <algorithm>

#include "host/HostCall.h"

namespace vm {

HostBox NormalizeBox(const HostBox& box) {
  return {std::min(box.x0, box.x1), std::min(box.y0, box.y1), std::max(box.x0, box.x1),
          std::max(box.y0, box.y1)};
}

HostBox UnionBox(const BoxList& boxes) {
  if (boxes.empty()) return {0, 0, 0, 0};
  HostBox result = NormalizeBox(boxes.front());
  for (std::size_t i = 1; i < boxes.size(); ++i) {
    HostBox b = NormalizeBox(boxes[i]);
    result.x0 = std::min(result.x0, b.x0);
    result.y0 = std::min(result.y0, b.y0);
    result.x1 = std::max(result.x1, b.x1);
    result.y1 = std::max(result.y1, b.y1);
  }
  return result;
}

float CoveredFraction(const HostBox& a, const HostBox& b) {
  float width = std::min(a.x1, b.x1) - std::max(a.x0, b.x0);
  float height = std::min(a.y1, b.y1) - std::max(a.y0, b.y0);
  float area = (a.x1 - a.x0) * (a.y1 - a.y0);
  if (!(width > 0) || !(height > 0) || !(area > 0)) return 0;
  return width * height / area;
}

bool IsMostlyCovered(const HostBox& box, const BoxList& covering) {
  HostBox normalized = NormalizeBox(box);
  for (const HostBox& cover : covering) {
    if (CoveredFraction(normalized, cover) >= 0.5f) return true;
  }
  return false;
}

HostBox ExpandBox(const HostBox& box) {
  HostBox b = NormalizeBox(box);
  double dx = (b.x1 - b.x0) * 0.03 + 0.5;
  double dy = (b.y1 - b.y0) * 0.12 + 0.5;
  return {static_cast<float>(b.x0 - dx), static_cast<float>(b.y0 - dy),
          static_cast<float>(b.x1 + dx), static_cast<float>(b.y1 + dy)};
}

void CollectCoveringBoxes(HostHandle pdfPage, BoxList& boxes) {
  boxes.clear();
  if (!pdfPage) return;
  int32_t count = Host<73, 11>(pdfPage);
  for (int32_t i = 0; i < count; ++i) {
    HostHandle object = Host<73, 13>(pdfPage, i);
    if (!object) continue;
    int32_t kind = Host<82, 11>(object);
    if (kind < kPageObjectImage || kind > kPageObjectInlineImage) continue;
    HostBox slot{};
    HostBox* bounds = Host<82, 10>(&slot, object);
    if (bounds) boxes.push_back(NormalizeBox(*bounds));
  }
}

}  // namespace vm
