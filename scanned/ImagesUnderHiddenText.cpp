#include "ImagesUnderHiddenText.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include "ImageGeometry.h"
#include "ImagePages.h"
#include "ImagePixels.h"
#include "InkExtent.h"
#include "ScannedPages.h"
#include "pdf/Document.h"
#include "pdf/ObjectCache.h"

namespace scanned {

namespace {

fz_rect DeviceRect(const HostBox& box, const fz_matrix& pageToDevice) {
  const fz_rect r{std::min(box.x0, box.x1), std::min(box.y0, box.y1), std::max(box.x0, box.x1),
                  std::max(box.y0, box.y1)};
  return fz_transform_rect(r, pageToDevice);
}

bool Inside(fz_point p, const fz_rect& r) { return p.x >= r.x0 && p.x <= r.x1 && p.y >= r.y0 && p.y <= r.y1; }

// Whether some replacement of the match's page starts within the match: its characters were
// taken out.
bool Masked(const vm::PiMatch& match, const std::set<int>& replacementStarts) {
  const auto it = replacementStarts.lower_bound(match.charStart);
  return it != replacementStarts.end() && *it < match.charStart + match.charCount;
}

// A box under an occurrence, before it is fitted to the ink.
struct UnderBox {
  PixelBox box;
  Orientation orientation;  // of the drawing it was found under
  int characterWidth = 0;   // the occurrence's mean, in pixels along its line
};

int NonSpaceUnits(const std::u16string& text) {
  return static_cast<int>(std::count_if(text.begin(), text.end(), [](char16_t c) { return c > u' '; }));
}

int PixelEdge(double value, bool up) {
  const double cut = std::clamp(value, -1e7, 1e7);
  return static_cast<int>(up ? std::ceil(cut) : std::floor(cut));
}

}  // namespace

bool ShownAsText(const PageDrawing& drawing, const std::vector<HostBox>& boxes) {
  std::vector<fz_rect> rects;
  for (const HostBox& box : boxes) rects.push_back(DeviceRect(box, drawing.pageToDevice));
  int painted = 0;
  int notPainted = 0;
  for (const DrawnCharacter& c : drawing.characters)
    if (!c.space && std::any_of(rects.begin(), rects.end(), [&](const fz_rect& r) { return Inside(c.middle, r); }))
      ++(c.painted ? painted : notPainted);
  return painted > notPainted;
}

fz_rect LayerBox(const PageDrawing& drawing, const HostBox& box) {
  fz_rect r = DeviceRect(box, drawing.pageToDevice);
  const bool horizontal = r.x1 - r.x0 >= r.y1 - r.y0;
  const float touch = std::min(r.x1 - r.x0, r.y1 - r.y0) / 4;
  const fz_rect near = {r.x0 - touch, r.y0 - touch, r.x1 + touch, r.y1 + touch};
  const fz_rect first = r;
  const fz_point centre = {(r.x0 + r.x1) / 2, (r.y0 + r.y1) / 2};
  for (const DrawnCharacter& c : drawing.characters) {
    if (!c.space || c.painted || fz_is_empty_rect(fz_intersect_rect(c.box, near))) continue;
    const bool inLine = horizontal ? c.middle.y >= first.y0 && c.middle.y <= first.y1
                                   : c.middle.x >= first.x0 && c.middle.x <= first.x1;
    // Only a space after the box: the one before it is stretched over the previous word's end.
    const bool after = (c.middle.x - centre.x) * c.advance.x + (c.middle.y - centre.y) * c.advance.y > 0;
    if (!inLine || !after) continue;
    if (horizontal) {
      r.x0 = std::min(r.x0, c.box.x0);
      r.x1 = std::max(r.x1, c.box.x1);
    } else {
      r.y0 = std::min(r.y0, c.box.y0);
      r.y1 = std::max(r.y1, c.box.y1);
    }
  }
  return r;
}

bool StoredBoxUnder(const fz_rect& device, const docscan::ImagePlacement& placement, PixelBox* stored) {
  const fz_rect unit = fz_transform_rect(device, fz_invert_matrix(placement.imageToDevice));
  *stored = PixelBox{PixelEdge(static_cast<double>(unit.x0) * placement.width, false),
                     PixelEdge(static_cast<double>(unit.y0) * placement.height, false),
                     PixelEdge(static_cast<double>(unit.x1) * placement.width, true),
                     PixelEdge(static_cast<double>(unit.y1) * placement.height, true)};
  return !Padded(*stored, 0, placement.width, placement.height).Empty();
}

PixelBox BoxToBlackOut(const GrayImage& stored, const PixelBox& under, const Orientation& orientation,
                       int characterWidth) {
  const int lineHeight = orientation.transpose ? under.x1 - under.x0 : under.y1 - under.y0;
  const PixelBox grown =
      stored.pixels.empty() ? under : GrownToInk(stored, under, orientation, characterWidth);
  return Padded(grown, LinePad(lineHeight), std::max(stored.width, 0), std::max(stored.height, 0));
}

ImagesUnderText FindImagesUnderHiddenText(standin::pdf::Document& original,
                                          const docscan::OccurrenceStore& occurrences) {
  ImagesUnderText found;
  std::map<int, size_t> byObject;
  std::vector<std::vector<UnderBox>> unfitted;  // per found image
  int pagesRead = 0;
  found.complete = occurrences.ForEachPage([&](const docscan::OccurrenceStore::Page& onPage) {
    const int page = onPage.index;
    // Nothing read from the pages before is held here: a long document need not stay whole.
    if (++pagesRead % standin::pdf::kPagesBetweenReleases == 0) standin::pdf::ReleaseUnchangedObjects(original);
    std::set<int> replacementStarts;
    for (const vm::PiMatch& r : onPage.replacements) replacementStarts.insert(r.charStart);
    std::vector<const vm::PiMatch*> masked;
    for (const vm::PiMatch& m : onPage.matches)
      if (Masked(m, replacementStarts)) masked.push_back(&m);
    if (masked.empty()) return;
    const PageDrawing drawing = DrawingOfPage(original, page);
    if (drawing.images.empty()) return;
    for (const vm::PiMatch* match : masked) {
      if (ShownAsText(drawing, match->rects)) continue;
      std::vector<fz_rect> layerBoxes;
      for (const HostBox& rect : match->rects) layerBoxes.push_back(LayerBox(drawing, rect));
      std::set<int> named;  // the images this occurrence was listed under
      for (const docscan::ImagePlacement& image : drawing.images) {
        if (ShownDpi(image) < kLowestDpi) continue;
        const Orientation orientation = OrientationOf(image);
        std::vector<UnderBox> boxes;
        int along = 0;
        for (const fz_rect& rect : layerBoxes) {
          PixelBox box;
          if (!StoredBoxUnder(rect, image, &box)) continue;
          boxes.push_back({box, orientation, 0});
          along += orientation.transpose ? box.y1 - box.y0 : box.x1 - box.x0;
        }
        if (boxes.empty()) continue;
        for (UnderBox& b : boxes) b.characterWidth = along / std::max(1, NonSpaceUnits(match->text));
        if (image.object <= 0) {
          if (found.unchanged.empty() || found.unchanged.back().first != page)
            found.unchanged.emplace_back(page, "text drawn invisibly over an image inside the page content (inline) "
                                               "is still in the image's pixels");
          continue;
        }
        const auto [at, fresh] = byObject.emplace(image.object, found.images.size());
        if (fresh) {
          found.images.push_back({image, {}, {}});
          unfitted.emplace_back();
        }
        unfitted[at->second].insert(unfitted[at->second].end(), boxes.begin(), boxes.end());
        if (named.insert(image.object).second) found.images[at->second].texts.push_back(match->text);
      }
    }
  });
  // The boxes fitted to the ink, one image decoded at a time.
  for (size_t i = 0; i < found.images.size(); ++i) {
    ImageUnderText& under = found.images[i];
    GrayImage grey;
    std::string error;
    if (!DecodeGray(original.ctx, original.doc, under.placement.object, &grey, &error))
      grey = GrayImage{under.placement.width, under.placement.height, {}};
    for (const UnderBox& b : unfitted[i])
      under.boxes.push_back(BoxToBlackOut(grey, b.box, b.orientation, b.characterWidth));
  }
  return found;
}

ImageProtection BlackOutImagesUnderText(standin::pdf::Document& document, const ImagesUnderText& found) {
  ImageProtection result;
  for (const ImageUnderText& under : found.images) {
    const docscan::ImagePlacement& p = under.placement;
    EditedImage edited;
    edited.page = p.page;
    edited.drawnIndex = p.drawnIndex;
    edited.object = p.object;
    edited.orientation = OrientationOf(p);
    edited.removed = under.texts;
    edited.occurrences = static_cast<int>(under.texts.size());
    GrayImage grey;
    std::string error;
    if (!DecodeGray(document.ctx, document.doc, p.object, &grey, &error)) {
      result.failures.push_back("page " + std::to_string(p.page) +
                                ": the image under invisible text cannot be decoded: " + error);
      continue;
    }
    edited.edit = BlackOutImage(document.ctx, document.doc, p.object, under.boxes, grey);
    if (!edited.edit.error.empty()) {
      result.failures.push_back("page " + std::to_string(p.page) + ": the image under invisible text cannot be changed: " +
                                edited.edit.error);
      continue;
    }
    result.edited.push_back(std::move(edited));
  }
  return result;
}

ImageProtection ProtectImagesUnderHiddenText(const std::string& originalPath, standin::pdf::Document& document,
                                             const docscan::OccurrenceStore& occurrences,
                                             std::vector<std::pair<int, std::string>>* unchanged) {
  if (occurrences.ReplacementCount() == 0) return {};
  // Masking changes text only: a protected page that draws no image now drew none before, and
  // the original need not be opened again for it.
  const std::vector<int> maskedPages = occurrences.MaskedPages();
  bool anyImage = false;
  int pagesRead = 0;
  for (auto page = maskedPages.begin(); page != maskedPages.end() && !anyImage; ++page) {
    if (++pagesRead % standin::pdf::kPagesBetweenReleases == 0) standin::pdf::ReleaseUnchangedObjects(document);
    anyImage = docscan::PageThatMayDrawImages(document, *page) != nullptr;
  }
  if (!anyImage) return {};
  std::string error;
  const std::unique_ptr<standin::pdf::Document> original = standin::pdf::OpenDocument(originalPath, &error);
  if (!original) {
    ImageProtection result;
    result.failures.push_back("the images under invisible text cannot be looked for: " + error);
    return result;
  }
  const ImagesUnderText found = FindImagesUnderHiddenText(*original, occurrences);
  if (unchanged) *unchanged = found.unchanged;
  ImageProtection result = BlackOutImagesUnderText(document, found);
  if (!found.complete) result.failures.push_back(kOccurrencesUnread);
  return result;
}

}  // namespace scanned
