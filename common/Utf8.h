// Strict conversions between UTF-8 and UTF-16 for the command line and the checker.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace common {

// UTF-16 of well-formed UTF-8 (no overlong forms, surrogates or values above U+10FFFF);
// nullopt otherwise, with the byte offset of the first bad sequence in *errorOffset.
std::optional<std::u16string> Utf8ToUtf16(std::string_view utf8, size_t* errorOffset = nullptr);
// UTF-8 of UTF-16; a lone surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view utf16);

}  // namespace common
