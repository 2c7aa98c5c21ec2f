// A bound on what one filtered stream may decode to. A few kilobytes of nested Flate data can
// decode to gigabytes: read whole, they exhaust memory; read as content, they keep the
// interpreter busy for hours. Every Flate, LZW and run-length decoder MuPDF opens (for content,
// images, fonts, metadata, embedded files, the check's raw reading) is wrapped at link time
// (--wrap, see CMakeLists.txt) in a stream that counts what it gives and throws a MuPDF error
// past the limit; the caller then treats the stream as it treats a damaged one.
#pragma once

#include <cstdint>
#include <string>

namespace standin::pdf {

constexpr uint64_t kDefaultDecodeLimit = uint64_t{512} << 20;

// The bound in bytes for streams opened from now on (0: the default). For tests.
void SetDecodeLimit(uint64_t bytes);
uint64_t DecodeLimit();

// How many times a stream went past the limit in this process so far.
uint64_t DecodeLimitHits();

// What to tell a person when a stream went past the limit.
std::string DecodeLimitReason();

}  // namespace standin::pdf
