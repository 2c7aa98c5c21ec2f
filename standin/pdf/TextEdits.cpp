#include "pdf/TextEdits.h"

#include <map>

#include "HostAbi.h"
#include "pdf/Fonts.h"
#include "pdf/TextLayout.h"

namespace standin::pdf {

void Relayout(PageObject& object) {
  if (object.kind != kPageObjectText) return;
  fz_context* ctx = object.ctx;
  // Released, not only cleared: a clone cut down to a few characters must not keep its
  // source's layout (one clone per run left between removals).
  object.glyphs.Release();
  std::vector<TextItem>& items = object.items.Edit();
  if (!ctx || !object.text.font) {
    // No font yet: the origins wait for one.
    for (TextItem& item : items)
      if (item.code != kSpacingCode) item.x = item.y = 0;
    object.bbox = fz_empty_rect;
    return;
  }
  std::vector<GlyphPlacement> glyphs;
  bool ok = true;
  fz_var(ok);
  fz_try(ctx) { LayoutText(ctx, object.text, items, &glyphs); }
  fz_catch(ctx) { ok = false; }
  object.bbox = ok ? TextBounds(ctx, object.text, glyphs) : fz_empty_rect;
  object.glyphs = std::move(glyphs);
}

void SetCharacters(PageObject& object, int count, const int32_t* codes, const float* adjustments) {
  if (object.kind != kPageObjectText) return;
  const std::map<int32_t, int>& lengths = *CodeLengthsOf(object);
  std::vector<TextItem> items;
  for (int i = 0; i < count && codes; ++i) {
    TextItem c;
    c.code = codes[i];
    auto known = lengths.find(c.code);
    c.codeLength = known != lengths.end() ? known->second
                                          : CodeLength(object.ctx, object.text.font, c.code);
    items.push_back(c);
    if (adjustments && adjustments[i] != 0) {
      TextItem spacing;
      spacing.code = kSpacingCode;
      spacing.codeLength = 0;
      spacing.x = adjustments[i];
      items.push_back(spacing);
    }
  }
  object.items = std::move(items);
  MarkEdited(object);
  Relayout(object);
}

void SetBytes(PageObject& object, const std::string& bytes) {
  if (object.kind != kPageObjectText) return;
  object.codeLengths.reset();
  std::vector<TextItem> items;
  DecodeString(object.text.font, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(),
               items);
  object.items = std::move(items);
  MarkEdited(object);
  Relayout(object);
}

void SetTextState(PageObject& object, Font* font, float size, const float* matrix) {
  if (object.kind != kPageObjectText) return;
  TextState& state = object.text;
  if (font && font->desc != state.font) {
    if (object.ctx) {
      pdf_drop_font(object.ctx, state.font);
      pdf_drop_obj(object.ctx, state.fontDictionary);
    }
    object.ctx = font->ctx;
    state.font = pdf_keep_font(font->ctx, font->desc);
    state.fontDictionary = pdf_keep_obj(font->ctx, font->dictionary);
    state.fontResource.clear();
    // Codes of the earlier font are re-read with the new one's code lengths.
    object.codeLengths.reset();
    for (TextItem& item : object.items.Edit())
      if (item.code != kSpacingCode) item.codeLength = CodeLength(object.ctx, state.font, item.code);
  }
  state.size = size;
  if (matrix) {
    state.tm.a = matrix[0];
    state.tm.b = matrix[1];
    state.tm.c = matrix[2];
    state.tm.d = matrix[3];
  }
  MarkEdited(object);
  Relayout(object);
}

void SetPosition(PageObject& object, float x, float y) {
  if (object.kind != kPageObjectText) return;
  object.text.tm.e = x;
  object.text.tm.f = y;
  MarkEdited(object);
  Relayout(object);
}

void Transform(PageObject& object, fz_matrix m) {
  if (object.kind != kPageObjectText) {
    object.bbox = fz_transform_rect(object.bbox, m);
    return;
  }
  object.text.tm = fz_concat(object.text.tm, m);
  MarkEdited(object);
  Relayout(object);
}

void SetFill(PageObject& object, int components, const float* values) {
  if (components != 1 && components != 3 && components != 4) return;
  object.fill.components = components;
  for (int i = 0; i < components; ++i) object.fill.value[i] = values ? values[i] : 0;
  if (object.kind == kPageObjectText) MarkEdited(object);
}

}  // namespace standin::pdf
