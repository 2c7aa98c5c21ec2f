// What the trailer reaches, as the check finds it to name the objects nothing refers to: every
// path counts (through arrays, dictionaries, stream dictionaries), and an object referred to only
// by unreachable ones is unreachable too.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "DocumentReading.h"
#include "HandWrittenPdf.h"

namespace checker {
namespace {

TEST(DocumentReading, ReachableObjectsAreThoseTheTrailerLeadsTo) {
  const std::string path = WritePdf(
      "vm_reading_reachable.pdf",
      {"<< /Type /Catalog /Pages 2 0 R >>",
       "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
       "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 100 100] /Contents 4 0 R "
       "/Resources << /XObject << /X 6 0 R >> >> >>",
       "<< /Length 0 >>\nstream\n\nendstream",
       "<< /Unreached true >>",
       "<< /Type /XObject /Subtype /Form /BBox [0 0 1 1] /Resources << /Deep [ << /Ref 7 0 R >> ] >> "
       "/Length 0 >>\nstream\n\nendstream",
       "(deep)",
       "<< /OnlyFromTheUnreached 5 0 R /Back 1 0 R >>"});
  FileBytes bytes(path);
  std::vector<int> visited;
  const DocumentReading reading =
      VisitThroughDocument(path, bytes, [&](const RawObject& o) { visited.push_back(o.number); });
  EXPECT_EQ(reading.error, "");
  std::set<int> reachable;
  for (int number = -1; number <= 10; ++number)
    if (reading.Reaches(number)) reachable.insert(number);
  EXPECT_EQ(reachable, (std::set<int>{1, 2, 3, 4, 6, 7}));
  EXPECT_EQ(visited, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
  std::filesystem::remove(path);
}

}  // namespace
}  // namespace checker
