#include "ImageTestSupport.h"

#include <zlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include <unistd.h>

extern "C" {
#include <jpeglib.h>
}

namespace scanned::test {

std::string ImagePdf(const std::string& entries, const std::vector<uint8_t>& data, const std::string& placement) {
  return PagePdf(entries, data, "q " + placement + " /Im Do Q");
}

std::string PagePdf(const std::string& entries, const std::vector<uint8_t>& data, const std::string& content) {
  std::string out = "%PDF-1.7\n";
  std::vector<size_t> offsets;
  auto add = [&](const std::string& body) {
    offsets.push_back(out.size());
    out += std::to_string(offsets.size()) + " 0 obj\n" + body + "\nendobj\n";
  };
  add("<< /Type /Catalog /Pages 2 0 R >>");
  add("<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
  add("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /XObject << /Im 4 0 R >> "
      "/Font << /F1 << /Type /Font /Subtype /Type1 /BaseFont /Helvetica >> >> /ExtGState << /G0 << /ca 0 >> >> >> "
      "/Contents 5 0 R >>");
  add("<< /Type /XObject /Subtype /Image " + entries + " /Length " + std::to_string(data.size()) + " >>\nstream\n" +
      std::string(data.begin(), data.end()) + "\nendstream");
  add("<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "\nendstream");
  const size_t xref = out.size();
  out += "xref\n0 " + std::to_string(offsets.size() + 1) + "\n0000000000 65535 f \n";
  char line[32];
  for (size_t offset : offsets) {
    std::snprintf(line, sizeof line, "%010zu 00000 n \n", offset);
    out += line;
  }
  out += "trailer\n<< /Size " + std::to_string(offsets.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
         std::to_string(xref) + "\n%%EOF\n";
  return out;
}

std::string TempPath(const std::string& name) {
  const auto dir = std::filesystem::temp_directory_path() / ("veilmark-scanned-test-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  return (dir / name).string();
}

std::unique_ptr<standin::pdf::Document> OpenBytes(const std::string& bytes, const std::string& name) {
  const std::string path = TempPath(name);
  std::ofstream(path, std::ios::binary) << bytes;
  std::string error;
  return standin::pdf::OpenDocument(path, &error);
}

GrayImage Pattern(int width, int height) {
  GrayImage image{width, height, std::vector<uint8_t>(static_cast<size_t>(width) * height)};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      image.pixels[static_cast<size_t>(y) * width + x] =
          static_cast<uint8_t>((x % 17 == 3 || y % 13 == 5) ? 20 : 120 + (x * 3 + y * 2) % 120);
  return image;
}

std::vector<uint8_t> Jpeg(const GrayImage& image, int components, int quality) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr error;
  cinfo.err = jpeg_std_error(&error);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = static_cast<JDIMENSION>(image.width);
  cinfo.image_height = static_cast<JDIMENSION>(image.height);
  cinfo.input_components = components;
  cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<uint8_t> row(static_cast<size_t>(image.width) * components);
  while (cinfo.next_scanline < cinfo.image_height) {
    const uint8_t* from = image.pixels.data() + static_cast<size_t>(cinfo.next_scanline) * image.width;
    for (int x = 0; x < image.width; ++x)
      for (int c = 0; c < components; ++c)
        row[static_cast<size_t>(x) * components + c] = static_cast<uint8_t>(from[x] + (c == 2 ? 0 : c * 10) / 2);
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::vector<uint8_t> out(buffer, buffer + size);
  free(buffer);
  return out;
}

std::vector<uint8_t> Deflated(const std::vector<uint8_t>& data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::vector<uint8_t> out(size);
  compress2(out.data(), &size, data.data(), static_cast<uLong>(data.size()), 9);
  out.resize(size);
  return out;
}

std::vector<uint8_t> RawStream(standin::pdf::Document& document, int object) {
  fz_context* ctx = document.ctx;
  pdf_obj* ref = pdf_new_indirect(ctx, document.doc, object, 0);
  fz_buffer* buffer = pdf_load_raw_stream(ctx, ref);
  unsigned char* data = nullptr;
  const size_t size = fz_buffer_storage(ctx, buffer, &data);
  std::vector<uint8_t> out(data, data + size);
  fz_drop_buffer(ctx, buffer);
  pdf_drop_obj(ctx, ref);
  return out;
}

}  // namespace scanned::test
