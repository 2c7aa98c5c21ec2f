// A file's bytes for a walk from its start to its end. Mapped where the system allows, so that
// a long file is not read into memory whole: the walk says how far it got, and the pages
// behind it are let go (they are read again from the file if asked for).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace checker {

class FileBytes {
 public:
  explicit FileBytes(const std::string& path);
  ~FileBytes();
  FileBytes(const FileBytes&) = delete;
  FileBytes& operator=(const FileBytes&) = delete;

  // Empty when the file cannot be read or holds nothing.
  std::string_view View() const { return view_; }
  // The bytes before `offset` are not needed for now. An offset below an earlier one starts a
  // new walk through the bytes.
  void DoneUpTo(size_t offset);

 private:
  std::string read_;  // the bytes, where the file could not be mapped
  void* mapped_ = nullptr;
  size_t mappedSize_ = 0;
  size_t released_ = 0;
  std::string_view view_;
};

// How often `needle` occurs in the bytes, read from start to end and let go behind.
int CountOccurrences(FileBytes& bytes, std::string_view needle);

}  // namespace checker
