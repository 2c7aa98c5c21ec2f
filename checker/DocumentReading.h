// A PDF file as MuPDF reads it through its cross-reference table, beside the raw reader's view.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "RawPdf.h"

namespace checker {

struct DocumentReading {
  // Object numbers reachable from the trailer (through every dictionary, array and stream
  // dictionary).
  std::set<int> reachable;
  std::string error;  // set when the file cannot be opened or its objects cannot be read
};

// Opens the file once: finds what the trailer reaches, and reads again, through the document,
// the streams of `objects` the raw reader could not decode and every stream of an encrypted
// file (whose raw bytes are ciphertext), where the cross-reference table has their numbers.
DocumentReading ReadThroughDocument(const std::string& path, std::vector<RawObject>& objects);

}  // namespace checker
