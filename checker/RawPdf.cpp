#include "RawPdf.h"

#include "FileBytes.h"

extern "C" {
#include <mupdf/fitz.h>
}

#include "pdf/LargeBlocks.h"

#include <cctype>
#include <charconv>
#include <limits>
#include <fstream>
#include <string_view>

namespace checker {

namespace {

// The filter names of a stream dictionary, in order ("/Filter /X" or "/Filter [/X /Y]").
std::vector<std::string> Filters(const std::string& dictionary) {
  std::vector<std::string> names;
  size_t at = dictionary.find("/Filter");
  if (at == std::string::npos) return names;
  at += 7;
  while (at < dictionary.size() && std::isspace(static_cast<unsigned char>(dictionary[at]))) ++at;
  const bool array = at < dictionary.size() && dictionary[at] == '[';
  const size_t end = array ? dictionary.find(']', at) : dictionary.find_first_of("/", at + 1);
  const std::string part = dictionary.substr(at, end == std::string::npos ? std::string::npos : end - at);
  for (size_t i = part.find('/'); i != std::string::npos; i = part.find('/', i + 1)) {
    size_t j = i + 1;
    while (j < part.size() && std::isalnum(static_cast<unsigned char>(part[j]))) ++j;
    names.push_back(part.substr(i + 1, j - i - 1));
    if (!array) break;
  }
  return names;
}

// Undoes the stream's filters with MuPDF's decoders; false when a filter is not a text-data
// filter this reader knows (images) or the data is damaged.
bool Decode(std::string_view raw, const std::vector<std::string>& filters, std::string* out) {
  for (const std::string& f : filters)
    if (f != "FlateDecode" && f != "Fl" && f != "ASCII85Decode" && f != "A85" &&
        f != "ASCIIHexDecode" && f != "AHx" && f != "LZWDecode" && f != "LZW" &&
        f != "RunLengthDecode" && f != "RL")
      return false;
  fz_context* ctx = standin::pdf::NewContextWithMappedLargeBlocks(FZ_STORE_UNLIMITED);
  if (!ctx) return false;
  // Encrypted or damaged data is expected here and reported through the result, not printed.
  fz_set_error_callback(ctx, [](void*, const char*) {}, nullptr);
  fz_set_warning_callback(ctx, [](void*, const char*) {}, nullptr);
  fz_stream* volatile stream = nullptr;
  fz_buffer* volatile buffer = nullptr;
  bool ok = true;
  fz_var(stream);
  fz_var(buffer);
  fz_try(ctx) {
    stream = fz_open_memory(ctx, reinterpret_cast<const unsigned char*>(raw.data()), raw.size());
    for (const std::string& f : filters) {
      fz_stream* next = nullptr;
      if (f == "FlateDecode" || f == "Fl") next = fz_open_flated(ctx, stream, 15);
      else if (f == "ASCII85Decode" || f == "A85") next = fz_open_a85d(ctx, stream);
      else if (f == "ASCIIHexDecode" || f == "AHx") next = fz_open_ahxd(ctx, stream);
      else if (f == "LZWDecode" || f == "LZW") next = fz_open_lzwd(ctx, stream, 1, 9, 0, 0);
      else next = fz_open_rld(ctx, stream);
      fz_drop_stream(ctx, stream);  // each filter keeps its own reference to the stream it reads
      stream = next;
    }
    buffer = fz_read_all(ctx, stream, raw.size() * 2 + 64);
  }
  fz_catch(ctx) { ok = false; }
  if (ok && buffer) {
    unsigned char* data = nullptr;
    const size_t length = fz_buffer_storage(ctx, buffer, &data);
    out->assign(reinterpret_cast<const char*>(data), length);
  }
  fz_drop_buffer(ctx, buffer);
  fz_drop_stream(ctx, stream);
  fz_drop_context(ctx);
  return ok;
}

// Position just after "N G obj" starting the object header at `at`, or npos.
size_t MatchHeader(std::string_view s, size_t at, int* number) {
  size_t i = at;
  auto digits = [&] {
    size_t start = i;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i;
    return i > start;
  };
  auto spaces = [&] {
    size_t start = i;
    while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
    return i > start;
  };
  if (!digits()) return std::string::npos;
  // As atoi reads it: too long a number is the largest long, narrowed.
  long value = 0;
  if (std::from_chars(s.data() + at, s.data() + i, value).ec != std::errc()) value = std::numeric_limits<long>::max();
  *number = static_cast<int>(value);
  if (!spaces() || !digits()) return std::string::npos;
  spaces();
  if (s.compare(i, 3, "obj") != 0) return std::string::npos;
  return i + 3;
}

}  // namespace

std::vector<RawObject> ReadRawObjects(std::string_view s) {
  std::vector<RawObject> objects;
  ForEachRawObject(s, [&](RawObject& object) { objects.push_back(std::move(object)); });
  return objects;
}

void ForEachRawObject(std::string_view s, const std::function<void(RawObject&)>& visit,
                      const std::function<void(size_t)>& doneUpTo) {
  size_t at = 0;
  while (at < s.size()) {
    bool lineStart = at == 0 || s[at - 1] == '\n' || s[at - 1] == '\r' || s[at - 1] == ' ';
    int number = 0;
    size_t body = lineStart && std::isdigit(static_cast<unsigned char>(s[at])) ? MatchHeader(s, at, &number)
                                                                               : std::string::npos;
    if (body == std::string::npos) {
      ++at;
      continue;
    }
    RawObject object;
    object.number = number;
    size_t end = s.find("endobj", body);
    // Only up to the end of this object: a file of many small objects has no stream for long.
    const size_t searched = (end == std::string::npos ? s.size() : end) - body;
    size_t stream = s.substr(body, searched).find("stream");
    if (stream != std::string::npos) stream += body;
    if (stream != std::string::npos) {
      object.isStream = true;
      object.dictionary = std::string(s.substr(body, stream - body));
      size_t data = stream + 6;
      if (s.compare(data, 2, "\r\n") == 0) data += 2;
      else if (data < s.size() && (s[data] == '\n' || s[data] == '\r')) data += 1;
      size_t dataEnd = s.find("endstream", data);
      if (dataEnd == std::string::npos) dataEnd = s.size();
      const std::string_view raw = s.substr(data, dataEnd - data);
      const std::vector<std::string> filters = Filters(object.dictionary);
      if (filters.empty()) {
        object.data = std::string(raw);
      } else if (!(object.decoded = Decode(raw, filters, &object.data))) {
        object.data = std::string(raw);
      }
      end = s.find("endobj", dataEnd);
    } else {
      object.dictionary = std::string(s.substr(body, (end == std::string::npos ? s.size() : end) - body));
    }
    visit(object);
    at = end == std::string::npos ? s.size() : end + 6;
    if (doneUpTo) doneUpTo(at);
  }
}

// Read at its size in one piece: a string stream doubles its buffer as it grows and then copies
// it, holding near three times a long file at once.
std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return {};
  const std::streamoff size = in.tellg();
  if (size <= 0) return {};
  std::string bytes(static_cast<size_t>(size), '\0');
  in.seekg(0);
  in.read(bytes.data(), size);
  bytes.resize(static_cast<size_t>(in.gcount()));
  return bytes;
}

bool RawFileContains(const std::string& path, const std::string& needle) {
  FileBytes bytes(path);
  bool found = false;
  ForEachRawObject(
      bytes.View(),
      [&](RawObject& o) {
        found = found || o.dictionary.find(needle) != std::string::npos || o.data.find(needle) != std::string::npos;
      },
      [&](size_t offset) { bytes.DoneUpTo(offset); });
  return found;
}

}  // namespace checker
