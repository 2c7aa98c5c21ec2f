// A PDF document opened by the stand-in host, and its pages.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

extern "C" {
#include <mupdf/fitz.h>
#include <mupdf/pdf.h>
}

namespace standin::pdf {

class Page;   // a page's object model, its text page source and its edits (Page.h)
struct Font;  // a font handle of host 34:31 / 99:x (Fonts.h)
struct ContentSpool;  // new content streams kept in a temporary file (ContentSpool.cpp)

struct Document {
  fz_context* ctx = nullptr;
  pdf_document* doc = nullptr;
  std::vector<std::unique_ptr<Page>> pages;  // made on first use, index = page number
  // The page dictionaries as the page tree holds them (kept references), index = page number.
  std::vector<pdf_obj*> pageObjects;
  std::map<std::string, std::unique_ptr<Font>> standardFonts;  // host 34:31, by base name
  // PDF object and annotation handles handed out for this document (objects/). Destroying
  // them makes no MuPDF call, so they may go after the context.
  std::shared_ptr<void> objectHandles;
  // The file the document was opened from (empty for documents made in memory); saving
  // refuses to write over it while the document still reads from it.
  std::string path;
  // Bumped by every host call that changes a PDF object; a page checks whether its Contents or
  // Resources were replaced only when this moved since its last check.
  uint64_t revision = 0;
  // At most this many pages keep an object model (0: no limit); see SetPageModelLimit.
  int pageModelLimit = 0;
  std::vector<int> modelled;  // pages with a model, least recently interpreted first
  // New content streams go to a temporary file behind the document's own (ContentSpool.h);
  // owned by the document's file stream. False keeps them in memory.
  bool spoolNewContent = true;
  ContentSpool* spool = nullptr;
  bool spoolUnavailable = false;  // tried, and this document cannot spool
  // MuPDF has looked a page up by its index (LoadPage): the page dictionaries are kept.
  bool pagesLookedUp = false;
  // Numbers of stream copies made for undo records and deleted since, none of them in any file:
  // the next copy takes one again. MuPDF never gives a number out twice, and its tables hold an
  // entry for every number up to the last (two more a page for these copies alone).
  std::vector<int> freeCopyNumbers;

  Document();
  ~Document();
  Document(const Document&) = delete;
  Document& operator=(const Document&) = delete;
};

// Opens a PDF file. On failure returns null and sets *error to a message for the user
// (missing file, not a PDF, damaged beyond repair, encrypted).
std::unique_ptr<Document> OpenDocument(const std::string& path, std::string* error);

// Builds a document in memory whose pages have the given content streams (raw operators),
// with a MediaBox of 612 x 792 and these resources, shared by all pages:
//   /F1  Helvetica, WinAnsiEncoding (one-byte codes)
//   /F2  Type0 font, Identity-H, two-byte codes; its ToUnicode maps every code to the UTF-16
//        unit of the same value, so <D55C AD6D> shows "한국"; glyphs are MuPDF's substitute
//   /F3  the same as /F2 with Identity-V (vertical writing)
//   /F4  Type3 font, codes 'a' and 'b' (a square and a bar, 1000 units wide, glyph names a, b)
//   /F5  Times-Roman, WinAnsiEncoding
//   /Im1 a 2 x 2 RGB image XObject;  /Fm1 a form XObject (BBox 0 0 100 50) showing "Form" with
//        /F1 at 12 pt over a grey rectangle;  /Sh1 an axial RGB shading;  /GS1 an ExtGState
//        with fill opacity 0.5.
// For tests.
std::unique_ptr<Document> DocumentFromContent(const std::vector<std::string>& pageContents);

// Same, with each page's content given as several streams (the page's Contents is then an
// array of streams).
std::unique_ptr<Document> DocumentFromContentArrays(
    const std::vector<std::vector<std::string>>& pageContents);

// How many page object models a document opened afterwards keeps (0, the default: all). A
// long document is then read with bounded memory: when a page is interpreted beyond the limit,
// the least recently interpreted pages give their models up, except pages with edits not yet
// written back and pages with an open text page. Objects of a page that gave its model up must
// not be used any more, so this suits callers that work through the pages one at a time.
void SetPageModelLimit(int pages);

// Records that a page was interpreted and releases models beyond the document's limit.
void NoteModelled(Document& document, int pageIndex);

int PageCount(Document& document);
// The page's dictionary; null for an index out of range.
pdf_obj* PageObjectAt(Document& document, int index);
// The page's model, made on first use; null for an index out of range. Stable until the
// document is destroyed.
Page* GetPage(Document& document, int index);

// A MuPDF context as every document of the stand-in has: warnings and errors not printed, large
// blocks mapped (NewContextWithMappedLargeBlocks). Null when out of memory.
fz_context* NewContext();

// Full rewrite with garbage collection (never incremental): what no page references is gone. A
// document encrypted with an owner password only is encrypted again with its method and
// permissions, under a new random owner password.
bool SaveDocument(Document& document, const std::string& path, std::string* error);

// SaveDocument in two halves, so that a caller done with the document can close it in between
// and a long document is not held in memory beside its rewrite: the first writes the document
// as it is into a file beside the destination, the second rewrites that file into the
// destination without the document.
struct PendingSave {
  std::string path;         // the destination
  std::string uncollected;  // what the first half wrote
  std::string temporary;    // what the second half writes, then renames over the destination
  int encryptMethod = PDF_ENCRYPT_NONE;
  int permissions = 0;
};
bool BeginSave(Document& document, const std::string& path, PendingSave* pending, std::string* error);
// Removes the first half's file whatever the outcome.
bool FinishSave(PendingSave& pending, std::string* error);

}  // namespace standin::pdf
