#include "FileRecords.h"

#include <unistd.h>

namespace common {

bool WriteBytes(std::FILE* file, const void* data, size_t length) {
  return length == 0 || std::fwrite(data, 1, length, file) == length;
}

bool ReadBytesAt(int fd, long offset, void* data, size_t length) {
  size_t done = 0;
  while (done < length) {
    const ssize_t n = pread(fd, static_cast<char*>(data) + done, length - done, offset + static_cast<long>(done));
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace common
