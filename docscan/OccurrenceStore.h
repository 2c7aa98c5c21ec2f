// The occurrences found in a document and the runs masked for them, page by page. A long
// document's are tens of megabytes: they are kept in an unnamed temporary file, written as each
// page is protected and read back a page at a time by what comes after (the images under the
// text, the check, the previews); in memory where the file cannot be made or written.
#pragma once

#include <cstdint>
#include <cstdio>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "detect/PiMatch.h"

namespace docscan {

class OccurrenceStore {
 public:
  struct Page {
    int index = 0;
    vm::PiMatchList matches;       // as found on the page
    vm::PiMatchList replacements;  // the masked runs written on it
  };
  enum class Keeping { InFile, InMemory };

  explicit OccurrenceStore(Keeping keeping = Keeping::InFile);
  ~OccurrenceStore();
  OccurrenceStore(const OccurrenceStore&) = delete;
  OccurrenceStore& operator=(const OccurrenceStore&) = delete;

  // The lists' records grouped by page, in page order (each page's in their order), in memory.
  static std::unique_ptr<OccurrenceStore> FromLists(const vm::PiMatchList& matches,
                                                    const vm::PiMatchList& replacements);

  // Adds a page's records (their pageIndex is the page's). Pages come in increasing order; a
  // page out of order (or one whose records pass 4 GiB) spoils the store. A page without records
  // is not kept.
  void Add(int pageIndex, const vm::PiMatchList& matches, const vm::PiMatchList& replacements);

  // The page's records (empty lists for a page without any); nothing when the store is spoiled
  // or the page cannot be read back. Safe in forked processes at the same time.
  std::optional<Page> At(int pageIndex) const;
  // Visits the pages with records in order; false, stopping there, when the store is spoiled or
  // a page cannot be read back.
  bool ForEachPage(const std::function<void(const Page&)>& visit) const;
  // Every record, page after page; false as ForEachPage.
  bool All(vm::PiMatchList* matches, vm::PiMatchList* replacements) const;

  size_t MatchCount() const { return matchCount_; }
  size_t ReplacementCount() const { return replacementCount_; }
  int64_t MaskedCharacters() const { return maskedCharacters_; }
  bool Spoiled() const { return spoiled_; }
  // The pages with replacements, in order.
  std::vector<int> MaskedPages() const;

 private:
  // An entry for each page with records, 16 bytes: a long document's entries stay in memory, in a
  // deque, which grows without copying and without a vector's spare half.
  struct Entry {
    int32_t page = 0;
    uint32_t size = 0;
    uint64_t offset : 62 = 0;
    uint64_t inMemory : 1 = 0;  // in memory_ (the file could not take it)
    uint64_t masked : 1 = 0;    // the page has replacements
  };
  std::optional<Page> Read(const Entry& entry) const;

  std::FILE* file_ = nullptr;
  bool fileFailed_ = false;  // a write failed: later pages are kept in memory
  std::string memory_;
  std::deque<Entry> entries_;  // in page order
  size_t matchCount_ = 0;
  size_t replacementCount_ = 0;
  int64_t maskedCharacters_ = 0;
  bool spoiled_ = false;
};

}  // namespace docscan
