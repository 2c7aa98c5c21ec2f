// veilmark protect: protected copies of PDF files, made by the module through the stand-in host.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <utility>

#include "AppearanceMask.h"
#include "Batch.h"
#include "CheckedCopy.h"
#include "Commands.h"
#include "HostSession.h"
#include "ImagePages.h"
#include "OutsideProtect.h"
#include "OutsideReport.h"
#include "InputFiles.h"
#include "Options.h"
#include "PageTextStore.h"
#include "ProtectPages.h"
#include "Preview.h"
#include "ProtectionCheck.h"
#include "ImageCheck.h"
#include "ImageProtection.h"
#include "ImagesUnderHiddenText.h"
#include "ScannedReport.h"
#include "core/Application.h"
#include "pdf/DecodeLimit.h"
#include "pdf/Document.h"

namespace cli {

namespace {

namespace fs = std::filesystem;

constexpr char kUncheckedSuffix[] = ".unchecked";

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code error;
  return a == b || (fs::exists(b, error) && fs::equivalent(a, b, error));
}

FileResult Failure(const std::string& message) {
  std::fprintf(stderr, "veilmark protect: %s\n", message.c_str());
  return FileResult{1, 0, 0};
}

// Runs the check on the written copy (the text, then the changed images) and gives it its final
// name; the details of a failure go to standard error. `images.failures` are found before
// (images that could not be changed). Changed images are recognised again when OCR is on.
int Check(const checker::CheckInput& input, const std::string& output, const scanned::ImageProtection& images,
          bool ocr, int ocrJobs) {
  checker::CheckResult result = checker::CheckProtectedFile(input);
  for (const std::string& f : images.failures) result.failures.push_back(f);
  scanned::ImageCheckInput imageInput;
  imageInput.originalPath = input.originalPath;
  imageInput.protectedPath = input.protectedPath;
  imageInput.edited = &images.edited;
  imageInput.found = input.found.get();
  if (ocr) imageInput.makeReader = OcrReaders();
  imageInput.jobs = ocrJobs;
  const scanned::ImageCheckResult imageCheck = scanned::CheckEditedImages(imageInput);
  for (const std::string& f : imageCheck.failures) result.failures.push_back(f);
  const std::string kept = SettleCheckedCopy(result.Passed(), input.protectedPath, output);
  if (result.Passed()) {
    if (kept.empty()) {
      std::fprintf(stderr, "veilmark protect: cannot write '%s'\n", output.c_str());
      return 1;
    }
    std::string images;
    if (imageCheck.imagesChecked > 0)
      images = ", " + std::to_string(imageCheck.imagesChecked) + " changed images compared" +
               (imageCheck.imagesRead == imageCheck.imagesChecked ? " and read again" : "");
    std::printf("check: passed (%d masked and %d other characters compared%s%s)\n",
                result.maskedCharactersChecked, result.keptCharactersChecked,
                result.pdftotextChecks ? ", pdftotext agrees" : "", images.c_str());
    return 0;
  }
  std::printf("check: FAILED; the copy is kept only as '%s'\n", kept.empty() ? "(removed)" : kept.c_str());
  std::fprintf(stderr, "veilmark protect: the check of the copy of '%s' failed:\n",
               input.originalPath.c_str());
  for (const std::string& f : result.failures) std::fprintf(stderr, "  %s\n", f.c_str());
  return 4;
}

FileResult ProtectFile(const Options& options, const InputFile& input, const std::string& output, bool batch) {
  const std::string reason = UnusableInputReason(input.path);
  if (!reason.empty())
    return Failure("cannot open '" + input.path + "': " + reason);
  const std::string outputReason = UnusableOutputReason(output);
  if (!outputReason.empty())
    return Failure("cannot write '" + output + "': " + outputReason);
  if (SameFile(input.path, output))
    return Failure("'" + input.path + "': the output must be another file than the input");
  std::error_code ec;
  const fs::path folder = fs::path(output).parent_path();
  if (!folder.empty()) fs::create_directories(folder, ec);

  const uint64_t limitHits = standin::pdf::DecodeLimitHits();
  HostHandle document = OpenInHost(input.path, "protect");
  if (!document) return FileResult{1, 0, 0};
  std::unique_ptr<checker::PageTextStore> originalPages;
  if (options.check) originalPages = std::make_unique<checker::PageTextStore>();
  const ProtectedPages run = ScanAndProtect(document, options.pi, originalPages.get());
  const docscan::OccurrenceStore& found = *run.found;
  FileResult result{0, DocumentPageCount(document), static_cast<int>(found.MatchCount())};

  if (found.ReplacementCount() > 0 && !run.applied) {
    CloseInHost(document);
    return Failure("'" + input.path + "': the occurrences could not be written into the "
                   "document; nothing was saved");
  }
  standin::pdf::Document& pdf = *standin::PdfDocumentOf(document);
  if (const int signatures = docscan::SignedFieldCount(pdf.ctx, pdf.doc))
    std::fprintf(stderr, "veilmark protect: '%s' is signed (%d signature%s): the protected copy is a new file, "
                 "and its signatures no longer verify\n", input.path.c_str(), signatures, signatures > 1 ? "s" : "");
  const docscan::BetweenPages releaseObjects = [&](int page) { standin::ReleaseObjectsNowAndThen(document, page); };
  const docscan::OutsideScan outside = docscan::ScanOutsideText(pdf, options.pi.flags, releaseObjects);
  const docscan::OutsideProtection outsideDone =
      docscan::ProtectOutsideText(pdf, outside, options.pi, options.keepAttachments);
  // Occurrences drawn invisibly over an image (a scan's OCR text layer) are blacked out in its
  // pixels too, before OCR reads what images have no text left over them.
  std::vector<std::pair<int, std::string>> underTextUnchanged;
  scanned::ImageProtection underText =
      scanned::ProtectImagesUnderHiddenText(input.path, pdf, found, &underTextUnchanged);
  std::vector<int> imagePages;
  scanned::ScannedScan images;
  scanned::ImageProtection imagesDone;
  if (options.ocr) {
    images = ReadScannedPages(pdf, options.pi.flags, OcrJobs(options, batch), releaseObjects);
    imagesDone = scanned::ProtectScannedPages(pdf, images, options.pi);
  } else {
    imagePages = docscan::PagesWithImagesWithoutText(pdf, releaseObjects);
  }
  result.occurrences += static_cast<int>(outside.hits.size()) + ScannedOccurrences(images);

  const std::string written = options.check ? output + kUncheckedSuffix : output;
  std::string error;
  const bool saved = standin::SaveAndCloseHostDocument(document, written, &error);
  if (!saved) return Failure("cannot write '" + output + "': " + error);

  std::printf("%s: %zu occurrences, %lld characters masked in %zu runs -> %s\n", input.path.c_str(),
              found.MatchCount(), static_cast<long long>(found.MaskedCharacters()), found.ReplacementCount(),
              output.c_str());
  if (!outside.hits.empty())
    std::printf("outside the pages: %zu occurrences, %d texts masked, %zu attachments removed%s\n",
                outside.hits.size(), outsideDone.textsMasked, outsideDone.removedAttachments.size(),
                outsideDone.keptHits.empty() ? "" : " (attachments with personal information kept as asked)");
  if (!images.images.empty()) {
    int blacked = 0;
    for (const scanned::EditedImage& e : imagesDone.edited) blacked += e.occurrences;
    std::printf("scanned pages: %zu images read by OCR, %d occurrences blacked out in %zu images\n",
                images.images.size(), blacked, imagesDone.edited.size());
  }
  if (!underText.edited.empty()) {
    int blacked = 0;
    for (const scanned::EditedImage& e : underText.edited) blacked += e.occurrences;
    std::printf("text drawn invisibly over images: %d occurrences also blacked out in the pixels of %zu images\n",
                blacked, underText.edited.size());
  }
  for (const auto& [page, reason] : underTextUnchanged) {
    std::fprintf(stderr, "veilmark protect: '%s': page %d is not fully protected: %s\n", input.path.c_str(),
                 page, reason.c_str());
    result.exit = 3;
  }
  imagesDone.edited.insert(imagesDone.edited.begin(), underText.edited.begin(), underText.edited.end());
  imagesDone.failures.insert(imagesDone.failures.begin(), underText.failures.begin(), underText.failures.end());
  if (!imagePages.empty()) {
    std::fprintf(stderr, "veilmark protect: '%s': %s\n", input.path.c_str(),
                 ImagePagesMessage(imagePages).c_str());
    result.exit = 3;
  }
  if (const std::string unread = UnreadPagesMessage(images); !unread.empty()) {
    std::fprintf(stderr, "veilmark protect: '%s': %s\n", input.path.c_str(), unread.c_str());
    result.exit = 3;
  }
  if (!outside.complete) {
    std::fprintf(stderr, "veilmark protect: '%s': a text outside the pages could not be searched "
                         "completely; occurrences may be missing\n", input.path.c_str());
    result.exit = 3;
  }
  if (!run.report.Complete()) {
    std::fprintf(stderr, "veilmark protect: '%s' could not be searched completely; "
                         "occurrences may be missing\n", input.path.c_str());
    result.exit = 3;
  }
  if (standin::pdf::DecodeLimitHits() > limitHits) {
    std::fprintf(stderr, "veilmark protect: '%s': %s; what it holds was not searched\n", input.path.c_str(),
                 standin::pdf::DecodeLimitReason().c_str());
    result.exit = 3;
  }
  if (options.check) {
    const checker::CheckInput check{input.path,         written,           run.found,
                                    options.protection, outsideDone.goneTexts, originalPages.get(),
                                    options.pi.flags};
    result.exit = WorseExit(result.exit, Check(check, output, imagesDone, options.ocr, OcrJobs(options, batch)));
  } else if (!imagesDone.failures.empty()) {
    std::fprintf(stderr, "veilmark protect: '%s': occurrences on scanned pages could not be removed:\n",
                 input.path.c_str());
    for (const std::string& f : imagesDone.failures) std::fprintf(stderr, "  %s\n", f.c_str());
    result.exit = WorseExit(result.exit, 1);
  }
  if (!options.previewDir.empty() && result.exit != 4) {
    vm::PiMatchList replacements;
    if (!found.All(nullptr, &replacements)) {
      std::fprintf(stderr, "veilmark protect: '%s': the occurrences could not be read back for the previews\n",
                   input.path.c_str());
      result.exit = WorseExit(result.exit, 1);
    } else if (!WriteProtectPreviews(input.path, output, WithScannedMatches(replacements, images),
                                     PreviewStem(options.previewDir, input.relativeName))) {
      result.exit = WorseExit(result.exit, 1);
    }
  }
  return result;
}

}  // namespace

