#include "RawPdf.h"

#include <zlib.h>

#include <cctype>
#include <fstream>
#include <sstream>

namespace checker {

namespace {

bool Inflate(const std::string& in, std::string* out) {
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return false;
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
  z.avail_in = static_cast<uInt>(in.size());
  char buffer[65536];
  int status = Z_OK;
  while (status == Z_OK) {
    z.next_out = reinterpret_cast<Bytef*>(buffer);
    z.avail_out = sizeof buffer;
    status = inflate(&z, Z_NO_FLUSH);
    out->append(buffer, sizeof buffer - z.avail_out);
  }
  inflateEnd(&z);
  return status == Z_STREAM_END;
}

// Position just after "N G obj" starting the object header at `at`, or npos.
size_t MatchHeader(const std::string& s, size_t at, int* number) {
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
  *number = std::atoi(s.c_str() + at);
  if (!spaces() || !digits()) return std::string::npos;
  spaces();
  if (s.compare(i, 3, "obj") != 0) return std::string::npos;
  return i + 3;
}

}  // namespace

std::vector<RawObject> ReadRawObjects(const std::string& s) {
  std::vector<RawObject> objects;
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
    size_t stream = s.find("stream", body);
    if (stream != std::string::npos && (end == std::string::npos || stream < end)) {
      object.isStream = true;
      object.dictionary = s.substr(body, stream - body);
      size_t data = stream + 6;
      if (s.compare(data, 2, "\r\n") == 0) data += 2;
      else if (data < s.size() && (s[data] == '\n' || s[data] == '\r')) data += 1;
      size_t dataEnd = s.find("endstream", data);
      if (dataEnd == std::string::npos) dataEnd = s.size();
      std::string raw = s.substr(data, dataEnd - data);
      if (object.dictionary.find("/FlateDecode") != std::string::npos) {
        object.decoded = Inflate(raw, &object.data);
      } else if (object.dictionary.find("/Filter") != std::string::npos) {
        object.decoded = false;
        object.data = raw;
      } else {
        object.data = raw;
      }
      end = s.find("endobj", dataEnd);
    } else {
      object.dictionary = s.substr(body, (end == std::string::npos ? s.size() : end) - body);
    }
    objects.push_back(std::move(object));
    at = end == std::string::npos ? s.size() : end + 6;
  }
  return objects;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

bool RawFileContains(const std::string& path, const std::string& needle) {
  for (const RawObject& o : ReadRawObjects(ReadFile(path))) {
    if (o.dictionary.find(needle) != std::string::npos || o.data.find(needle) != std::string::npos)
      return true;
  }
  return false;
}

}  // namespace checker
