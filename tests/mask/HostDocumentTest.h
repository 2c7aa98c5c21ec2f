// The module loaded into a fresh stand-in host, documents built from content streams, and the
// page reads the tests compare: text and character boxes as the text page gives them, content
// bytes, the object list. After each test every tracked object must have been released.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/Application.h"
#include "core/StandinHost.h"
#include "host/HostCall.h"
#include "host/PlugIn.h"
#include "mask/BoxGeometry.h"
#include "mask/PageEdits.h"

namespace vm::test {

// The registered implementation of host C:S, to be wrapped by an override (ask before
// overriding it).
template <int C, int S>
typename HostFn<C, S>::type Registered() {
  return reinterpret_cast<typename HostFn<C, S>::type>(
      standin::TableRecord()->lookup(C, S, standin::kStandinPluginId));
}

// A text in /F2, whose two-byte codes are the UTF-16 units.
inline std::string Hex(std::u16string_view text) {
  static const char* digits = "0123456789ABCDEF";
  std::string hex = "<";
  for (char16_t unit : text)
    for (int shift = 12; shift >= 0; shift -= 4) hex += digits[(unit >> shift) & 0xF];
  return hex + ">";
}
// A one-line page showing `text` in /F2 at `size` points.
inline std::string Line(std::u16string_view text, int size = 12, int y = 700) {
  return "BT /F2 " + std::to_string(size) + " Tf 72 " + std::to_string(y) + " Td " + Hex(text) +
         " Tj ET";
}

inline HostHandle PdfPage(HostHandle document, int index) {
  return Host<32, 2>(Host<31, 2>(Host<26, 24>(document), index));
}

struct PageText {
  std::u16string text;
  std::vector<HostBox> boxes;  // one per character
  HostBox Box(int32_t start, int32_t count) const {
    return UnionBox(BoxList(boxes.begin() + start, boxes.begin() + start + count));
  }
};

inline PageText ReadPage(HostHandle document, int index) {
  PageText result;
  HostHandle textPage = Host<120, 0>(PdfPage(document, index), 0);
  if (!textPage) return result;
  if (Host<120, 3>(textPage) == 0) Host<120, 2>(textPage);
  const int32_t count = Host<120, 4>(textPage);
  HostHandle string = Host<18, 0>();
  Host<120, 16>(textPage, 0, count, &string);
  if (const char16_t* buffer = Host<18, 42>(string)) result.text = buffer;
  Host<18, 3>(string);
  for (int32_t i = 0; i < count; ++i) {
    HostHandle array = Host<11, 0>();
    Host<120, 6>(textPage, i, 1, &array);
    BoxList boxes;
    for (int32_t j = 0; j < Host<11, 2>(array); ++j) boxes.push_back(Host<11, 6>(array, j));
    Host<11, 1>(array);
    result.boxes.push_back(UnionBox(boxes));
  }
  Host<120, 1>(textPage);
  return result;
}

// The page's content as the host delivers it (array elements joined by newlines).
inline std::string ContentBytes(HostHandle document, int index) {
  HostHandle contents = Host<67, 2>(Host<73, 22>(PdfPage(document, index)), "Contents");
  std::string bytes;
  if (contents && Host<61, 0>(contents) == kPdfObjectArray) {
    for (int32_t j = 0; j < Host<66, 1>(contents); ++j) {
      ReadStreamData(Host<66, 3>(contents, j), bytes);
      bytes += "\n";
    }
  } else {
    ReadStreamData(contents, bytes);
  }
  return bytes;
}

inline std::vector<HostHandle> Objects(HostHandle pdfPage) {
  std::vector<HostHandle> out;
  for (HostPosition at = Host<73, 6>(pdfPage); at;) out.push_back(Host<73, 8>(pdfPage, &at));
  return out;
}

// The character codes a text object shows, spacing left out.
inline std::string Shown(HostHandle object) {
  std::string shown;
  for (int32_t i = 0; i < Host<83, 2>(object); ++i) {
    HostTextItem item;
    Host<83, 3>(&item, object, i);
    if (item.code != -1) shown += static_cast<char>(item.code);
  }
  return shown;
}

inline std::string Narrow(std::u16string_view text) { return {text.begin(), text.end()}; }

inline std::vector<std::string> CallLog() {
  std::vector<std::string> calls;
  for (const standin::HostCall& call : standin::Table().Log())
    calls.push_back(std::to_string(call.category) + ":" + std::to_string(call.selector));
  return calls;
}

inline void ExpectSameBox(const HostBox& a, const HostBox& b, double tolerance = 0.01) {
  EXPECT_NEAR(a.x0, b.x0, tolerance);
  EXPECT_NEAR(a.y0, b.y0, tolerance);
  EXPECT_NEAR(a.x1, b.x1, tolerance);
  EXPECT_NEAR(a.y1, b.y1, tolerance);
}

class HostDocumentTest : public testing::Test {
 protected:
  void SetUp() override {
    standin::ResetHost();
    ASSERT_NE(standin::LoadPlugin(&PlugInMain, nullptr), nullptr);
    standin::Table().ClearLog();
  }
  void TearDown() override {
    standin::Table().ClearOverrides();
    standin::CloseAllHostDocuments();
    EXPECT_TRUE(standin::Tracker().Outstanding().empty())
        << testing::PrintToString(standin::Tracker().Outstanding());
    EXPECT_TRUE(standin::Tracker().Faults().empty())
        << testing::PrintToString(standin::Tracker().Faults());
    standin::ResetHost();
  }
  HostHandle Open(const std::vector<std::string>& pages) {
    HostHandle document = standin::OpenHostDocumentFromContent(pages);
    EXPECT_NE(document, nullptr);
    standin::Table().ClearLog();
    return document;
  }
};

}  // namespace vm::test
