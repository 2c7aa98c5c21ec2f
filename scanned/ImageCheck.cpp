#include "ImageCheck.h"

#include <algorithm>
#include <map>
#include <thread>

#include "ImagePixels.h"
#include "ImagesUnderHiddenText.h"
#include "Utf8.h"
#include "pdf/Document.h"

namespace scanned {

namespace {

// The blacked boxes must read as black: their mean grey below this.
constexpr double kDarkEnough = 96;

int Count(const std::u16string& haystack, const std::u16string& needle) {
  if (needle.empty()) return 0;
  int count = 0;
  for (size_t at = haystack.find(needle); at != std::u16string::npos; at = haystack.find(needle, at + 1)) ++count;
  return count;
}

std::string Utf8(std::u16string_view text) { return common::Utf16ToUtf8(text); }

// One changed image of the copy, with everything protect and the check expect of it.
struct Target {
  int page = 0;
  int drawnIndex = 0;
  int object = 0;  // in the original
  Orientation orientation;
  std::vector<PixelBox> changed;     // where protect says pixels may differ
  std::vector<PixelBox> blacked;     // what protect says it blacked out
  std::vector<PixelBox> underText;   // under occurrences drawn invisibly, found again by the check
  std::vector<std::u16string> removed;
  std::vector<std::u16string> maskedRuns;
  std::u16string textBefore;
};

struct Pending {
  const Target* target;
  std::string where;
  GrayImage upright;
  float dpi = 0;
  OcrText text;
};

// The images each page draws, run once per page.
class Drawings {
 public:
  explicit Drawings(standin::pdf::Document& document) : document_(document) {}
  const docscan::ImagePlacement* Image(int page, int drawnIndex) {
    auto it = pages_.find(page);
    if (it == pages_.end()) it = pages_.emplace(page, DrawingOfPage(document_, page)).first;
    const std::vector<docscan::ImagePlacement>& images = it->second.images;
    return drawnIndex >= 0 && drawnIndex < static_cast<int>(images.size()) ? &images[drawnIndex] : nullptr;
  }

