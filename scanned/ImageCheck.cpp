#include "ImageCheck.h"

#include <algorithm>
#include <map>
#include <thread>

#include "ImagePixels.h"
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

struct Pending {
  const EditedImage* edited;
  std::string where;
  GrayImage upright;
  float dpi = 0;
  OcrText text;
};

// The placement of the k-th image without text on a page of the document.
const docscan::ImagePlacement* Find(const std::vector<docscan::ImagePlacement>& placements, int page, int index) {
  int k = 0;
  for (const docscan::ImagePlacement& p : placements)
    if (p.page == page && k++ == index) return &p;
  return nullptr;
}

void Reread(const Pending& pending, ImageCheckResult& result) {
  const EditedImage& e = *pending.edited;
  if (!pending.text.error.empty()) {
    result.failures.push_back(pending.where + ": the changed image could not be recognised again: " +
                              pending.text.error);
    return;
  }
  const std::u16string after = Squeezed(JoinedText(pending.text));
  const std::u16string before = Squeezed(e.textBefore);
  for (const std::u16string& removed : e.removed) {
    const std::u16string s = Squeezed(removed);
    if (Count(after, s) > 0)
      result.failures.push_back(pending.where + ": \"" + Utf8(removed) + "\" is still read in the changed image");
  }
  std::map<std::u16string, int> runs;
  for (const std::u16string& run : e.maskedRuns) ++runs[Squeezed(run)];
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

ImageCheckResult CheckEditedImages(const std::string& originalPath, const std::string& protectedPath,
                                   const std::vector<EditedImage>& edited, const TextReaderFactory& makeReader,
                                   int jobs) {
  ImageCheckResult result;
  if (edited.empty()) return result;
  std::string error;
  std::unique_ptr<standin::pdf::Document> original = standin::pdf::OpenDocument(originalPath, &error);
  std::unique_ptr<standin::pdf::Document> copy =
      original ? standin::pdf::OpenDocument(protectedPath, &error) : nullptr;
  if (!original || !copy) {
    result.failures.push_back("the changed images cannot be checked: " + error);
    return result;
  }
  const std::vector<docscan::ImagePlacement> before = docscan::ImagesWithoutText(*original);
  const std::vector<docscan::ImagePlacement> after = docscan::ImagesWithoutText(*copy);

  std::vector<Pending> pending;
  for (const EditedImage& e : edited) {
    const std::string where = "page " + std::to_string(e.page) + ", image " + std::to_string(e.indexOnPage);
    const docscan::ImagePlacement* was = Find(before, e.page, e.indexOnPage);
    const docscan::ImagePlacement* now = Find(after, e.page, e.indexOnPage);
    if (!was || !now || now->object <= 0) {
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
    const long outside = ChangedOutside(pixelsBefore, pixelsAfter, e.edit.changed);
    if (outside != 0)
      result.failures.push_back(where + ": " + (outside < 0 ? std::string("the image's size or colours changed")
                                                            : std::to_string(outside) +
                                                                  " pixels changed outside the blacked boxes"));
    GrayImage grey;
    if (!DecodeGray(copy->ctx, copy->doc, now->object, &grey, &error)) {
      result.failures.push_back(where + ": the changed image cannot be decoded: " + error);
      continue;
    }
    for (const PixelBox& b : e.edit.blacked) {
      const PixelBox cut = Padded(b, 0, grey.width, grey.height);
      double sum = 0;
      for (int y = cut.y0; y < cut.y1; ++y)
        for (int x = cut.x0; x < cut.x1; ++x) sum += grey.pixels[static_cast<size_t>(y) * grey.width + x];
      const double area = static_cast<double>(cut.x1 - cut.x0) * (cut.y1 - cut.y0);
      if (area > 0 && sum / area > kDarkEnough) {
        result.failures.push_back(where + ": a blacked box is not dark in the changed image");
        break;
      }
    }
    pending.push_back({&e, where, Upright(grey, e.orientation), ShownDpi(*now), {}});
  }

  // Recognised again, several at once.
  jobs = std::max(1, jobs);
  std::vector<TextReader> readers(static_cast<size_t>(jobs));
  for (size_t first = 0; first < pending.size(); first += static_cast<size_t>(jobs)) {
    std::vector<std::thread> workers;
    for (size_t w = 0; w < static_cast<size_t>(jobs) && first + w < pending.size(); ++w) {
      workers.emplace_back([&, w] {
        Pending& p = pending[first + w];
        if (!readers[w]) readers[w] = makeReader(&p.text.error);
        if (readers[w]) p.text = readers[w](p.upright, p.dpi);
      });
    }
    for (std::thread& t : workers) t.join();
  }
  for (const Pending& p : pending) Reread(p, result);
  return result;
}

}  // namespace scanned
