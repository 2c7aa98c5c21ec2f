#include "ui/pictures/WindowPicture.h"

#include <algorithm>
#include <cstring>

namespace pictures {

namespace {

constexpr int kMargin = 16;
constexpr uint8_t kGround = 0xAB;  // the grey around the pages in the host's view

void Paste(const standin::PageImage& from, int left, int top, standin::PageImage& into) {
  for (int y = 0; y < from.height; ++y) {
    std::memcpy(&into.rgb[(static_cast<size_t>(top + y) * into.width + left) * 3],
                &from.rgb[static_cast<size_t>(y) * from.width * 3], static_cast<size_t>(from.width) * 3);
  }
}

}  // namespace

standin::PageImage PictureOfScreen(const RECT& rect) {
  standin::PageImage image;
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return image;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    GdiFlush();
    const auto* bgra = static_cast<const uint8_t*>(bits);
    image.width = width;
    image.height = height;
    image.rgb.resize(static_cast<size_t>(width) * height * 3);
    for (size_t i = 0, n = static_cast<size_t>(width) * height; i < n; ++i) {
      image.rgb[i * 3 + 0] = bgra[i * 4 + 2];
      image.rgb[i * 3 + 1] = bgra[i * 4 + 1];
      image.rgb[i * 3 + 2] = bgra[i * 4 + 0];
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
  }
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return image;
}

standin::PageImage PictureOfWindow(HWND window) {
  RECT rect;
  if (!GetWindowRect(window, &rect)) return {};
  return PictureOfScreen(rect);
}

standin::PageImage SideBySide(const standin::PageImage& left, const standin::PageImage& right) {
  standin::PageImage both;
  both.width = kMargin + left.width + kMargin + right.width + kMargin;
  both.height = kMargin + std::max(left.height, right.height) + kMargin;
  both.rgb.assign(static_cast<size_t>(both.width) * both.height * 3, kGround);
  Paste(left, kMargin, kMargin, both);
  Paste(right, kMargin + left.width + kMargin, kMargin, both);
  return both;
}

}  // namespace pictures
