// Host images from a module's PNG resources (host 2:50, released by 2:2): the host keeps the
// picture's size, depth and colour type.
#include <windows.h>

#include <cstring>
#include <memory>

#include "core/Ribbon.h"
#include "win/WindowParts.h"

namespace standin {

namespace {

uint32_t BigEndian32(const unsigned char* bytes) {
  return (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) | bytes[3];
}

// The header of a PNG file: signature, then the IHDR chunk with size, depth and colour type.
bool ReadPngHeader(const unsigned char* bytes, DWORD size, RibbonImage* image) {
  static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  if (size < 33 || std::memcmp(bytes, kSignature, 8) != 0 || std::memcmp(bytes + 12, "IHDR", 4) != 0) {
    return false;
  }
  image->width = static_cast<int>(BigEndian32(bytes + 16));
  image->height = static_cast<int>(BigEndian32(bytes + 20));
  image->bitDepth = bytes[24];
  image->colorType = bytes[25];
  return true;
}

HostHandle VM_CALL ImageFromResource(void* module, uint32_t number) {
  auto instance = static_cast<HMODULE>(module);
  HRSRC resource = FindResourceW(instance, MAKEINTRESOURCEW(number & 0xFFFF),
                                 reinterpret_cast<const WCHAR*>(u"PNG"));
  if (!resource) return nullptr;
  HGLOBAL loaded = LoadResource(instance, resource);
  auto* bytes = loaded ? static_cast<const unsigned char*>(LockResource(loaded)) : nullptr;
  auto image = std::make_unique<RibbonImage>();
  if (!bytes || !ReadPngHeader(bytes, SizeofResource(instance, resource), image.get())) return nullptr;
  Tracker().Created(kImageKind, image.get());
  return image.release();
}

void VM_CALL ReleaseImage(HostHandle image) {
  if (Tracker().Released(kImageKind, image)) delete static_cast<RibbonImage*>(image);
}

}  // namespace

void RegisterImageFunctions(FunctionTable& table) {
  table.Implement<2, 50>(&ImageFromResource);
  table.Implement<2, 2>(&ReleaseImage);
}

}  // namespace standin
