#include "pdf/Document.h"

#include <algorithm>
#include <sys/stat.h>

#include <cstdio>
#include <fstream>

#include "pdf/FieldTree.h"
#include "pdf/FontLookup.h"
#include "pdf/LargeBlocks.h"
#include "pdf/UpdateSection.h"
#include "pdf/ObjectCache.h"
#include "pdf/Fonts.h"
#include "pdf/Page.h"
#include "pdf/PageTree.h"
#include "pdf/PdfUtil.h"

namespace standin::pdf {

namespace {
int& DefaultPageModelLimit() {
  static int limit = 0;
  return limit;
}
}  // namespace

Document::Document() : pageModelLimit(DefaultPageModelLimit()) {}

void SetPageModelLimit(int pages) { DefaultPageModelLimit() = pages < 0 ? 0 : pages; }

void NoteModelled(Document& document, int pageIndex) {
  std::vector<int>& order = document.modelled;
  order.erase(std::remove(order.begin(), order.end(), pageIndex), order.end());
  order.push_back(pageIndex);
  if (document.pageModelLimit <= 0) return;
  for (size_t i = 0; i + 1 < order.size() && order.size() > static_cast<size_t>(document.pageModelLimit);) {
    Page* page = document.pages[static_cast<size_t>(order[i])].get();
    if (page && (page->HasUnwrittenEdits() || HasOpenTextPage(page))) {
      ++i;
      continue;
    }
    if (page) page->ReleaseModel();
    order.erase(order.begin() + static_cast<std::ptrdiff_t>(i));
  }
}

Document::~Document() {
  pages.clear();
  standardFonts.clear();
  for (pdf_obj* page : pageObjects) pdf_drop_obj(ctx, page);
  if (ctx) {
    ForgetFontLookups(doc);
    EmptyUpdateSection(ctx, doc);
    pdf_drop_document(ctx, doc);
    fz_drop_context(ctx);
  }
}

fz_context* NewContext() {
  fz_context* ctx = NewContextWithMappedLargeBlocks();
  if (ctx) {
    // Warnings about damaged files are expected; the caller decides what to report.
    fz_set_warning_callback(ctx, nullptr, nullptr);
    fz_set_error_callback(ctx, nullptr, nullptr);
  }
  return ctx;
}

namespace {

bool LooksLikePdf(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  char head[1024] = {};
  in.read(head, sizeof head);
  std::string text(head, static_cast<size_t>(in.gcount()));
  return text.find("%PDF-") != std::string::npos;
}

}  // namespace

std::unique_ptr<Document> OpenDocument(const std::string& path, std::string* error) {
  std::string ignored;
  if (!error) error = &ignored;
  // stat rather than std::filesystem: the winelib build compiles the library's headers for
  // Windows paths while linking the Linux library.
  struct stat info {};
  if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
    *error = "File not found: " + path;
    return nullptr;
  }
  if (!LooksLikePdf(path)) {
    *error = "Not a PDF file: " + path;
    return nullptr;
  }
  auto document = std::make_unique<Document>();
  document->ctx = NewContext();
  if (!document->ctx) {
    *error = "Out of memory";
    return nullptr;
  }
  fz_context* ctx = document->ctx;
  pdf_document* doc = nullptr;
  std::vector<pdf_obj*> pageObjects;
  int locked = 0;
  char message[256] = {};
  fz_var(doc);
  fz_var(locked);
  fz_var(error);
  const char* cpath = path.c_str();
  fz_try(ctx) {
    doc = pdf_open_document(ctx, cpath);
    if (pdf_needs_password(ctx, doc) && !pdf_authenticate_password(ctx, doc, "")) {
      locked = 1;
    } else {
      NullDanglingReferences(ctx, doc);
      pageObjects = WalkPageTree(ctx, doc, true);
      fz_try(ctx) { RemoveRepeatedFields(ctx, doc); }
      fz_catch(ctx) { /* a damaged field tree is read as far as it goes */ }
      // The checks above read every object; a long document need not keep them all.
      ReleaseUnchangedObjects(ctx, doc, false);
    }
  }
  fz_catch(ctx) {
    snprintf(message, sizeof message, "%s", fz_caught_message(ctx));
  }
  document->doc = doc;
  if (doc) KeepFontLookups(doc);
  document->pageObjects = std::move(pageObjects);
  document->pageObjects.shrink_to_fit();  // kept to the end: without the list's spare room
  if (locked) {
    *error = "The document is encrypted and needs a password: " + path;
    return nullptr;
  }
  if (!doc || document->pageObjects.empty()) {
    *error = "The document is damaged beyond repair: " + path;
    if (message[0]) *error += std::string(" (") + message + ")";
    return nullptr;
  }
  document->pages.resize(document->pageObjects.size());
  return document;
}

