// The document scan: every page's text, detection, overlap selection, and one PiMatch per kept
// occurrence with its font size and page rectangles.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "HostAbi.h"
#include "detect/PiCategory.h"
#include "detect/PiMatch.h"

namespace vm {

// What the caller needs to know beyond the list: whether the document was searched in full.
struct ScanReport {
  // Pages (0-based, ascending) that were not searched whole: the host never finished parsing
  // them, or the regex engine gave up part-way (match, stack or work limit). Their occurrences
  // found in what was searched are in the list.
  std::vector<int32_t> incompletePages;
  // The scan ended early (out of memory or another failure inside it); the records appended
  // before that stay in the list.
  bool aborted = false;

  bool Complete() const { return incompletePages.empty() && !aborted; }
};

// Called after each page was scanned, with the page and the index in the list of its first
// record (its records run to the end of the list); nothing of the scan holds the page then.
// Lets a caller work on a page while the host still has it at hand.
using PageScanned = std::function<void(int32_t pageIndex, std::size_t firstRecord)>;

// Empties `list`, scans every page of the host document for the flagged categories (check-box
// order) and returns the number of records. 0 for a null document, all flags clear, or a
// document without PDF document or view. Nothing thrown inside leaves the function.
int32_t ScanDocument(HostHandle document, const PiCategoryFlags& flags, PiMatchList& list,
                     ScanReport* report = nullptr, const PageScanned& pageScanned = {});

// The boxes the text page reports for a character range (host 11:0, 120:6, 11:2, 11:6, 11:1).
std::vector<HostBox> CharRangeBoxes(HostHandle textPage, int32_t first, int32_t count);

// The font size scaled by the character matrix: sqrt|a*d - b*c| (products in single precision),
// taken as 1 when it is not above 0.01.
float EffectiveFontSize(const HostCharInfo& info);

}  // namespace vm
