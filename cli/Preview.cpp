#include "Preview.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>

#include "Utf8.h"
#include "detect/Patterns.h"

extern "C" {
#include <mupdf/fitz.h>
#include <mupdf/pdf.h>
}

#include "pdf/LargeBlocks.h"

namespace cli {

namespace {

constexpr float kScale = 110.0f / 72.0f;              // 110 dpi
constexpr float kFrameBlue[3] = {0.20f, 0.45f, 0.95f};  // the dialog's frames
constexpr float kWhite[3] = {1, 1, 1};
constexpr float kGap = 16;                            // pixels between before and after
constexpr float kLabelSize = 7.5f;                    // points, scaled like the page

using PagesToMatches = std::map<int, std::vector<const vm::PiMatch*>>;

PagesToMatches ByPage(const vm::PiMatchList& matches) {
  PagesToMatches pages;
  for (const vm::PiMatch& m : matches) pages[m.pageIndex].push_back(&m);
  return pages;
}

struct Renderer {
  fz_context* ctx = standin::pdf::NewContextWithMappedLargeBlocks();
  ~Renderer() { fz_drop_context(ctx); }
};

// A page's user space (where the host's boxes are) to the picture's pixels.
fz_matrix UserToPixels(fz_context* ctx, fz_page* page) {
  fz_rect mediabox;
  fz_matrix ctm = fz_identity;
  if (pdf_page* p = pdf_page_from_fz_page(ctx, page)) pdf_page_transform(ctx, p, &mediabox, &ctm);
  return fz_concat(ctm, fz_scale(kScale, kScale));
}

void AddRect(fz_context* ctx, fz_path* path, fz_rect r) {
  fz_moveto(ctx, path, r.x0, r.y0);
  fz_lineto(ctx, path, r.x1, r.y0);
  fz_lineto(ctx, path, r.x1, r.y1);
  fz_lineto(ctx, path, r.x0, r.y1);
  fz_closepath(ctx, path);
}

// The category's name as the main dialog shows it, for MuPDF's text functions.
std::string LabelOf(int32_t category) { return common::Utf16ToUtf8(vm::CategoryLabel(category)); }

bool Intersect(const fz_rect& a, const fz_rect& b) {
  return a.x0 < b.x1 && b.x0 < a.x1 && a.y0 < b.y1 && b.y0 < a.y1;
}

// Where a label tab of `width` x `height` pixels goes for an occurrence whose first framed box is
// `first`: above it, left-aligned, else left of it on its line, else above it right-aligned;
// the first place that covers no other occurrence and no label already placed (dense tables
// have an occurrence on the line above), else above and left-aligned all the same.
fz_rect PlaceLabel(const fz_rect& first, float width, float height, const std::vector<fz_rect>& others,
                   const std::vector<fz_rect>& placed) {
  const fz_rect candidates[] = {
      fz_make_rect(first.x0 - 1, first.y0 - height, first.x0 - 1 + width, first.y0),
      fz_make_rect(first.x0 - width, (first.y0 + first.y1 - height) / 2, first.x0, (first.y0 + first.y1 + height) / 2),
      fz_make_rect(first.x1 + 1 - width, first.y0 - height, first.x1 + 1, first.y0),
  };
  for (const fz_rect& c : candidates) {
    if (c.x0 < 0 || c.y0 < 0) continue;
    bool free = true;
    for (const fz_rect& o : others) free = free && !Intersect(c, o);
    for (const fz_rect& o : placed) free = free && !Intersect(c, o);
    if (free) return c;
  }
  return candidates[0];
}

// Frames every occurrence's boxes and writes its category's name (as the main dialog names it)
// on a blue tab near the first box, never over the text that follows the value.
void DrawFrames(fz_context* ctx, fz_device* device, fz_font* font, fz_matrix userToPixels,
                fz_matrix offset, const std::vector<const vm::PiMatch*>& matches) {
  fz_colorspace* rgb = fz_device_rgb(ctx);
  fz_stroke_state* stroke = fz_new_stroke_state(ctx);
  stroke->linewidth = 2;
  fz_path* frames = fz_new_path(ctx);
  fz_path* tabs = fz_new_path(ctx);
  fz_text* labels = fz_new_text(ctx);
  fz_try(ctx) {
    // Every framed box, in pixels, by occurrence.
    std::vector<std::vector<fz_rect>> boxes;
    for (const vm::PiMatch* m : matches) {
      boxes.emplace_back();
      for (const HostBox& b : m->rects) {
        const fz_rect r = fz_transform_rect(fz_make_rect(b.x0, b.y0, b.x1, b.y1), userToPixels);
        boxes.back().push_back(fz_expand_rect(r, 2));
        AddRect(ctx, frames, boxes.back().back());
      }
    }
    const float pixels = kLabelSize * kScale;
    const fz_matrix size = fz_scale(pixels, -pixels);
    std::vector<fz_rect> placed;
    for (size_t k = 0; k < matches.size(); ++k) {
      if (boxes[k].empty()) continue;
      std::vector<fz_rect> others;
      for (size_t j = 0; j < boxes.size(); ++j)
        if (j != k) others.insert(others.end(), boxes[j].begin(), boxes[j].end());
      const std::string label = LabelOf(matches[k]->category);
      const fz_matrix end = fz_measure_string(ctx, font, size, label.c_str(), 0, 0, FZ_BIDI_LTR, FZ_LANG_ko);
      const fz_rect tab = PlaceLabel(boxes[k].front(), end.e + 6, pixels + 4, others, placed);
      placed.push_back(tab);
      AddRect(ctx, tabs, tab);
      fz_show_string(ctx, labels, font, fz_concat(size, fz_translate(tab.x0 + 3, tab.y1 - 2 - pixels * 0.12f)),
                     label.c_str(), 0, 0, FZ_BIDI_LTR, FZ_LANG_ko);
    }
    fz_stroke_path(ctx, device, frames, stroke, offset, rgb, kFrameBlue, 1, fz_default_color_params);
    fz_fill_path(ctx, device, tabs, 0, offset, rgb, kFrameBlue, 1, fz_default_color_params);
    fz_fill_text(ctx, device, labels, offset, rgb, kWhite, 1, fz_default_color_params);
  }
  fz_always(ctx) {
    fz_drop_text(ctx, labels);
    fz_drop_path(ctx, tabs);
    fz_drop_path(ctx, frames);
    fz_drop_stroke_state(ctx, stroke);
  }
  fz_catch(ctx) { fz_rethrow(ctx); }
}

// Renders page `index` of each document beside the other (one document: one page), with the
// occurrences framed on the first, and saves the picture as PNG.
void WritePicture(fz_context* ctx, const std::vector<fz_document*>& documents, int index,
                  const std::vector<const vm::PiMatch*>& matches, const std::string& path) {
  std::vector<fz_page*> pages;
  fz_pixmap* pixmap = nullptr;
  fz_device* device = nullptr;
  fz_font* font = nullptr;
  fz_var(pixmap);
  fz_var(device);
  fz_var(font);
  fz_try(ctx) {
    float width = 0;
    float height = 0;
    std::vector<fz_matrix> transforms;
    for (fz_document* d : documents) {
      pages.push_back(fz_load_page(ctx, d, index));
      transforms.push_back(UserToPixels(ctx, pages.back()));
      const fz_rect box = fz_transform_rect(fz_bound_page(ctx, pages.back()), fz_scale(kScale, kScale));
      width += (width > 0 ? kGap : 0) + (box.x1 - box.x0);
      height = std::max(height, box.y1 - box.y0);
    }
    pixmap = fz_new_pixmap_with_bbox(ctx, fz_device_rgb(ctx),
                                     fz_make_irect(0, 0, static_cast<int>(width + 0.5f),
                                                   static_cast<int>(height + 0.5f)), nullptr, 0);
    fz_clear_pixmap_with_value(ctx, pixmap, 0xC8);  // the gap stays grey
    device = fz_new_draw_device(ctx, fz_identity, pixmap);
    // Built into the library, so that every machine draws the same picture.
    font = fz_new_cjk_font(ctx, FZ_ADOBE_KOREA);
    float left = 0;
    for (size_t i = 0; i < pages.size(); ++i) {
      const fz_rect bounds = fz_bound_page(ctx, pages[i]);
      const fz_matrix place = fz_concat(fz_scale(kScale, kScale), fz_translate(left, 0));
      const fz_rect area = fz_transform_rect(bounds, place);
      fz_path* sheet = fz_new_path(ctx);
      AddRect(ctx, sheet, area);
      fz_fill_path(ctx, device, sheet, 0, fz_identity, fz_device_rgb(ctx), kWhite, 1, fz_default_color_params);
      fz_drop_path(ctx, sheet);
      fz_run_page(ctx, pages[i], device, place, nullptr);
      if (i == 0) DrawFrames(ctx, device, font, transforms[i], fz_translate(left, 0), matches);
      left = area.x1 + kGap;
    }
    fz_close_device(ctx, device);
    fz_save_pixmap_as_png(ctx, pixmap, path.c_str());
  }
  fz_always(ctx) {
    fz_drop_font(ctx, font);
    fz_drop_device(ctx, device);
    fz_drop_pixmap(ctx, pixmap);
    for (fz_page* p : pages) fz_drop_page(ctx, p);
  }
  fz_catch(ctx) { fz_rethrow(ctx); }
}

bool WritePictures(const std::vector<std::string>& paths, const vm::PiMatchList& matches,
                   const std::string& stem) {
  Renderer renderer;
  fz_context* ctx = renderer.ctx;
  if (!ctx) return false;
  fz_register_document_handlers(ctx);
  fz_set_warning_callback(ctx, nullptr, nullptr);
  fz_set_error_callback(ctx, nullptr, nullptr);
  std::vector<fz_document*> documents;
  std::string current;
  volatile bool ok = true;
  fz_try(ctx) {
    for (const std::string& p : paths) documents.push_back(fz_open_document(ctx, p.c_str()));
    for (const auto& [page, onPage] : ByPage(matches)) {
      current = stem + ".p" + std::to_string(page) + ".png";
      WritePicture(ctx, documents, page, onPage, current);
    }
  }
  fz_always(ctx) {
    for (fz_document* d : documents) fz_drop_document(ctx, d);
  }
  fz_catch(ctx) {
    std::fprintf(stderr, "veilmark: cannot write the picture '%s': %s\n", current.c_str(),
                 fz_caught_message(ctx));
    ok = false;
  }
  return ok;
}

}  // namespace

std::string PreviewStem(const std::string& folder, const std::string& relativeName) {
  std::filesystem::path stem = std::filesystem::path(folder) / relativeName;
  if (stem.extension() == ".pdf" || stem.extension() == ".PDF") stem.replace_extension();
  std::error_code ec;
  std::filesystem::create_directories(stem.parent_path(), ec);
  return stem.string();
}

bool WriteScanPreviews(const std::string& pdfPath, const vm::PiMatchList& matches,
                       const std::string& stem) {
  return WritePictures({pdfPath}, matches, stem);
}

bool WriteProtectPreviews(const std::string& originalPath, const std::string& protectedPath,
                          const vm::PiMatchList& replacements, const std::string& stem) {
  return WritePictures({originalPath, protectedPath}, replacements, stem);
}

}  // namespace cli
