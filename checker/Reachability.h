// Which objects of a PDF file can be reached from its trailer.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "RawPdf.h"

namespace checker {

// Object numbers reachable from the trailer of the file (through every dictionary, array and
// stream dictionary). Empty with *error set when the file cannot be opened.
std::set<int> ReachableObjects(const std::string& path, std::string* error);

// Reads again, through the document, the streams the raw reader could not decode, and every
// stream of an encrypted file (whose raw bytes are ciphertext), where the cross-reference table
// has their object numbers.
void DecodeThroughDocument(const std::string& path, std::vector<RawObject>& objects);

}  // namespace checker
