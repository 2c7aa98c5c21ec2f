#include <charconv>

#include "host/HostCall.h"
#include "mask/PageEdits.h"

namespace vm {

namespace {

// "%.2f" without the locale: a full stop is always the decimal mark.
void AppendFixed2(std::string& out, float value) {
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(value),
                              std::chars_format::fixed, 2);
  out.append(buffer, result.ptr);
}

enum class StreamRead { NotStream, Read, Failed };

StreamRead ReadStream(HostHandle object, std::string& bytes) {
  if (!object || Host<61, 0>(object) != kPdfObjectStream) return StreamRead::NotStream;
  HostHandle accessor = Host<69, 0>();
  if (!accessor) return StreamRead::Failed;
  Host<69, 2>(accessor, object, 0, 0, 0);
  const uint8_t* data = Host<69, 5>(accessor);
  uint32_t length = Host<69, 6>(accessor);
  bool ok = data != nullptr || length == 0;
  if (data && length) bytes.append(reinterpret_cast<const char*>(data), length);
  Host<69, 1>(accessor);
  return ok ? StreamRead::Read : StreamRead::Failed;
}

}  // namespace

std::string BlackBoxOperators(const BoxList& boxes) {
  std::string lines;
  for (const HostBox& raw : boxes) {
    HostBox box = NormalizeBox(raw);
    float width = box.x1 - box.x0;
    float height = box.y1 - box.y0;
    if (!(width > 0.1f) || !(height > 0.1f)) continue;
    AppendFixed2(lines, box.x0);
    lines += ' ';
    AppendFixed2(lines, box.y0);
    lines += ' ';
    AppendFixed2(lines, width);
    lines += ' ';
    AppendFixed2(lines, height);
    lines += " re\n";
  }
  if (lines.empty()) return {};
  return "\nq 0 0 0 rg\n" + lines + "f\nQ\n";
}

bool ReadStreamData(HostHandle object, std::string& bytes) {
  return ReadStream(object, bytes) == StreamRead::Read;
}

bool AppendBlackBoxes(HostHandle pdfDocument, HostHandle pdfPage, const BoxList& boxes) {
  if (!pdfDocument || !pdfPage || boxes.empty()) return false;
  std::string ops = BlackBoxOperators(boxes);
  if (ops.empty()) return false;
  HostHandle pageDictionary = Host<73, 22>(pdfPage);
  if (!pageDictionary) return false;

  // A content stream that cannot be read would be dropped from the page with the new stream.
  std::string body;
  HostHandle contents = Host<67, 2>(pageDictionary, "Contents");
  if (contents) {
    int32_t kind = Host<61, 0>(contents);
    if (kind == kPdfObjectArray) {
      int32_t count = Host<66, 1>(contents);
      for (int32_t j = 0; j < count; ++j) {
        if (ReadStream(Host<66, 3>(contents, j), body) == StreamRead::Failed) return false;
        body += '\n';
      }
    } else if (kind == kPdfObjectStream) {
      if (ReadStream(contents, body) == StreamRead::Failed) return false;
    }
  }
  body += ops;

  HostHandle dictionary = Host<67, 0>();
  HostHandle stream = Host<68, 0>();
  if (!dictionary || !stream) {
    if (dictionary) Host<61, 7>(dictionary);
    if (stream) Host<61, 7>(stream);
    return false;
  }
  Host<68, 1>(stream, reinterpret_cast<const uint8_t*>(body.data()),
              static_cast<int32_t>(body.size()), dictionary);
  int32_t number = Host<34, 42>(pdfDocument, stream);
  Host<67, 23>(pageDictionary, "Contents", pdfDocument, number);
  return true;
}

}  // namespace vm
