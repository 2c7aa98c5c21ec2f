// The host's text of each page of a document, kept in an unnamed temporary file rather than in
// memory: written while the document is read for protection, read back page by page by the
// check, so that a long document costs no more memory than a short one.
#pragma once

#include <cstdio>
#include <optional>
#include <vector>

#include "HostTextPage.h"

namespace checker {

class PageTextStore {
 public:
  PageTextStore();
  ~PageTextStore();
  PageTextStore(const PageTextStore&) = delete;
  PageTextStore& operator=(const PageTextStore&) = delete;

  // Pages are added in order, 0 first; a page out of order, or a failed write, spoils the store.
  void Add(int pageIndex, const PageText& page);
  // Nothing when the store is spoiled or does not hold the page. Safe in forked processes at
  // the same time: reading never moves the file's shared position.
  std::optional<PageText> Read(int pageIndex) const;
  // The pages held when every write succeeded; -1 when the store is spoiled.
  int PageCount() const;

 private:
  std::FILE* file_;
  std::vector<long> offsets_;  // where each page's record starts
  bool spoiled_ = false;
};

}  // namespace checker
