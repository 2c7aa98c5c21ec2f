#include "objects/ObjectHandles.h"

#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/StandinHost.h"
#include "pdf/PdfUtil.h"

namespace standin::objects {

namespace {

// Every live object and annotation handle, to tell a handle from any other pointer.
std::unordered_set<const void*>& LiveHandles() {
  static std::unordered_set<const void*> live;
  return live;
}

// The handles a document owns. Destroying it makes no MuPDF call: borrowed handles keep no
// reference, and annotation handles are plain records.
struct DocumentHandles {
  // Held in place (a long document lends one for each of tens of thousands of objects): the
  // nodes of an unordered map do not move.
  std::unordered_map<int, ObjectHandle> byNumber;
  std::map<pdf_obj*, std::unique_ptr<ObjectHandle>> byPointer;
  std::vector<std::unique_ptr<AnnotationHandle>> annotations;

  ~DocumentHandles() {
    for (auto& [n, h] : byNumber) LiveHandles().erase(&h);
    for (auto& [p, h] : byPointer) LiveHandles().erase(h.get());
    for (auto& a : annotations) LiveHandles().erase(a.get());
  }
};

DocumentHandles& HandlesOf(pdf::Document& document) {
  if (!document.objectHandles) document.objectHandles = std::make_shared<DocumentHandles>();
  return *static_cast<DocumentHandles*>(document.objectHandles.get());
}

pdf_obj* LoadObject(pdf::Document& document, int number) {
  pdf_obj* object = nullptr;
  fz_context* ctx = document.ctx;
  if (!Try(ctx, [&] { object = pdf_load_object(ctx, document.doc, number); })) return nullptr;
  pdf_drop_obj(ctx, object);  // the document's xref keeps it
  return object;
}

// The object number when `object` is a document's top-level object, else 0.
int TopLevelNumber(pdf::Document& document, pdf_obj* object) {
  fz_context* ctx = document.ctx;
  int number = 0;
  if (!Try(ctx, [&] {
        if (pdf_is_indirect(ctx, object))
          number = pdf_to_num(ctx, object);
        else if (pdf_is_dict(ctx, object) || pdf_is_array(ctx, object))
          number = pdf_obj_parent_num(ctx, object);
      }))
    return 0;
  if (number <= 0) return 0;
  if (pdf_is_indirect(ctx, object)) return number;
  return LoadObject(document, number) == object ? number : 0;
}

std::string PrintObject(fz_context* ctx, pdf_obj* object) {
  char* text = nullptr;
  size_t length = 0;
  if (!Try(ctx, [&] { text = pdf_sprint_obj(ctx, nullptr, 0, &length, object, 1, 0); })) return "null";
  std::string out(text, length);
  fz_free(ctx, text);
  return out;
}

}  // namespace

ObjectHandle* BorrowNumber(pdf::Document& document, int number) {
  if (number <= 0) return nullptr;
  auto [slot, added] = HandlesOf(document).byNumber.try_emplace(number);
  ObjectHandle& handle = slot->second;
  if (added) {
    handle.document = &document;
    handle.number = number;
    LiveHandles().insert(&handle);
  }
  return &handle;
}

ObjectHandle* Borrow(pdf::Document& document, pdf_obj* object) {
  if (!object || pdf_is_null(document.ctx, object)) return nullptr;
  if (int number = TopLevelNumber(document, object)) return BorrowNumber(document, number);
  auto& slot = HandlesOf(document).byPointer[object];
  if (!slot) {
    slot = std::make_unique<ObjectHandle>();
    slot->document = &document;
    slot->direct = object;
    LiveHandles().insert(slot.get());
  }
  return slot.get();
}

void ReleaseBorrowedHandles(pdf::Document& document) {
  if (!document.objectHandles) return;
  DocumentHandles& handles = HandlesOf(document);
  for (auto& [n, h] : handles.byNumber) LiveHandles().erase(&h);
  for (auto& [p, h] : handles.byPointer) LiveHandles().erase(h.get());
  // Swapped with empty ones: clear() keeps a map's buckets.
  std::unordered_map<int, ObjectHandle>().swap(handles.byNumber);
  handles.byPointer.clear();
}

bool HasDirectObjectHandles(const pdf::Document& document) {
  const auto* handles = static_cast<const DocumentHandles*>(document.objectHandles.get());
  return handles && !handles->byPointer.empty();
}

ObjectHandle* NewOwned(pdf::Document* document, int number, pdf_obj* keptDirect,
                       std::unique_ptr<FreeObject> free) {
  auto* handle = new ObjectHandle;
  handle->owned = true;
  handle->document = document;
  handle->number = number;
  handle->direct = keptDirect;
  handle->free = std::move(free);
  LiveHandles().insert(handle);
  Tracker().Created(kPdfObjectKind, handle);
  return handle;
}

bool ReleaseOwned(ObjectHandle* handle) {
  if (!Tracker().Released(kPdfObjectKind, handle)) return false;
  LiveHandles().erase(handle);
  if (handle->direct && handle->document) pdf_drop_obj(handle->document->ctx, handle->direct);
  if (handle->copiedStream && handle->document && handle->number > 0) {
    // Undo copies of every page's content would otherwise stay in memory until the document
    // is saved or closed.
    fz_context* ctx = handle->document->ctx;
    bool deleted = false;
    fz_try(ctx) {
      pdf_delete_object(ctx, handle->document->doc, handle->number);
      deleted = true;
    }
    fz_catch(ctx) { /* the copy stays until the document is saved, which leaves it out */ }
    if (deleted) handle->document->freeCopyNumbers.push_back(handle->number);
  }
  delete handle;
  return true;
}

ObjectHandle* FromHost(HostHandle handle) {
  if (!handle || !LiveHandles().count(handle)) return nullptr;
  auto* object = static_cast<ObjectHandle*>(handle);
  return object->magic == ObjectHandle{}.magic ? object : nullptr;
}

pdf_obj* Resolve(const ObjectHandle& handle) {
  if (!handle.document) return nullptr;
  if (handle.number > 0) return LoadObject(*handle.document, handle.number);
  return handle.direct;
}

bool IsStream(const ObjectHandle& handle) {
  if (handle.free) return handle.free->kind == FreeObject::Kind::Stream;
  if (!handle.document || handle.number <= 0) return false;
  fz_context* ctx = handle.document->ctx;
  int stream = 0;
  Try(ctx, [&] { stream = pdf_obj_num_is_stream(ctx, handle.document->doc, handle.number); });
  return stream != 0;
}

pdf_obj* Materialize(pdf::Document& document, const FreeObject& node) {
  fz_context* ctx = document.ctx;
  pdf_document* doc = document.doc;
  pdf_obj* result = nullptr;
  switch (node.kind) {
    case FreeObject::Kind::Name:
      Try(ctx, [&] { result = pdf_new_name(ctx, node.text.c_str()); });
      return result;
    case FreeObject::Kind::Box: {
      const float v[4] = {node.box.x0, node.box.y0, node.box.x1, node.box.y1};
      Try(ctx, [&] {
        result = pdf_new_array(ctx, doc, 4);
        for (float f : v) pdf_array_push_real(ctx, result, f);
      });
      return result;
    }
    case FreeObject::Kind::Reference:
      if (node.document != &document) return nullptr;
      Try(ctx, [&] { result = pdf_new_indirect(ctx, doc, node.number, 0); });
      return result;
    case FreeObject::Kind::Syntax:
      Try(ctx, [&] { result = pdf::ParseObject(ctx, doc, node.text.c_str()); });
      return result;
    case FreeObject::Kind::Dictionary:
    case FreeObject::Kind::Stream:
      break;
  }
  if (!Try(ctx, [&] { result = pdf_new_dict(ctx, doc, static_cast<int>(node.entries.size()) + 1); }))
    return nullptr;
  for (const auto& [key, value] : node.entries) {
    if (node.kind == FreeObject::Kind::Stream && key == "Length") continue;
    pdf_obj* child = value ? Materialize(document, *value) : nullptr;
    const char* k = key.c_str();
    if (!child || !Try(ctx, [&] { pdf_dict_puts_drop(ctx, result, k, child); })) {
      pdf_drop_obj(ctx, result);
      return nullptr;
    }
  }
  if (node.kind == FreeObject::Kind::Dictionary) return result;

  // A stream becomes an indirect object; its bytes are kept as they are, filters included.
  pdf_obj* dictionary = result;
  fz_buffer* buffer = nullptr;
  result = nullptr;
  const std::string& bytes = node.text;
  Try(ctx, [&] {
    buffer = fz_new_buffer_from_copied_data(ctx, reinterpret_cast<const unsigned char*>(bytes.data()),
                                            bytes.size());
    result = pdf_add_stream(ctx, doc, buffer, dictionary, 1);
  });
  fz_drop_buffer(ctx, buffer);
  pdf_drop_obj(ctx, dictionary);
  return result;
}

std::unique_ptr<FreeObject> ToFree(pdf::Document& document, pdf_obj* object) {
  fz_context* ctx = document.ctx;
  auto node = std::make_unique<FreeObject>();
  int number = TopLevelNumber(document, object);
  int stream = 0;
  if (number > 0) Try(ctx, [&] { stream = pdf_obj_num_is_stream(ctx, document.doc, number); });
  if (!stream) {
    node->kind = FreeObject::Kind::Syntax;
    node->text = PrintObject(ctx, object);
    return node;
  }
  node->kind = FreeObject::Kind::Stream;
  pdf_obj* dictionary = LoadObject(document, number);
  int count = 0;
  Try(ctx, [&] { count = pdf_dict_len(ctx, dictionary); });
  for (int i = 0; i < count; ++i) {
    const char* key = nullptr;
    pdf_obj* value = nullptr;
    Try(ctx, [&] {
      key = pdf_to_name(ctx, pdf_dict_get_key(ctx, dictionary, i));
      value = pdf_dict_get_val(ctx, dictionary, i);
    });
    if (!key || !value) continue;
    auto entry = std::make_unique<FreeObject>();
    entry->kind = FreeObject::Kind::Syntax;
    entry->text = PrintObject(ctx, value);
    node->entries[key] = std::move(entry);
  }
  fz_buffer* raw = nullptr;
  Try(ctx, [&] { raw = pdf_load_raw_stream_number(ctx, document.doc, number); });
  if (raw) {
    unsigned char* data = nullptr;
    size_t length = fz_buffer_storage(ctx, raw, &data);
    node->text.assign(reinterpret_cast<const char*>(data), length);
    fz_drop_buffer(ctx, raw);
  }
  return node;
}

AnnotationHandle* NewAnnotation(pdf::Document& document, int pageIndex, int number) {
  auto annotation = std::make_unique<AnnotationHandle>();
  annotation->document = &document;
  annotation->pageIndex = pageIndex;
  annotation->number = number;
  AnnotationHandle* raw = annotation.get();
  HandlesOf(document).annotations.push_back(std::move(annotation));
  LiveHandles().insert(raw);
  return raw;
}

AnnotationHandle* AnnotationFromHost(HostHandle handle) {
  if (!handle || !LiveHandles().count(handle)) return nullptr;
  auto* annotation = static_cast<AnnotationHandle*>(handle);
  return annotation->magic == AnnotationHandle{}.magic ? annotation : nullptr;
}

}  // namespace standin::objects
