// Box geometry of the redaction writer: which replacements lie mostly over a covering object.
#pragma once

#include <vector>

#include "HostAbi.h"

namespace vm {

using BoxList = std::vector<HostBox>;

// x0 = left, y0 = bottom, x1 = right, y1 = top.
HostBox NormalizeBox(const HostBox& box);
// The normalized box enclosing all boxes; 0, 0, 0, 0 for an empty list.
HostBox UnionBox(const BoxList& boxes);
// Area of A's intersection with B over A's area; 0 when either is empty. Boxes used as given.
float CoveredFraction(const HostBox& a, const HostBox& b);
// True when some covering box covers at least half of the (normalized) box.
bool IsMostlyCovered(const HostBox& box, const BoxList& covering);
// Normalized and enlarged: 3 % of the width plus 0.5 on each side, 12 % of the height plus 0.5
// above and below.
HostBox ExpandBox(const HostBox& box);

// The normalized bounding boxes of the page's image, shading, form and inline-image objects,
// in object order. A null page leaves the list empty.
void CollectCoveringBoxes(HostHandle pdfPage, BoxList& boxes);

}  // namespace vm
