// Host functions over PDF objects: kinds, copies, arrays, dictionaries, streams, indirect objects.
#include "objects/ObjectFunctions.h"

#include "core/Application.h"
#include "core/StandinHost.h"
#include "objects/ObjectHandles.h"
#include "pdf/Page.h"

namespace standin::objects {

namespace {

struct StreamAccessor {
  std::string data;
  bool loaded = false;
};

// Object kinds of host 61:0.
enum Kind : int32_t {
  kNone = 0, kBool = 1, kNumber = 2, kString = 3, kName = 4, kArray = 5, kDictionary = 6,
  kStream = 7, kNull = 8
};

pdf::Document* DocumentFromHost(HostHandle pdfDocument) {
  if (!pdfDocument) return nullptr;
  for (HostHandle open : OpenDocuments()) {
    if (PdfDocumentOf(open) == pdfDocument) return static_cast<pdf::Document*>(pdfDocument);
  }
  return nullptr;
}

std::unique_ptr<FreeObject> CloneFree(const FreeObject& node) {
  auto copy = std::make_unique<FreeObject>();
  copy->kind = node.kind;
  copy->text = node.text;
  copy->box = node.box;
  copy->document = node.document;
  copy->number = node.number;
  for (const auto& [key, value] : node.entries) {
    if (value) copy->entries[key] = CloneFree(*value);
  }
  return copy;
}

// A number for a new copy: one a deleted copy had (which no object refers to), else a new one.
int NumberForCopy(pdf::Document& document) {
  fz_context* ctx = document.ctx;
  while (!document.freeCopyNumbers.empty()) {
    const int number = document.freeCopyNumbers.back();
    document.freeCopyNumbers.pop_back();
    pdf_xref_entry* entry = nullptr;
    Try(ctx, [&] { entry = pdf_get_xref_entry(ctx, document.doc, number); });
    if (entry && entry->type == 0) return number;
  }
  int number = 0;
  Try(ctx, [&] { number = pdf_create_object(ctx, document.doc); });
  return number;
}

// A new indirect stream with the raw bytes and a copy of the dictionary of stream `number`.
int CopyStream(pdf::Document& document, int number) {
  fz_context* ctx = document.ctx;
  fz_buffer* raw = nullptr;
  pdf_obj* dictionary = nullptr;
  pdf_obj* ref = nullptr;
  const int copyNumber = NumberForCopy(document);
  if (copyNumber <= 0) return 0;
  int copy = 0;
  Try(ctx, [&] {
    raw = pdf_load_raw_stream_number(ctx, document.doc, number);
    pdf_obj* original = pdf_load_object(ctx, document.doc, number);
    dictionary = pdf_deep_copy_obj(ctx, original);
    pdf_drop_obj(ctx, original);
    pdf_update_object(ctx, document.doc, copyNumber, dictionary);
    ref = pdf_new_indirect(ctx, document.doc, copyNumber, 0);
    pdf_update_stream(ctx, document.doc, ref, raw, 1);
    copy = copyNumber;
  });
  pdf_drop_obj(ctx, ref);
  pdf_drop_obj(ctx, dictionary);
  fz_drop_buffer(ctx, raw);
  return copy;
}

// A copy of a direct object in which every reference to a stream is replaced by a reference to
// a new copy of that stream; other references stay shared.
pdf_obj* CopyWithStreams(pdf::Document& document, pdf_obj* object) {
  fz_context* ctx = document.ctx;
  pdf_document* doc = document.doc;
  int number = 0, stream = 0, isArray = 0, isDict = 0, count = 0;
  Try(ctx, [&] {
    if (pdf_is_indirect(ctx, object)) {
      number = pdf_to_num(ctx, object);
      stream = pdf_obj_num_is_stream(ctx, doc, number);
    }
    isArray = pdf_is_array(ctx, object);
    isDict = pdf_is_dict(ctx, object);
  });
  pdf_obj* result = nullptr;
  if (number > 0) {
    if (!stream) return pdf_keep_obj(ctx, object);
    int copy = CopyStream(document, number);
    if (copy > 0) Try(ctx, [&] { result = pdf_new_indirect(ctx, doc, copy, 0); });
    return result;
  }
  if (!isArray && !isDict) {
    Try(ctx, [&] { result = pdf_deep_copy_obj(ctx, object); });
    return result;
  }
  Try(ctx, [&] {
    count = isArray ? pdf_array_len(ctx, object) : pdf_dict_len(ctx, object);
    result = isArray ? pdf_new_array(ctx, doc, count) : pdf_new_dict(ctx, doc, count);
  });
  if (!result) return nullptr;
  for (int i = 0; i < count; ++i) {
    pdf_obj* key = nullptr;
    pdf_obj* value = nullptr;
    Try(ctx, [&] {
      value = isArray ? pdf_array_get(ctx, object, i) : pdf_dict_get_val(ctx, object, i);
      key = isArray ? nullptr : pdf_dict_get_key(ctx, object, i);
    });
    pdf_obj* copy = value ? CopyWithStreams(document, value) : nullptr;
    bool ok = copy && Try(ctx, [&] {
      if (isArray)
        pdf_array_push_drop(ctx, result, copy);
      else
        pdf_dict_put_drop(ctx, result, key, copy);
    });
    if (!ok) {
      pdf_drop_obj(ctx, result);
      return nullptr;
    }
  }
  return result;
}

// Puts `value` (a new reference, dropped here) under `key` of a document's dictionary.
void PutBound(ObjectHandle& dictionary, const char* key, pdf_obj* value) {
  if (!value) return;
  fz_context* ctx = dictionary.document->ctx;
  ++dictionary.document->revision;
  pdf_obj* target = Resolve(dictionary);
  if (!target || !Try(ctx, [&] { pdf_dict_puts_drop(ctx, target, key, value); })) {
    // pdf_dict_puts_drop drops the value even when it throws after taking it; only a null
    // target leaves it with us.
    if (!target) pdf_drop_obj(ctx, value);
  }
}

void PutFree(ObjectHandle& dictionary, const char* key, std::unique_ptr<FreeObject> value) {
  if (!value || !dictionary.free) return;
  auto kind = dictionary.free->kind;
  if (kind != FreeObject::Kind::Dictionary && kind != FreeObject::Kind::Stream) return;
  dictionary.free->entries[key] = std::move(value);
}

// The value of a handle as a free tree: moved out of an owned free object, otherwise described.
std::unique_ptr<FreeObject> TakeAsFree(ObjectHandle& value) {
  if (value.free) return value.owned ? std::move(value.free) : CloneFree(*value.free);
  if (!value.document) return nullptr;
  if (value.number > 0 && !IsStream(value)) {
    auto node = std::make_unique<FreeObject>();
    node->kind = FreeObject::Kind::Reference;
    node->document = value.document;
    node->number = value.number;
    return node;
  }
  if (value.number > 0) {  // a stream goes in by reference
    auto node = std::make_unique<FreeObject>();
    node->kind = FreeObject::Kind::Reference;
    node->document = value.document;
    node->number = value.number;
    return node;
  }
  return ToFree(*value.document, value.direct);
}

// A new reference, in `document`, to what `value` stands for.
pdf_obj* AsObjectOf(pdf::Document& document, ObjectHandle& value) {
  fz_context* ctx = document.ctx;
  pdf_obj* result = nullptr;
  if (value.free) return Materialize(document, *value.free);
  if (value.document == &document) {
    if (value.number > 0) {
      Try(ctx, [&] { result = pdf_new_indirect(ctx, document.doc, value.number, 0); });
    } else {
      Try(ctx, [&] { result = pdf_deep_copy_obj(ctx, value.direct); });
    }
    return result;
  }
  // An object of another document comes over with everything it refers to.
  pdf_obj* source = Resolve(value);
  if (!source || !value.document) return nullptr;
  if (value.number > 0) {
    pdf_obj* ref = nullptr;
    Try(value.document->ctx, [&] { ref = pdf_new_indirect(value.document->ctx, value.document->doc, value.number, 0); });
    if (!ref) return nullptr;
    Try(ctx, [&] { result = pdf_graft_object(ctx, document.doc, ref); });
    pdf_drop_obj(value.document->ctx, ref);
    return result;
  }
  Try(ctx, [&] { result = pdf_graft_object(ctx, document.doc, source); });
  return result;
}

// Gives an owned handle to its new owner: it is no longer the module's to release.
void Consume(ObjectHandle* handle) {
  if (!handle || !handle->owned) return;
  handle->copiedStream = false;  // the document refers to it now
  ReleaseOwned(handle);
}

// ---- 61: objects ------------------------------------------------------------------------------

int32_t VM_CALL ObjectKind(HostHandle object) {
  ObjectHandle* h = FromHost(object);
  if (!h) return kNone;
  if (h->free) {
    switch (h->free->kind) {
      case FreeObject::Kind::Dictionary: return kDictionary;
      case FreeObject::Kind::Stream: return kStream;
      case FreeObject::Kind::Name: return kName;
      case FreeObject::Kind::Box: return kArray;
      default: return kNull;
    }
  }
  if (IsStream(*h)) return kStream;
  pdf_obj* o = Resolve(*h);
  if (!o) return kNull;
  fz_context* ctx = h->document->ctx;
  int32_t kind = kNull;
  Try(ctx, [&] {
    if (pdf_is_bool(ctx, o)) kind = kBool;
    else if (pdf_is_number(ctx, o)) kind = kNumber;
    else if (pdf_is_string(ctx, o)) kind = kString;
    else if (pdf_is_name(ctx, o)) kind = kName;
    else if (pdf_is_array(ctx, o)) kind = kArray;
    else if (pdf_is_dict(ctx, o)) kind = kDictionary;
  });
  return kind;
}

HostHandle VM_CALL CopyObject(HostHandle object, int32_t deep) {
  ObjectHandle* h = FromHost(object);
  if (!h) return nullptr;
  if (h->free) return NewOwned(nullptr, 0, nullptr, CloneFree(*h->free));
  pdf::Document& document = *h->document;
  if (IsStream(*h)) {
    int number = deep ? CopyStream(document, h->number) : h->number;
    if (number <= 0) return nullptr;
    ObjectHandle* copy = NewOwned(&document, number, nullptr, nullptr);
    copy->copiedStream = deep != 0;
    return copy;
  }
  pdf_obj* source = Resolve(*h);
  if (!source) return nullptr;
  pdf_obj* copy = nullptr;
  if (deep) {
    copy = CopyWithStreams(document, source);
  } else {
    Try(document.ctx, [&] { copy = pdf_deep_copy_obj(document.ctx, source); });
  }
  return copy ? NewOwned(&document, 0, copy, nullptr) : nullptr;
}

void VM_CALL ReleaseObject(HostHandle object) {
  ObjectHandle* h = FromHost(object);
  if (h && h->owned) {
    ReleaseOwned(h);
  } else {
    Tracker().Released(kPdfObjectKind, object);  // records the fault
  }
}

// ---- 66: arrays -------------------------------------------------------------------------------

int32_t VM_CALL ArrayCount(HostHandle array) {
  ObjectHandle* h = FromHost(array);
  if (!h) return 0;
  if (h->free) return h->free->kind == FreeObject::Kind::Box ? 4 : 0;
  pdf_obj* o = Resolve(*h);
  int count = 0;
  if (o) Try(h->document->ctx, [&] { count = pdf_array_len(h->document->ctx, o); });
  return count;
}

HostHandle VM_CALL ArrayElement(HostHandle array, int32_t index) {
  ObjectHandle* h = FromHost(array);
  if (!h || h->free) return nullptr;
  pdf_obj* o = Resolve(*h);
  if (!o) return nullptr;
  fz_context* ctx = h->document->ctx;
  pdf_obj* element = nullptr;
  Try(ctx, [&] {
    if (index >= 0 && index < pdf_array_len(ctx, o)) element = pdf_array_get(ctx, o, index);
  });
  return element ? Borrow(*h->document, element) : nullptr;
}

// ---- 67: dictionaries -------------------------------------------------------------------------

HostHandle VM_CALL NewDictionary() {
  auto node = std::make_unique<FreeObject>();
  node->kind = FreeObject::Kind::Dictionary;
  return NewOwned(nullptr, 0, nullptr, std::move(node));
}

HostHandle VM_CALL DictionaryEntry(HostHandle dictionary, const char* key) {
  ObjectHandle* h = FromHost(dictionary);
  if (!h || h->free || !key) return nullptr;
  pdf_obj* o = Resolve(*h);
  if (!o) return nullptr;
  fz_context* ctx = h->document->ctx;
  pdf_obj* value = nullptr;
  Try(ctx, [&] { value = pdf_dict_gets(ctx, o, key); });
  return value ? Borrow(*h->document, value) : nullptr;
}

void VM_CALL SetEntry(HostHandle dictionary, const char* key, HostHandle value, HostHandle pdfDocument) {
  ObjectHandle* d = FromHost(dictionary);
  ObjectHandle* v = FromHost(value);
  if (!d || !v || !key || d == v) return;
  if (d->free) {
    PutFree(*d, key, TakeAsFree(*v));
  } else {
    pdf::Document* document = DocumentFromHost(pdfDocument);
    if (document && document != d->document) return;
    PutBound(*d, key, AsObjectOf(*d->document, *v));
  }
  Consume(v);
}

void VM_CALL SetNameEntry(HostHandle dictionary, const char* key, const char* name) {
  ObjectHandle* d = FromHost(dictionary);
  if (!d || !key || !name) return;
  if (d->free) {
    auto node = std::make_unique<FreeObject>();
    node->kind = FreeObject::Kind::Name;
    node->text = name;
    PutFree(*d, key, std::move(node));
    return;
  }
  fz_context* ctx = d->document->ctx;
  pdf_obj* n = nullptr;
  Try(ctx, [&] { n = pdf_new_name(ctx, name); });
  PutBound(*d, key, n);
}

void VM_CALL SetReferenceEntry(HostHandle dictionary, const char* key, HostHandle pdfDocument,
                               int32_t number) {
  ObjectHandle* d = FromHost(dictionary);
  pdf::Document* document = DocumentFromHost(pdfDocument);
  if (!d || !key || !document || number <= 0) return;
  fz_context* ctx = document->ctx;
  int exists = 0;
  Try(ctx, [&] { exists = number < pdf_xref_len(ctx, document->doc); });
  if (!exists) return;
  if (d->free) {
    auto node = std::make_unique<FreeObject>();
    node->kind = FreeObject::Kind::Reference;
    node->document = document;
    node->number = number;
    PutFree(*d, key, std::move(node));
    return;
  }
  if (d->document != document) return;
  pdf_obj* ref = nullptr;
  Try(ctx, [&] { ref = pdf_new_indirect(ctx, document->doc, number, 0); });
  PutBound(*d, key, ref);
}

void VM_CALL SetBoxEntry(HostHandle dictionary, const char* key, HostBox box) {
  ObjectHandle* d = FromHost(dictionary);
  if (!d || !key) return;
  auto node = std::make_unique<FreeObject>();
  node->kind = FreeObject::Kind::Box;
  node->box = box;
  if (d->free) {
    PutFree(*d, key, std::move(node));
  } else {
    PutBound(*d, key, Materialize(*d->document, *node));
  }
}

// ---- 68: streams ------------------------------------------------------------------------------

HostHandle VM_CALL NewStream() {
  auto node = std::make_unique<FreeObject>();
  node->kind = FreeObject::Kind::Stream;
  return NewOwned(nullptr, 0, nullptr, std::move(node));
}

void VM_CALL SetStreamData(HostHandle stream, const uint8_t* bytes, int32_t length, HostHandle dictionary) {
  ObjectHandle* s = FromHost(stream);
  if (!s || length < 0 || (length > 0 && !bytes)) return;
  ObjectHandle* d = FromHost(dictionary);
  if (d == s) d = nullptr;
  std::string data(reinterpret_cast<const char*>(bytes), static_cast<size_t>(length));
  if (s->free) {
    if (s->free->kind != FreeObject::Kind::Stream) return;
    s->free->text = std::move(data);
    if (d) {
      std::unique_ptr<FreeObject> entries = TakeAsFree(*d);
      if (entries && entries->kind == FreeObject::Kind::Dictionary) {
        s->free->entries = std::move(entries->entries);
      } else if (entries && entries->kind == FreeObject::Kind::Syntax && d->document) {
        // A document's dictionary: its entries, one by one.
        pdf_obj* o = Resolve(*d);
        fz_context* ctx = d->document->ctx;
        int count = 0;
        Try(ctx, [&] { count = pdf_dict_len(ctx, o); });
        s->free->entries.clear();
        for (int i = 0; i < count; ++i) {
          const char* key = nullptr;
          pdf_obj* value = nullptr;
          Try(ctx, [&] {
            key = pdf_to_name(ctx, pdf_dict_get_key(ctx, o, i));
            value = pdf_dict_get_val(ctx, o, i);
          });
          if (key && value) s->free->entries[key] = ToFree(*d->document, value);
        }
      }
      Consume(d);
    }
    return;
  }
  if (!IsStream(*s)) return;
  // A document's stream: new data, unfiltered, and the given dictionary's entries.
  pdf::Document& document = *s->document;
  fz_context* ctx = document.ctx;
  ++document.revision;
  fz_buffer* buffer = nullptr;
  pdf_obj* ref = nullptr;
  Try(ctx, [&] {
    buffer = fz_new_buffer_from_copied_data(ctx, bytes, static_cast<size_t>(length));
    ref = pdf_new_indirect(ctx, document.doc, s->number, 0);
    pdf_update_stream(ctx, document.doc, ref, buffer, 0);
  });
  fz_drop_buffer(ctx, buffer);
  pdf_drop_obj(ctx, ref);
  if (d) {
    pdf_obj* entries = AsObjectOf(document, *d);
    pdf_obj* target = Resolve(*s);
    if (entries && target) {
      Try(ctx, [&] {
        int n = pdf_dict_len(ctx, entries);
        for (int i = 0; i < n; ++i) {
          pdf_obj* key = pdf_dict_get_key(ctx, entries, i);
          if (!pdf_name_eq(ctx, key, PDF_NAME(Length)) && !pdf_name_eq(ctx, key, PDF_NAME(Filter)) &&
              !pdf_name_eq(ctx, key, PDF_NAME(DecodeParms)))
            pdf_dict_put(ctx, target, key, pdf_dict_get_val(ctx, entries, i));
        }
      });
    }
    pdf_drop_obj(ctx, entries);
    Consume(d);
  }
}

// ---- 69: stream reading -----------------------------------------------------------------------

HostHandle VM_CALL NewAccessor() {
  auto* accessor = new StreamAccessor;
  Tracker().Created(kAccessorKind, accessor);
  return accessor;
}

StreamAccessor* AccessorFromHost(HostHandle handle) {
  return handle && Tracker().IsLive(kAccessorKind, handle) ? static_cast<StreamAccessor*>(handle) : nullptr;
}

void VM_CALL ReleaseAccessor(HostHandle accessor) {
  if (Tracker().Released(kAccessorKind, accessor)) delete static_cast<StreamAccessor*>(accessor);
}

int32_t VM_CALL LoadStream(HostHandle accessor, HostHandle stream, int32_t, int32_t, int32_t) {
  StreamAccessor* a = AccessorFromHost(accessor);
  if (!a) return 0;
  a->data.clear();
  a->loaded = false;
  ObjectHandle* s = FromHost(stream);
  if (!s || !IsStream(*s)) return 0;
  if (s->free) {
    a->data = s->free->text;
    a->loaded = true;
    return 1;
  }
  fz_context* ctx = s->document->ctx;
  fz_buffer* buffer = nullptr;
  Try(ctx, [&] { buffer = pdf_load_stream_number(ctx, s->document->doc, s->number); });
  if (!buffer) return 0;
  unsigned char* data = nullptr;
  size_t length = fz_buffer_storage(ctx, buffer, &data);
  a->data.assign(reinterpret_cast<const char*>(data), length);
  fz_drop_buffer(ctx, buffer);
  a->loaded = true;
  return 1;
}

const uint8_t* VM_CALL AccessorData(HostHandle accessor) {
  StreamAccessor* a = AccessorFromHost(accessor);
  if (!a || !a->loaded || a->data.empty()) return nullptr;
  return reinterpret_cast<const uint8_t*>(a->data.data());
}

uint32_t VM_CALL AccessorLength(HostHandle accessor) {
  StreamAccessor* a = AccessorFromHost(accessor);
  return a && a->loaded ? static_cast<uint32_t>(a->data.size()) : 0;
}

// ---- 34:42 and 73:22 --------------------------------------------------------------------------

int32_t VM_CALL AddIndirectObject(HostHandle pdfDocument, HostHandle object) {
  pdf::Document* document = DocumentFromHost(pdfDocument);
  ObjectHandle* h = FromHost(object);
  if (!document || !h) return 0;
  fz_context* ctx = document->ctx;
  int number = 0;
  if (h->document == document && h->number > 0) {
    number = h->number;  // already an indirect object (a stream copy, or a looked-up object)
  } else {
    pdf_obj* o = AsObjectOf(*document, *h);
    if (!o) return 0;
    Try(ctx, [&] {
      if (pdf_is_indirect(ctx, o)) {
        number = pdf_to_num(ctx, o);
      } else {
        pdf_obj* ref = pdf_add_object(ctx, document->doc, o);
        number = pdf_to_num(ctx, ref);
        pdf_drop_obj(ctx, ref);
      }
    });
    pdf_drop_obj(ctx, o);
  }
  if (number > 0) Consume(h);
  return number;
}

HostHandle VM_CALL PageDictionaryOf(HostHandle page) {
  if (!page) return nullptr;
  auto* p = static_cast<pdf::Page*>(page);
  return p->dictionary ? Borrow(p->document, p->dictionary) : nullptr;
}

}  // namespace

void RegisterObjectHostFunctions(FunctionTable& table) {
  table.Implement<61, 0>(&ObjectKind);
  table.Implement<61, 3>(&CopyObject);
  table.Implement<61, 7>(&ReleaseObject);
  table.Implement<66, 1>(&ArrayCount);
  table.Implement<66, 3>(&ArrayElement);
  table.Implement<67, 0>(&NewDictionary);
  table.Implement<67, 2>(&DictionaryEntry);
  table.Implement<67, 18>(&SetEntry);
  table.Implement<67, 19>(&SetNameEntry);
  table.Implement<67, 23>(&SetReferenceEntry);
  table.Implement<67, 27>(&SetBoxEntry);
  table.Implement<68, 0>(&NewStream);
  table.Implement<68, 1>(&SetStreamData);
  table.Implement<69, 0>(&NewAccessor);
  table.Implement<69, 1>(&ReleaseAccessor);
  table.Implement<69, 2>(&LoadStream);
  table.Implement<69, 5>(&AccessorData);
  table.Implement<69, 6>(&AccessorLength);
  table.Implement<34, 42>(&AddIndirectObject);
  table.Implement<73, 22>(&PageDictionaryOf);
}

}  // namespace standin::objects
