// A file's bytes as the check walks them: what was let go behind the walk reads the same again,
// and a file that cannot be read gives nothing.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "FileBytes.h"
#include "RawPdf.h"

namespace checker {
namespace {

TEST(FileBytes, BytesLetGoReadTheSameAgain) {
  const std::string path = std::string(VM_TEST_DATA_DIR) + "/bench-200.pdf";
  const std::string whole = ReadFile(path);
  ASSERT_GT(whole.size(), 512u << 10);  // long enough that pages are let go
  FileBytes bytes(path);
  ASSERT_EQ(bytes.View().size(), whole.size());
  EXPECT_TRUE(bytes.View() == whole);
  // Let go in steps, as a walk does, then all of it: the view still shows the file.
  for (size_t at = 0; at < whole.size(); at += 100000) bytes.DoneUpTo(at);
  bytes.DoneUpTo(whole.size());
  EXPECT_TRUE(bytes.View() == whole);

  // The raw objects come out the same whether the walk lets the bytes go or not.
  const std::vector<RawObject> held = ReadRawObjects(whole);
  size_t i = 0;
  bool same = true;
  ForEachRawObject(
      bytes.View(),
      [&](RawObject& o) {
        same = same && i < held.size() && o.number == held[i].number && o.dictionary == held[i].dictionary &&
               o.data == held[i].data;
        ++i;
      },
      [&](size_t offset) { bytes.DoneUpTo(offset); });
  EXPECT_TRUE(same);
  EXPECT_EQ(i, held.size());
}

// Counted a piece at a time: an occurrence across the border of two pieces counts once.
TEST(FileBytes, OccurrencesAreCountedAcrossThePiecesOnce) {
  const std::string path = (std::filesystem::temp_directory_path() / "vm_filebytes_count.bin").string();
  std::string text(3u << 20, '.');
  for (size_t at : {size_t{0}, (size_t{1} << 20) - 4, (size_t{2} << 20) - 9, text.size() - 9})
    text.replace(at, 9, "startxref");
  std::ofstream(path, std::ios::binary) << text;
  FileBytes bytes(path);
  EXPECT_EQ(CountOccurrences(bytes, "startxref"), 4);
  EXPECT_EQ(CountOccurrences(bytes, "x"), 4);
  int dots = 0;  // overlapping, as the count finds them
  for (size_t at = text.find(".."); at != std::string::npos; at = text.find("..", at + 1)) ++dots;
  EXPECT_EQ(CountOccurrences(bytes, ".."), dots);
  std::filesystem::remove(path);
}

// Kilobytes of the mapping at `at` this process holds in memory, as the system counts them;
// -1 when there is no such mapping.
long ResidentKilobytes(const void* at) {
  std::ifstream maps("/proc/self/smaps");
  const auto address = reinterpret_cast<unsigned long>(at);
  bool inside = false;
  for (std::string line; std::getline(maps, line);) {
    unsigned long from = 0, to = 0;
    long kilobytes = 0;
    if (line.find(':') > line.find(' ') && std::sscanf(line.c_str(), "%lx-%lx", &from, &to) == 2)
      inside = from <= address && address < to;  // a mapping's first line
    else if (inside && std::sscanf(line.c_str(), "Rss: %ld kB", &kilobytes) == 1)
      return kilobytes;
  }
  return -1;
}

// What a walk has passed does not stay in memory, in the second walk through the file as in the
// first.
TEST(FileBytes, EachWalkLetsGoWhatItPassed) {
  const std::string path = (std::filesystem::temp_directory_path() / "vm_filebytes_walks.bin").string();
  std::ofstream(path, std::ios::binary) << std::string(16u << 20, 'x');
  FileBytes bytes(path);
  ASSERT_EQ(bytes.View().size(), 16u << 20);
  for (int walk = 0; walk < 2; ++walk) {
    long sum = 0;
    for (size_t at = 0; at < bytes.View().size(); at += 4096) {
      sum += bytes.View()[at];
      bytes.DoneUpTo(at);
    }
    EXPECT_EQ(sum, 'x' * static_cast<long>(4096));
    const long resident = ResidentKilobytes(bytes.View().data());
    ASSERT_GE(resident, 0) << "the file is not mapped";
    // The system may keep the pages of the last stretch, in pieces of up to 2 MB.
    EXPECT_LT(resident, 4096) << "walk " << walk;
  }
  std::filesystem::remove(path);
}

TEST(FileBytes, AFileThatCannotBeReadGivesNothing) {
  const std::filesystem::path folder = std::filesystem::temp_directory_path();
  const std::string empty = (folder / "vm_filebytes_empty.pdf").string();
  std::ofstream(empty).close();
  EXPECT_TRUE(FileBytes(empty).View().empty());
  EXPECT_TRUE(FileBytes((folder / "vm_filebytes_missing.pdf").string()).View().empty());
  EXPECT_TRUE(FileBytes(folder.string()).View().empty());  // a folder
  std::filesystem::remove(empty);
}

}  // namespace
}  // namespace checker
