#include <string>

#include "host/HostCall.h"
#include "mask/PageEdits.h"

namespace vm {

namespace {

// The character count of each box: shares of the replacement's characters by box width, the
// last box taking what remains.
std::vector<int32_t> ShareCharacters(const std::vector<HostBox>& boxes, int32_t charCount,
                                     double totalWidth) {
  std::vector<int32_t> shares(boxes.size(), 0);
  int32_t remaining = charCount;
  for (std::size_t k = 0; k < boxes.size(); ++k) {
    double w = boxes[k].x1 - boxes[k].x0;
    int32_t chars = remaining;
    if (k + 1 < boxes.size()) {
      double share = w / totalWidth * charCount + 0.5;
      chars = share < 0 ? 0 : static_cast<int32_t>(share);
      if (chars > remaining) chars = remaining;
    }
    if (chars <= 0) continue;
    remaining -= chars;
    shares[k] = chars;
  }
  return shares;
}

}  // namespace

bool WriteReplacementText(HostHandle pdfDocument, HostHandle pdfPage, const PiMatch& replacement,
                          char protectionChar) {
  if (replacement.rects.empty() || replacement.charCount < 1) return false;
  HostHandle font = Host<34, 31>(pdfDocument, "Helvetica", 0);
  if (!font) return false;
  double total = 0;
  for (const HostBox& box : replacement.rects) total += box.x1 - box.x0;
  if (total <= 0.1) return false;

  const int32_t code = static_cast<unsigned char>(protectionChar);
  std::vector<int32_t> shares = ShareCharacters(replacement.rects, replacement.charCount, total);
  bool added = false;
  for (std::size_t k = 0; k < replacement.rects.size(); ++k) {
    const int32_t chars = shares[k];
    if (chars <= 0) continue;
    const HostBox& box = replacement.rects[k];
    const float w = box.x1 - box.x0;
    const float h = box.y1 - box.y0;
    const float size = replacement.fontSize > 0.5f ? replacement.fontSize : 0.85f * h;

    HostHandle textObject = Host<83, 0>();
    if (!textObject) continue;

    HostHandle state = Host<79, 0>();
    Host<79, 3>(state, font);
    Host<79, 10>(state, size);
    int32_t glyphWidth = Host<99, 36>(font, code);
    double natural = static_cast<double>(chars) * glyphWidth * size / 1000.0;
    if (natural > 0.1) {
      double scale = w / natural;
      if (scale < 0.2) scale = 0.2;
      if (scale > 5.0) scale = 5.0;
      float matrix[4] = {static_cast<float>(scale), 0, 0, 1};
      Host<79, 13>(state, matrix);
    }
    Host<83, 16>(textObject, state);
    Host<79, 1>(state);

    HostHandle color = Host<78, 0>();
    HostHandle rgb = Host<107, 0>(2);
    const float black[3] = {0, 0, 0};
    Host<78, 4>(color, rgb, black, 3);
    Host<82, 8>(textObject, color);
    Host<78, 1>(color);

    std::string bytes(static_cast<std::size_t>(chars), protectionChar);
    HostHandle string = Host<17, 2>(bytes.data(), chars);
    Host<83, 12>(textObject, string);
    Host<17, 6>(string);

    float y = box.y0 + 0.2f * h;
    HostGlyphBox slot{};
    HostGlyphBox* glyph = Host<99, 38>(&slot, font, code);
    if (glyph && glyph->bottom != glyph->top) {
      // Centre the glyph vertically in the box.
      y = static_cast<float>((box.y0 + box.y1) / 2.0 -
                             (glyph->bottom + glyph->top) / 2.0 * size / 1000.0);
    }
    Host<83, 15>(textObject, box.x0, y);
    Host<73, 15>(pdfPage, Host<73, 7>(pdfPage), textObject);
    added = true;
  }
  return added;
}

}  // namespace vm
