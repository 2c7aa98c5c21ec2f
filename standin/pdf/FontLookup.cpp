#include "pdf/FontLookup.h"

#include <algorithm>
#include <array>
#include <vector>

namespace standin::pdf {
namespace {

struct Kept {
  fz_context* ctx = nullptr;
  pdf_document* doc = nullptr;
  pdf_obj* dictionary = nullptr;  // kept
  pdf_font_desc* font = nullptr;  // kept
};

// Enough for the fonts of a page; beyond that the store answers, as it would anyway.
constexpr size_t kKeptFonts = 16;

struct Lookups {
  std::vector<pdf_document*> documents;
  std::array<Kept, kKeptFonts> kept;
  size_t next = 0;
};

thread_local Lookups lookups;

void Drop(Kept& k) {
  if (k.ctx) {
    pdf_drop_font(k.ctx, k.font);
    pdf_drop_obj(k.ctx, k.dictionary);
  }
  k = Kept{};
}

}  // namespace

void KeepFontLookups(pdf_document* doc) {
  if (std::find(lookups.documents.begin(), lookups.documents.end(), doc) == lookups.documents.end())
    lookups.documents.push_back(doc);
}

void ForgetFontLookups(pdf_document* doc) {
  for (Kept& k : lookups.kept)
    if (k.doc == doc) Drop(k);
  lookups.documents.erase(std::remove(lookups.documents.begin(), lookups.documents.end(), doc),
                          lookups.documents.end());
}

}  // namespace standin::pdf

extern "C" {

pdf_font_desc* __real_pdf_load_font(fz_context* ctx, pdf_document* doc, pdf_obj* rdb, pdf_obj* dict);

// Throws as pdf_load_font throws; what failed is not kept. The dictionary arrives as the
// reference the resources hold.
pdf_font_desc* __wrap_pdf_load_font(fz_context* ctx, pdf_document* doc, pdf_obj* rdb, pdf_obj* dict) {
  using standin::pdf::lookups;
  // Only fonts of objects of their own, as the store keeps them: a font defined inline is read
  // again at each use, with the warnings that tell that its text may be lost.
  if (!dict || lookups.documents.empty() || !pdf_is_indirect(ctx, dict))
    return __real_pdf_load_font(ctx, doc, rdb, dict);
  for (const standin::pdf::Kept& k : lookups.kept)
    if (k.dictionary == dict && k.doc == doc && k.ctx == ctx) return pdf_keep_font(ctx, k.font);
  pdf_font_desc* font = __real_pdf_load_font(ctx, doc, rdb, dict);
  if (!font || std::find(lookups.documents.begin(), lookups.documents.end(), doc) == lookups.documents.end())
    return font;
  standin::pdf::Kept& slot = lookups.kept[lookups.next];
  lookups.next = (lookups.next + 1) % lookups.kept.size();
  standin::pdf::Drop(slot);
  slot = {ctx, doc, pdf_keep_obj(ctx, dict), pdf_keep_font(ctx, font)};
  return font;
}

}  // extern "C"