int PageCount(Document& document) { return static_cast<int>(document.pages.size()); }

pdf_obj* PageObjectAt(Document& document, int index) {
  if (index < 0 || index >= static_cast<int>(document.pageObjects.size())) return nullptr;
  return document.pageObjects[static_cast<size_t>(index)];
}

Page* GetPage(Document& document, int index) {
  if (index < 0 || index >= PageCount(document)) return nullptr;
  auto& slot = document.pages[static_cast<size_t>(index)];
  if (!slot) {
    pdf_obj* dictionary = PageObjectAt(document, index);
    if (!dictionary) return nullptr;
    slot = std::make_unique<Page>(document, index, dictionary);
  }
  return slot.get();
}

// ---------------------------------------------------------------------------------------------
// Documents made from content snippets.

namespace {

const char* const kToUnicodeHead =
    "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
    "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
    "/CMapName /VM-Identity-UCS def\n/CMapType 2 def\n"
    "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";

std::string IdentityToUnicode() {
  std::string cmap = kToUnicodeHead;
  // Surrogate code units stay unmapped; everything else maps to itself.
  for (int block = 0; block < 256; block += 100) {
    int end = std::min(block + 100, 256);
    int lines = 0;
    std::string body;
    for (int hi = block; hi < end; ++hi) {
      if (hi >= 0xD8 && hi <= 0xDF) continue;
      char line[64];
      snprintf(line, sizeof line, "<%02X00> <%02XFF> <%02X00>\n", hi, hi, hi);
      body += line;
      ++lines;
    }
    cmap += std::to_string(lines) + " beginbfrange\n" + body + "endbfrange\n";
  }
  cmap += "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
  return cmap;
}

pdf_obj* AddStream(fz_context* ctx, pdf_document* doc, const std::string& data, const char* dict) {
  pdf_obj* ref = nullptr;
  fz_var(ref);
  fz_buffer* buffer = nullptr;
  pdf_obj* object = nullptr;
  fz_var(buffer);
  fz_var(object);
  fz_try(ctx) {
    buffer = fz_new_buffer_from_copied_data(ctx, reinterpret_cast<const unsigned char*>(data.data()), data.size());
    object = ParseObject(ctx, doc, dict);
    ref = pdf_add_stream(ctx, doc, buffer, object, 0);
  }
  fz_always(ctx) {
    fz_drop_buffer(ctx, buffer);
    pdf_drop_obj(ctx, object);
  }
  fz_catch(ctx) { ref = nullptr; }
  return ref;
}

pdf_obj* AddObject(fz_context* ctx, pdf_document* doc, const std::string& text) {
  pdf_obj* ref = nullptr;
  fz_var(ref);
  fz_try(ctx) { ref = pdf_add_object_drop(ctx, doc, ParseObject(ctx, doc, text.c_str())); }
  fz_catch(ctx) { ref = nullptr; }
  return ref;
}

std::string Ref(pdf_obj* ref) {
  // pdf_to_num reads the reference without touching the context.
  return std::to_string(pdf_to_num(nullptr, ref)) + " 0 R";
}

// The resource dictionary shared by the pages of a snippet document, as PDF syntax.
std::string SnippetResources(fz_context* ctx, pdf_document* doc, std::vector<pdf_obj*>* refs) {
  auto keep = [&](pdf_obj* r) { refs->push_back(r); return Ref(r); };
  std::string toUnicode = keep(AddStream(ctx, doc, IdentityToUnicode(), "<<>>"));
  std::string descendant = keep(AddObject(ctx, doc,
      "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /VMSans "
      "/CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> "
      "/FontDescriptor << /Type /FontDescriptor /FontName /VMSans /Flags 4 "
      "/FontBBox [0 -200 1000 900] /ItalicAngle 0 /Ascent 880 /Descent -120 /CapHeight 700 "
      "/StemV 80 >> /DW 1000 /CIDToGIDMap /Identity >>"));
  std::string f2 = keep(AddObject(ctx, doc,
      "<< /Type /Font /Subtype /Type0 /BaseFont /VMSans /Encoding /Identity-H "
      "/DescendantFonts [" + descendant + "] /ToUnicode " + toUnicode + " >>"));
  std::string f3 = keep(AddObject(ctx, doc,
      "<< /Type /Font /Subtype /Type0 /BaseFont /VMSans /Encoding /Identity-V "
      "/DescendantFonts [" + descendant + "] /ToUnicode " + toUnicode + " >>"));
  std::string glyphA = keep(AddStream(ctx, doc, "1000 0 0 0 1000 1000 d1 0 0 1000 1000 re f", "<<>>"));
  std::string glyphB = keep(AddStream(ctx, doc, "1000 0 0 0 1000 1000 d1 0 0 1000 300 re f", "<<>>"));
  std::string f4 = keep(AddObject(ctx, doc,
      "<< /Type /Font /Subtype /Type3 /FontBBox [0 0 1000 1000] "
      "/FontMatrix [0.001 0 0 0.001 0 0] /CharProcs << /a " + glyphA + " /b " + glyphB + " >> "
      "/Encoding << /Type /Encoding /Differences [97 /a /b] >> /FirstChar 97 /LastChar 98 "
      "/Widths [1000 1000] >>"));
  std::string image = keep(AddStream(ctx, doc, std::string("\xff\x00\x00\x00\xff\x00\x00\x00\xff\xff\xff\xff", 12),
      "<< /Type /XObject /Subtype /Image /Width 2 /Height 2 /ColorSpace /DeviceRGB "
      "/BitsPerComponent 8 >>"));
  std::string formFont = "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>";
  std::string form = keep(AddStream(ctx, doc,
      "0.8 g 0 0 100 50 re f 0 g BT /F1 12 Tf 10 20 Td (Form) Tj ET",
      ("<< /Type /XObject /Subtype /Form /BBox [0 0 100 50] /Resources << /Font << /F1 " +
       formFont + " >> >> >>").c_str()));
  return "<< /Font << /F1 " + formFont + " /F2 " + f2 + " /F3 " + f3 + " /F4 " + f4 +
         " /F5 << /Type /Font /Subtype /Type1 /BaseFont /Times-Roman /Encoding /WinAnsiEncoding >> >>"
         " /XObject << /Im1 " + image + " /Fm1 " + form + " >>"
         " /Shading << /Sh1 << /ShadingType 2 /ColorSpace /DeviceRGB /Coords [0 0 100 0] "
         "/Function << /FunctionType 2 /Domain [0 1] /C0 [1 0 0] /C1 [0 0 1] /N 1 >> "
         "/Extend [true true] >> >>"
         " /ExtGState << /GS1 << /Type /ExtGState /ca 0.5 >> >> >>";
}

}  // namespace

