// A file's bytes as the check walks them: what was let go behind the walk reads the same again,
// and a file that cannot be read gives nothing.
#include <gtest/gtest.h>

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
