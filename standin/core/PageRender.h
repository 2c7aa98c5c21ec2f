// Pictures of pages as a reader of the saved document would see them: content and annotations
// with their appearance streams, rendered by MuPDF from a copy, so the open document is never
// touched by the renderer.
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

// Every page of the document at `zoom` pixels per page unit; empty on failure.
std::vector<PageImage> RenderPages(HostHandle document, float zoom);
// One page; false on failure.
bool RenderPage(HostHandle document, int pageIndex, float zoom, PageImage* image);
bool WritePng(const PageImage& image, const std::string& path);

}  // namespace standin
