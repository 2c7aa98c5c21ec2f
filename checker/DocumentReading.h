// A PDF file as MuPDF reads it through its cross-reference table, beside the raw reader's view.
#pragma once

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "FileBytes.h"
#include "RawPdf.h"

namespace checker {

struct DocumentReading {
  // Object numbers reachable from the trailer (through every dictionary, array and stream
  // dictionary).
  std::set<int> reachable;
  std::string error;  // set when the file cannot be opened or its objects cannot be read
};

// Opens the file once: finds what the trailer reaches, and gives `visit` every raw object of the
// file's `bytes`, one at a time, the streams the raw reader could not decode and every stream of
// an encrypted file (whose raw bytes are ciphertext) read again through the document, where the
// cross-reference table has their numbers.
DocumentReading VisitThroughDocument(const std::string& path, FileBytes& bytes,
                                     const std::function<void(const RawObject&)>& visit);

}  // namespace checker
