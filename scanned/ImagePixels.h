// An image XObject's pixels as MuPDF decodes them for drawing (filters, colour space, /Decode
// and indexed colours applied), at the image's own resolution.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "GrayImage.h"

extern "C" {
#include <mupdf/fitz.h>
#include <mupdf/pdf.h>
}

namespace scanned {

struct ImagePixels {
  int width = 0;
  int height = 0;
  int components = 0;  // of the colour space MuPDF decodes to; 1 for a stencil mask (255 = painted)
  std::vector<uint8_t> samples;  // width * height * components, row by row, first row on top
};

// The image object's pixels; false with *error set when it cannot be decoded.
bool DecodeImage(fz_context* ctx, pdf_document* doc, int object, ImagePixels* out, std::string* error);

// The same in grey (0 black, 255 white; a stencil mask's painted pixels black).
bool DecodeGray(fz_context* ctx, pdf_document* doc, int object, GrayImage* out, std::string* error);

}  // namespace scanned
