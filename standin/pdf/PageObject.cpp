#include "pdf/PageObject.h"

#include "pdf/Page.h"

#include "HostAbi.h"

namespace standin::pdf {

PageObject::~PageObject() {
  if (!ctx) return;
  pdf_drop_font(ctx, text.font);
  pdf_drop_obj(ctx, text.fontDictionary);
  for (FormGlyph& g : formGlyphs) pdf_drop_font(ctx, g.font);
}

const std::shared_ptr<const std::map<int32_t, int>>& CodeLengthsOf(const PageObject& object) {
  if (!object.codeLengths) {
    auto lengths = std::make_shared<std::map<int32_t, int>>();
    for (const TextItem& item : object.items)
      if (item.code != kSpacingCode) (*lengths)[item.code] = item.codeLength;
    object.codeLengths = std::move(lengths);
  }
  return object.codeLengths;
}

std::unique_ptr<PageObject> CloneObject(const PageObject& source) {
  auto copy = std::make_unique<PageObject>();
  copy->kind = source.kind;
  copy->bbox = source.bbox;
  copy->anchor = source.anchor;
  copy->original = false;
  copy->text = source.text;
  copy->lineMatrix = source.lineMatrix;
  copy->fill = source.fill;
  copy->items = source.items;
  copy->glyphs = source.glyphs;
  if (source.kind == kPageObjectText) copy->codeLengths = CodeLengthsOf(source);
  copy->ctx = source.ctx;
  if (copy->ctx) {
    pdf_keep_font(copy->ctx, copy->text.font);
    pdf_keep_obj(copy->ctx, copy->text.fontDictionary);
    copy->formGlyphs = source.formGlyphs;
    for (FormGlyph& g : copy->formGlyphs) pdf_keep_font(copy->ctx, g.font);
  }
  return copy;
}

void MarkEdited(PageObject& object) {
  object.original = false;
  if (object.page) object.page->NoteListChanged();
}

}  // namespace standin::pdf
