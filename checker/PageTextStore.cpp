#include "PageTextStore.h"

#include <unistd.h>

#include <cstdint>

#include "FileRecords.h"

namespace checker {

namespace {

// A page's record: readable, character count, the UTF-16 units, the boxes, one byte per
// character for inTextObject.
template <class T>
bool Write(std::FILE* file, const T* data, size_t count) {
  return common::WriteBytes(file, data, count * sizeof(T));
}

template <class T>
bool ReadAt(int fd, long* offset, T* data, size_t count) {
  if (!common::ReadBytesAt(fd, *offset, data, count * sizeof(T))) return false;
  *offset += static_cast<long>(count * sizeof(T));
  return true;
}

}  // namespace

PageTextStore::PageTextStore() : file_(std::tmpfile()) { spoiled_ = file_ == nullptr; }

PageTextStore::~PageTextStore() {
  if (file_) std::fclose(file_);
}

void PageTextStore::Add(int pageIndex, const PageText& page) {
  if (spoiled_ || pageIndex != static_cast<int>(offsets_.size()) || std::fseek(file_, 0, SEEK_END) != 0) {
    spoiled_ = true;
    return;
  }
  const long offset = std::ftell(file_);
  const uint8_t readable = page.readable ? 1 : 0;
  const uint64_t count = page.text.size();
  std::vector<uint8_t> inTextObject(page.inTextObject.begin(), page.inTextObject.end());
  const bool consistent = page.boxes.size() == count && inTextObject.size() == count;
  if (offset < 0 || !consistent || !Write(file_, &readable, 1) || !Write(file_, &count, 1) ||
      !Write(file_, page.text.data(), count) || !Write(file_, page.boxes.data(), count) ||
      !Write(file_, inTextObject.data(), count) || std::fflush(file_) != 0) {
    spoiled_ = true;
    return;
  }
  offsets_.push_back(offset);
}

std::optional<PageText> PageTextStore::Read(int pageIndex) const {
  if (spoiled_ || pageIndex < 0 || pageIndex >= static_cast<int>(offsets_.size())) return std::nullopt;
  const int fd = fileno(file_);
  long at = offsets_[static_cast<size_t>(pageIndex)];
  uint8_t readable = 0;
  uint64_t count = 0;
  if (!ReadAt(fd, &at, &readable, 1) || !ReadAt(fd, &at, &count, 1) || count > (1u << 28)) return std::nullopt;
  PageText page;
  page.readable = readable != 0;
  page.text.resize(count);
  page.boxes.resize(count);
  std::vector<uint8_t> inTextObject(count);
  if (!ReadAt(fd, &at, page.text.data(), count) || !ReadAt(fd, &at, page.boxes.data(), count) ||
      !ReadAt(fd, &at, inTextObject.data(), count))
    return std::nullopt;
  page.inTextObject.assign(inTextObject.begin(), inTextObject.end());
  return page;
}

int PageTextStore::PageCount() const { return spoiled_ ? -1 : static_cast<int>(offsets_.size()); }

}  // namespace checker
