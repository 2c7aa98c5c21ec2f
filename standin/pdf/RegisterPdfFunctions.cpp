// The host functions of the PDF engine: page object lists (73), page and text objects (82, 83),
// text and colour states (79, 78), fonts (34:31, 99) and text pages (120).
//
// Handles: a PDF page is a pdf::Page*, a PDF document a pdf::Document*, a page object (and a
// position in a page's object list) a PageObject*, a font a pdf::Font*. Text pages, text states
// and colour states are created here, tracked, and released by the module.
#include <algorithm>
#include <memory>
#include <vector>

#include "core/Registration.h"
#include "core/Services.h"
#include "pdf/Fonts.h"
#include "pdf/Page.h"
#include "pdf/TextEdits.h"
#include "pdf/TextPage.h"

namespace standin {
namespace {

using pdf::PageObject;

constexpr char kTextPageKind[] = "textpage";
constexpr char kTextStateKind[] = "textstate";
constexpr char kColorStateKind[] = "colorstate";

struct TextStateRecord {
  pdf::Font* font = nullptr;
  float size = 0;
  float matrix[4] = {1, 0, 0, 1};
};

struct ColorStateRecord {
  int components = 0;
  float values[4] = {0, 0, 0, 0};
};

// Colour spaces of host 107:0, by family: 1 gray, 2 RGB, 3 CMYK; the value is the number of
// components.
const int kColorSpaces[] = {1, 3, 4};

// Objects made by host 83:0 that no page holds yet.
std::vector<std::unique_ptr<PageObject>>& Unplaced() {
  static auto* objects = new std::vector<std::unique_ptr<PageObject>>;
  return *objects;
}

pdf::Page* AsPage(HostHandle h) { return static_cast<pdf::Page*>(h); }
PageObject* AsObject(HostHandle h) { return static_cast<PageObject*>(h); }

// --- 73: page object lists
HostPosition VM_CALL FirstPosition(HostHandle page) { return page ? AsPage(page)->First() : nullptr; }
// The end of the list: inserting there appends.
HostPosition VM_CALL LastPosition(HostHandle page) { return page ? AsPage(page)->EndPosition() : nullptr; }

HostHandle VM_CALL ObjectAtPosition(HostHandle page, HostPosition* position) {
  if (!page || !position || !*position) return nullptr;
  if (*position == AsPage(page)->EndPosition()) {
    *position = nullptr;
    return nullptr;
  }
  PageObject* object = AsObject(*position);
  if (!AsPage(page)->Holds(object)) {
    *position = nullptr;
    return nullptr;
  }
  *position = object->next;
  return object;
}

int32_t VM_CALL ObjectCount(HostHandle page) { return page ? AsPage(page)->Count() : 0; }

HostHandle VM_CALL ObjectAtIndex(HostHandle page, int32_t index) {
  return page ? AsPage(page)->At(index) : nullptr;
}

// Inserts at the position, before the object there (the end position or null appends), so
// that objects inserted one after another at one position keep their order; returns the new
// object's position.
HostPosition VM_CALL InsertObject(HostHandle page, HostPosition position, HostHandle handle) {
  pdf::Page* p = AsPage(page);
  PageObject* object = AsObject(handle);
  if (!p || !object || object->listed) return nullptr;
  PageObject* before = position == p->EndPosition() ? nullptr : AsObject(position);
  if (before && !p->Holds(before)) return nullptr;
  if (object->page != p) {
    if (object->page) return nullptr;  // an object of another page
    auto& unplaced = Unplaced();
    auto found = std::find_if(unplaced.begin(), unplaced.end(),
                              [&](const auto& o) { return o.get() == object; });
    if (found == unplaced.end()) return nullptr;
    std::unique_ptr<PageObject> owned = std::move(*found);
    unplaced.erase(found);
    p->Adopt(std::move(owned));
  }
  p->EnsureModel();
  p->InsertBefore(before, object);
  return object->listed ? object : nullptr;
}

int32_t VM_CALL RemoveObject(HostHandle page, HostPosition position) {
  pdf::Page* p = AsPage(page);
  PageObject* object = AsObject(position);
  if (!p || !p->Holds(object)) return 0;
  p->Remove(object);
  return 1;
}

int32_t VM_CALL RegenerateContent(HostHandle page) { return page && AsPage(page)->Regenerate() ? 1 : 0; }

// --- 82: page objects
HostHandle VM_CALL CopyObject(HostHandle handle) {
  PageObject* source = AsObject(handle);
  if (!source) return nullptr;
  std::unique_ptr<PageObject> copy = pdf::CloneObject(*source);
  if (source->page) return source->page->Adopt(std::move(copy));
  Unplaced().push_back(std::move(copy));
  return Unplaced().back().get();
}

void VM_CALL SetObjectFill(HostHandle object, HostHandle colorState) {
  auto* color = static_cast<ColorStateRecord*>(colorState);
  if (object && color) pdf::SetFill(*AsObject(object), color->components, color->values);
}

HostBox* VM_CALL ObjectBox(HostBox* result, HostHandle object) {
  if (!result) return result;
  *result = {0, 0, 0, 0};
  if (object) {
    fz_rect box = AsObject(object)->bbox;
    if (!fz_is_empty_rect(box) && !fz_is_infinite_rect(box)) *result = {box.x0, box.y0, box.x1, box.y1};
  }
  return result;
}

int32_t VM_CALL ObjectKind(HostHandle object) { return object ? AsObject(object)->kind : 0; }

void VM_CALL TransformObject(HostHandle object, float a, float b, float c, float d, float e, float f) {
  if (object) pdf::Transform(*AsObject(object), fz_make_matrix(a, b, c, d, e, f));
}

// --- 83: text objects
HostHandle VM_CALL NewTextObject() {
  auto object = std::make_unique<PageObject>();
  object->kind = kPageObjectText;
  object->fill.components = 1;  // black, the default fill
  Unplaced().push_back(std::move(object));
  return Unplaced().back().get();
}

int32_t VM_CALL ItemCount(HostHandle object) {
  return object ? static_cast<int32_t>(AsObject(object)->items.size()) : 0;
}

HostTextItem* VM_CALL ItemAt(HostTextItem* result, HostHandle object, int32_t index) {
  if (!result) return result;
  *result = {pdf::kSpacingCode, 0, 0};
  if (!object) return result;
  const auto& items = AsObject(object)->items;
  if (index < 0 || index >= static_cast<int32_t>(items.size())) return result;
  const pdf::TextItem& item = items[static_cast<size_t>(index)];
  *result = {item.code, item.x, item.y};
  return result;
}

void VM_CALL TextMatrix(HostHandle object, float* matrix) {
  if (!matrix) return;
  fz_matrix m = object ? AsObject(object)->text.tm : fz_identity;
  matrix[0] = m.a;
  matrix[1] = m.b;
  matrix[2] = m.c;
  matrix[3] = m.d;
}

void VM_CALL SetText(HostHandle object, HostHandle byteString) {
  auto* bytes = static_cast<ByteString*>(byteString);
  if (object && bytes) pdf::SetBytes(*AsObject(object), bytes->bytes);
}

void VM_CALL SetCharacters(HostHandle object, int32_t count, const int32_t* codes, const float* adjustments) {
  if (object && count >= 0) pdf::SetCharacters(*AsObject(object), count, codes, adjustments);
}

void VM_CALL SetPosition(HostHandle object, float x, float y) {
  if (object) pdf::SetPosition(*AsObject(object), x, y);
}

void VM_CALL ApplyTextState(HostHandle object, HostHandle textState) {
  auto* state = static_cast<TextStateRecord*>(textState);
  if (object && state) pdf::SetTextState(*AsObject(object), state->font, state->size, state->matrix);
}

// --- 79: text states
HostHandle VM_CALL NewTextState() {
  auto* state = new TextStateRecord;
  Tracker().Created(kTextStateKind, state);
  return state;
}
void VM_CALL ReleaseTextState(HostHandle state) {
  if (!state) return;
  if (Tracker().Released(kTextStateKind, state)) delete static_cast<TextStateRecord*>(state);
}
void VM_CALL TextStateFont(HostHandle state, HostHandle font) {
  if (state) static_cast<TextStateRecord*>(state)->font = static_cast<pdf::Font*>(font);
}
void VM_CALL TextStateSize(HostHandle state, float size) {
  if (state) static_cast<TextStateRecord*>(state)->size = size;
}
void VM_CALL TextStateMatrix(HostHandle state, const float* matrix) {
  if (state && matrix) std::copy(matrix, matrix + 4, static_cast<TextStateRecord*>(state)->matrix);
}

// --- 78, 107: colours
HostHandle VM_CALL NewColorState() {
  auto* state = new ColorStateRecord;
  Tracker().Created(kColorStateKind, state);
  return state;
}
void VM_CALL ReleaseColorState(HostHandle state) {
  if (!state) return;
  if (Tracker().Released(kColorStateKind, state)) delete static_cast<ColorStateRecord*>(state);
}
void VM_CALL SetColor(HostHandle state, HostHandle colorSpace, const float* components, int32_t count) {
  auto* color = static_cast<ColorStateRecord*>(state);
  const int* space = static_cast<const int*>(colorSpace);
  if (!color || !space || !components || count != *space) return;
  color->components = count;
  std::copy(components, components + count, color->values);
}
HostHandle VM_CALL ColorSpace(int32_t family) {
  if (family < 1 || family > 3) return nullptr;
  return const_cast<int*>(&kColorSpaces[family - 1]);
}

// --- 34:31, 99: fonts
HostHandle VM_CALL StandardFont(HostHandle document, const char* name, int32_t) {
  return document ? pdf::StandardFont(*static_cast<pdf::Document*>(document), name) : nullptr;
}
int32_t VM_CALL GlyphWidth(HostHandle font, int32_t code) {
  auto* f = static_cast<pdf::Font*>(font);
  return f ? pdf::GlyphWidth(f->ctx, f->desc, code) : 0;
}
HostGlyphBox* VM_CALL GlyphBox(HostGlyphBox* result, HostHandle font, int32_t code) {
  auto* f = static_cast<pdf::Font*>(font);
  if (result) *result = f ? pdf::GlyphBox(f->ctx, f->desc, code) : HostGlyphBox{0, 0, 0, 0};
  return result;
}

// --- 120: text pages
pdf::TextPage* AsTextPage(HostHandle h) {
  auto* textPage = static_cast<pdf::TextPage*>(h);
  if (textPage && !textPage->analysed) pdf::AnalyseTextPage(*textPage);
  return textPage;
}

HostHandle VM_CALL OpenTextPage(HostHandle page, int32_t) {
  if (!page) return nullptr;
  auto* textPage = new pdf::TextPage;
  textPage->page = AsPage(page);
  pdf::NoteTextPageOpened(textPage->page);
  Tracker().Created(kTextPageKind, textPage);
  return textPage;
}
void VM_CALL ReleaseTextPage(HostHandle textPage) {
  if (!textPage) return;
  if (!Tracker().Released(kTextPageKind, textPage)) return;
  auto* released = static_cast<pdf::TextPage*>(textPage);
  pdf::NoteTextPageReleased(released->page);
  delete released;
}
int32_t VM_CALL AnalyseTextPage(HostHandle textPage) {
  if (!textPage) return 0;
  pdf::AnalyseTextPage(*static_cast<pdf::TextPage*>(textPage));
  return 1;
}
int32_t VM_CALL IsAnalysed(HostHandle textPage) {
  return textPage && static_cast<pdf::TextPage*>(textPage)->analysed ? 1 : 0;
}
int32_t VM_CALL CharCount(HostHandle textPage) {
  return textPage ? static_cast<int32_t>(AsTextPage(textPage)->chars.size()) : 0;
}

int32_t VM_CALL CharInfo(HostHandle textPage, int32_t index, HostCharInfo* info) {
  if (!textPage || !info) return 0;
  const auto& chars = AsTextPage(textPage)->chars;
  if (index < 0 || index >= static_cast<int32_t>(chars.size())) return 0;
  const pdf::TextPageChar& c = chars[static_cast<size_t>(index)];
  info->fontSize = c.fontSize;
  info->textObject = c.object;
  info->a = c.matrix.a;
  info->b = c.matrix.b;
  info->c = c.matrix.c;
  info->d = c.matrix.d;
  info->itemIndex = c.object ? c.itemIndex : -1;
  return 1;
}

int32_t VM_CALL RangeBoxes(HostHandle textPage, int32_t first, int32_t count, HostHandle* boxArray) {
  if (!textPage || !boxArray || !*boxArray) return 0;
  auto* array = static_cast<BoxArray*>(*boxArray);
  std::vector<HostBox> boxes = pdf::BoxesOfRange(*AsTextPage(textPage), first, count);
  array->boxes.insert(array->boxes.end(), boxes.begin(), boxes.end());
  return static_cast<int32_t>(boxes.size());
}

int32_t VM_CALL RangeText(HostHandle textPage, int32_t first, int32_t count, HostHandle* wideString) {
  if (!textPage || !wideString || !*wideString) return 0;
  auto* string = static_cast<WideString*>(*wideString);
  string->text = pdf::TextOfRange(*AsTextPage(textPage), first, count);
  return static_cast<int32_t>(string->text.size());
}

}  // namespace

void RegisterPdfFunctions(FunctionTable& table) {
  table.Implement<73, 6>(&FirstPosition);
  table.Implement<73, 7>(&LastPosition);
  table.Implement<73, 8>(&ObjectAtPosition);
  table.Implement<73, 11>(&ObjectCount);
  table.Implement<73, 13>(&ObjectAtIndex);
  table.Implement<73, 15>(&InsertObject);
  table.Implement<73, 16>(&RemoveObject);
  table.Implement<73, 38>(&RegenerateContent);
  table.Implement<82, 2>(&CopyObject);
  table.Implement<82, 8>(&SetObjectFill);
  table.Implement<82, 10>(&ObjectBox);
  table.Implement<82, 11>(&ObjectKind);
  table.Implement<82, 26>(&TransformObject);
  table.Implement<83, 0>(&NewTextObject);
  table.Implement<83, 2>(&ItemCount);
  table.Implement<83, 3>(&ItemAt);
  table.Implement<83, 8>(&TextMatrix);
  table.Implement<83, 12>(&SetText);
  table.Implement<83, 14>(&SetCharacters);
  table.Implement<83, 15>(&SetPosition);
  table.Implement<83, 16>(&ApplyTextState);
  table.Implement<79, 0>(&NewTextState);
  table.Implement<79, 1>(&ReleaseTextState);
  table.Implement<79, 3>(&TextStateFont);
  table.Implement<79, 10>(&TextStateSize);
  table.Implement<79, 13>(&TextStateMatrix);
  table.Implement<78, 0>(&NewColorState);
  table.Implement<78, 1>(&ReleaseColorState);
  table.Implement<78, 4>(&SetColor);
  table.Implement<107, 0>(&ColorSpace);
  table.Implement<34, 31>(&StandardFont);
  table.Implement<99, 36>(&GlyphWidth);
  table.Implement<99, 38>(&GlyphBox);
  table.Implement<120, 0>(&OpenTextPage);
  table.Implement<120, 1>(&ReleaseTextPage);
  table.Implement<120, 2>(&AnalyseTextPage);
  table.Implement<120, 3>(&IsAnalysed);
  table.Implement<120, 4>(&CharCount);
  table.Implement<120, 5>(&CharInfo);
  table.Implement<120, 6>(&RangeBoxes);
  table.Implement<120, 16>(&RangeText);
}

}  // namespace standin
