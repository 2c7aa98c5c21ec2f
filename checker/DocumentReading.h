// A PDF file as MuPDF reads it through its cross-reference table, beside the raw reader's view.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "FileBytes.h"
#include "RawPdf.h"

namespace checker {

struct DocumentReading {
  // Indexed by object number: 1 for the objects reachable from the trailer (through every
  // dictionary, array and stream dictionary). A byte a number, not a set: a long document has
  // tens of thousands.
  std::vector<char> reachable;
  std::string error;  // set when the file cannot be opened or its objects cannot be read

  bool Reaches(int number) const {
    return number >= 0 && static_cast<size_t>(number) < reachable.size() && reachable[static_cast<size_t>(number)];
  }
};

// Opens the file once: finds what the trailer reaches, and gives `visit` every raw object of the
// file's `bytes`, one at a time, the streams the raw reader could not decode and every stream of
// an encrypted file (whose raw bytes are ciphertext) read again through the document, where the
// cross-reference table has their numbers.
DocumentReading VisitThroughDocument(const std::string& path, FileBytes& bytes,
                                     const std::function<void(const RawObject&)>& visit);

}  // namespace checker
