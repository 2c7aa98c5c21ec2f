// A long document read by pdftotext a slice of pages at a time: each slice holds its pages as
// the whole file does (the same page objects, the same inherited attributes, the catalog's other
// entries), pdftotext reads the same text from the slices as from the whole file, and a tree a
// reader could take otherwise is read whole.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" {
#include <mupdf/fitz.h>
#include <mupdf/pdf.h>
}

#include "HandWrittenPdf.h"
#include "PageTreeSlices.h"
#include "Pdftotext.h"
#include "TreePageCount.h"

namespace checker {
namespace {

// Pages 6 and 7 name their font as only their node's resources do.
std::string Content(int page) {
  const std::string font = page >= 6 ? "/F2" : "/F1";
  const std::string text = "BT " + font + " 12 Tf 72 600 Td (Page " + std::to_string(page) + " of the tree) Tj ET";
  return "<< /Length " + std::to_string(text.size()) + " >>\nstream\n" + text + "\nendstream";
}

// Seven pages under nodes that give them attributes at every level: the root its resources and
// media box, node 3 a rotation and another media box, node 6 a crop box, node 10 other
// resources. Page objects: 4 5 7 8 9 11 12. pdftotext reads no text where a page lost the
// resources it inherits.
std::vector<std::string> NestedTree() {
  std::vector<std::string> objects = {
      "<< /Type /Catalog /Pages 2 0 R /PageMode /UseOutlines >>",
      "<< /Type /Pages /Kids [3 0 R 9 0 R 10 0 R] /Count 7 /Resources << /Font << /F1 14 0 R >> >> "
      "/MediaBox [0 0 600 800] >>",
      "<< /Type /Pages /Kids [4 0 R 5 0 R 6 0 R] /Count 4 /Parent 2 0 R /Rotate 90 /MediaBox [0 0 500 700.5] >>",
      "<< /Type /Page /Parent 3 0 R /Contents 15 0 R >>",
      "<< /Type /Page /Parent 3 0 R /Contents 16 0 R >>",
      "<< /Type /Pages /Kids [7 0 R 8 0 R] /Count 2 /Parent 3 0 R /CropBox [10 10 490 690] >>",
      "<< /Type /Page /Parent 6 0 R /Contents 17 0 R >>",
      "<< /Type /Page /Parent 6 0 R /Contents 18 0 R /Rotate 0 >>",
      "<< /Type /Page /Parent 2 0 R /Contents 19 0 R >>",
      "<< /Type /Pages /Kids [11 0 R 12 0 R] /Count 2 /Parent 2 0 R /Resources << /Font << /F2 13 0 R >> >> >>",
      "<< /Type /Page /Parent 10 0 R /Contents 20 0 R >>",
      "<< /Type /Page /Parent 10 0 R /Contents 21 0 R >>",
      "<< /Type /Font /Subtype /Type1 /BaseFont /Courier >>",
      "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
  };
  for (int page = 1; page <= 7; ++page) objects.push_back(Content(page));
  return objects;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class PageTreeSlices : public testing::Test {
 protected:
  void SetUp() override {
    ctx_ = fz_new_context(nullptr, nullptr, FZ_STORE_DEFAULT);
    ASSERT_NE(ctx_, nullptr);
    fz_set_warning_callback(ctx_, nullptr, nullptr);
    fz_set_error_callback(ctx_, nullptr, nullptr);
  }
  void TearDown() override {
    for (const std::string& path : written_) std::filesystem::remove(path);
    fz_drop_context(ctx_);
  }

  std::string Write(const std::string& name, const std::vector<std::string>& objects) {
    return written_.emplace_back(WritePdf(name, objects));
  }

  // The updates for the file, or a failure when MuPDF threw.
  std::vector<std::string> Updates(const std::string& path, int pagesPerSlice) {
    std::vector<std::string> updates;
    pdf_document* doc = nullptr;
    fz_var(doc);
    fz_try(ctx_) {
      doc = pdf_open_document(ctx_, path.c_str());
      updates = PageTreeSliceUpdates(ctx_, doc, static_cast<int64_t>(std::filesystem::file_size(path)), pagesPerSlice);
    }
    fz_always(ctx_) { pdf_drop_document(ctx_, doc); }
    fz_catch(ctx_) { ADD_FAILURE() << fz_caught_message(ctx_); }
    return updates;
  }

  // The page objects in page order, as MuPDF reads the file.
  std::vector<int> PagesOf(const std::string& path) {
    std::vector<int> pages;
    pdf_document* doc = nullptr;
    fz_var(doc);
    fz_try(ctx_) {
      doc = pdf_open_document(ctx_, path.c_str());
      EXPECT_FALSE(pdf_was_repaired(ctx_, doc)) << path;
      for (int i = 0; i < pdf_count_pages(ctx_, doc); ++i)
        pages.push_back(pdf_to_num(ctx_, pdf_lookup_page_obj(ctx_, doc, i)));
    }
    fz_always(ctx_) { pdf_drop_document(ctx_, doc); }
    fz_catch(ctx_) { ADD_FAILURE() << path << ": " << fz_caught_message(ctx_); }
    return pages;
  }

  fz_context* ctx_ = nullptr;
  std::vector<std::string> written_;
};

// Each page's size, rotation and boxes as poppler takes them (inherited ones included; MuPDF's
// own lookup would follow the pages' /Parent, which a slice leaves pointing into the file's tree):
// pdfinfo lists every page's size and rotation, then every page's boxes.
struct Boxes {
  std::vector<std::string> sizes;
  std::vector<std::string> boxes;
};

Boxes PopplerBoxes(const std::string& path) {
  Boxes lines;
  const std::string command = "pdfinfo -f 1 -l 1000 -box '" + path + "' 2>/dev/null";
  std::FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return lines;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe)) {
    std::string line = buffer;
    if (line.rfind("Page ", 0) != 0) continue;
    const size_t label = line.find_first_not_of(' ', line.find_first_not_of("0123456789 ", 4));
    line = line.substr(label);  // without the page's number
    (line.rfind("size:", 0) == 0 || line.rfind("rot:", 0) == 0 ? lines.sizes : lines.boxes).push_back(line);
  }
  pclose(pipe);
  return lines;
}

std::vector<std::string> PdftotextPages(Pdftotext& tool) {
  std::vector<std::string> pages;
  EXPECT_TRUE(tool.ForEachPage([&](std::string_view page) { pages.emplace_back(page); }));
  return pages;
}

TEST_F(PageTreeSlices, EachSliceHoldsItsPagesAsTheWholeFileDoes) {
  const std::string path = Write("vm_slices_nested.pdf", NestedTree());
  const std::vector<std::string> updates = Updates(path, 2);
  ASSERT_EQ(updates.size(), 4u);
  const std::vector<int> whole = PagesOf(path);
  ASSERT_EQ(whole, (std::vector<int>{4, 5, 7, 8, 9, 11, 12}));

  const std::string bytes = ReadAll(path);
  std::vector<int> sliced;
  Boxes slicedBoxes;
  for (size_t i = 0; i < updates.size(); ++i) {
    const std::string slicePath = written_.emplace_back(path + ".slice" + std::to_string(i));
    std::ofstream(slicePath, std::ios::binary) << bytes << updates[i];
    for (int page : PagesOf(slicePath)) sliced.push_back(page);
    const Boxes boxes = PopplerBoxes(slicePath);
    slicedBoxes.sizes.insert(slicedBoxes.sizes.end(), boxes.sizes.begin(), boxes.sizes.end());
    slicedBoxes.boxes.insert(slicedBoxes.boxes.end(), boxes.boxes.begin(), boxes.boxes.end());

    pdf_document* doc = pdf_open_document(ctx_, slicePath.c_str());
    pdf_obj* catalog = pdf_dict_get(ctx_, pdf_trailer(ctx_, doc), PDF_NAME(Root));
    EXPECT_TRUE(pdf_name_eq(ctx_, pdf_dict_get(ctx_, catalog, PDF_NAME(PageMode)), PDF_NAME(UseOutlines)));
    pdf_drop_document(ctx_, doc);
  }
  EXPECT_EQ(sliced, whole);
  const Boxes boxes = PopplerBoxes(path);
  ASSERT_EQ(boxes.sizes.size(), 7u * 2u);
  ASSERT_EQ(boxes.boxes.size(), 7u * 5u);
  EXPECT_EQ(slicedBoxes.sizes, boxes.sizes);
  EXPECT_EQ(slicedBoxes.boxes, boxes.boxes);

  Pdftotext wholeText(path);
  Pdftotext slicedText(path, static_cast<int64_t>(bytes.size()), updates);
  const std::vector<std::string> expected = PdftotextPages(wholeText);
  ASSERT_EQ(expected.size(), 7u);
  for (int page = 1; page <= 7; ++page)
    EXPECT_NE(expected[page - 1].find("Page " + std::to_string(page) + " of the tree"), std::string::npos);
  EXPECT_EQ(PdftotextPages(slicedText), expected);
}

TEST_F(PageTreeSlices, AShortDocumentOrATreeAReaderCouldTakeOtherwiseIsReadWhole) {
  const std::vector<std::string> tree = NestedTree();
  auto changed = [&](size_t object, const std::string& from, const std::string& to) {
    std::vector<std::string> objects = tree;
    objects[object - 1] = Replaced(objects[object - 1], from, to);
    return objects;
  };
  const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
      {"page-twice", changed(10, "[11 0 R 12 0 R] /Count 2", "[11 0 R 12 0 R 9 0 R] /Count 3")},
      {"loop", changed(6, "[7 0 R 8 0 R]", "[7 0 R 8 0 R 3 0 R]")},
      {"root-count", changed(2, "/Count 7", "/Count 8")},
      {"real-count", changed(2, "/Count 7", "/Count 7.0")},
      {"direct-kid", changed(6, "[7 0 R 8 0 R]", "[7 0 R << /Type /Page /Contents 18 0 R >>]")},
      {"kid-no-dictionary", changed(6, "[7 0 R 8 0 R]", "[7 0 R 18 0 R]")},
      {"kids-no-array", changed(10, "/Kids [11 0 R 12 0 R]", "/Kids 11 0 R")},
      {"dangling-kid", changed(10, "[11 0 R 12 0 R]", "[11 0 R 12 0 R 99 0 R]")},
      {"other-generation", changed(2, "9 0 R", "9 1 R")},
  };
  for (const auto& [name, objects] : cases)
    EXPECT_TRUE(Updates(Write("vm_slices_" + name + ".pdf", objects), 2).empty()) << name;
  const std::string path = Write("vm_slices_short.pdf", tree);
  EXPECT_TRUE(Updates(path, 7).empty());
  EXPECT_EQ(Updates(path, 6).size(), 2u);
  EXPECT_TRUE(ReadPageTree(path, 0).sliceUpdates.empty());
  EXPECT_EQ(ReadPageTree(path, 3).pages, 7);
}

TEST_F(PageTreeSlices, AFileThatChangedIsReadWholeAndAStoppedReadingCountsAsNotRead) {
  const std::string path = Write("vm_slices_stopped.pdf", NestedTree());
  const PageTreeReading reading = ReadPageTree(path, 1);
  ASSERT_EQ(reading.sliceUpdates.size(), 7u);
  // Slices made for another file would read other pages, or none.
  Pdftotext changed(path, reading.fileSize + 1, reading.sliceUpdates);
  Pdftotext whole(path);
  EXPECT_EQ(PdftotextPages(changed), PdftotextPages(whole));

  Pdftotext stopped(path, reading.fileSize, reading.sliceUpdates);
  stopped.Stop();
  EXPECT_FALSE(stopped.ForEachPage([](std::string_view) {}));
}

}  // namespace
}  // namespace checker
