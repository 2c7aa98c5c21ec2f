#include "JpegBlocks.h"

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>

extern "C" {
#include <jpeglib.h>
}

namespace scanned {

namespace {

struct ErrorManager {
  jpeg_error_mgr pub;
  jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void OnError(j_common_ptr cinfo) {
  auto* self = reinterpret_cast<ErrorManager*>(cinfo->err);
  cinfo->err->format_message(cinfo, self->message);
  std::longjmp(self->jump, 1);
}

void Quiet(j_common_ptr, int) {}

// The component values of one decoded pixel, in the JPEG's own colour space (no conversion).
// Fills `values`; false with `message` set on a decoding error.
bool PixelValues(const std::vector<uint8_t>& jpeg, int x, int y, int values[4], char* message) {
  jpeg_decompress_struct cinfo;
  ErrorManager error;
  cinfo.err = jpeg_std_error(&error.pub);
  error.pub.error_exit = OnError;
  error.pub.emit_message = Quiet;
  JSAMPARRAY row = nullptr;
  if (setjmp(error.jump)) {
    std::snprintf(message, JMSG_LENGTH_MAX, "%s", error.message);
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, jpeg.data(), jpeg.size());
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = cinfo.jpeg_color_space;
  jpeg_start_decompress(&cinfo);
  row = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                   cinfo.output_width * cinfo.output_components, 1);
  const int n = std::min(cinfo.output_components, 4);
  while (cinfo.output_scanline < cinfo.output_height) {
    const int line = static_cast<int>(cinfo.output_scanline);
    jpeg_read_scanlines(&cinfo, row, 1);
    if (line == y) {
      const int at = std::clamp(x, 0, static_cast<int>(cinfo.output_width) - 1);
      for (int c = 0; c < n; ++c) values[c] = row[0][at * cinfo.output_components + c];
      break;
    }
  }
  jpeg_abort_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

// Copies the markers an application wrote (EXIF, ICC profiles, comments), except the JFIF and
// Adobe markers the library writes itself.
void CopyMarkers(jpeg_decompress_struct* src, jpeg_compress_struct* dst) {
  for (jpeg_saved_marker_ptr m = src->marker_list; m; m = m->next) {
    if (dst->write_JFIF_header && m->marker == JPEG_APP0 && m->data_length >= 5 &&
        std::equal(m->data, m->data + 5, reinterpret_cast<const JOCTET*>("JFIF")))
      continue;
    if (dst->write_Adobe_marker && m->marker == JPEG_APP0 + 14 && m->data_length >= 5 &&
        std::equal(m->data, m->data + 5, reinterpret_cast<const JOCTET*>("Adobe")))
      continue;
    jpeg_write_marker(dst, m->marker, m->data, m->data_length);
  }
}

}  // namespace

JpegEdit BlackOutJpegBlocks(const std::vector<uint8_t>& jpeg, const std::vector<PixelBox>& boxes, int darkestX,
                            int darkestY) {
  JpegEdit result;
  int dark[4] = {0, 128, 128, 0};
  char message[JMSG_LENGTH_MAX] = "";
  if (!PixelValues(jpeg, darkestX, darkestY, dark, message)) {
    result.error = std::string("the JPEG image cannot be decoded: ") + message;
    return result;
  }

  jpeg_decompress_struct src;
  jpeg_compress_struct dst;
  ErrorManager error;
  src.err = jpeg_std_error(&error.pub);
  dst.err = src.err;
  error.pub.error_exit = OnError;
  error.pub.emit_message = Quiet;
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  volatile bool dstCreated = false;
  if (setjmp(error.jump)) {
    if (dstCreated) jpeg_destroy_compress(&dst);
    jpeg_destroy_decompress(&src);
    std::free(buffer);
    result = JpegEdit{};
    result.error = std::string("the JPEG image cannot be rewritten: ") + error.message;
    return result;
  }
  jpeg_create_decompress(&src);
  jpeg_mem_src(&src, jpeg.data(), jpeg.size());
  jpeg_save_markers(&src, JPEG_COM, 0xFFFF);
  for (int m = 0; m < 16; ++m) jpeg_save_markers(&src, JPEG_APP0 + m, 0xFFFF);
  jpeg_read_header(&src, TRUE);
  jvirt_barray_ptr* coefficients = jpeg_read_coefficients(&src);

  const int width = static_cast<int>(src.image_width);
  const int height = static_cast<int>(src.image_height);
  const int mcuWidth = 8 * src.max_h_samp_factor;
  const int mcuHeight = 8 * src.max_v_samp_factor;
  const bool subsampled = src.max_h_samp_factor > 1 || src.max_v_samp_factor > 1;
  for (const PixelBox& box : boxes) {
    const PixelBox cut = Padded(box, 0, width, height);
    if (cut.Empty()) continue;
    const PixelBox mcu{cut.x0 / mcuWidth * mcuWidth, cut.y0 / mcuHeight * mcuHeight,
                       std::min(width, (cut.x1 + mcuWidth - 1) / mcuWidth * mcuWidth),
                       std::min(height, (cut.y1 + mcuHeight - 1) / mcuHeight * mcuHeight)};
    result.blacked.push_back(mcu);
    result.changed.push_back(subsampled ? Padded(mcu, std::max(mcuWidth, mcuHeight), width, height) : mcu);
    for (int c = 0; c < src.num_components; ++c) {
      jpeg_component_info* component = src.comp_info + c;
      // Block columns and rows of this component that the MCUs hold.
      const int bx0 = mcu.x0 / mcuWidth * component->h_samp_factor;
      const int bx1 = std::min<int>(component->width_in_blocks,
                                    (mcu.x1 + mcuWidth - 1) / mcuWidth * component->h_samp_factor);
      const int by0 = mcu.y0 / mcuHeight * component->v_samp_factor;
      const int by1 = std::min<int>(component->height_in_blocks,
                                    (mcu.y1 + mcuHeight - 1) / mcuHeight * component->v_samp_factor);
      const int quant = component->quant_table ? component->quant_table->quantval[0] : 1;
      const int value = c < 4 ? dark[c] : 0;
      const JCOEF dc = static_cast<JCOEF>(std::lround((value - 128) * 8.0 / std::max(quant, 1)));
      for (int by = by0; by < by1; ++by) {
        JBLOCKARRAY rows = (*src.mem->access_virt_barray)(reinterpret_cast<j_common_ptr>(&src), coefficients[c],
                                                            static_cast<JDIMENSION>(by), 1, TRUE);
        for (int bx = bx0; bx < bx1; ++bx) {
          JCOEFPTR block = rows[0][bx];
          block[0] = dc;
          std::fill(block + 1, block + DCTSIZE2, JCOEF{0});
        }
      }
    }
  }

  jpeg_create_compress(&dst);
  dstCreated = true;
  jpeg_mem_dest(&dst, &buffer, &size);
  jpeg_copy_critical_parameters(&src, &dst);
  // Huffman tables made for these coefficients; progressive images stay progressive.
  dst.optimize_coding = TRUE;
  if (jpeg_has_multiple_scans(&src)) jpeg_simple_progression(&dst);
  jpeg_write_coefficients(&dst, coefficients);
  CopyMarkers(&src, &dst);
  jpeg_finish_compress(&dst);
  jpeg_destroy_compress(&dst);
  dstCreated = false;
  jpeg_finish_decompress(&src);
  jpeg_destroy_decompress(&src);
  result.data.assign(buffer, buffer + size);
  std::free(buffer);
  return result;
}

}  // namespace scanned
