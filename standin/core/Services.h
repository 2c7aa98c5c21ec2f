// Small host-side objects shared by the host functions of several categories.
#pragma once

#include <string>
#include <vector>

#include "HostAbi.h"

namespace standin {

// Tracker kinds of the objects above and of the other small objects of the core.
inline constexpr char kBoxArrayKind[] = "boxarray";
inline constexpr char kWideStringKind[] = "widestring";
inline constexpr char kByteStringKind[] = "bytestring";
inline constexpr char kCharInfoKind[] = "charinfo";
inline constexpr char kPauseKind[] = "pause";

struct BoxArray {           // host 11:x; filled by 120:6
  std::vector<HostBox> boxes;
};

struct WideString {         // host 18:x; filled by 120:16, 152:1, 153:6
  std::u16string text;
};

struct ByteString {         // host 17:x; read by 83:12
  std::string bytes;
};

}  // namespace standin
