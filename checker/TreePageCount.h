// How many pages a PDF file shows, counted by a walk of its page tree of its own, apart from the
// stand-in host's reader (whose repairs the check must not take on trust): every leaf is
// counted on every path that reaches it, a node met again below itself (a loop) is not, and
// the tree's /Count entries are ignored.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace checker {

// -1 when the file cannot be opened, needs a password, or its tree cannot be walked.
long TreePageCount(const std::string& path);

// The page count as above, and from the same reading of the file, the updates that make it
// slices of `pagesPerSlice` pages for pdftotext (see PageTreeSlices.h; none for 0).
struct PageTreeReading {
  long pages = -1;
  int64_t fileSize = 0;
  std::vector<std::string> sliceUpdates;
};
PageTreeReading ReadPageTree(const std::string& path, int pagesPerSlice);

}  // namespace checker
