#include "ImageEdit.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "JpegBlocks.h"

namespace scanned {

namespace {

// The first pixel (row by row) with the lowest grey value.
size_t DarkestPixel(const GrayImage& grey) {
  return static_cast<size_t>(std::min_element(grey.pixels.begin(), grey.pixels.end()) - grey.pixels.begin());
}

bool IsFilter(fz_context* ctx, pdf_obj* filter, const char* name, const char* abbreviation) {
  return pdf_is_name(ctx, filter) &&
         (std::strcmp(pdf_to_name(ctx, filter), name) == 0 || std::strcmp(pdf_to_name(ctx, filter), abbreviation) == 0);
}

// The stream's only filter, or null when it has none or several.
pdf_obj* OnlyFilter(fz_context* ctx, pdf_obj* dict) {
  pdf_obj* filter = pdf_dict_get(ctx, dict, PDF_NAME(Filter));
  if (pdf_is_array(ctx, filter)) return pdf_array_len(ctx, filter) == 1 ? pdf_array_get(ctx, filter, 0) : nullptr;
  return filter;
}

std::vector<uint8_t> Bytes(fz_context* ctx, fz_buffer* buffer) {
  unsigned char* data = nullptr;
  const size_t size = fz_buffer_storage(ctx, buffer, &data);
  return std::vector<uint8_t>(data, data + size);
}

void Replace(fz_context* ctx, pdf_document* doc, pdf_obj* ref, const std::vector<uint8_t>& data) {
  fz_buffer* buffer = fz_new_buffer_from_copied_data(ctx, data.data(), data.size());
  fz_try(ctx) { pdf_update_stream(ctx, doc, ref, buffer, 1); }
  fz_always(ctx) { fz_drop_buffer(ctx, buffer); }
  fz_catch(ctx) { fz_rethrow(ctx); }
  // Whatever MuPDF decoded from the old stream is gone with it.
  pdf_remove_item(ctx, fz_drop_image_imp, ref);
}

// Sets the bits of sample (x, component c) in a packed row to `value`.
void PutSample(uint8_t* row, int x, int components, int c, int bits, unsigned value) {
  const size_t index = static_cast<size_t>(x) * components + c;
  if (bits == 8) {
    row[index] = static_cast<uint8_t>(value);
  } else if (bits == 16) {
    row[2 * index] = static_cast<uint8_t>(value >> 8);
    row[2 * index + 1] = static_cast<uint8_t>(value);
  } else {
    const size_t bit = index * bits;
    const int shift = 8 - bits - static_cast<int>(bit % 8);
    const unsigned mask = ((1u << bits) - 1) << shift;
    row[bit / 8] = static_cast<uint8_t>((row[bit / 8] & ~mask) | ((value << shift) & mask));
  }
}

unsigned GetSample(const uint8_t* row, int x, int components, int c, int bits) {
  const size_t index = static_cast<size_t>(x) * components + c;
  if (bits == 8) return row[index];
  if (bits == 16) return (row[2 * index] << 8) | row[2 * index + 1];
  const size_t bit = index * bits;
  const int shift = 8 - bits - static_cast<int>(bit % 8);
  return (row[bit / 8] >> shift) & ((1u << bits) - 1);
}

std::vector<uint8_t> Deflate(const std::vector<uint8_t>& data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::vector<uint8_t> out(size);
  if (compress2(out.data(), &size, data.data(), static_cast<uLong>(data.size()), 6) != Z_OK) return {};
  out.resize(size);
  return out;
}

// Samples as the stream holds them after its filters (any filter MuPDF decodes but JPX).
void BlackOutSamples(fz_context* ctx, pdf_document* doc, pdf_obj* ref, pdf_obj* dict,
                     const std::vector<PixelBox>& boxes, const GrayImage& grey, ImageEdit& edit) {
  const int width = pdf_dict_get_int(ctx, dict, PDF_NAME(Width));
  const int height = pdf_dict_get_int(ctx, dict, PDF_NAME(Height));
  const bool mask = pdf_dict_get_bool(ctx, dict, PDF_NAME(ImageMask));
  const int bits = mask ? 1 : pdf_dict_get_int(ctx, dict, PDF_NAME(BitsPerComponent));
  int components = 1;
  if (!mask) {
    fz_colorspace* space = pdf_load_colorspace(ctx, pdf_dict_get(ctx, dict, PDF_NAME(ColorSpace)));
    components = fz_colorspace_n(ctx, space);
    fz_drop_colorspace(ctx, space);
  }
  if (width != grey.width || height != grey.height || !(bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16))
    fz_throw(ctx, FZ_ERROR_GENERIC, "the image's size or depth is not what it decodes to");
  fz_buffer* decoded = pdf_load_stream(ctx, ref);
  std::vector<uint8_t> samples = Bytes(ctx, decoded);
  fz_drop_buffer(ctx, decoded);
  const size_t stride = (static_cast<size_t>(width) * components * bits + 7) / 8;
  if (samples.size() < stride * height) fz_throw(ctx, FZ_ERROR_GENERIC, "the image's data is cut short");
  samples.resize(stride * height);

  const size_t darkest = DarkestPixel(grey);
  const int dx = static_cast<int>(darkest % width);
  const int dy = static_cast<int>(darkest / width);
  unsigned dark[FZ_MAX_COLORS] = {};
  for (int c = 0; c < components && c < FZ_MAX_COLORS; ++c)
    dark[c] = GetSample(samples.data() + dy * stride, dx, components, c, bits);
  for (const PixelBox& box : boxes) {
    const PixelBox cut = Padded(box, 0, width, height);
    if (cut.Empty()) continue;
    edit.blacked.push_back(cut);
    edit.changed.push_back(cut);
    for (int y = cut.y0; y < cut.y1; ++y)
      for (int x = cut.x0; x < cut.x1; ++x)
        for (int c = 0; c < components && c < FZ_MAX_COLORS; ++c)
          PutSample(samples.data() + y * stride, x, components, c, bits, dark[c]);
  }
  const std::vector<uint8_t> packed = Deflate(samples);
  if (packed.empty()) fz_throw(ctx, FZ_ERROR_GENERIC, "the image cannot be compressed");
  pdf_dict_put(ctx, dict, PDF_NAME(Filter), PDF_NAME(FlateDecode));
  pdf_dict_del(ctx, dict, PDF_NAME(DecodeParms));
  Replace(ctx, doc, ref, packed);
  edit.kind = "Flate";
}

// A JPEG 2000 image: its decoded pixels (in the colour space they decode to) as 8-bit Flate.
void BlackOutDecoded(fz_context* ctx, pdf_document* doc, pdf_obj* ref, pdf_obj* dict,
                     const std::vector<PixelBox>& boxes, const GrayImage& grey, ImageEdit& edit) {
  fz_image* image = pdf_load_image(ctx, doc, ref);
  fz_pixmap* pixmap = nullptr;
  fz_pixmap* plain = nullptr;
  fz_var(pixmap);
  fz_var(plain);
  fz_try(ctx) {
    pixmap = fz_get_pixmap_from_image(ctx, image, nullptr, nullptr, nullptr, nullptr);
    fz_colorspace* target = pixmap->colorspace ? pixmap->colorspace : fz_device_gray(ctx);
    if (fz_colorspace_is_indexed(ctx, target) || fz_colorspace_n(ctx, target) > 4 || !pixmap->colorspace ||
        pixmap->alpha)
      target = fz_colorspace_n(ctx, target) >= 3 ? fz_device_rgb(ctx) : fz_device_gray(ctx);
    plain = pixmap->colorspace == target && !pixmap->alpha
                ? fz_keep_pixmap(ctx, pixmap)
                : fz_convert_pixmap(ctx, pixmap, target, nullptr, nullptr, fz_default_color_params, 0);
    if (plain->w != grey.width || plain->h != grey.height) fz_throw(ctx, FZ_ERROR_GENERIC, "unexpected size");
    const int n = plain->n;
    const size_t darkest = DarkestPixel(grey);
    const unsigned char* darkPixel = plain->samples + (darkest / plain->w) * plain->stride + (darkest % plain->w) * n;
    std::vector<uint8_t> dark(darkPixel, darkPixel + n);
    std::vector<uint8_t> samples(static_cast<size_t>(plain->w) * plain->h * n);
    for (int y = 0; y < plain->h; ++y)
      std::memcpy(samples.data() + static_cast<size_t>(y) * plain->w * n, plain->samples + y * plain->stride,
                  static_cast<size_t>(plain->w) * n);
    for (const PixelBox& box : boxes) {
      const PixelBox cut = Padded(box, 0, plain->w, plain->h);
      if (cut.Empty()) continue;
      edit.blacked.push_back(cut);
      edit.changed.push_back(cut);
      for (int y = cut.y0; y < cut.y1; ++y)
        for (int x = cut.x0; x < cut.x1; ++x)
          std::memcpy(samples.data() + (static_cast<size_t>(y) * plain->w + x) * n, dark.data(), n);
    }
    const std::vector<uint8_t> packed = Deflate(samples);
    if (packed.empty()) fz_throw(ctx, FZ_ERROR_GENERIC, "the image cannot be compressed");
    pdf_dict_put(ctx, dict, PDF_NAME(Filter), PDF_NAME(FlateDecode));
    pdf_dict_del(ctx, dict, PDF_NAME(DecodeParms));
    pdf_dict_del(ctx, dict, PDF_NAME(Decode));
    pdf_dict_del(ctx, dict, PDF_NAME(SMaskInData));
    pdf_dict_put_int(ctx, dict, PDF_NAME(BitsPerComponent), 8);
    pdf_dict_put(ctx, dict, PDF_NAME(ColorSpace), n >= 3 ? PDF_NAME(DeviceRGB) : PDF_NAME(DeviceGray));
    if (n == 4) pdf_dict_put(ctx, dict, PDF_NAME(ColorSpace), PDF_NAME(DeviceCMYK));
    Replace(ctx, doc, ref, packed);
    edit.kind = "Flate";
  }
  fz_always(ctx) {
    fz_drop_pixmap(ctx, plain);
    fz_drop_pixmap(ctx, pixmap);
    fz_drop_image(ctx, image);
  }
  fz_catch(ctx) { fz_rethrow(ctx); }
}

}  // namespace

ImageEdit BlackOutImage(fz_context* ctx, pdf_document* doc, int object, const std::vector<PixelBox>& boxes,
                        const GrayImage& grey) {
  ImageEdit edit;
  if (grey.pixels.empty()) {
    edit.error = "the image was not decoded";
    return edit;
  }
  pdf_obj* ref = nullptr;
  fz_var(ref);
  fz_try(ctx) {
    ref = pdf_new_indirect(ctx, doc, object, 0);
    pdf_obj* dict = pdf_resolve_indirect(ctx, ref);
    pdf_obj* filter = OnlyFilter(ctx, dict);
    const bool jpeg = filter && IsFilter(ctx, filter, "DCTDecode", "DCT");
    const bool jpx = filter && IsFilter(ctx, filter, "JPXDecode", "JPXDecode");
    std::vector<uint8_t> original;
    if (jpeg) {
      fz_buffer* raw = pdf_load_raw_stream(ctx, ref);
      original = Bytes(ctx, raw);
      fz_drop_buffer(ctx, raw);
    }
    const size_t darkest = DarkestPixel(grey);
    JpegEdit blocks = jpeg ? BlackOutJpegBlocks(original, boxes, static_cast<int>(darkest % grey.width),
                                                static_cast<int>(darkest / grey.width))
                           : JpegEdit{};
    if (jpeg && blocks.error.empty()) {
      Replace(ctx, doc, ref, blocks.data);
      edit.blacked = std::move(blocks.blacked);
      edit.changed = std::move(blocks.changed);
      edit.kind = "JPEG";
    } else if (jpx || jpeg) {
      // A JPEG that cannot be edited block by block is written from its decoded pixels too.
      BlackOutDecoded(ctx, doc, ref, dict, boxes, grey, edit);
    } else {
      BlackOutSamples(ctx, doc, ref, dict, boxes, grey, edit);
    }
  }
  fz_always(ctx) { pdf_drop_obj(ctx, ref); }
  fz_catch(ctx) {
    edit = ImageEdit{};
    edit.error = fz_caught_message(ctx);
  }
  return edit;
}

}  // namespace scanned
