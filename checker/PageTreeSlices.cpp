#include "PageTreeSlices.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>

namespace checker {

namespace {

constexpr int kDeepestTree = 64;
// Each slice's file is a copy of the whole file: past this many slices, they get longer.
constexpr long kMostSlices = 32;

struct Kid {
  int num;
  int node;  // index of the node in the tree; -1 for a page
  long pages;
};

struct Node {
  int num = 0;
  std::string inherited;  // the attributes its pages inherit, written as in a dictionary
  long pages = 0;
  std::vector<Kid> kids;
};

struct Tree {
  std::vector<Node> nodes;
  int root = -1;
};

std::string Printed(fz_context* ctx, pdf_obj* obj) {
  size_t length = 0;
  char* text = pdf_sprint_obj(ctx, nullptr, 0, &length, obj, 1, 0);
  std::string printed(text, length);
  fz_free(ctx, text);
  return printed;
}

std::string Ref(int num) { return std::to_string(num) + " 0 R"; }

// Keys a page takes from the nearest node above it that has them, as pdftotext reads a tree.
std::string InheritedAttributes(fz_context* ctx, pdf_obj* node) {
  std::string attributes;
  for (pdf_obj* key : {PDF_NAME(Resources), PDF_NAME(MediaBox), PDF_NAME(CropBox), PDF_NAME(Rotate)}) {
    pdf_obj* value = pdf_dict_get(ctx, node, key);
    if (!value) continue;
    attributes += '/';
    attributes += pdf_to_name(ctx, key);
    attributes += ' ';
    attributes += Printed(ctx, value);
  }
  return attributes;
}

bool IsPage(fz_context* ctx, pdf_obj* dict) {
  return pdf_name_eq(ctx, pdf_dict_get(ctx, dict, PDF_NAME(Type)), PDF_NAME(Page)) ||
         !pdf_dict_get(ctx, dict, PDF_NAME(Kids));
}

class TreeReader {
 public:
  TreeReader(fz_context* ctx, pdf_document* doc)
      : ctx_(ctx), seen_(static_cast<size_t>(std::max(0, pdf_xref_len(ctx, doc)))) {}

  // The object a reference points to, if it is a dictionary met for the first time.
  pdf_obj* Enter(pdf_obj* ref) {
    if (!pdf_is_indirect(ctx_, ref) || pdf_to_gen(ctx_, ref) != 0) return nullptr;
    const int num = pdf_to_num(ctx_, ref);
    if (num <= 0 || static_cast<size_t>(num) >= seen_.size() || seen_[num]) return nullptr;
    seen_[num] = true;
    pdf_obj* dict = pdf_resolve_indirect(ctx_, ref);
    // A stream is a dictionary to MuPDF, not to pdftotext.
    return pdf_is_dict(ctx_, dict) && !pdf_is_indirect(ctx_, dict) && !pdf_is_stream(ctx_, ref) ? dict : nullptr;
  }

  // The node's index in `tree`, or -1 where the tree is no plain tree.
  int Read(int num, pdf_obj* dict, int depth, Tree& tree) {
    if (depth > kDeepestTree) return -1;
    Node node;
    node.num = num;
    node.inherited = InheritedAttributes(ctx_, dict);
    pdf_obj* kids = pdf_dict_get(ctx_, dict, PDF_NAME(Kids));
    if (!pdf_is_array(ctx_, kids)) return -1;
    const int count = pdf_array_len(ctx_, kids);
    node.kids.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
      pdf_obj* ref = pdf_array_get(ctx_, kids, i);
      pdf_obj* kid = Enter(ref);
      if (!kid) return -1;
      const int kidNum = pdf_to_num(ctx_, ref);
      if (IsPage(ctx_, kid)) {
        node.kids.push_back({kidNum, -1, 1});
      } else {
        const int index = Read(kidNum, kid, depth + 1, tree);
        if (index < 0) return -1;
        node.kids.push_back({kidNum, index, tree.nodes[index].pages});
      }
      node.pages += node.kids.back().pages;
    }
    tree.nodes.push_back(std::move(node));
    return static_cast<int>(tree.nodes.size()) - 1;
  }

 private:
  fz_context* ctx_;
  std::vector<bool> seen_;
};

// One slice's update: a catalog like the file's but for its /Pages, and the nodes of the tree
// that hold part of the slice, written anew; nodes wholly inside it are the file's own.
class SliceWriter {
 public:
  SliceWriter(const Tree& tree, std::string catalogHead, int64_t fileSize, int firstNum, int64_t previousXref)
      : tree_(tree), catalogHead_(std::move(catalogHead)), fileSize_(fileSize), firstNum_(firstNum),
        previousXref_(previousXref) {}