std::unique_ptr<Document> DocumentFromContentArrays(
    const std::vector<std::vector<std::string>>& pageContents) {
  auto document = std::make_unique<Document>();
  document->ctx = NewContext();
  if (!document->ctx) return nullptr;
  fz_context* ctx = document->ctx;
  fz_try(ctx) { document->doc = pdf_create_document(ctx); }
  fz_catch(ctx) { return nullptr; }
  pdf_document* doc = document->doc;
  KeepFontLookups(doc);

  std::vector<pdf_obj*> refs;
  std::string resources = SnippetResources(ctx, doc, &refs);
  pdf_obj* resourcesRef = AddObject(ctx, doc, resources);
  bool ok = resourcesRef != nullptr;
  fz_var(ok);
  for (pdf_obj* r : refs) ok = ok && r != nullptr;

  for (size_t p = 0; ok && p < pageContents.size(); ++p) {
    fz_var(p);
    std::string contents;
    std::vector<pdf_obj*> streams;
    for (const std::string& part : pageContents[p]) {
      pdf_obj* stream = AddStream(ctx, doc, part, "<<>>");
      ok = ok && stream;
      streams.push_back(stream);
      contents += Ref(stream) + " ";
    }
    if (!ok) break;
    if (streams.size() != 1) contents = "[" + contents + "]";
    std::string page = "<< /Type /Page /MediaBox [0 0 612 792] /Resources " + Ref(resourcesRef) +
                       " /Contents " + contents + " >>";
    pdf_obj* pageRef = AddObject(ctx, doc, page);
    ok = pageRef != nullptr;
    int at = static_cast<int>(p);
    fz_try(ctx) { if (ok) pdf_insert_page(ctx, doc, at, pageRef); }
    fz_catch(ctx) { ok = false; }
    pdf_drop_obj(ctx, pageRef);
    for (pdf_obj* s : streams) pdf_drop_obj(ctx, s);
  }
  pdf_drop_obj(ctx, resourcesRef);
  for (pdf_obj* r : refs) pdf_drop_obj(ctx, r);
  if (!ok) return nullptr;
  fz_try(ctx) { document->pageObjects = WalkPageTree(ctx, doc, false); }
  fz_catch(ctx) { return nullptr; }
  document->pages.resize(document->pageObjects.size());
  return document;
}

std::unique_ptr<Document> DocumentFromContent(const std::vector<std::string>& pageContents) {
  std::vector<std::vector<std::string>> arrays;
  for (const std::string& c : pageContents) arrays.push_back({c});
  return DocumentFromContentArrays(arrays);
}

}  // namespace standin::pdf
