#include "ObjectsTestSupport.h"


namespace standin::objects::testing {

namespace {

void AppendStream(HostHandle object, std::string* out) {
  if (!object || HOST(61, 0)(object) != kPdfObjectStream) return;
  HostHandle accessor = HOST(69, 0)();
  if (HOST(69, 2)(accessor, object, 0, 0, 0)) {
    const uint8_t* data = HOST(69, 5)(accessor);
    uint32_t length = HOST(69, 6)(accessor);
    if (data) out->append(reinterpret_cast<const char*>(data), length);
  }
  HOST(69, 1)(accessor);
}

}  // namespace

std::string ContentsThroughHost(HostHandle pageDictionary) {
  std::string out;
  HostHandle contents = HOST(67, 2)(pageDictionary, "Contents");
  if (contents && HOST(61, 0)(contents) == kPdfObjectArray) {
    for (int32_t i = 0; i < HOST(66, 1)(contents); ++i) {
      if (i) out += "\n";
      AppendStream(HOST(66, 3)(contents, i), &out);
    }
  } else {
    AppendStream(contents, &out);
  }
  return out;
}

}  // namespace standin::objects::testing
