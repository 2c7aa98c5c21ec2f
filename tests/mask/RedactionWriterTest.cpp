// The redaction writer and its undo step through the stand-in host.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "mask/HostDocumentTest.h"
#include "mask/RedactionUndo.h"
#include "mask/RedactionWriter.h"

namespace vm {
namespace {

using namespace test;

const std::string kPhone = "BT /F1 12 Tf 72 700 Td (Tel 010-1234-5678) Tj ET";  // digits from 4
const std::string kForm = "q 1 0 0 1 100 100 cm /Fm1 Do Q";  // "Form": in no page-level object

bool Contains(const std::u16string& text, std::u16string_view part) {
  return text.find(part) != std::u16string::npos;
}

class RedactionWriterTest : public HostDocumentTest {
 protected:
  void Open(const std::vector<std::string>& pages) { document_ = HostDocumentTest::Open(pages); }
  PiMatch Masked(int page, int32_t start, int32_t count) {
    const PageText text = ReadPage(document_, page);
    PiMatch r;
    r.pageIndex = page;
    r.charStart = start;
    r.charCount = count;
    r.fontSize = 12;
    r.text = text.text.substr(start, count);
    r.rects = {text.Box(start, count)};
    return r;
  }
  bool Apply(const PiMatchList& replacements, char16_t protection = u'*') {
    standin::Table().ClearLog();
    return ApplyReplacements(document_, replacements, protection);
  }
  RedactionUndoRecord* Record() {
    return static_cast<RedactionUndoRecord*>(standin::UndoSteps(document_).at(0).item.clientData);
  }
  HostHandle document_ = nullptr;
};

TEST_F(RedactionWriterTest, RemovesCharactersDrawsProtectionAndRegistersOneStep) {
  Open({kPhone, kPhone});
  ASSERT_TRUE(Apply({Masked(0, 8, 4)}, u'X'));
  EXPECT_EQ(standin::Table().CountCalls(73, 38), 1);
  EXPECT_EQ(standin::Table().CountCalls(120, 0), 1);  // one text page per page
  const std::u16string text = ReadPage(document_, 0).text;
  EXPECT_FALSE(Contains(text, u"1234")) << Narrow(text);
  for (std::u16string_view part : {u"Tel 010-", u"XXXX", u"-5678"}) EXPECT_TRUE(Contains(text, part));
  EXPECT_EQ(standin::PageChangedCount(document_, 0), 1);
  EXPECT_EQ(standin::DocumentChangedCount(document_), 1);
  ASSERT_EQ(standin::UndoStepCount(document_), 1);
  const standin::UndoStep& step = standin::UndoSteps(document_)[0];
  EXPECT_EQ(step.label, u"개인 정보 보호");
  EXPECT_EQ(step.item.size, sizeof(UndoItem));
  EXPECT_EQ(Record()->document, document_);
  ASSERT_EQ(Record()->snapshots.size(), 1u);
  EXPECT_NE(Record()->snapshots[0].contentsAfter, nullptr);

  // A protection character outside printable ASCII is drawn as "*".
  ASSERT_TRUE(Apply({Masked(1, 8, 4)}, u'＊'));
  EXPECT_TRUE(Contains(ReadPage(document_, 1).text, u"****"));
}

struct Point {
  double x = 0;
  double y = 0;
};

Point Centre(const HostBox& box) { return {(box.x0 + box.x1) / 2.0, (box.y0 + box.y1) / 2.0}; }

// Text turned by the text matrix or by the transformation matrix: the protection characters
// take the place of the masked ones along the line, in the line's direction, not across it.
TEST_F(RedactionWriterTest, ProtectionCharactersRunAlongTurnedText) {
  const std::string turned[] = {
      "BT /F1 12 Tf 0 1 -1 0 300 200 Tm (Tel 010-1234-5678) Tj ET",       // 90 degrees by Tm
      "BT /F1 12 Tf 0 -1 1 0 300 600 Tm (Tel 010-1234-5678) Tj ET",       // 270 degrees by Tm
      "q 0.866 0.5 -0.5 0.866 100 300 cm BT /F1 12 Tf 0 0 Td (Tel 010-1234-5678) Tj ET Q",
      "q -1 0 0 -1 400 500 cm BT /F1 12 Tf 0 0 Td (Tel 010-1234-5678) Tj ET Q",  // 180 degrees
      "q 0 1 -1 0 300 200 cm BT /F1 6 Tf 2 0 0 2 0 0 Tm (Tel 010-1234-5678) Tj ET Q"};
  for (const std::string& content : turned) {
    SCOPED_TRACE(content);
    Open({content});
    const PageText before = ReadPage(document_, 0);
    ASSERT_EQ(before.text, u"Tel 010-1234-5678");
    const PiMatch masked = Masked(0, 4, 13);
    ASSERT_TRUE(Apply({masked}));
    const PageText after = ReadPage(document_, 0);
    std::vector<Point> stars;
    for (size_t i = 0; i < after.text.size(); ++i)
      if (after.text[i] == u'*') stars.push_back(Centre(after.boxes[i]));
    ASSERT_EQ(stars.size(), 13u) << Narrow(after.text);

    HostBox area = masked.rects[0];
    area.x0 -= 1, area.y0 -= 1, area.x1 += 1, area.y1 += 1;
    for (const Point& p : stars) {
      EXPECT_TRUE(p.x >= area.x0 && p.x <= area.x1 && p.y >= area.y0 && p.y <= area.y1)
          << p.x << ", " << p.y;
    }
    // First to last centre: as long as the masked characters' and in their direction.
    const Point first = Centre(before.boxes[4]);
    const Point last = Centre(before.boxes[16]);
    const double dx = last.x - first.x, dy = last.y - first.y;
    const double sx = stars.back().x - stars.front().x, sy = stars.back().y - stars.front().y;
    const double length = std::hypot(dx, dy);
    EXPECT_GT(std::hypot(sx, sy), 0.75 * length);
    EXPECT_LT(std::hypot(sx, sy), 1.25 * length);
    EXPECT_GT((sx * dx + sy * dy) / (std::hypot(sx, sy) * length), 0.99);
    standin::CloseAllHostDocuments();
  }
}

TEST_F(RedactionWriterTest, ReplacementsSharingTextObjectRewriteItOnce) {
  Open({kPhone});
  ASSERT_TRUE(Apply({Masked(0, 8, 4), Masked(0, 13, 4)}));
  EXPECT_EQ(standin::Table().CountCalls(73, 16), 1);
  const std::u16string text = ReadPage(document_, 0).text;
  EXPECT_FALSE(Contains(text, u"1234") || Contains(text, u"5678")) << Narrow(text);
  EXPECT_EQ(std::count(text.begin(), text.end(), u'*'), 8);
}

TEST_F(RedactionWriterTest, ReplacementOverImageGetsBlackBoxInstead) {
  // The image covers the first line; a path under everything does not count as covering.
  Open({"0 0 612 792 re f q 200 30 0 0 60 690 cm /Im1 Do Q " + kPhone +
        " BT /F1 12 Tf 72 600 Td (Tel 010-9876-5432) Tj ET"});
  const PiMatch covered = Masked(0, 8, 4);
  const PiMatch free = Masked(0, 26, 4);
  ASSERT_EQ(free.text, u"9876");
  ASSERT_TRUE(Apply({covered, free}));
  const std::u16string text = ReadPage(document_, 0).text;
  EXPECT_FALSE(Contains(text, u"1234") || Contains(text, u"9876")) << Narrow(text);
  EXPECT_EQ(std::count(text.begin(), text.end(), u'*'), 4);
  // Enlarged by 3 % of the width + 0.5 across and 12 % of the height + 0.5 up and down.
  const HostBox b = covered.rects[0];
  const float w = b.x1 - b.x0, h = b.y1 - b.y0;
  char line[128];
  std::snprintf(line, sizeof line, "\nq 0 0 0 rg\n%.2f %.2f %.2f %.2f re\nf\nQ\n",
                b.x0 - 0.03f * w - 0.5f, b.y0 - 0.12f * h - 0.5f, w * 1.06f + 1, h * 1.24f + 1);
  const std::string content = ContentBytes(document_, 0);
  ASSERT_GE(content.size(), std::strlen(line));
  EXPECT_EQ(content.substr(content.size() - std::strlen(line)), line);
}

TEST_F(RedactionWriterTest, NothingChangedMeansFalseAndNoStep) {
  Open({kPhone, kForm});
  EXPECT_FALSE(Apply({Masked(1, 0, 4)}));
  EXPECT_EQ(standin::UndoStepCount(document_), 0);
  EXPECT_EQ(standin::DocumentChangedCount(document_), 0);
  EXPECT_EQ(standin::Table().CountCalls(73, 38), 0);
  EXPECT_EQ(standin::Table().CountCalls(61, 3), standin::Table().CountCalls(61, 7));

  const PiMatch phone = Masked(0, 8, 4);
  for (char16_t protection : {u'\0', u'*'}) {
    EXPECT_FALSE(Apply(protection ? PiMatchList{} : PiMatchList{phone}, protection));
    EXPECT_TRUE(CallLog().empty());
  }
  standin::Table().ClearLog();
  EXPECT_FALSE(ApplyReplacements(nullptr, {phone}, u'*'));
  EXPECT_TRUE(CallLog().empty());
}

// Out of memory after a page's text objects were rewritten but before its content was
// regenerated: that page is put back (also in the host's text of it), pages finished before it
// keep their step, and with none finished there is no step at all.
TEST_F(RedactionWriterTest, FailurePartWayThroughAPageLeavesThatPageAsItWas) {
  Open({kPhone, kPhone});
  static auto regenerate = Registered<73, 38>();
  static int calls;
  static int failingCall;
  standin::Table().Override<73, 38>([](HostHandle page) {
    if (++calls == failingCall) throw std::bad_alloc();
    return regenerate(page);
  });
  calls = 0;
  failingCall = 2;
  // Reported as a failure, though the first page keeps its mask and the step that undoes it.
  EXPECT_FALSE(Apply({Masked(0, 8, 4), Masked(1, 8, 4)}));
  EXPECT_TRUE(Contains(ReadPage(document_, 0).text, u"****"));
  EXPECT_TRUE(Contains(ReadPage(document_, 1).text, u"010-1234-5678"));
  ASSERT_EQ(standin::UndoStepCount(document_), 1);
  ASSERT_TRUE(standin::UndoLast(document_));
  EXPECT_TRUE(Contains(ReadPage(document_, 0).text, u"010-1234-5678"));

  calls = 0;
  failingCall = 1;
  EXPECT_FALSE(Apply({Masked(1, 8, 4)}));
  EXPECT_TRUE(Contains(ReadPage(document_, 1).text, u"010-1234-5678"));
  EXPECT_EQ(standin::UndoStepCount(document_), 0);
  standin::Table().ClearOverrides();
}

TEST_F(RedactionWriterTest, UndoRedoRestoreSavedPageStatesAnyNumberOfTimes) {
  Open({"", kPhone, kForm, kPhone});
  static auto copy = Registered<61, 3>();
  static std::vector<std::pair<int32_t, int32_t>> copies;  // kind, deep
  copies.clear();
  standin::Table().Override<61, 3>([](HostHandle o, int32_t deep) {
    copies.emplace_back(Host<61, 0>(o), deep);
    return copy(o, deep);
  });
  std::string before[4], after[4];
  for (int p = 1; p < 4; ++p) before[p] = ContentBytes(document_, p);
  const std::size_t page2Objects = Objects(PdfPage(document_, 2)).size();
  // Given out of order; page 2 has no page-level text object to change.
  ASSERT_TRUE(Apply({Masked(3, 8, 4), Masked(2, 0, 4), Masked(1, 8, 4)}));
  ASSERT_EQ(Record()->snapshots.size(), 3u);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Record()->snapshots[i].pageIndex, i + 1);
  for (int p = 1; p < 4; ++p) after[p] = ContentBytes(document_, p);
  ASSERT_NE(after[1], before[1]);
  ASSERT_EQ(after[2], before[2]);
  EXPECT_EQ(Objects(PdfPage(document_, 2)).size(), page2Objects);
  EXPECT_EQ(standin::PageChangedCount(document_, 2), 0);
  const UndoItem item = standin::UndoSteps(document_).at(0).item;

