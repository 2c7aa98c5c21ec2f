// Documents with one image page, made for the tests of scanned pages.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "GrayImage.h"
#include "pdf/Document.h"

namespace scanned::test {

// A one-page PDF (612 x 792) that draws one image XObject (object 4) over `placement` ("w 0 0 h
// x y cm" by default the whole page) and nothing else. `entries` are the image dictionary's
// entries after /Subtype /Image; `data` its stream as stored.
std::string ImagePdf(const std::string& entries, const std::vector<uint8_t>& data,
                     const std::string& placement = "612 0 0 792 0 0 cm");

// The same page with `content` as its content: besides /Im it has the font /F1 (Helvetica) and
// the graphics state /G0 (fill opacity 0).
std::string PagePdf(const std::string& entries, const std::vector<uint8_t>& data, const std::string& content);

// A path in this test process's temporary folder.
std::string TempPath(const std::string& name);

// Writes the bytes to a file of this test process's temporary folder and opens it.
std::unique_ptr<standin::pdf::Document> OpenBytes(const std::string& bytes, const std::string& name);

// A grey test picture: a gradient with dark strokes, so that every pixel is worth comparing.
GrayImage Pattern(int width, int height);

// The grey picture as a JPEG (libjpeg) of `components` (1: grey, 3: YCbCr 4:2:0) at `quality`.
std::vector<uint8_t> Jpeg(const GrayImage& image, int components, int quality);

std::vector<uint8_t> Deflated(const std::vector<uint8_t>& data);

// The stream of an object of the document as stored (undecoded).
std::vector<uint8_t> RawStream(standin::pdf::Document& document, int object);

constexpr int kImageObject = 4;

}  // namespace scanned::test
