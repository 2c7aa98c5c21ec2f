#include "ImageProtection.h"

#include <algorithm>
#include <cmath>
#include <set>

#include "ImagePixels.h"
#include "mask/DisplayFormat.h"
#include "pdf/Document.h"

namespace scanned {

namespace {

// Ink spreads past the recognised boxes (blur, anti-aliasing): pad by this share of the line
// height, and by at least kLeastPad pixels.
constexpr float kPadShare = 0.15f;
constexpr int kLeastPad = 3;

int PadFor(const PixelBox& line) { return LinePad(line.y1 - line.y0); }

bool SameLine(const PixelBox& a, const PixelBox& b) {
  return std::min(a.y1, b.y1) - std::max(a.y0, b.y0) > 0;
}

}  // namespace

int LinePad(int lineHeight) {
  return std::max(kLeastPad, static_cast<int>(std::lround(kPadShare * lineHeight)));
}

std::vector<PixelBox> BoxesToBlackOut(const RecognisedHit& hit, const vm::PiOptions& options, int width,
                                      int height, std::vector<std::u16string>* maskedRuns, bool* whole) {
  std::vector<PixelBox> boxes;
  vm::PiMask mask;
  vm::ComputeMask(hit.category, hit.text, options.formats[hit.category], mask);
  const bool keepsSome = std::find(mask.begin(), mask.end(), false) != mask.end();
  const bool charsKnown = !hit.units.empty() && hit.units.size() == hit.text.size();
  *whole = !keepsSome || !charsKnown;
  if (*whole) {
    for (const PixelBox& line : hit.lines) boxes.push_back(Padded(line, PadFor(line), width, height));
    return boxes;
  }
  std::u16string run;
  for (size_t i = 0; i < hit.units.size(); ++i) {
    if (!mask[i]) {
      if (run.size() > 0 && maskedRuns) maskedRuns->push_back(run);
      run.clear();
      continue;
    }
    run += hit.text[i];
    if (!hit.units[i]) continue;
    const PixelBox& box = *hit.units[i];
    PixelBox line = box;
    for (const PixelBox& l : hit.lines)
      if (SameLine(l, box)) line = l;
    const int pad = PadFor(line);
    PixelBox out{box.x0 - pad, line.y0 - pad, box.x1 + pad, line.y1 + pad};
    // Towards a kept neighbour only halfway, so that it stays readable.
    for (size_t j = i; j-- > 0;) {
      if (!hit.units[j]) continue;
      if (SameLine(*hit.units[j], box) && !mask[j]) out.x0 = std::max(out.x0, (hit.units[j]->x1 + box.x0) / 2);
      break;
    }
    for (size_t j = i + 1; j < hit.units.size(); ++j) {
      if (!hit.units[j]) continue;
      if (SameLine(*hit.units[j], box) && !mask[j]) out.x1 = std::min(out.x1, (box.x1 + hit.units[j]->x0 + 1) / 2);
      break;
    }
    boxes.push_back(Padded(out, 0, width, height));
  }
  if (!run.empty() && maskedRuns) maskedRuns->push_back(run);
  return boxes;
}

ImageProtection ProtectScannedPages(standin::pdf::Document& document, const ScannedScan& scan,
                                    const vm::PiOptions& options) {
  ImageProtection result;
  std::set<int> done;
  for (const ImageReading& image : scan.images) {
    const docscan::ImagePlacement& p = image.placement;
    if (image.hits.empty() || p.object <= 0 || !done.insert(p.object).second) continue;
    EditedImage edited;
    edited.page = p.page;
    edited.drawnIndex = p.drawnIndex;
    edited.object = p.object;
    edited.orientation = image.orientation;
    edited.textBefore = image.text;
    edited.occurrences = static_cast<int>(image.hits.size());
    const int uprightWidth = image.orientation.transpose ? p.height : p.width;
    const int uprightHeight = image.orientation.transpose ? p.width : p.height;
    std::vector<PixelBox> stored;
    for (const RecognisedHit& hit : image.hits) {
      bool whole = true;
      std::vector<std::u16string> runs;
      for (const PixelBox& box : BoxesToBlackOut(hit, options, uprightWidth, uprightHeight, &runs, &whole))
        stored.push_back(ToStored(box, image.orientation, p.width, p.height));
      if (whole) edited.removed.push_back(hit.text);
      else edited.maskedRuns.insert(edited.maskedRuns.end(), runs.begin(), runs.end());
    }
    GrayImage grey;
    std::string error;
    if (!DecodeGray(document.ctx, document.doc, p.object, &grey, &error)) {
      result.failures.push_back("page " + std::to_string(p.page) + ": the image cannot be decoded again: " + error);
      continue;
    }
    edited.edit = BlackOutImage(document.ctx, document.doc, p.object, stored, grey);
    if (!edited.edit.error.empty()) {
      result.failures.push_back("page " + std::to_string(p.page) + ": the image cannot be changed: " +
                                edited.edit.error);
      continue;
    }
    result.edited.push_back(std::move(edited));
  }
  return result;
}

}  // namespace scanned
