#include "pdf/PageTree.h"

#include <algorithm>
#include <set>
#include <utility>

#include "pdf/ObjectCache.h"

namespace standin::pdf {

namespace {

// Deeper trees are not made by any producer; the bound keeps a hostile one finite.
constexpr int kMaxTreeDepth = 256;
// A tree whose nodes are listed several times can name more pages than any document has (a
// node listing one kid twice, 30 levels deep, names 2^30); such a tree is refused.
constexpr size_t kMaxPages = 1u << 20;

struct Walk {
  fz_context* ctx;
  pdf_document* doc;
  std::vector<pdf_obj*> pages;  // kept references
  std::set<int> onPathNumbers;  // the nodes from the root to the current one: a loop is a node met again here
  std::set<pdf_obj*> onPathDirect;
  // Pages met so far: a bit a number (a set's node is 40 bytes a page), a set for numbers past the
  // table's end.
  std::vector<bool> pageNumbersMet;
  std::set<int> pageNumbersPastTable;
  size_t visits = 0;
  bool consistent = true;  // every count right, no loop, no page twice, every leaf typed /Page

  bool FirstMeeting(int page) {
    if (pageNumbersMet.empty()) pageNumbersMet.resize(std::max(pdf_xref_len(ctx, doc), 1));
    if (page < 0 || static_cast<size_t>(page) >= pageNumbersMet.size()) return pageNumbersPastTable.insert(page).second;
    if (pageNumbersMet[page]) return false;
    pageNumbersMet[page] = true;
    return true;
  }

  // Appends the pages under the node; returns how many. A node met again below itself is
  // passed over; a node met again elsewhere is listed again (readers show its pages twice).
  int Visit(pdf_obj* node, int depth) {
    const bool indirect = pdf_is_indirect(ctx, node);
    const int number = indirect ? pdf_to_num(ctx, node) : 0;
    if ((indirect ? onPathNumbers.count(number) : onPathDirect.count(node)) || depth > kMaxTreeDepth) {
      consistent = false;
      return 0;
    }
    if (++visits > 4 * kMaxPages || pages.size() >= kMaxPages)
      fz_throw(ctx, FZ_ERROR_GENERIC, "the page tree lists more than %zu pages", kMaxPages);
    pdf_obj* dict = pdf_resolve_indirect_chain(ctx, node);
    if (!pdf_is_dict(ctx, dict)) {
      consistent = false;
      return 0;
    }
    pdf_obj* kids = pdf_dict_get(ctx, dict, PDF_NAME(Kids));
    if (!pdf_is_array(ctx, kids)) {
      if (!pdf_name_eq(ctx, pdf_dict_get(ctx, dict, PDF_NAME(Type)), PDF_NAME(Page))) consistent = false;
      if (!indirect || !FirstMeeting(number)) consistent = false;
      pages.push_back(pdf_keep_obj(ctx, node));  // the reference, as page lookups give it
      // Read again when wanted: a long document's pages are not all kept while it opens.
      if (indirect) ReleaseUnchangedObject(ctx, doc, number);
      return 1;
    }
    if (indirect) onPathNumbers.insert(number);
    else onPathDirect.insert(node);
    int found = 0;
    for (int i = 0; i < pdf_array_len(ctx, kids); ++i) found += Visit(pdf_array_get(ctx, kids, i), depth + 1);
    if (indirect) onPathNumbers.erase(number);
    else onPathDirect.erase(node);
    if (pdf_dict_get_int(ctx, dict, PDF_NAME(Count)) != found) consistent = false;
    return found;
  }
};

// Makes the tree one node whose kids are the pages, each carrying its inherited attributes, so
// that every reader shows exactly these pages. A page listed more than once becomes that many
// pages: each later listing is a copy of the first (sharing its content and resources until
// one of them is edited), so that each can be protected and shown on its own.
void Flatten(fz_context* ctx, pdf_document* doc, pdf_obj* root, std::vector<pdf_obj*>& pages) {
  pdf_obj* kids = pdf_new_array(ctx, doc, static_cast<int>(pages.size()));
  std::set<pdf_obj*> placed;
  fz_try(ctx) {
    for (pdf_obj*& page : pages) {
      for (pdf_obj* key : {PDF_NAME(Resources), PDF_NAME(MediaBox), PDF_NAME(CropBox), PDF_NAME(Rotate)}) {
        if (pdf_dict_get(ctx, page, key)) continue;
        if (pdf_obj* inherited = pdf_dict_get_inheritable(ctx, page, key)) pdf_dict_put(ctx, page, key, inherited);
      }
      if (!placed.insert(pdf_resolve_indirect(ctx, page)).second || !pdf_is_indirect(ctx, page)) {
        pdf_obj* copy = pdf_add_object_drop(ctx, doc, pdf_copy_dict(ctx, pdf_resolve_indirect(ctx, page)));
        pdf_drop_obj(ctx, page);
        page = copy;
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
  Walk walk{ctx, doc, {}, {}, {}, {}, {}};
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

// Deeper nesting of arrays and dictionaries is made by no producer; the writer recurses into
// each level and gives up beyond a few hundred.
constexpr int kMaxNesting = 100;

// Nulls the dangling references inside one object, walking its dictionaries and arrays
// (direct objects only: indirect ones are visited on their own), and the containers nested
// deeper than kMaxNesting.
void NullDanglingIn(fz_context* ctx, pdf_obj* object, int defined) {
  std::vector<std::pair<pdf_obj*, int>> pending = {{object, 0}};
  while (!pending.empty()) {
    const auto [container, depth] = pending.back();
    pending.pop_back();
    const bool isDict = pdf_is_dict(ctx, container);
    const int n = isDict ? pdf_dict_len(ctx, container) : pdf_array_len(ctx, container);
    // Backwards: a key set to null may leave the dictionary.
    for (int i = n - 1; i >= 0; --i) {
      pdf_obj* value = isDict ? pdf_dict_get_val(ctx, container, i) : pdf_array_get(ctx, container, i);
      const bool dangling =
          pdf_is_indirect(ctx, value) && (pdf_to_num(ctx, value) >= defined || pdf_to_num(ctx, value) <= 0);
      const bool nested = !pdf_is_indirect(ctx, value) && (pdf_is_dict(ctx, value) || pdf_is_array(ctx, value));
      if (dangling || (nested && depth + 1 >= kMaxNesting)) {
        if (isDict)
          pdf_dict_put(ctx, container, pdf_dict_get_key(ctx, container, i), PDF_NULL);
        else
          pdf_array_put(ctx, container, i, PDF_NULL);
      } else if (nested) {
        pending.push_back({value, depth + 1});
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
    bool unreadable = false;
    fz_var(unreadable);
    fz_try(ctx) {
      object = pdf_load_object(ctx, doc, num);
      if (pdf_is_dict(ctx, object) || pdf_is_array(ctx, object)) NullDanglingIn(ctx, object, defined);
    }
    fz_always(ctx) { pdf_drop_obj(ctx, object); }
    fz_catch(ctx) { unreadable = true; }
    // Every object is read here once; a long document need not keep them all, nor its pages:
    // nothing looks a page up while the document opens.
    if (!unreadable) ReleaseUnchangedObject(ctx, doc, num);
    // An object the file holds but no reader can parse is null for every reader; written as it
    // was, it stops the writer.
    if (unreadable) {
      fz_try(ctx) { pdf_update_object(ctx, doc, num, PDF_NULL); }
      fz_catch(ctx) { /* left as it is */ }
    }
  }
}

}  // namespace standin::pdf
