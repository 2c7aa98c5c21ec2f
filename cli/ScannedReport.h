// Printing what OCR found on pages that are images without text, and why a page could not be
// read.
#pragma once

#include <string>

#include "Options.h"
#include "ScannedPages.h"
#include "detect/PiMatch.h"

namespace cli {

// One line per occurrence: JSON with page, category, text, rects, where "image", the image's
// object and the confidence; or tab-separated: page, category, "image", confidence, text, rects.
// Then one line per page that could not be read: {"where":"image","page":N,"searched":false,
// "reason":...} or "N<TAB>image<TAB>not searched: REASON". In a batch each line starts with the
// file.
void PrintScannedPages(const scanned::ScannedScan& scan, bool json, const std::string* file = nullptr);

// The message of exit status 3 for pages OCR could not read, without the command's prefix;
// empty when every page was read.
std::string UnreadPagesMessage(const scanned::ScannedScan& scan);

// The records followed by the occurrences found on scanned pages as page records (page,
// category, text, page boxes), for the preview pictures.
vm::PiMatchList WithScannedMatches(const vm::PiMatchList& records, const scanned::ScannedScan& scan);

// The number of occurrences found on scanned pages.
int ScannedOccurrences(const scanned::ScannedScan& scan);

// Reads the scanned pages of a document with Tesseract (up to `jobs` at once), counting them on
// the progress line. `betweenPages` as for docscan::ImagesWithoutText.
scanned::ScannedScan ReadScannedPages(standin::pdf::Document& document, const vm::PiCategoryFlags& flags, int jobs,
                                      const docscan::BetweenPages& betweenPages = {});

// How many scanned pages of one file are read at once: --jobs (default: one per processor) for
// a single file; one in a batch, whose files are worked on at once already.
int OcrJobs(const Options& options, bool batch);

// Readers for the workers: Tesseract.
scanned::TextReaderFactory OcrReaders();

}  // namespace cli
