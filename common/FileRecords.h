// Writing and reading back records in the unnamed temporary files that keep what a long
// document would otherwise hold in memory.
#pragma once

#include <cstddef>
#include <cstdio>

namespace common {

// Writes `length` bytes; false when the file did not take them all.
bool WriteBytes(std::FILE* file, const void* data, size_t length);

// Reads `length` bytes at `offset` without moving the file's position, which a forked process
// shares; false when they could not all be read.
bool ReadBytesAt(int fd, long offset, void* data, size_t length);

}  // namespace common
