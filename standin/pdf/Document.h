// A PDF document opened by the stand-in host, and its pages.
#pragma once

#include <memory>
#include <string>
#include <vector>

extern "C" {
#include <mupdf/fitz.h>
#include <mupdf/pdf.h>
}

namespace standin::pdf {

class Page;  // a page's object model, its text page source and its edits (Page.h)

struct Document {
  fz_context* ctx = nullptr;
  pdf_document* doc = nullptr;
  std::vector<std::unique_ptr<Page>> pages;  // made on first use, index = page number

  ~Document();
};

// Opens a PDF file. On failure returns null and sets *error to a message for the user
// (missing file, not a PDF, damaged beyond repair, encrypted).
std::unique_ptr<Document> OpenDocument(const std::string& path, std::string* error);

// Builds a document in memory whose pages have the given content streams (raw operators),
// with a MediaBox of 612 x 792 and the resources the snippets name (see the implementation for
// the fonts it provides). For tests.
std::unique_ptr<Document> DocumentFromContent(const std::vector<std::string>& pageContents);

int PageCount(Document& document);
// The page's model, made on first use; null for an index out of range. Stable until the
// document is destroyed.
Page* GetPage(Document& document, int index);

// Full rewrite with garbage collection (never incremental): what no page references is gone.
bool SaveDocument(Document& document, const std::string& path, std::string* error);

}  // namespace standin::pdf
