// Helpers of the PDF engine tests: MuPDF's own view of a page (structured text, pixels) to
// compare the engine's results with.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "pdf/ControlCharacters.h"
#include "pdf/ObjectCache.h"
#include "pdf/Document.h"
#include "pdf/Page.h"
#include "pdf/TextEdits.h"
#include "pdf/TextPage.h"

namespace standin::pdf::testing {

// The PDF files of a folder, sorted.
inline std::vector<std::string> PdfFilesIn(const std::string& folder) {
  std::vector<std::string> files;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
    if (entry.path().extension() == ".pdf") files.push_back(entry.path().string());
  std::sort(files.begin(), files.end());
  return files;
}

// Every test document: the samples, the hostile files and the scanned pages.
inline std::vector<std::string> AllTestDocuments() {
  std::vector<std::string> files = PdfFilesIn(VM_TEST_DATA_DIR);
  for (const char* folder : {"/hostile", "/scanned"})
    for (const std::string& file : PdfFilesIn(std::string(VM_TEST_DATA_DIR) + folder)) files.push_back(file);
  return files;
}

struct RefChar {
  int c;
  fz_rect box;   // page space (default user space, y up)
  fz_point origin;
  fz_quad quad;
};

// MuPDF's structured text of the page's content (no annotations), characters in order,
// without white space.
inline std::vector<RefChar> MuPdfChars(Document& document, int pageIndex) {
  std::vector<RefChar> out;
  fz_context* ctx = document.ctx;
  pdf_page* page = nullptr;
  fz_stext_page* text = nullptr;
  fz_device* device = nullptr;
  fz_var(page);
  fz_var(text);
  fz_var(device);
  fz_try(ctx) {
    page = LoadPage(document, pageIndex);
    fz_matrix transform;
    pdf_page_transform(ctx, page, nullptr, &transform);
    fz_matrix back = fz_invert_matrix(transform);
    text = fz_new_stext_page(ctx, fz_bound_page(ctx, &page->super));
    device = fz_new_stext_device(ctx, text, nullptr);
    pdf_run_page_contents(ctx, page, device, fz_identity, nullptr);
    fz_close_device(ctx, device);
    for (fz_stext_block* b = text->first_block; b; b = b->next) {
      if (b->type != FZ_STEXT_BLOCK_TEXT) continue;
      for (fz_stext_line* l = b->u.t.first_line; l; l = l->next)
        for (fz_stext_char* c = l->first_char; c; c = c->next) {
          // The engine reads a blank glyph mapped to a control character as the space it shows;
          // MuPDF passes the control character through.
          if (c->c == ' ' || IsStrayControl(c->c)) continue;
          RefChar r;
          r.c = c->c;
          r.box = fz_transform_rect(fz_rect_from_quad(c->quad), back);
          r.origin = fz_transform_point(c->origin, back);
          r.quad = fz_transform_quad(c->quad, back);
          out.push_back(r);
        }
    }
  }
  fz_always(ctx) {
    fz_drop_device(ctx, device);
    fz_drop_stext_page(ctx, text);
    fz_drop_page(ctx, &page->super);
  }
  fz_catch(ctx) { out.clear(); }
  return out;
}

// The engine's text page characters, without white space, as the same records (a surrogate
// pair is one record, as MuPDF has one character for it).
inline std::vector<RefChar> EngineChars(Page& page) {
  TextPage textPage;
  textPage.page = &page;
  AnalyseTextPage(textPage);
  std::vector<RefChar> out;
  for (const TextPageChar& c : textPage.chars) {
    if (c.unit == u' ' || c.unit == u'\n') continue;
    if (c.unit >= 0xDC00 && c.unit <= 0xDFFF && !out.empty() && out.back().c >= 0xD800 && out.back().c <= 0xDBFF) {
      out.back().c = 0x10000 + ((out.back().c - 0xD800) << 10) + (c.unit - 0xDC00);
      continue;
    }
    out.push_back({c.unit, fz_rect_from_quad(c.quad), c.origin, c.quad});
  }
  return out;
}

inline std::u16string Utf16(const std::vector<RefChar>& chars) {
  std::u16string s;
  for (const RefChar& c : chars) {
    if (c.c >= 0x10000) {
      s.push_back(static_cast<char16_t>(0xD800 + ((c.c - 0x10000) >> 10)));
      s.push_back(static_cast<char16_t>(0xDC00 + ((c.c - 0x10000) & 0x3FF)));
    } else {
      s.push_back(static_cast<char16_t>(c.c));
    }
  }
  return s;
}

inline std::string Narrow(const std::u16string& s) {
  std::string out;
  for (char16_t u : s) {
    if (u < 0x80) {
      out.push_back(static_cast<char>(u));
    } else {
      char buf[12];
      snprintf(buf, sizeof buf, "\\u%04X", static_cast<unsigned>(u));
      out += buf;
    }
  }
  return out;
}

// The page rendered at 1:1 by MuPDF (RGB samples), for before/after comparisons.
inline std::vector<unsigned char> Render(Document& document, int pageIndex, float zoom = 1.5f) {
  std::vector<unsigned char> samples;
  fz_context* ctx = document.ctx;
  fz_pixmap* pixmap = nullptr;
  fz_var(pixmap);
  fz_try(ctx) {
    pixmap = fz_new_pixmap_from_page_number(ctx, &document.doc->super, pageIndex,
                                            fz_scale(zoom, zoom), fz_device_rgb(ctx), 0);
    unsigned char* data = fz_pixmap_samples(ctx, pixmap);
    samples.assign(data, data + static_cast<size_t>(fz_pixmap_stride(ctx, pixmap)) * fz_pixmap_height(ctx, pixmap));
  }
  fz_always(ctx) { fz_drop_pixmap(ctx, pixmap); }
  fz_catch(ctx) { samples.clear(); }
  return samples;
}

// The edit the module makes to drop characters: clones holding the remaining runs, each moved
// to where its run stood, in place of the object.
inline void RemoveItems(Page& page, PageObject* object, const std::set<int>& removed) {
  struct Kept { int32_t code; float adjustment; float x, y; bool removed; };
  std::vector<Kept> items;
  for (size_t i = 0; i < object->items.size(); ++i) {
    const TextItem& item = object->items[i];
    if (item.code == kSpacingCode) {
      if (!items.empty()) items.back().adjustment += item.x;
      continue;
    }
    items.push_back({item.code, 0, item.x, item.y, removed.count(static_cast<int>(i)) > 0});
  }
  fz_matrix m = object->text.tm;
  for (size_t i = 0; i < items.size();) {
    if (items[i].removed) { ++i; continue; }
    size_t end = i;
    std::vector<int32_t> codes;
    std::vector<float> adjustments;
    while (end < items.size() && !items[end].removed) {
      codes.push_back(items[end].code);
      adjustments.push_back(items[end].adjustment);
      ++end;
    }
    PageObject* clone = page.Adopt(CloneObject(*object));
    SetCharacters(*clone, static_cast<int>(codes.size()), codes.data(), adjustments.data());
    float x0 = items[i].x, y0 = items[i].y;
    Transform(*clone, fz_translate(m.a * x0 + m.c * y0, m.b * x0 + m.d * y0));
    page.InsertBefore(object, clone);
    i = end;
  }
  page.Remove(object);
}

// Removes every third character of every text object of the page and regenerates it: the rest must
// show in the same order at the same origins, and the engine's model, rebuilt from the new
// content, must agree with MuPDF. Returns how many characters went.
inline size_t ExpectRemovalMovesNothingElse(Document& document, int p) {
  Page* page = GetPage(document, p);
  TextPage textPage;
  textPage.page = page;
  AnalyseTextPage(textPage);
  const std::vector<RefChar> before = MuPdfChars(document, p);
  std::vector<PageObject*> texts;
  for (PageObject* o = page->First(); o; o = o->next)
    if (o->kind == kPageObjectText) texts.push_back(o);
  std::set<std::pair<PageObject*, int>> removed;
  for (PageObject* o : texts) {
    int n = 0;
    for (size_t i = 0; i < o->items.size(); ++i)
      if (o->items[i].code != kSpacingCode && n++ % 3 == 1) removed.insert({o, static_cast<int>(i)});
  }
  // Which of MuPDF's characters stay: those of items not removed.
  std::vector<RefChar> expected;
  size_t at = 0;
  for (const TextPageChar& c : textPage.chars) {
    if (c.unit == u' ' || c.unit == u'\n' || (c.unit >= 0xDC00 && c.unit <= 0xDFFF)) continue;
    if (at < before.size() && !removed.count({c.object, c.itemIndex})) expected.push_back(before[at]);
    ++at;
  }
  EXPECT_EQ(at, before.size()) << "page " << p;

  for (PageObject* o : texts) {
    std::set<int> items;
    for (const auto& [object, index] : removed)
      if (object == o) items.insert(index);
    if (!items.empty()) RemoveItems(*page, o, items);
  }
  EXPECT_TRUE(page->Regenerate()) << "page " << p;
  const std::vector<RefChar> after = MuPdfChars(document, p);
  EXPECT_EQ(Narrow(Utf16(after)), Narrow(Utf16(expected))) << "page " << p;
  for (size_t i = 0; i < expected.size() && i < after.size(); ++i) {
    EXPECT_NEAR(after[i].origin.x, expected[i].origin.x, 0.05) << "page " << p << " char " << i;
    EXPECT_NEAR(after[i].origin.y, expected[i].origin.y, 0.05) << "page " << p << " char " << i;
  }
  EXPECT_EQ(Narrow(Utf16(EngineChars(*GetPage(document, p)))), Narrow(Utf16(after))) << "page " << p;
  return removed.size();
}

inline PageObject* NthText(Page& page, int n) {
  for (PageObject* o = page.First(); o; o = o->next)
    if (o->kind == kPageObjectText && n-- == 0) return o;
  return nullptr;
}

}  // namespace standin::pdf::testing