  std::string Write(long first, long end) {
    text_ = "\n";
    offsets_.clear();
    const int catalog = Reserve();
    const std::string root = NodeRef(tree_.root, 0, first, end, true);
    Put(catalog, catalogHead_ + "/Pages " + root + ">>");
    const int64_t xrefAt = fileSize_ + static_cast<int64_t>(text_.size());
    text_ += "xref\n" + std::to_string(firstNum_) + ' ' + std::to_string(offsets_.size()) + '\n';
    for (int64_t offset : offsets_) {
      char entry[32];
      std::snprintf(entry, sizeof entry, "%010" PRId64 " 00000 n \n", offset);
      text_ += entry;
    }
    text_ += "trailer\n<</Size " + std::to_string(firstNum_ + static_cast<int>(offsets_.size())) + "/Root " +
             Ref(catalog) + "/Prev " + std::to_string(previousXref_) + ">>\nstartxref\n" + std::to_string(xrefAt) +
             "\n%%EOF\n";
    return std::move(text_);
  }

 private:
  int Reserve() {
    offsets_.push_back(-1);
    return firstNum_ + static_cast<int>(offsets_.size()) - 1;
  }

  void Put(int num, const std::string& body) {
    offsets_[static_cast<size_t>(num - firstNum_)] = fileSize_ + static_cast<int64_t>(text_.size());
    text_ += std::to_string(num) + " 0 obj\n" + body + "\nendobj\n";
  }

  // The node whose pages start at page `at`, for the slice of pages [first, end).
  std::string NodeRef(int index, long at, long first, long end, bool root) {
    const Node& node = tree_.nodes[static_cast<size_t>(index)];
    if (!root && first <= at && at + node.pages <= end) return Ref(node.num);
    const int num = Reserve();
    std::string kids;
    long count = 0;
    for (const Kid& kid : node.kids) {
      const long kidEnd = at + kid.pages;
      if (at < end && first < kidEnd) {
        if (!kids.empty()) kids += ' ';
        kids += kid.node < 0 ? Ref(kid.num) : NodeRef(kid.node, at, first, end, false);
        count += std::min(kidEnd, end) - std::max(at, first);
      }
      at = kidEnd;
    }
    Put(num, "<</Type/Pages/Kids[" + kids + "]/Count " + std::to_string(count) + node.inherited + ">>");
    return Ref(num);
  }

  const Tree& tree_;
  const std::string catalogHead_;
  const int64_t fileSize_;
  const int firstNum_;
  const int64_t previousXref_;
  std::string text_;
  std::vector<int64_t> offsets_;
};

// The catalog as written, without its /Pages and its closing brackets.
std::string CatalogHead(fz_context* ctx, pdf_obj* catalog) {
  pdf_obj* copy = pdf_copy_dict(ctx, catalog);
  std::string printed;
  fz_try(ctx) {
    pdf_dict_del(ctx, copy, PDF_NAME(Pages));
    printed = Printed(ctx, copy);
  }
  fz_always(ctx) { pdf_drop_obj(ctx, copy); }
  fz_catch(ctx) { fz_rethrow(ctx); }
  if (printed.size() < 4 || printed.compare(printed.size() - 2, 2, ">>") != 0) return {};
  printed.resize(printed.size() - 2);
  return printed;
}

}  // namespace

std::vector<std::string> PageTreeSliceUpdates(fz_context* ctx, pdf_document* doc, int64_t fileSize,
                                              int pagesPerSlice) {
  if (pagesPerSlice < 1 || fileSize <= 0 || pdf_was_repaired(ctx, doc) || doc->crypt ||
      doc->startxref <= 0 || doc->startxref >= fileSize)
    return {};
  pdf_obj* trailer = pdf_trailer(ctx, doc);
  if (pdf_dict_get(ctx, trailer, PDF_NAME(Encrypt))) return {};
  pdf_obj* catalog = pdf_dict_get(ctx, trailer, PDF_NAME(Root));
  if (!pdf_is_dict(ctx, catalog)) return {};
  TreeReader reader(ctx, doc);
  pdf_obj* rootRef = pdf_dict_get(ctx, catalog, PDF_NAME(Pages));
  pdf_obj* root = reader.Enter(rootRef);
  if (!root || IsPage(ctx, root)) return {};
  Tree tree;
  tree.root = reader.Read(pdf_to_num(ctx, rootRef), root, 0, tree);
  if (tree.root < 0) return {};
  const long pages = tree.nodes[static_cast<size_t>(tree.root)].pages;
  pdf_obj* count = pdf_dict_get(ctx, root, PDF_NAME(Count));
  if (pages <= pagesPerSlice || !pdf_is_int(ctx, count) || pdf_to_int64(ctx, count) != pages) return {};
  const long slice = std::max<long>(pagesPerSlice, (pages + kMostSlices - 1) / kMostSlices);
  // Offsets are written in ten digits.
  if (fileSize > 9'000'000'000LL) return {};

  const std::string catalogHead = CatalogHead(ctx, catalog);
  if (catalogHead.empty()) return {};
  SliceWriter writer(tree, catalogHead, fileSize, pdf_xref_len(ctx, doc), doc->startxref);
  std::vector<std::string> updates;
  for (long first = 0; first < pages; first += slice)
    updates.push_back(writer.Write(first, std::min(pages, first + slice)));
  return updates;
}

}  // namespace checker
