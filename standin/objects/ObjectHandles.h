// Handles of PDF objects as the host functions of categories 61, 66-69 and 34:42 hand them out.
//
// Three sorts of object stand behind a handle:
//  - an object of a document, looked up (67:2, 66:3, 73:22, 52:2): borrowed; one handle per
//    object and document, owned by the document and gone with it;
//  - a copy made for the module (61:3): owned by the module until it releases it (61:7) or gives
//    it to the document (34:42, 67:18, 68:1);
//  - a new dictionary or stream (67:0, 68:0) that belongs to no document yet: kept as a small
//    tree of its own until it is added to a document.
// Owned handles are tracked under kPdfObjectKind, stream accessors under kAccessorKind.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "HostAbi.h"
#include "pdf/Document.h"

namespace standin::objects {

inline constexpr const char* kPdfObjectKind = "PdfObject";
inline constexpr const char* kAccessorKind = "StreamAccessor";

// An object that belongs to no document yet.
struct FreeObject {
  enum class Kind { Dictionary, Stream, Name, Box, Reference, Syntax };
  Kind kind = Kind::Dictionary;
  std::map<std::string, std::unique_ptr<FreeObject>> entries;  // a dictionary's, a stream's
  std::string text;             // stream bytes, name, or an object in PDF syntax (Syntax)
  HostBox box{};                // Box: an array of four numbers
  pdf::Document* document = nullptr;  // Reference: the document of the referenced object
  int number = 0;               // Reference
};

struct ObjectHandle {
  uint32_t magic = 0x0B1EC7;
  bool owned = false;                 // the module's, tracked; otherwise the document's
  pdf::Document* document = nullptr;  // null for a free object
  int number = 0;                     // > 0: the document's indirect object of that number
  pdf_obj* direct = nullptr;          // a direct object (kept when owned)
  // Owned: `number` is a stream copied for this handle, which nothing else refers to until the
  // module gives it to the document; released without being given, it leaves the document.
  bool copiedStream = false;
  std::unique_ptr<FreeObject> free;   // the object when it belongs to no document
};

// The handle of a document's object; `object` may be an indirect reference. Null for null.
ObjectHandle* Borrow(pdf::Document& document, pdf_obj* object);
// The handle of indirect object `number`.
ObjectHandle* BorrowNumber(pdf::Document& document, int number);

// Whether handles of the document's direct objects are out (they point into its objects).
bool HasDirectObjectHandles(const pdf::Document& document);
// Lets go of the document's borrowed handles (a long document lends tens of thousands), for
// callers that work through it page by page and hold none between pages: a handle used after
// this is not a live handle any more. Owned handles stay.
void ReleaseBorrowedHandles(pdf::Document& document);

// A new owned handle, tracked.
ObjectHandle* NewOwned(pdf::Document* document, int number, pdf_obj* keptDirect,
                       std::unique_ptr<FreeObject> free);
// Releases an owned handle: untracks it, drops what it keeps (a stream copied for it and never
// given to the document included), frees it. False when it is not a live owned handle (the
// tracker records the fault).
bool ReleaseOwned(ObjectHandle* handle);

// The handle behind a host handle, or null when it is not a live object handle.
ObjectHandle* FromHost(HostHandle handle);
inline HostHandle ToHost(ObjectHandle* handle) { return handle; }

// The object a document handle stands for, resolved (borrowed reference; valid while the
// document holds the object). Null for free objects and on failure.
pdf_obj* Resolve(const ObjectHandle& handle);
bool IsStream(const ObjectHandle& handle);

// A new reference to an object equivalent to `node`, made in `document` (null on failure).
pdf_obj* Materialize(pdf::Document& document, const FreeObject& node);

// Converts a document object into a free tree (a stream keeps its raw, encoded bytes).
std::unique_ptr<FreeObject> ToFree(pdf::Document& document, pdf_obj* object);

// Annotations added by 26:130: the page and the annotation dictionary's object number.
struct AnnotationHandle {
  uint32_t magic = 0xA2207;
  pdf::Document* document = nullptr;
  int pageIndex = 0;
  int number = 0;
  bool removed = false;
};

AnnotationHandle* NewAnnotation(pdf::Document& document, int pageIndex, int number);
AnnotationHandle* AnnotationFromHost(HostHandle handle);

// Runs `f` inside fz_try; false when MuPDF threw. `f` must not hold objects with destructors.
template <class F>
bool Try(fz_context* ctx, F&& f) {
  bool ok = true;
  fz_try(ctx) { f(); }
  fz_catch(ctx) { ok = false; }
  return ok;
}

}  // namespace standin::objects
