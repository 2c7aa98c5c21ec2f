#include "ScannedPages.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <tuple>
#include <thread>

#include "ImagePixels.h"
#include "detect/Patterns.h"
#include "pdf/Document.h"

namespace scanned {

namespace {

struct Job {
  size_t image;       // index in the scan's list
  GrayImage upright;  // decoded, turned upright
  float dpi = 0;
  OcrText text;
};

void Search(const vm::PiPatternList& patterns, ImageReading& image, OcrText& text) {
  if (!text.error.empty()) {
    image.reason = text.error;
    return;
  }
  ChooseReadings(patterns, text);
  image.confidence = ReadingConfidence(text);
  image.text = JoinedText(text);
  bool complete = true;
  image.hits = FindInRecognisedText(patterns, text, &complete);
  if (!complete) {
    image.reason = "the recognised text could not be searched completely";
  } else if (text.marks >= kCountedMarks && text.unreadMarks > kUnreadShare * text.marks) {
    char buffer[200];
    std::snprintf(buffer, sizeof buffer, "%d of its %d letter-sized marks could not be read as text",
                  text.unreadMarks, text.marks);
    image.reason = buffer;
  } else if (image.confidence < kReadableConfidence) {
    char buffer[160];
    std::snprintf(buffer, sizeof buffer, "the text was recognised with low confidence (%.0f %%, below %.0f %%)",
                  image.confidence, kReadableConfidence);
    image.reason = buffer;
  } else {
    image.searched = true;
  }
}

}  // namespace

std::vector<std::pair<int, std::string>> ScannedScan::UnsearchedPages() const {
  std::vector<std::pair<int, std::string>> pages;
  for (const ImageReading& image : images)
    if (!image.searched && (pages.empty() || pages.back().first != image.placement.page))
      pages.emplace_back(image.placement.page, image.reason);
  return pages;
}

float ReadingConfidence(const OcrText& text) {
  double weighted = 0;
  double units = 0;
  for (const OcrLine& line : text.lines)
    for (const OcrWord& word : line.words) {
      weighted += static_cast<double>(word.confidence) * word.text.size();
      units += static_cast<double>(word.text.size());
    }
  return units > 0 ? static_cast<float>(weighted / units) : 100.0f;
}

std::vector<HostBox> PageRects(const ImageReading& image, const RecognisedHit& hit) {
  std::vector<HostBox> rects;
  const docscan::ImagePlacement& p = image.placement;
  for (const PixelBox& line : hit.lines)
    rects.push_back(ToPageSpace(ToStored(line, image.orientation, p.width, p.height), p));
  return rects;
}

ScannedScan ReadScannedPages(standin::pdf::Document& document, const vm::PiCategoryFlags& flags,
                             const TextReaderFactory& makeReader, int jobs, const ReadProgress& progress,
                             const docscan::BetweenPages& betweenPages) {
  ScannedScan scan;
  const std::vector<docscan::ImagePlacement> placements = docscan::ImagesWithoutText(document, betweenPages);
  if (placements.empty()) return scan;
  vm::PiPatternList patterns;
  vm::BuildPatternSet(flags, patterns);
  for (const docscan::ImagePlacement& placement : placements) {
    ImageReading image;
    image.placement = placement;
    image.indexOnPage = !scan.images.empty() && scan.images.back().placement.page == placement.page
                            ? scan.images.back().indexOnPage + 1
                            : 0;
    image.orientation = OrientationOf(placement);
    scan.images.push_back(std::move(image));
  }

  jobs = std::max(1, jobs);
  std::vector<TextReader> readers(static_cast<size_t>(jobs));
  std::string readerError;
  // The same image drawn again (same object, same way up) is read once.
  std::map<std::tuple<int, bool, bool, bool>, size_t> readFirst;
  size_t done = 0;
  size_t next = 0;
  while (next < scan.images.size()) {
    // Decode a batch (MuPDF works in this thread only), then recognise it in parallel.
    std::vector<Job> batch;
    while (next < scan.images.size() && batch.size() < static_cast<size_t>(jobs)) {
      ImageReading& image = scan.images[next];
      const docscan::ImagePlacement& p = image.placement;
      const auto key = std::make_tuple(p.object, image.orientation.transpose, image.orientation.flipX,
                                       image.orientation.flipY);
      if (p.object > 0 && readFirst.count(key)) {
        ++next;
        if (progress) progress(++done, scan.images.size());
        continue;
      }
      Job job{next, {}, ShownDpi(p), {}};
      GrayImage stored;
      std::string error;
      if (p.object <= 0) {
        image.reason = "an image inside the page content (inline) cannot be read";
      } else if (job.dpi < kLowestDpi) {
        image.reason = "the image's resolution is too low to read";
      } else if (!DecodeGray(document.ctx, document.doc, p.object, &stored, &error)) {
        image.reason = "the image cannot be decoded: " + error;
      } else {
        job.upright = Upright(stored, image.orientation);
        readFirst[key] = next;
        batch.push_back(std::move(job));
        ++next;
        continue;
      }
      ++next;
      if (progress) progress(++done, scan.images.size());
    }
    std::vector<std::thread> workers;
    for (size_t w = 0; w < batch.size(); ++w) {
      workers.emplace_back([&, w] {
        Job& job = batch[w];
        if (!readers[w]) {
          std::string error;
          readers[w] = makeReader(&error);
          if (!readers[w]) {
            job.text.error = error;
            return;
          }
        }
        job.text = readers[w](job.upright, job.dpi);
      });
    }
    for (std::thread& t : workers) t.join();
    for (Job& job : batch) {
      Search(patterns, scan.images[job.image], job.text);
      if (progress) progress(++done, scan.images.size());
    }
  }
  // Images read before under the same object.
  for (ImageReading& image : scan.images) {
    const docscan::ImagePlacement& p = image.placement;
    const auto key = std::make_tuple(p.object, image.orientation.transpose, image.orientation.flipX,
                                     image.orientation.flipY);
    auto it = readFirst.find(key);
    if (p.object <= 0 || it == readFirst.end() || &scan.images[it->second] == &image) continue;
    const ImageReading& first = scan.images[it->second];
    image.searched = first.searched;
    image.reason = first.reason;
    image.confidence = first.confidence;
    image.text = first.text;
    image.hits = first.hits;
  }
  return scan;
}

}  // namespace scanned
