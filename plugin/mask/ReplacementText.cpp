#include <algorithm>
#include <cmath>
#include <optional>
#include <string>

#include "host/HostCall.h"
#include "mask/PageEdits.h"

namespace vm {

namespace {

// A direction within this much of the x axis (about 0.06 degrees) counts as upright text.
constexpr float kUprightSlope = 1e-3f;

bool IsUpright(TextDirection direction) {
  return direction.a > 0 && std::fabs(direction.b) <= kUprightSlope * direction.a;
}

// Where the protection characters of one box go, in the frame of the replaced text: `along`
// points in the writing direction and `across` 90 degrees counter-clockwise from it. The box
// spans `length` along and `thickness` across, from `origin` (its start on the side below the
// text).
struct RunFrame {
  float originX = 0;
  float originY = 0;
  float alongX = 1;
  float alongY = 0;
  float length = 0;
  float thickness = 0;
};

// The rectangle of a run written at an angle, from the upright box that encloses it: with
// c = |cos| and s = |sin| of the angle, the box is length * c + thickness * s wide and
// length * s + thickness * c high. Near 45 degrees the two cannot be told apart from the box,
// and the thickness is taken as the font size.
RunFrame RotatedFrame(const HostBox& stored, TextDirection direction, float fontSize) {
  const HostBox box = NormalizeBox(stored);
  const double norm = std::hypot(static_cast<double>(direction.a), static_cast<double>(direction.b));
  const double ux = direction.a / norm;
  const double uy = direction.b / norm;
  const double c = std::fabs(ux);
  const double s = std::fabs(uy);
  const double width = box.x1 - box.x0;
  const double height = box.y1 - box.y0;
  const double determinant = c * c - s * s;
  double length = 0;
  double thickness = 0;
  if (std::fabs(determinant) >= 0.25) {
    length = (width * c - height * s) / determinant;
    thickness = (height * c - width * s) / determinant;
  }
  if (!(length > 0.1 && thickness > 0.1)) {
    const double extent = (width + height) / (c + s);  // length + thickness
    thickness = fontSize > 0.5f ? std::min<double>(fontSize, extent / 2) : extent / 2;
    length = extent - thickness;
  }
  const double centreX = (box.x0 + box.x1) / 2.0;
  const double centreY = (box.y0 + box.y1) / 2.0;
  RunFrame frame;
  frame.alongX = static_cast<float>(ux);
  frame.alongY = static_cast<float>(uy);
  frame.length = static_cast<float>(length);
  frame.thickness = static_cast<float>(thickness);
  // Start of the run on its lower edge: half the length back, half the thickness down.
  frame.originX = static_cast<float>(centreX - length / 2 * ux + thickness / 2 * uy);
  frame.originY = static_cast<float>(centreY - length / 2 * uy - thickness / 2 * ux);
  return frame;
}

// The character count of each box: shares of the replacement's characters by box length, the
// last box taking what remains.
std::vector<int32_t> ShareCharacters(const std::vector<float>& lengths, int32_t charCount,
                                     double totalLength) {
  std::vector<int32_t> shares(lengths.size(), 0);
  int32_t remaining = charCount;
  for (std::size_t k = 0; k < lengths.size(); ++k) {
    double w = lengths[k];
    int32_t chars = remaining;
    if (k + 1 < lengths.size()) {
      double share = w / totalLength * charCount + 0.5;
      chars = share < 0 ? 0 : static_cast<int32_t>(share);
      if (chars > remaining) chars = remaining;
    }
    if (chars <= 0) continue;
    remaining -= chars;
    shares[k] = chars;
  }
  return shares;
}

// The horizontal scale that spreads `chars` protection characters over `length`, within 0.2
// to 5; 0 when their natural width is too small to scale.
double SpreadScale(int32_t chars, int32_t glyphWidth, float size, float length) {
  double natural = static_cast<double>(chars) * glyphWidth * size / 1000.0;
  if (natural <= 0.1) return 0;
  double scale = length / natural;
  if (scale < 0.2) scale = 0.2;
  if (scale > 5.0) scale = 5.0;
  return scale;
}

// How far the middle of the protection character's glyph box lies above its baseline at this
// size; nothing when the font gives an empty glyph box.
std::optional<double> GlyphMiddle(HostHandle font, int32_t code, float size) {
  HostGlyphBox slot{};
  HostGlyphBox* glyph = Host<99, 38>(&slot, font, code);
  if (!glyph || glyph->bottom == glyph->top) return std::nullopt;
  return (glyph->bottom + glyph->top) / 2.0 * size / 1000.0;
}

}  // namespace

bool WriteReplacementText(HostHandle pdfDocument, HostHandle pdfPage, const PiMatch& replacement,
                          char protectionChar, TextDirection direction) {
  if (replacement.rects.empty() || replacement.charCount < 1) return false;
  HostHandle font = Host<34, 31>(pdfDocument, "Helvetica", 0);
  if (!font) return false;
  const bool upright = IsUpright(direction);
  std::vector<RunFrame> frames;
  std::vector<float> lengths;
  double total = 0;
  for (const HostBox& box : replacement.rects) {
    // Upright boxes are used as stored; so is their width, which may be negative.
    frames.push_back(upright ? RunFrame{box.x0, box.y0, 1, 0, box.x1 - box.x0, box.y1 - box.y0}
                             : RotatedFrame(box, direction, replacement.fontSize));
    lengths.push_back(frames.back().length);
    total += lengths.back();
  }
  if (total <= 0.1) return false;

  const int32_t code = static_cast<unsigned char>(protectionChar);
  std::vector<int32_t> shares = ShareCharacters(lengths, replacement.charCount, total);
  bool added = false;
  for (std::size_t k = 0; k < frames.size(); ++k) {
    const int32_t chars = shares[k];
    if (chars <= 0) continue;
    const RunFrame& frame = frames[k];
    const float size = replacement.fontSize > 0.5f ? replacement.fontSize : 0.85f * frame.thickness;

    HostHandle textObject = Host<83, 0>();
    if (!textObject) continue;

    HostHandle state = Host<79, 0>();
    Host<79, 3>(state, font);
    Host<79, 10>(state, size);
    const double scale = SpreadScale(chars, Host<99, 36>(font, code), size, frame.length);
    if (upright && scale > 0) {
      float matrix[4] = {static_cast<float>(scale), 0, 0, 1};
      Host<79, 13>(state, matrix);
    } else if (!upright) {
      // The characters' x axis along the run, scaled; their y axis across it.
      const double along = scale > 0 ? scale : 1.0;
      float matrix[4] = {static_cast<float>(along * frame.alongX), static_cast<float>(along * frame.alongY),
                         -frame.alongY, frame.alongX};
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

    // The baseline a fifth of the thickness above the lower edge, or where the glyph comes out
    // centred across the run.
    const std::optional<double> middle = GlyphMiddle(font, code, size);
    if (upright) {
      const HostBox& box = replacement.rects[k];
      float y = box.y0 + 0.2f * frame.thickness;
      if (middle) y = static_cast<float>((box.y0 + box.y1) / 2.0 - *middle);
      Host<83, 15>(textObject, box.x0, y);
    } else {
      const double across = middle ? frame.thickness / 2.0 - *middle : 0.2 * frame.thickness;
      Host<83, 15>(textObject, static_cast<float>(frame.originX - across * frame.alongY),
                   static_cast<float>(frame.originY + across * frame.alongX));
    }
    Host<73, 15>(pdfPage, Host<73, 7>(pdfPage), textObject);
    added = true;
  }
  return added;
}

}  // namespace vm
