#include "TreePageCount.h"

#include <set>
#include <vector>

extern "C" {
#include <mupdf/fitz.h>
#include <mupdf/pdf.h>
}

#include "PageTreeSlices.h"
#include "pdf/LargeBlocks.h"

namespace checker {

namespace {

constexpr long kMaxCounted = 1L << 22;  // beyond any document; a walk that gets here gives up

struct Frame {
  pdf_obj* node;
  int nextKid;  // -1 before the node was entered
};

// Iterative, so that deep trees cannot exhaust the stack. May throw.
long CountLeaves(fz_context* ctx, pdf_obj* root) {
  long pages = 0;
  long steps = 0;
  std::vector<Frame> path{{root, -1}};
  std::multiset<pdf_obj*> onPath;  // resolved nodes from the root to the current one
  while (!path.empty()) {
    if (++steps > 4 * kMaxCounted || pages > kMaxCounted) return -1;
    Frame& frame = path.back();
    pdf_obj* dict = pdf_resolve_indirect_chain(ctx, frame.node);
    pdf_obj* kids = pdf_dict_get(ctx, dict, PDF_NAME(Kids));
    if (frame.nextKid < 0) {
      if (!pdf_is_dict(ctx, dict) || onPath.count(dict)) {
        path.pop_back();
        continue;
      }
      if (!pdf_is_array(ctx, kids)) {
        ++pages;
        path.pop_back();
        continue;
      }
      onPath.insert(dict);
      frame.nextKid = 0;
    }
    if (frame.nextKid < pdf_array_len(ctx, kids)) {
      pdf_obj* kid = pdf_array_get(ctx, kids, frame.nextKid++);
      path.push_back({kid, -1});  // invalidates `frame`
    } else {
      onPath.erase(onPath.find(dict));
      path.pop_back();
    }
  }
  return pages;
}

}  // namespace

long TreePageCount(const std::string& path) { return ReadPageTree(path, 0).pages; }

PageTreeReading ReadPageTree(const std::string& path, int pagesPerSlice) {
  PageTreeReading reading;
  fz_context* ctx = standin::pdf::NewContextWithMappedLargeBlocks();
  if (!ctx) return reading;
  fz_set_warning_callback(ctx, nullptr, nullptr);
  fz_set_error_callback(ctx, nullptr, nullptr);
  pdf_document* doc = nullptr;
  fz_var(doc);
  fz_try(ctx) {
    doc = pdf_open_document(ctx, path.c_str());
    if (!pdf_needs_password(ctx, doc) || pdf_authenticate_password(ctx, doc, "")) {
      reading.pages = CountLeaves(ctx, pdf_dict_getp(ctx, pdf_trailer(ctx, doc), "Root/Pages"));
      if (pagesPerSlice > 0) {
        fz_seek(ctx, doc->file, 0, SEEK_END);
        reading.fileSize = fz_tell(ctx, doc->file);
        reading.sliceUpdates = PageTreeSliceUpdates(ctx, doc, reading.fileSize, pagesPerSlice);
      }
    }
  }
  fz_always(ctx) { pdf_drop_document(ctx, doc); }
  fz_catch(ctx) {
    reading.pages = -1;
    reading.sliceUpdates.clear();
  }
  fz_drop_context(ctx);
  return reading;
}

}  // namespace checker