int RunProtectCommand(int argc, char** argv) {
  Options options;
  if (std::optional<int> exit = ParseOptions(Command::Protect, argc, argv, &options)) return *exit;
  const InputList inputs = CollectInputs(options.inputs, options.filesFrom);
  if (!inputs.error.empty()) {
    std::fprintf(stderr, "veilmark protect: %s\n", inputs.error.c_str());
    return 1;
  }
  if (inputs.files.empty()) {
    std::fprintf(stderr, "veilmark protect: no PDF files to protect\n");
    return 1;
  }
  std::error_code ec;
  const bool intoFolder = inputs.batch || fs::is_directory(options.output, ec);
  if (!inputs.batch) {
    const InputFile& input = inputs.files.front();
    const std::string output =
        intoFolder ? (fs::path(options.output) / fs::path(input.path).filename()).string() : options.output;
    if (SameFile(input.path, output))
      return UsageError(Command::Protect, "the output must be another file than the input");
    return ProtectFile(options, input, output, false).exit;
  }
  if (fs::exists(options.output, ec) && !fs::is_directory(options.output, ec))
    return UsageError(Command::Protect, "with several inputs -o names a folder, and '" +
                                            options.output + "' is not one");
  auto outputOf = [&](const InputFile& file) {
    return (fs::path(options.output) / file.relativeName).string();
  };
  std::set<std::string> names;
  for (const InputFile& file : inputs.files)
    if (!names.insert(outputOf(file)).second)
      return UsageError(Command::Protect, "two inputs would both be written to '" + outputOf(file) + "'");
  return RunBatch(
      inputs.files, options.jobs,
      [&](const InputFile& file) { return ProtectFile(options, file, outputOf(file), true); },
      [&](const InputFile& file, int exit) {
        return exit == 1 ? std::string() : exit == 4 ? FailedCopyName(outputOf(file)) : outputOf(file);
      });
}

}  // namespace cli
