// A raw reader of PDF files that sees every object in the bytes, referenced or not, without
// following the cross-reference table (tools that rewrite a file drop unreferenced objects, so
// they cannot show that old content is gone).
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace checker {

struct RawObject {
  int number = 0;
  std::string dictionary;  // the text between "obj" and "stream"/"endobj"
  std::string data;        // a stream's data, inflated when it is Flate-compressed
  bool isStream = false;
  bool decoded = true;     // false when a filter could not be undone
};

// Every "N G obj ... endobj" in the file's bytes, in file order.
std::vector<RawObject> ReadRawObjects(std::string_view bytes);
// The same objects one at a time, each given to `visit` and let go after it (a long file's
// inflated streams would not fit in memory together). After each, `doneUpTo` is told the
// offset before which the bytes are not read again.
void ForEachRawObject(std::string_view bytes, const std::function<void(RawObject&)>& visit,
                      const std::function<void(size_t)>& doneUpTo = {});
std::string ReadFile(const std::string& path);
// True when any object's dictionary or decoded data holds `needle`.
bool RawFileContains(const std::string& path, const std::string& needle);

}  // namespace checker
