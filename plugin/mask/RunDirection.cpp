#include "mask/RunDirection.h"

#include <cmath>

#include "detect/ScanDocument.h"
#include "mask/BoxGeometry.h"

namespace vm {

namespace {

struct Vector {
  double x = 0;
  double y = 0;
};

std::optional<Vector> CharacterCentre(HostHandle textPage, int32_t index) {
  const BoxList boxes = CharRangeBoxes(textPage, index, 1);
  if (boxes.empty()) return std::nullopt;
  const HostBox box = UnionBox(boxes);
  return Vector{(box.x0 + box.x1) / 2.0, (box.y0 + box.y1) / 2.0};
}

}  // namespace

std::optional<TextDirection> CharacterDirection(const HostCharInfo& info) {
  if (!info.textObject || !std::isfinite(info.a) || !std::isfinite(info.b)) return std::nullopt;
  if (info.a == 0 && info.b == 0) return std::nullopt;
  return TextDirection{info.a, info.b};
}

TextDirection RunDirection(HostHandle textPage, const PiMatch& replacement,
                           std::optional<TextDirection> characterDirection) {
  const TextDirection along = characterDirection.value_or(TextDirection{});
  // Across lines the first and last characters say nothing about the writing direction.
  if (replacement.charCount < 2 || replacement.rects.size() != 1) return along;
  const std::optional<Vector> first = CharacterCentre(textPage, replacement.charStart);
  const std::optional<Vector> last =
      CharacterCentre(textPage, replacement.charStart + replacement.charCount - 1);
  if (!first || !last) return along;
  const Vector way{last->x - first->x, last->y - first->y};
  const double norm = std::hypot(static_cast<double>(along.a), static_cast<double>(along.b));
  const double forward = (way.x * along.a + way.y * along.b) / norm;
  const double sideways = (way.y * along.a - way.x * along.b) / norm;
  if (std::fabs(sideways) <= std::fabs(forward)) return along;
  return TextDirection{static_cast<float>(way.x), static_cast<float>(way.y)};
}

}  // namespace vm
