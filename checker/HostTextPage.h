// A page's text as the host's text page reports it, read through the host functions.
#pragma once

#include <string>
#include <vector>

#include "HostAbi.h"

namespace checker {

struct PageText {
  std::u16string text;             // one code unit per character index
  std::vector<HostBox> boxes;      // the first box of each character (zero box when none)
  std::vector<bool> inTextObject;  // false for generated spaces and line breaks
  bool readable = false;           // false when the page or its text page could not be had
};

// The text page of a page of an open host document (null-safe: an unreadable page gives
// readable == false).
PageText ReadPageText(HostHandle document, int pageIndex);
int PageCountOf(HostHandle document);

}  // namespace checker
