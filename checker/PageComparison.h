// What comparing the pages of an original and its protected copy found, and that comparison run
// on two halves of the pages at once, the second half in a child process.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace checker {

struct PageComparison {
  std::vector<std::string> failures;
  int keptCharacters = 0;
  int maskedCharacters = 0;
  std::vector<int> hostChars;  // by page: characters of text objects the host reads on the original

  void Add(const PageComparison& other);
};

// compare(first, last) for the pages [first, last): the first half here, the second half in a
// child process started before and running beside it (here too, after the first, when no
// process can be started); both results together. A child that ends without reporting leaves a
// failure naming its pages: the check never passes without having compared every page.
PageComparison CompareInTwoProcesses(int pages, const std::function<PageComparison(int first, int last)>& compare);

}  // namespace checker
