#include "Preview.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>

#include "Categories.h"

extern "C" {
#include <mupdf/fitz.h>
#include <mupdf/pdf.h>
}

namespace cli {

namespace {

constexpr float kScale = 110.0f / 72.0f;              // 110 dpi
constexpr float kFrameBlue[3] = {0.20f, 0.45f, 0.95f};  // the dialog's frames
constexpr float kWhite[3] = {1, 1, 1};
constexpr float kGap = 16;                            // pixels between before and after
constexpr float kLabelSize = 9;                       // points, scaled like the page

using PagesToMatches = std::map<int, std::vector<const vm::PiMatch*>>;

PagesToMatches ByPage(const vm::PiMatchList& matches) {
  PagesToMatches pages;
  for (const vm::PiMatch& m : matches) pages[m.pageIndex].push_back(&m);
  return pages;
}

struct Renderer {
  fz_context* ctx = fz_new_context(nullptr, nullptr, FZ_STORE_DEFAULT);
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

// Frames every occurrence's boxes and writes its category on a blue tab after the last one.
void DrawFrames(fz_context* ctx, fz_device* device, fz_font* font, fz_matrix userToPixels,
                fz_matrix offset, const std::vector<const vm::PiMatch*>& matches) {
  fz_colorspace* rgb = fz_device_rgb(ctx);
  fz_stroke_state* stroke = fz_new_stroke_state(ctx);
  stroke->linewidth = 2;
  fz_path* frames = fz_new_path(ctx);
  fz_path* tabs = fz_new_path(ctx);
  fz_text* labels = fz_new_text(ctx);
  fz_try(ctx) {
    for (const vm::PiMatch* m : matches) {
      for (size_t i = 0; i < m->rects.size(); ++i) {
        const HostBox& b = m->rects[i];
        fz_rect r = fz_transform_rect(fz_make_rect(b.x0, b.y0, b.x1, b.y1), userToPixels);
        r = fz_expand_rect(r, 2);
        AddRect(ctx, frames, r);
        if (i != 0) continue;
        const char* label = kCategoryKeys[m->category];
        const fz_matrix size = fz_scale(kLabelSize * kScale, -kLabelSize * kScale);
        const fz_matrix end = fz_measure_string(ctx, font, size, label, 0, 0, FZ_BIDI_LTR, FZ_LANG_UNSET);
        const float width = end.e + 6;  // the pen's advance over the label
        // A tab right of the last box, on its line: the value itself stays readable.
        const HostBox& l = m->rects.back();
        const fz_rect last = fz_expand_rect(
            fz_transform_rect(fz_make_rect(l.x0, l.y0, l.x1, l.y1), userToPixels), 2);
        const float middle = (last.y0 + last.y1) / 2;
        const float half = kLabelSize * kScale / 2 + 2;
        AddRect(ctx, tabs, fz_make_rect(last.x1, middle - half, last.x1 + width, middle + half));
        fz_show_string(ctx, labels, font,
                       fz_concat(size, fz_translate(last.x1 + 3, middle + kLabelSize * kScale * 0.36f)),
                       label, 0, 0, FZ_BIDI_LTR, FZ_LANG_UNSET);
      }
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
    font = fz_new_base14_font(ctx, "Helvetica-Bold");
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
