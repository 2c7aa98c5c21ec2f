// A scripted document for call-level tests: pages with a given text, character information and
// boxes, installed as overrides of the stand-in host's document, view, page and text-page
// functions. Small objects (strings, box arrays, character-information objects, pauses) and
// page parsing stay the stand-in's own, so its tracker checks their release.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "HostAbi.h"

namespace fake {

struct Char {
  float fontSize = 10;
  float a = 1, b = 0, c = 0, d = 1;
  HostHandle textObject = nullptr;
  int32_t itemIndex = 0;
};

struct Page {
  std::u16string text;             // what 120:16 delivers (may hold zero units)
  int32_t reportedCount = -1;      // 120:4's answer; -1: the text's length
  bool noPageView = false;
  bool noPdfPage = false;
  bool noTextPage = false;
  bool analysed = false;           // 120:3's answer before any 120:2
  std::map<int32_t, Char> chars;   // character information by index; default Char otherwise
  std::set<int32_t> boxlessStarts; // 120:6 delivers no box for a range starting here
  bool splitBoxes = false;         // 120:6 delivers one box per character instead of one

  // Tags whose addresses serve as this page's handles.
  char pageViewTag = 0;
  char pdfPageTag = 0;
  char textPageTag = 0;

  int textPagesOpened = 0;
  int textPagesReleased = 0;
  int analyseCalls = 0;
};

struct Document {
  std::vector<Page> pages;
  bool noPdfDocument = false;
  bool noView = false;
  char pdfDocumentTag = 0;
  char viewTag = 0;
};

// The scripted document (reset by Install).
Document& Doc();
// Resets the document to `pageTexts` and installs the overrides.
void Install(const std::vector<std::u16string>& pageTexts);
HostHandle DocumentHandle();
HostHandle PdfPageHandle(int pageIndex);
HostHandle TextPageHandle(int pageIndex);

// The box 120:6 reports for a range (one box per range unless splitBoxes).
HostBox RangeBox(int32_t first, int32_t count);

// Every opened text page was released once.
bool TextPagesBalanced();

}  // namespace fake

#include <gtest/gtest.h>

// Loads the module into a fresh stand-in host; afterwards every small object and every text
// page must have been released.
class FakeHostTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // The logged host calls as "C:S" strings.
  static std::vector<std::string> CallLog();
};
