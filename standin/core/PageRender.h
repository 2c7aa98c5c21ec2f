// Pictures of pages as a reader of the saved document would see them: content and annotations
// with their appearance streams, rendered by MuPDF from a copy of the pages drawn, so the open
// document is never touched by the renderer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "HostAbi.h"

namespace standin {

struct PageImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;  // rows top to bottom, 3 bytes a pixel, no padding
};

// Pages [first, last) of the document (as far as it has them) at `zoom` pixels per page unit;
// empty on failure.
std::vector<PageImage> RenderPages(HostHandle document, float zoom, int first = 0, int last = 1 << 30);
// One page; false on failure.
bool RenderPage(HostHandle document, int pageIndex, float zoom, PageImage* image);
bool WritePng(const PageImage& image, const std::string& path);

}  // namespace standin
