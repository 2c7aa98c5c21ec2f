// The page-object and PDF-object side of the scripted document.
#include <algorithm>
#include <cstring>

#include "core/Services.h"
#include "core/StandinHost.h"
#include "mask/FakeTextHost.h"

namespace fake {

namespace {

struct TextState {
  HostHandle font = nullptr;
  float size = 0;
  bool scaled = false;
  float scale = 1;
};
struct ColorState {
  bool black = false;
};
struct Accessor {
  const PdfObject* stream = nullptr;
};

Page* PageOf(HostHandle pdfPage) {
  for (Page& page : Doc().pages) {
    if (&page.pdfPageTag == pdfPage) return &page;
  }
  return nullptr;
}
Page* PageOfDictionary(HostHandle dictionary) {
  for (Page& page : Doc().pages) {
    if (static_cast<void*>(&page.dictionary) == dictionary) return &page;
  }
  return nullptr;
}
Object* Obj(HostHandle handle) { return static_cast<Object*>(handle); }
PdfObject* Pdf(HostHandle handle) { return static_cast<PdfObject*>(handle); }

std::vector<Object*>::iterator Find(Page& page, HostPosition position) {
  return std::find(page.objects.begin(), page.objects.end(), static_cast<Object*>(position));
}

// ---- object list ----
HostPosition VM_CALL FirstPosition(HostHandle pdfPage) {
  Page* page = PageOf(pdfPage);
  return page && !page->objects.empty() ? page->objects.front() : nullptr;
}
HostPosition VM_CALL LastPosition(HostHandle pdfPage) {
  Page* page = PageOf(pdfPage);
  return page && !page->objects.empty() ? page->objects.back() : nullptr;
}
HostHandle VM_CALL ObjectAtAdvance(HostHandle pdfPage, HostPosition* position) {
  Page* page = PageOf(pdfPage);
  auto it = Find(*page, *position);
  if (it == page->objects.end()) {
    *position = nullptr;
    return nullptr;
  }
  Object* object = *it;
  ++it;
  *position = it == page->objects.end() ? nullptr : *it;
  return object;
}
int32_t VM_CALL ObjectCount(HostHandle pdfPage) {
  return static_cast<int32_t>(PageOf(pdfPage)->objects.size());
}
HostHandle VM_CALL ObjectAt(HostHandle pdfPage, int32_t index) {
  Page* page = PageOf(pdfPage);
  return index >= 0 && index < static_cast<int32_t>(page->objects.size()) ? page->objects[index]
                                                                           : nullptr;
}
// Inserts after the given position (at the front for none).
HostPosition VM_CALL Insert(HostHandle pdfPage, HostPosition position, HostHandle object) {
  Page* page = PageOf(pdfPage);
  auto it = position ? Find(*page, position) : page->objects.end();
  if (it == page->objects.end()) {
    page->objects.insert(page->objects.begin(), Obj(object));
  } else {
    page->objects.insert(it + 1, Obj(object));
  }
  return object;
}
int32_t VM_CALL Remove(HostHandle pdfPage, HostPosition position) {
  Page* page = PageOf(pdfPage);
  auto it = Find(*page, position);
  if (it == page->objects.end()) return 0;
  page->objects.erase(it);
  return 1;
}
HostHandle VM_CALL PageDictionary(HostHandle pdfPage) {
  Page* page = PageOf(pdfPage);
  return page && !page->noDictionary ? &page->dictionary : nullptr;
}
int32_t VM_CALL Regenerate(HostHandle pdfPage) {
  Page* page = PageOf(pdfPage);
  ++page->regenerations;
  page->dictionary["Contents"] = NewPdfObject(kPdfObjectStream, "BT ET", "regenerated");
  return 1;
}

// ---- page objects ----
HostHandle VM_CALL CopyObject(HostHandle object) {
  if (Doc().copyBudget == 0) return nullptr;
  if (Doc().copyBudget > 0) --Doc().copyBudget;
  auto copy = std::make_unique<Object>(*Obj(object));
  copy->copyOf = Obj(object);
  Doc().objectStore.push_back(std::move(copy));
  return Doc().objectStore.back().get();
}
void VM_CALL SetColor(HostHandle object, HostHandle colorState) {
  Obj(object)->black = static_cast<ColorState*>(colorState)->black;
}
HostBox* VM_CALL Bounds(HostBox* result, HostHandle object) {
  *result = Obj(object)->bounds;
  return result;
}
int32_t VM_CALL Kind(HostHandle object) { return Obj(object)->kind; }
void VM_CALL Transform(HostHandle object, float a, float b, float c, float d, float e, float f) {
  if (a == 1 && b == 0 && c == 0 && d == 1) {
    Obj(object)->moveX += e;
    Obj(object)->moveY += f;
  }
}

// ---- text objects ----
HostHandle VM_CALL NewTextObject() {
  Doc().objectStore.push_back(std::make_unique<Object>());
  return Doc().objectStore.back().get();
}
int32_t VM_CALL ItemCount(HostHandle object) { return static_cast<int32_t>(Obj(object)->items.size()); }
HostTextItem* VM_CALL ItemInfo(HostTextItem* result, HostHandle object, int32_t index) {
  *result = Obj(object)->items.at(index);
  return result;
}
void VM_CALL TextMatrix(HostHandle object, float* matrix) {
  std::memcpy(matrix, Obj(object)->matrix, sizeof(float) * 4);
}
void VM_CALL SetText(HostHandle object, HostHandle byteString) {
  Obj(object)->text = static_cast<standin::ByteString*>(byteString)->bytes;
}
void VM_CALL SetCharacters(HostHandle object, int32_t count, const int32_t* codes,
                           const float* adjustments) {
  Object* o = Obj(object);
  o->charactersSet = true;
  o->codes.assign(codes, codes + count);
  o->adjustments.assign(adjustments, adjustments + count);
}
void VM_CALL SetPosition(HostHandle object, float x, float y) {
  Obj(object)->positioned = true;
  Obj(object)->x = x;
  Obj(object)->y = y;
}
void VM_CALL ApplyTextState(HostHandle object, HostHandle state) {
  auto* s = static_cast<TextState*>(state);
  Object* o = Obj(object);
  o->font = s->font;
  o->size = s->size;
  o->scaled = s->scaled;
  o->scale = s->scale;
}

// ---- states, fonts, colours ----
HostHandle VM_CALL NewTextState() {
  ++Doc().liveTextStates;
  return new TextState;
}
void VM_CALL ReleaseTextState(HostHandle state) {
  --Doc().liveTextStates;
  delete static_cast<TextState*>(state);
}
void VM_CALL StateFont(HostHandle state, HostHandle font) { static_cast<TextState*>(state)->font = font; }
void VM_CALL StateSize(HostHandle state, float size) { static_cast<TextState*>(state)->size = size; }
void VM_CALL StateMatrix(HostHandle state, const float* m) {
  auto* s = static_cast<TextState*>(state);
  if (m[1] == 0 && m[2] == 0 && m[3] == 1) {
    s->scaled = true;
    s->scale = m[0];
  }
}
HostHandle VM_CALL NewColorState() {
  ++Doc().liveColorStates;
  return new ColorState;
}
void VM_CALL ReleaseColorState(HostHandle state) {
  --Doc().liveColorStates;
  delete static_cast<ColorState*>(state);
}
void VM_CALL SetColorComponents(HostHandle state, HostHandle space, const float* c, int32_t n) {
  static_cast<ColorState*>(state)->black =
      space == &Doc().rgbTag && n == 3 && c[0] == 0 && c[1] == 0 && c[2] == 0;
}
HostHandle VM_CALL ColorSpace(int32_t family) { return family == 2 ? &Doc().rgbTag : nullptr; }
HostHandle VM_CALL StandardFont(HostHandle, const char* name, int32_t) {
  return !Doc().noFont && std::strcmp(name, "Helvetica") == 0 ? &Doc().fontTag : nullptr;
}
int32_t VM_CALL GlyphWidth(HostHandle, int32_t) { return Doc().glyphWidth; }
HostGlyphBox* VM_CALL GlyphBox(HostGlyphBox* result, HostHandle, int32_t) {
  *result = Doc().glyphBox;
  return result;
}

// ---- PDF objects ----
int32_t VM_CALL PdfKind(HostHandle object) { return Pdf(object)->kind; }
HostHandle VM_CALL CopyPdf(HostHandle object, int32_t deep) {
  PdfObject* copy = NewPdfObject(Pdf(object)->kind, Pdf(object)->data, Pdf(object)->tag);
  copy->elements = Pdf(object)->elements;
  copy->copyOf = Pdf(object);
  copy->deep = deep;
  Doc().liveCopies.push_back(copy);
  return copy;
}
void VM_CALL ReleasePdf(HostHandle object) {
  auto& live = Doc().liveCopies;
  auto it = std::find(live.begin(), live.end(), Pdf(object));
  if (it == live.end()) {
    ++Doc().releaseFaults;
    return;
  }
  live.erase(it);
}
int32_t VM_CALL ArrayCount(HostHandle array) { return static_cast<int32_t>(Pdf(array)->elements.size()); }
HostHandle VM_CALL ArrayAt(HostHandle array, int32_t index) { return Pdf(array)->elements.at(index); }
HostHandle VM_CALL NewDictionary() { return NewPdfObject(6); }
HostHandle VM_CALL Entry(HostHandle dictionary, const char* key) {
  Page* page = PageOfDictionary(dictionary);
  if (!page) return nullptr;
  auto it = page->dictionary.find(key);
  return it == page->dictionary.end() ? nullptr : it->second;
}
void VM_CALL SetReference(HostHandle dictionary, const char* key, HostHandle, int32_t number) {
  if (Page* page = PageOfDictionary(dictionary)) page->dictionary[key] = Doc().indirect.at(number);
}
int32_t VM_CALL AddIndirect(HostHandle, HostHandle object) {
  // The document owns it from now on.
  auto& live = Doc().liveCopies;
  live.erase(std::remove(live.begin(), live.end(), Pdf(object)), live.end());
  int32_t number = static_cast<int32_t>(Doc().indirect.size()) + 1;
  Doc().indirect[number] = Pdf(object);
  return number;
}
HostHandle VM_CALL NewStream() { return NewPdfObject(kPdfObjectStream); }
void VM_CALL SetStreamData(HostHandle stream, const uint8_t* bytes, int32_t length, HostHandle) {
  Pdf(stream)->data.assign(reinterpret_cast<const char*>(bytes), length);
}
HostHandle VM_CALL NewAccessor() {
  ++Doc().liveAccessors;
  return new Accessor;
}
void VM_CALL ReleaseAccessor(HostHandle accessor) {
  --Doc().liveAccessors;
  delete static_cast<Accessor*>(accessor);
}
int32_t VM_CALL LoadStream(HostHandle accessor, HostHandle stream, int32_t, int32_t, int32_t) {
  static_cast<Accessor*>(accessor)->stream = Pdf(stream);
  return 1;
}
const uint8_t* VM_CALL StreamBytes(HostHandle accessor) {
  const PdfObject* s = static_cast<Accessor*>(accessor)->stream;
  return s ? reinterpret_cast<const uint8_t*>(s->data.data()) : nullptr;
}
uint32_t VM_CALL StreamLength(HostHandle accessor) {
  const PdfObject* s = static_cast<Accessor*>(accessor)->stream;
  return s ? static_cast<uint32_t>(s->data.size()) : 0;
}

// ---- application ----
int32_t VM_CALL AddUndo(const char16_t* label, HostHandle, int32_t, UndoItem* item) {
  Doc().undoLabel = label;
  Doc().undoSteps.push_back(*item);
  return 1;
}
void VM_CALL Changed(HostHandle) { ++Doc().documentChanged; }
void VM_CALL PageChanged(HostHandle pageView, int32_t) {
  for (Page& page : Doc().pages) {
    if (&page.pageViewTag == pageView) ++page.changedCalls;
  }
}

}  // namespace

PdfObject* NewPdfObject(int32_t kind, std::string data, std::string tag) {
  auto object = std::make_unique<PdfObject>();
  object->kind = kind;
  object->data = std::move(data);
  object->tag = std::move(tag);
  Doc().pdfStore.push_back(std::move(object));
  return Doc().pdfStore.back().get();
}

Object* AddTextObject(int pageIndex, std::vector<HostTextItem> items) {
  Doc().objectStore.push_back(std::make_unique<Object>());
  Object* object = Doc().objectStore.back().get();
  object->items = std::move(items);
  Doc().pages[pageIndex].objects.push_back(object);
  return object;
}

Object* AddObject(int pageIndex, int32_t kind, HostBox bounds) {
  Doc().objectStore.push_back(std::make_unique<Object>());
  Object* object = Doc().objectStore.back().get();
  object->kind = kind;
  object->bounds = bounds;
  Doc().pages[pageIndex].objects.push_back(object);
  return object;
}

std::string ContentsData(int pageIndex) {
  const PdfObject* contents = Doc().pages[pageIndex].dictionary["Contents"];
  if (!contents) return {};
  if (contents->kind != kPdfObjectArray) return contents->data;
  std::string joined;
  for (const PdfObject* element : contents->elements) joined += element->data + "\n";
  return joined;
}

std::vector<std::string> ShownRuns(int pageIndex) {
  std::vector<std::string> runs;
  for (const Object* object : Doc().pages[pageIndex].objects) {
    if (object->kind != kPageObjectText) continue;
    std::string run;
    if (object->charactersSet) {
      for (int32_t code : object->codes) run += static_cast<char>(code);
    } else if (!object->text.empty()) {
      run = object->text;
    } else {
      for (const HostTextItem& item : object->items) {
        if (item.code != -1) run += static_cast<char>(item.code);
      }
    }
    runs.push_back(run);
  }
  return runs;
}

void InstallPageObjects() {
  standin::FunctionTable& t = standin::Table();
  t.Override<73, 6>(&FirstPosition);
  t.Override<73, 7>(&LastPosition);
  t.Override<73, 8>(&ObjectAtAdvance);
  t.Override<73, 11>(&ObjectCount);
  t.Override<73, 13>(&ObjectAt);
  t.Override<73, 15>(&Insert);
  t.Override<73, 16>(&Remove);
  t.Override<73, 22>(&PageDictionary);
  t.Override<73, 38>(&Regenerate);
  t.Override<82, 2>(&CopyObject);
  t.Override<82, 8>(&SetColor);
  t.Override<82, 10>(&Bounds);
  t.Override<82, 11>(&Kind);
  t.Override<82, 26>(&Transform);
  t.Override<83, 0>(&NewTextObject);
  t.Override<83, 2>(&ItemCount);
  t.Override<83, 3>(&ItemInfo);
  t.Override<83, 8>(&TextMatrix);
  t.Override<83, 12>(&SetText);
  t.Override<83, 14>(&SetCharacters);
  t.Override<83, 15>(&SetPosition);
  t.Override<83, 16>(&ApplyTextState);
  t.Override<79, 0>(&NewTextState);
  t.Override<79, 1>(&ReleaseTextState);
  t.Override<79, 3>(&StateFont);
  t.Override<79, 10>(&StateSize);
  t.Override<79, 13>(&StateMatrix);
  t.Override<78, 0>(&NewColorState);
  t.Override<78, 1>(&ReleaseColorState);
  t.Override<78, 4>(&SetColorComponents);
  t.Override<107, 0>(&ColorSpace);
  t.Override<34, 31>(&StandardFont);
  t.Override<99, 36>(&GlyphWidth);
  t.Override<99, 38>(&GlyphBox);
  t.Override<61, 0>(&PdfKind);
  t.Override<61, 3>(&CopyPdf);
  t.Override<61, 7>(&ReleasePdf);
  t.Override<66, 1>(&ArrayCount);
  t.Override<66, 3>(&ArrayAt);
  t.Override<67, 0>(&NewDictionary);
  t.Override<67, 2>(&Entry);
  t.Override<67, 23>(&SetReference);
  t.Override<34, 42>(&AddIndirect);
  t.Override<68, 0>(&NewStream);
  t.Override<68, 1>(&SetStreamData);
  t.Override<69, 0>(&NewAccessor);
  t.Override<69, 1>(&ReleaseAccessor);
  t.Override<69, 2>(&LoadStream);
  t.Override<69, 5>(&StreamBytes);
  t.Override<69, 6>(&StreamLength);
  t.Override<20, 37>(&AddUndo);
  t.Override<26, 8>(&Changed);
  t.Override<32, 13>(&PageChanged);
}

}  // namespace fake