 private:
  standin::pdf::Document& document_;
  std::map<int, PageDrawing> pages_;
};

// The changed images by object: protect's records (an image may be changed twice: under
// invisible text, then by what OCR found) and the images under invisible text.
std::vector<Target> Targets(const ImageCheckInput& input, standin::pdf::Document& original,
                            std::vector<std::string>* failures) {
  std::vector<Target> targets;
  std::map<int, size_t> byObject;
  auto targetOf = [&](int page, int drawnIndex, int object, const Orientation& orientation) -> Target& {
    const auto [at, fresh] = byObject.emplace(object, targets.size());
    if (fresh) targets.push_back({page, drawnIndex, object, orientation, {}, {}, {}, {}, {}, {}});
    return targets[at->second];
  };
  auto append = [](std::vector<PixelBox>& to, const std::vector<PixelBox>& from) {
    to.insert(to.end(), from.begin(), from.end());
  };
  if (input.edited)
    for (const EditedImage& e : *input.edited) {
      Target& t = targetOf(e.page, e.drawnIndex, e.object, e.orientation);
      append(t.changed, e.edit.changed);
      append(t.blacked, e.edit.blacked);
      t.removed.insert(t.removed.end(), e.removed.begin(), e.removed.end());
      t.maskedRuns.insert(t.maskedRuns.end(), e.maskedRuns.begin(), e.maskedRuns.end());
      if (!e.textBefore.empty()) t.textBefore = e.textBefore;
    }
  if (input.found) {
    const ImagesUnderText under = FindImagesUnderHiddenText(original, *input.found);
    if (!under.complete) failures->push_back(kOccurrencesUnread);
    for (const ImageUnderText& image : under.images) {
      const docscan::ImagePlacement& p = image.placement;
      Target& t = targetOf(p.page, p.drawnIndex, p.object, OrientationOf(p));
      append(t.underText, image.boxes);
      for (const std::u16string& text : image.texts)
        if (std::find(t.removed.begin(), t.removed.end(), text) == t.removed.end()) t.removed.push_back(text);
    }
  }
  return targets;
}

// The first box of `boxes` whose mean grey is not dark; null when all are.
const PixelBox* LightBox(const GrayImage& grey, const std::vector<PixelBox>& boxes) {
  for (const PixelBox& b : boxes) {
    const PixelBox cut = Padded(b, 0, grey.width, grey.height);
    double sum = 0;
    for (int y = cut.y0; y < cut.y1; ++y)
      for (int x = cut.x0; x < cut.x1; ++x) sum += grey.pixels[static_cast<size_t>(y) * grey.width + x];
    const double area = static_cast<double>(cut.x1 - cut.x0) * (cut.y1 - cut.y0);
    if (area > 0 && sum / area > kDarkEnough) return &b;
  }
  return nullptr;
}

void Reread(const Pending& pending, ImageCheckResult& result) {
  const Target& t = *pending.target;
  if (!pending.text.error.empty()) {
    result.failures.push_back(pending.where + ": the changed image could not be recognised again: " +
                              pending.text.error);
    return;
  }
  const std::u16string after = Squeezed(JoinedText(pending.text));
  const std::u16string before = Squeezed(t.textBefore);
  for (const std::u16string& removed : t.removed) {
    const std::u16string s = Squeezed(removed);
    if (Count(after, s) > 0)
      result.failures.push_back(pending.where + ": \"" + Utf8(removed) + "\" is still read in the changed image");
  }
  std::map<std::u16string, int> runs;
  for (const std::u16string& run : t.maskedRuns) ++runs[Squeezed(run)];
  for (const auto& [run, count] : runs)
    if (run.size() >= 4 && Count(after, run) > std::max(0, Count(before, run) - count))
      result.failures.push_back(pending.where + ": the blacked characters \"" + Utf8(run) +
                                "\" are still read in the changed image");
}

}  // namespace

std::u16string Squeezed(std::u16string_view text) {
  std::u16string out;
  for (char16_t c : text)
    if (c > u' ' && c != 0xA0 && c != 0x3000) out += c;
  return out;
}

long ChangedOutside(const ImagePixels& before, const ImagePixels& after, const std::vector<PixelBox>& boxes) {
  if (before.width != after.width || before.height != after.height || before.components != after.components)
    return -1;
  std::vector<uint8_t> inside(static_cast<size_t>(before.width) * before.height, 0);
  for (const PixelBox& b : boxes) {
    const PixelBox cut = Padded(b, 0, before.width, before.height);
    for (int y = cut.y0; y < cut.y1; ++y)
      std::fill(inside.begin() + static_cast<size_t>(y) * before.width + cut.x0,
                inside.begin() + static_cast<size_t>(y) * before.width + cut.x1, 1);
  }
  long changed = 0;
  const int n = before.components;
  for (size_t i = 0; i < inside.size(); ++i)
    if (!inside[i] && !std::equal(before.samples.begin() + i * n, before.samples.begin() + (i + 1) * n,
                                  after.samples.begin() + i * n))
      ++changed;
  return changed;
}

ImageCheckResult CheckEditedImages(const ImageCheckInput& input) {
  ImageCheckResult result;
  const bool anyEdited = input.edited && !input.edited->empty();
  if (!anyEdited && (!input.found || input.found->ReplacementCount() == 0)) return result;
  std::string error;
  std::unique_ptr<standin::pdf::Document> original = standin::pdf::OpenDocument(input.originalPath, &error);
  std::unique_ptr<standin::pdf::Document> copy =
      original ? standin::pdf::OpenDocument(input.protectedPath, &error) : nullptr;
  if (!original || !copy) {
    result.failures.push_back("the changed images cannot be checked: " + error);
    return result;
  }
  const std::vector<Target> targets = Targets(input, *original, &result.failures);
  Drawings before(*original);
  Drawings after(*copy);

  std::vector<Pending> pending;
  for (const Target& t : targets) {
    const std::string where = "page " + std::to_string(t.page) + ", image " + std::to_string(t.drawnIndex);
    const docscan::ImagePlacement* was = before.Image(t.page, t.drawnIndex);
    const docscan::ImagePlacement* now = after.Image(t.page, t.drawnIndex);
    if (!was || was->object != t.object || !now || now->object <= 0) {
      result.failures.push_back(where + ": the changed image is not in the copy where it was");
      continue;
    }
    ImagePixels pixelsBefore;
    ImagePixels pixelsAfter;
    if (!DecodeImage(original->ctx, original->doc, was->object, &pixelsBefore, &error) ||
        !DecodeImage(copy->ctx, copy->doc, now->object, &pixelsAfter, &error)) {
      result.failures.push_back(where + ": the image cannot be decoded for checking: " + error);
      continue;
    }
    ++result.imagesChecked;
    result.pixelsCompared += static_cast<long>(pixelsBefore.width) * pixelsBefore.height;
    const long outside = ChangedOutside(pixelsBefore, pixelsAfter, t.changed);
    if (outside != 0)
      result.failures.push_back(where + ": " + (outside < 0 ? std::string("the image's size or colours changed")
                                                            : std::to_string(outside) +
                                                                  " pixels changed outside the blacked boxes"));
    GrayImage grey;
    if (!DecodeGray(copy->ctx, copy->doc, now->object, &grey, &error)) {
      result.failures.push_back(where + ": the changed image cannot be decoded: " + error);
      continue;
    }
    if (LightBox(grey, t.blacked))
      result.failures.push_back(where + ": a blacked box is not dark in the changed image");
    if (const PixelBox* light = LightBox(grey, t.underText))
      result.failures.push_back(where + ": the pixels under text drawn invisibly over the image are not blacked out "
                                        "(pixels " + std::to_string(light->x0) + "," + std::to_string(light->y0) +
                                "-" + std::to_string(light->x1) + "," + std::to_string(light->y1) + ")");
    if (input.makeReader) pending.push_back({&t, where, Upright(grey, t.orientation), ShownDpi(*now), {}});
  }

  // Recognised again, several at once.
  const int jobs = std::max(1, input.jobs);
  std::vector<TextReader> readers(static_cast<size_t>(jobs));
  for (size_t first = 0; first < pending.size(); first += static_cast<size_t>(jobs)) {
    std::vector<std::thread> workers;
    for (size_t w = 0; w < static_cast<size_t>(jobs) && first + w < pending.size(); ++w) {
      workers.emplace_back([&, w] {
        Pending& p = pending[first + w];
        if (!readers[w]) readers[w] = input.makeReader(&p.text.error);
        if (readers[w]) p.text = readers[w](p.upright, p.dpi);
      });
    }
    for (std::thread& t : workers) t.join();
  }
  for (const Pending& p : pending) {
    ++result.imagesRead;
    Reread(p, result);
  }
  return result;
}

}  // namespace scanned
