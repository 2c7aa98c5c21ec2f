#include "pdf/PageTree.h"

#include <set>
#include <utility>

namespace standin::pdf {

namespace {

// Deeper trees are not made by any producer; the bound keeps a hostile one finite.
constexpr int kMaxTreeDepth = 256;

struct Walk {
  fz_context* ctx;
  std::vector<pdf_obj*> pages;  // kept references
  std::set<int> seenNumbers;
  std::set<pdf_obj*> seenDirect;
  bool consistent = true;  // every count right, no node twice, every leaf typed /Page

  // Appends the pages under the node; returns how many.
  int Visit(pdf_obj* node, int depth) {
    const bool fresh = pdf_is_indirect(ctx, node) ? seenNumbers.insert(pdf_to_num(ctx, node)).second
                                                  : seenDirect.insert(node).second;
    if (!fresh || depth > kMaxTreeDepth) {
      consistent = false;
      return 0;
    }
    pdf_obj* dict = pdf_resolve_indirect_chain(ctx, node);
    if (!pdf_is_dict(ctx, dict)) {
      consistent = false;
      return 0;
    }
    pdf_obj* kids = pdf_dict_get(ctx, dict, PDF_NAME(Kids));
    if (!pdf_is_array(ctx, kids)) {
      if (!pdf_name_eq(ctx, pdf_dict_get(ctx, dict, PDF_NAME(Type)), PDF_NAME(Page))) consistent = false;
      pages.push_back(pdf_keep_obj(ctx, node));  // the reference, as page lookups give it
      return 1;
    }
    int found = 0;
    for (int i = 0; i < pdf_array_len(ctx, kids); ++i) found += Visit(pdf_array_get(ctx, kids, i), depth + 1);
    if (pdf_dict_get_int(ctx, dict, PDF_NAME(Count)) != found) consistent = false;
    return found;
  }
};

// Makes the tree one node whose kids are the pages, each carrying its inherited attributes, so
// that every reader shows exactly these pages.
void Flatten(fz_context* ctx, pdf_document* doc, pdf_obj* root, const std::vector<pdf_obj*>& pages) {
  pdf_obj* kids = pdf_new_array(ctx, doc, static_cast<int>(pages.size()));
  fz_try(ctx) {
    for (pdf_obj* page : pages) {
      for (pdf_obj* key : {PDF_NAME(Resources), PDF_NAME(MediaBox), PDF_NAME(CropBox), PDF_NAME(Rotate)}) {
        if (pdf_dict_get(ctx, page, key)) continue;
        if (pdf_obj* inherited = pdf_dict_get_inheritable(ctx, page, key)) pdf_dict_put(ctx, page, key, inherited);
      }
      pdf_dict_put(ctx, page, PDF_NAME(Type), PDF_NAME(Page));
      pdf_dict_put(ctx, page, PDF_NAME(Parent), root);
      pdf_array_push(ctx, kids, page);
    }
    pdf_dict_put(ctx, root, PDF_NAME(Kids), kids);
    pdf_dict_put_int(ctx, root, PDF_NAME(Count), static_cast<int64_t>(pages.size()));
  }
  fz_always(ctx) { pdf_drop_obj(ctx, kids); }
  fz_catch(ctx) { fz_rethrow(ctx); }
}

}  // namespace

namespace {

// The walk's sets and lists live in this frame, which MuPDF's error jumps must not leave:
// an error ends here, with every kept reference dropped. False after an error.
bool RunWalk(fz_context* ctx, pdf_document* doc, bool repair, std::vector<pdf_obj*>& pages) {
  Walk walk{ctx, {}, {}, {}};
  bool failed = false;
  pdf_obj* root = nullptr;
  fz_try(ctx) {
    root = pdf_dict_getp(ctx, pdf_trailer(ctx, doc), "Root/Pages");
    if (root) walk.Visit(root, 0);
    if (repair && !walk.consistent && pdf_is_indirect(ctx, root)) Flatten(ctx, doc, root, walk.pages);
  }
  fz_catch(ctx) { failed = true; }
  if (failed) {
    for (pdf_obj* page : walk.pages) pdf_drop_obj(ctx, page);
    return false;
  }
  pages = std::move(walk.pages);
  return true;
}

}  // namespace

std::vector<pdf_obj*> WalkPageTree(fz_context* ctx, pdf_document* doc, bool repair) {
  std::vector<pdf_obj*> pages;
  // The rethrow leaves only the empty list behind, which owns no memory.
  if (!RunWalk(ctx, doc, repair, pages)) fz_rethrow(ctx);
  return pages;
}

namespace {

// Nulls the dangling references inside one object, walking its dictionaries and arrays
// (direct objects only: indirect ones are visited on their own).
void NullDanglingIn(fz_context* ctx, pdf_obj* object, int defined) {
  std::vector<pdf_obj*> pending = {object};
  while (!pending.empty()) {
    pdf_obj* container = pending.back();
    pending.pop_back();
    const bool isDict = pdf_is_dict(ctx, container);
    const int n = isDict ? pdf_dict_len(ctx, container) : pdf_array_len(ctx, container);
    // Backwards: a key set to null may leave the dictionary.
    for (int i = n - 1; i >= 0; --i) {
      pdf_obj* value = isDict ? pdf_dict_get_val(ctx, container, i) : pdf_array_get(ctx, container, i);
      if (pdf_is_indirect(ctx, value)) {
        if (pdf_to_num(ctx, value) >= defined || pdf_to_num(ctx, value) <= 0) {
          if (isDict)
            pdf_dict_put(ctx, container, pdf_dict_get_key(ctx, container, i), PDF_NULL);
          else
            pdf_array_put(ctx, container, i, PDF_NULL);
        }
      } else if (pdf_is_dict(ctx, value) || pdf_is_array(ctx, value)) {
        pending.push_back(value);
      }
    }
  }
}

}  // namespace

void NullDanglingReferences(fz_context* ctx, pdf_document* doc) {
  const int defined = pdf_xref_len(ctx, doc);
  NullDanglingIn(ctx, pdf_trailer(ctx, doc), defined);
  for (int num = 1; num < defined; ++num) {
    pdf_obj* object = nullptr;
    fz_try(ctx) {
      object = pdf_load_object(ctx, doc, num);
      if (pdf_is_dict(ctx, object) || pdf_is_array(ctx, object)) NullDanglingIn(ctx, object, defined);
    }
    fz_always(ctx) { pdf_drop_obj(ctx, object); }
    fz_catch(ctx) { /* an object that cannot be read refers to nothing */ }
  }
}

}  // namespace standin::pdf
