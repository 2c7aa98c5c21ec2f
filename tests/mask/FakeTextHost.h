// A scripted document for call-level tests: pages with a given text, character information and
// boxes, installed as overrides of the stand-in host's document, view, page and text-page
// functions. Small objects (strings, box arrays, character-information objects, pauses) and
// page parsing stay the stand-in's own, so its tracker checks their release.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
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

// A page object: an original text object, a copy made by 82:2, a new text object of 83:0, or
// another kind with a bounding box.
struct Object {
  int32_t kind = kPageObjectText;
  HostBox bounds{};                   // 82:10
  std::vector<HostTextItem> items;    // 83:2, 83:3
  float matrix[4] = {1, 0, 0, 1};     // 83:8
  const Object* copyOf = nullptr;
  bool charactersSet = false;         // 83:14
  std::vector<int32_t> codes;
  std::vector<float> adjustments;
  float moveX = 0, moveY = 0;         // 82:26
  // New protection text objects.
  HostHandle font = nullptr;          // 83:16 with a state of 79:3, 79:10, 79:13
  float size = 0;
  bool scaled = false;
  float scale = 1;
  bool black = false;                 // 82:8 with 78:4 of 0, 0, 0 in RGB
  std::string text;                   // 83:12
  bool positioned = false;            // 83:15
  float x = 0, y = 0;
};

// A PDF object of the page dictionary's world: a stream, an array of streams, or another value.
struct PdfObject {
  int32_t kind = 6;                   // 5 array, 7 stream, 6 dictionary
  std::string data;                   // stream data as the accessor delivers it
  std::vector<PdfObject*> elements;   // array elements
  const PdfObject* copyOf = nullptr;  // 61:3
  int32_t deep = -1;
  std::string tag;                    // for tests: which value this is
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

  std::vector<Object*> objects;       // the page's object list, in order
  std::map<std::string, PdfObject*> dictionary;  // "Contents", "Resources"
  bool noDictionary = false;
  int regenerations = 0;              // 73:38 (sets Contents to a new stream "regenerated")
  int changedCalls = 0;               // 32:13

  int textPagesOpened = 0;
  int textPagesReleased = 0;
  int analyseCalls = 0;
};

struct Document {
  std::vector<Page> pages;
  std::vector<std::unique_ptr<Object>> objectStore;
  std::vector<std::unique_ptr<PdfObject>> pdfStore;
  std::map<int32_t, PdfObject*> indirect;   // 34:42
  std::vector<const PdfObject*> liveCopies; // made by 61:3, not yet released by 61:7
  int releaseFaults = 0;
  int copyBudget = -1;                      // copies 82:2 makes before it returns null; -1: any
  std::vector<int> textPagesOpenedInOrder;  // page indices, in the order 120:0 opened them
  bool noFont = false;                      // 34:31 returns null
  int32_t glyphWidth = 500;                 // 99:36
  HostGlyphBox glyphBox{0, 0, 0, 0};        // 99:38
  int documentChanged = 0;                  // 26:8
  std::vector<UndoItem> undoSteps;          // 20:37
  std::u16string undoLabel;
  int liveTextStates = 0;                   // 79:0 / 79:1
  int liveColorStates = 0;                  // 78:0 / 78:1
  int liveAccessors = 0;                    // 69:0 / 69:1
  char fontTag = 0;
  char rgbTag = 0;
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

// Page objects and the page dictionary's world (73, 82, 83, 61, 66-69, 20:37, 26:8, 32:13 and
// the font and state functions): installs those overrides as well.
void InstallPageObjects();
Object* AddTextObject(int pageIndex, std::vector<HostTextItem> items);
Object* AddObject(int pageIndex, int32_t kind, HostBox bounds);
PdfObject* NewPdfObject(int32_t kind, std::string data = {}, std::string tag = {});
// The stream data the page's Contents would render (arrays joined by newlines).
std::string ContentsData(int pageIndex);
// Characters each character item shows after the edits, in object order (copies and originals).
std::vector<std::string> ShownRuns(int pageIndex);

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
