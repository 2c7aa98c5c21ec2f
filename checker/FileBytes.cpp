#include "FileBytes.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "RawPdf.h"

namespace checker {

FileBytes::FileBytes(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  struct stat info {};
  // Only a file's bytes: a folder or a device has none to check.
  const bool regular = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0;
  if (regular) {
    void* at = mmap(nullptr, static_cast<size_t>(info.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    if (at != MAP_FAILED) {
      mapped_ = at;
      mappedSize_ = static_cast<size_t>(info.st_size);
      view_ = std::string_view(static_cast<const char*>(at), mappedSize_);
    }
  }
  close(fd);
  if (regular && !mapped_) {
    read_ = ReadFile(path);
    view_ = read_;
  }
}

FileBytes::~FileBytes() {
  if (mapped_) munmap(mapped_, mappedSize_);
}

void FileBytes::DoneUpTo(size_t offset) {
  if (!mapped_) return;
  const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  const size_t end = offset >= mappedSize_ ? mappedSize_ : offset / page * page;
  // Behind what was let go: a new walk from the start, whose pages come back as it reads them.
  if (end < released_) released_ = 0;
  // Whole pages only, and not for every small step.
  if (end <= released_ || (end < mappedSize_ && end - released_ < 64 * page)) return;
  madvise(static_cast<char*>(mapped_) + released_, end - released_, MADV_DONTNEED);
  released_ = end;
}

int CountOccurrences(FileBytes& bytes, std::string_view needle) {
  const std::string_view all = bytes.View();
  if (needle.empty()) return 0;
  // A piece at a time, so that the bytes can go as the search passes: one search for a rare
  // needle would otherwise run through the whole file before any could.
  constexpr size_t kPiece = size_t{1} << 20;
  int count = 0;
  for (size_t start = 0; start < all.size(); start += kPiece) {
    // Occurrences starting in this piece, which may end in the next one.
    const std::string_view piece = all.substr(start, kPiece + needle.size() - 1);
    for (size_t at = piece.find(needle); at != std::string_view::npos && at < kPiece; at = piece.find(needle, at + 1))
      ++count;
    bytes.DoneUpTo(start + kPiece);
  }
  return count;
}

}  // namespace checker
