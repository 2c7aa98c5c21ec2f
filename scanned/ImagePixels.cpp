#include "ImagePixels.h"

namespace scanned {

namespace {

// The decoded pixmap of the image (kept), converted to grey when asked, without alpha.
fz_pixmap* Decode(fz_context* ctx, pdf_document* doc, int object, bool grey) {
  pdf_obj* ref = nullptr;
  fz_image* image = nullptr;
  fz_pixmap* pixmap = nullptr;
  fz_pixmap* converted = nullptr;
  fz_var(ref);
  fz_var(image);
  fz_var(pixmap);
  fz_var(converted);
  fz_try(ctx) {
    ref = pdf_new_indirect(ctx, doc, object, 0);
    image = pdf_load_image(ctx, doc, ref);
    pixmap = fz_get_pixmap_from_image(ctx, image, nullptr, nullptr, nullptr, nullptr);
    // Each image is decoded once or twice: MuPDF need not keep it (nor its decoded tiles).
    pdf_remove_item(ctx, fz_drop_image_imp, ref);
    if (pixmap->colorspace && (grey || pixmap->alpha)) {
      converted = fz_convert_pixmap(ctx, pixmap, grey ? fz_device_gray(ctx) : pixmap->colorspace, nullptr,
                                    nullptr, fz_default_color_params, 0);
      fz_drop_pixmap(ctx, pixmap);
      pixmap = converted;
      converted = nullptr;
    }
  }
  fz_always(ctx) {
    fz_drop_image(ctx, image);
    pdf_drop_obj(ctx, ref);
  }
  fz_catch(ctx) {
    fz_drop_pixmap(ctx, pixmap);
    fz_rethrow(ctx);
  }
  return pixmap;
}

void CopyOut(fz_pixmap* pixmap, bool invertMask, int* width, int* height, int* components,
             std::vector<uint8_t>* samples) {
  *width = pixmap->w;
  *height = pixmap->h;
  *components = pixmap->n;
  samples->resize(static_cast<size_t>(pixmap->w) * pixmap->h * pixmap->n);
  const size_t row = static_cast<size_t>(pixmap->w) * pixmap->n;
  for (int y = 0; y < pixmap->h; ++y) {
    const unsigned char* from = pixmap->samples + static_cast<size_t>(y) * pixmap->stride;
    uint8_t* to = samples->data() + y * row;
    for (size_t i = 0; i < row; ++i) to[i] = invertMask ? 255 - from[i] : from[i];
  }
}

}  // namespace

bool DecodeImage(fz_context* ctx, pdf_document* doc, int object, ImagePixels* out, std::string* error) {
  fz_pixmap* pixmap = nullptr;
  fz_var(pixmap);
  bool ok = true;
  fz_try(ctx) {
    pixmap = Decode(ctx, doc, object, false);
    CopyOut(pixmap, false, &out->width, &out->height, &out->components, &out->samples);
  }
  fz_always(ctx) { fz_drop_pixmap(ctx, pixmap); }
  fz_catch(ctx) {
    if (error) *error = fz_caught_message(ctx);
    ok = false;
  }
  return ok;
}

bool DecodeGray(fz_context* ctx, pdf_document* doc, int object, GrayImage* out, std::string* error) {
  fz_pixmap* pixmap = nullptr;
  fz_var(pixmap);
  bool ok = true;
  fz_try(ctx) {
    pixmap = Decode(ctx, doc, object, true);
    int components = 0;
    // A stencil mask decodes to coverage only: painted pixels are the dark ones.
    CopyOut(pixmap, pixmap->colorspace == nullptr, &out->width, &out->height, &components, &out->pixels);
    if (components != 1) fz_throw(ctx, FZ_ERROR_GENERIC, "the image did not decode to one grey component");
  }
  fz_always(ctx) { fz_drop_pixmap(ctx, pixmap); }
  fz_catch(ctx) {
    if (error) *error = fz_caught_message(ctx);
    ok = false;
  }
  return ok;
}

}  // namespace scanned
