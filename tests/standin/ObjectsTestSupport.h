// Helpers of the PDF object tests: host calls through the table, and a raw reader of PDF files
// that sees every object in the bytes, referenced or not.
#pragma once

#include <string>
#include <vector>

#include "core/Application.h"
#include "core/StandinHost.h"

namespace standin::objects::testing {

template <int C, int S>
typename HostFn<C, S>::type Find() {
  return reinterpret_cast<typename HostFn<C, S>::type>(
      standin::TableRecord()->lookup(C, S, standin::kStandinPluginId));
}

struct RawObject {
  int number = 0;
  std::string dictionary;  // the text between "obj" and "stream"/"endobj"
  std::string data;        // a stream's data, inflated when it is Flate-compressed
  bool isStream = false;
  bool decoded = true;     // false when a filter could not be undone
};

// Every "N G obj ... endobj" in the file's bytes, in file order, without following the xref.
std::vector<RawObject> ReadRawObjects(const std::string& bytes);
std::string ReadFile(const std::string& path);
// True when any object's dictionary or decoded data holds `needle`.
bool RawFileContains(const std::string& path, const std::string& needle);

// The decoded data of the page's Contents through the host functions (67:2, 61:0, 66:x, 69:x),
// streams joined with "\n".
std::string ContentsThroughHost(HostHandle pageDictionary);

}  // namespace standin::objects::testing

#define HOST(C, S) (::standin::objects::testing::Find<C, S>())