  for (int round = 0; round < 3; ++round) {
    const int changed = standin::DocumentChangedCount(document_);
    EXPECT_EQ(item.undo(item.clientData), 3);
    for (int p = 1; p < 4; ++p) EXPECT_EQ(ContentBytes(document_, p), before[p]) << p;
    EXPECT_GT(standin::DocumentChangedCount(document_), changed);
    const int page2Changed = standin::PageChangedCount(document_, 2);
    EXPECT_EQ(item.redo(item.clientData), 3);
    for (int p = 1; p < 4; ++p) EXPECT_EQ(ContentBytes(document_, p), after[p]) << p;
    EXPECT_EQ(standin::PageChangedCount(document_, 2), page2Changed + 1);  // left alone, reported
  }
  // Contents are copied deep, Resources shallow.
  ASSERT_FALSE(copies.empty());
  for (const auto& [kind, deep] : copies) EXPECT_EQ(deep, kind == kPdfObjectStream || kind == kPdfObjectArray ? 1 : 0);
  EXPECT_EQ(UndoRedaction(nullptr), 0);
  EXPECT_EQ(RedoRedaction(nullptr), 0);
  ReleaseRedaction(nullptr);
}

TEST_F(RedactionWriterTest, ReleaseFreesExactlyTheSavedCopies) {
  Open({kPhone});
  static auto entry = Registered<67, 2>();
  standin::Table().Override<67, 2>([](HostHandle d, const char* key) -> HostHandle {
    return std::strcmp(key, "Resources") == 0 ? nullptr : entry(d, key);
  });
  ASSERT_TRUE(Apply({Masked(0, 8, 4)}));
  EXPECT_EQ(Record()->snapshots[0].resourcesBefore, nullptr);
  EXPECT_EQ(Record()->snapshots[0].resourcesAfter, nullptr);
  EXPECT_EQ(standin::Table().CountCalls(61, 7), 0);
  standin::CloseHostDocument(document_);
  EXPECT_EQ(standin::Table().CountCalls(61, 7), 2);
}

}  // namespace
}  // namespace vm
