// Pictures of pages with occurrences, rendered with MuPDF: each occurrence framed in the blue
// of the dialog's frames and labelled with its category; for protect, the page before and
// after side by side.
#pragma once

#include <string>

#include "detect/PiMatch.h"

namespace cli {

// The path stem of a file's pictures: DIR/relative name without ".pdf" (folders made).
std::string PreviewStem(const std::string& folder, const std::string& relativeName);

// STEM.pN.png for every page N (0-based, as in the scan's output) with occurrences. False
// (with a message on stderr) when a picture cannot be written.
bool WriteScanPreviews(const std::string& pdfPath, const vm::PiMatchList& matches,
                       const std::string& stem);

// STEM.pN.png for every changed page: the original with its occurrences framed, and the
// protected copy beside it.
bool WriteProtectPreviews(const std::string& originalPath, const std::string& protectedPath,
                          const vm::PiMatchList& replacements, const std::string& stem);

}  // namespace cli
