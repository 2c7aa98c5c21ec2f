// What comparing the pages of an original and its protected copy found, and a part of that
// comparison run in a child process, beside the rest of the check.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace checker {

struct PageComparison {
  std::vector<std::string> failures;
  int keptCharacters = 0;
  int maskedCharacters = 0;
  std::vector<int> hostChars;  // by page: characters of text objects the host reads on the original
  // Masked text with no protection character over it: each fails with its message unless the
  // copy draws its black box, given as the box's line of content ("x y w h re f").
  std::vector<std::pair<std::string, std::string>> boxesWanted;  // (line, failure)

  void Add(const PageComparison& other);
};

// compare(first, last) for the pages [first, last) in a child process, started at construction
// and running beside whatever this process does until Finish(), which waits for it and gives its
// result. Where no process can be started, Finish() compares those pages here. A child that ends
// without reporting leaves a failure naming its pages: the check never passes without having
// compared every page.
class ComparisonInChild {
 public:
  using Compare = std::function<PageComparison(int first, int last)>;
  ComparisonInChild(int first, int last, Compare compare);
  ~ComparisonInChild();
  ComparisonInChild(const ComparisonInChild&) = delete;
  ComparisonInChild& operator=(const ComparisonInChild&) = delete;

  PageComparison Finish();

 private:
  int first_;
  int last_;
  Compare compare_;
  std::FILE* report_ = nullptr;
  pid_t child_ = -1;
  bool finished_ = false;
};

}  // namespace checker
