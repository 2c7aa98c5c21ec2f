// The redaction writer and its undo step through the stand-in host with a scripted document.
#include <gtest/gtest.h>

#include <algorithm>

#include "core/StandinHost.h"
#include "mask/FakeTextHost.h"
#include "mask/RedactionUndo.h"
#include "mask/RedactionWriter.h"

namespace vm {
namespace {

constexpr char16_t kPage[] = u"전화 010-1234-5678";  // the number starts at 3

// Page p shows kPage; characters 3 to 15 are items 0 to 12 of one text object.
fake::Object* ShowNumber(int p) {
  std::vector<HostTextItem> items;
  const std::u16string text = kPage;
  for (int i = 3; i < static_cast<int>(text.size()); ++i) {
    items.push_back({static_cast<int32_t>(text[i]), 10.0f * (i - 3), 0});
  }
  fake::Object* object = fake::AddTextObject(p, items);
  for (int i = 3; i < static_cast<int>(text.size()); ++i) {
    fake::Doc().pages[p].chars[i].textObject = object;
    fake::Doc().pages[p].chars[i].itemIndex = i - 3;
  }
  fake::Doc().pages[p].dictionary["Contents"] =
      fake::NewPdfObject(kPdfObjectStream, "BT ET", "contents" + std::to_string(p));
  fake::Doc().pages[p].dictionary["Resources"] =
      fake::NewPdfObject(6, "", "resources" + std::to_string(p));
  return object;
}

PiMatch Masked(int page, int32_t start, int32_t count) {
  PiMatch r;
  r.pageIndex = page;
  r.charStart = start;
  r.charCount = count;
  r.fontSize = 10;
  r.text = std::u16string(kPage).substr(start, count);
  r.rects = {fake::RangeBox(start, count)};
  return r;
}

std::string Shown(int page) {
  std::vector<std::string> runs = fake::ShownRuns(page);
  std::sort(runs.begin(), runs.end());
  std::string joined;
  for (const std::string& r : runs) joined += "[" + r + "]";
  return joined;
}

class RedactionWriterTest : public FakeHostTest {
 protected:
  void SetUp() override {
    FakeHostTest::SetUp();
    fake::Install({kPage, kPage, kPage, kPage});
    fake::InstallPageObjects();
  }
  void TearDown() override {
    for (UndoItem& item : fake::Doc().undoSteps) item.release(item.clientData);
    EXPECT_TRUE(fake::Doc().liveCopies.empty());
    FakeHostTest::TearDown();
  }
  HostHandle doc_ = fake::DocumentHandle();
};

TEST_F(RedactionWriterTest, RemovesCharactersDrawsProtectionAndRegistersOneStep) {
  ShowNumber(0);
  ASSERT_TRUE(ApplyReplacements(doc_, {Masked(0, 7, 4)}, u'X'));
  EXPECT_EQ(Shown(0), "[-5678][010-][XXXX]");
  fake::Page& page = fake::Doc().pages[0];
  EXPECT_EQ(page.regenerations, 1);
  EXPECT_EQ(page.changedCalls, 1);
  EXPECT_EQ(fake::Doc().documentChanged, 1);
  ASSERT_EQ(fake::Doc().undoSteps.size(), 1u);
  EXPECT_EQ(fake::Doc().undoLabel, u"개인 정보 보호");
  const UndoItem& item = fake::Doc().undoSteps[0];
  EXPECT_EQ(item.size, sizeof(UndoItem));
  EXPECT_EQ(item.undo, &UndoRedaction);
  EXPECT_EQ(item.redo, &RedoRedaction);
  EXPECT_EQ(item.release, &ReleaseRedaction);
  auto* record = static_cast<RedactionUndoRecord*>(item.clientData);
  EXPECT_EQ(record->document, doc_);
  ASSERT_EQ(record->snapshots.size(), 1u);
  EXPECT_NE(record->snapshots[0].contentsAfter, nullptr);
  // The text page was released before the edits; one per page.
  EXPECT_EQ(page.textPagesOpened, 1);
}

TEST_F(RedactionWriterTest, ReplacementsSharingTextObjectRewriteItOnce) {
  ShowNumber(0);
  ASSERT_TRUE(ApplyReplacements(doc_, {Masked(0, 7, 4), Masked(0, 12, 4)}, u'*'));
  EXPECT_EQ(standin::Table().CountCalls(73, 16), 1);
  EXPECT_EQ(Shown(0), "[****][****][-][010-]");
}

TEST_F(RedactionWriterTest, MostlyCoveredReplacementGetsBlackBoxInstead) {
  ShowNumber(0);
  // Run 7..11 spans x 70 to 110; an image covering half of it.
  fake::AddObject(0, kPageObjectImage, {90, 690, 110, 800});
  // Run 12..16 spans x 120 to 160; a form covering 49 %.
  fake::AddObject(0, kPageObjectForm, {120, 690, 139.6f, 800});
  // A path is not a covering object.
  fake::AddObject(0, kPageObjectPath, {0, 0, 1000, 1000});
  ASSERT_TRUE(ApplyReplacements(doc_, {Masked(0, 7, 4), Masked(0, 12, 4)}, u'*'));
  EXPECT_EQ(Shown(0), "[****][-][010-]");
  // Enlarged by 3 % of 40 + 0.5 across and 12 % of 12 + 0.5 up and down.
  EXPECT_EQ(fake::ContentsData(0), "BT ET\nq 0 0 0 rg\n68.30 698.06 43.40 15.88 re\nf\nQ\n");
}

TEST_F(RedactionWriterTest, PagesAreHandledInAscendingOrder) {
  ShowNumber(1);
  ShowNumber(3);
  ASSERT_TRUE(ApplyReplacements(doc_, {Masked(3, 7, 4), Masked(1, 7, 4)}, u'*'));
  EXPECT_EQ(fake::Doc().textPagesOpenedInOrder, (std::vector<int>{1, 3}));
  auto* record = static_cast<RedactionUndoRecord*>(fake::Doc().undoSteps.at(0).clientData);
  ASSERT_EQ(record->snapshots.size(), 2u);
  EXPECT_EQ(record->snapshots[0].pageIndex, 1);
  EXPECT_EQ(record->snapshots[1].pageIndex, 3);
}

TEST_F(RedactionWriterTest, NothingChangedMeansFalseAndNoStep) {
  ShowNumber(0);
  fake::Doc().pages[1].dictionary["Contents"] = fake::NewPdfObject(kPdfObjectStream, "BT ET");
  // Page 1's characters lie in no text object.
  EXPECT_FALSE(ApplyReplacements(doc_, {Masked(1, 7, 4)}, u'*'));
  EXPECT_TRUE(fake::Doc().undoSteps.empty());
  EXPECT_EQ(fake::Doc().documentChanged, 0);
  EXPECT_EQ(fake::Doc().pages[1].regenerations, 0);
  EXPECT_TRUE(fake::Doc().liveCopies.empty());  // the snapshot copies were released

  standin::Table().ClearLog();
  EXPECT_FALSE(ApplyReplacements(doc_, {Masked(0, 7, 4)}, 0));
  EXPECT_FALSE(ApplyReplacements(doc_, {}, u'*'));
  EXPECT_FALSE(ApplyReplacements(nullptr, {Masked(0, 7, 4)}, u'*'));
  EXPECT_TRUE(CallLog().empty());
  EXPECT_EQ(Shown(0), "[010-1234-5678]");
}

TEST_F(RedactionWriterTest, PageWithoutTextObjectChangeGetsNoProtectionText) {
  ShowNumber(0);
  fake::Doc().pages[2].dictionary["Contents"] = fake::NewPdfObject(kPdfObjectStream, "BT ET");
  ASSERT_TRUE(ApplyReplacements(doc_, {Masked(0, 7, 4), Masked(2, 7, 4)}, u'*'));
  EXPECT_TRUE(fake::Doc().pages[2].objects.empty());
  EXPECT_EQ(fake::Doc().pages[2].regenerations, 0);
  EXPECT_EQ(fake::Doc().pages[2].changedCalls, 0);
}

TEST_F(RedactionWriterTest, UndoRedoRestoreSavedPageStatesAnyNumberOfTimes) {
  ShowNumber(1);
  ShowNumber(3);
  fake::Doc().pages[2].dictionary["Contents"] =
      fake::NewPdfObject(kPdfObjectStream, "BT ET", "contents2");  // not changed by the step
  ASSERT_TRUE(ApplyReplacements(doc_, {Masked(1, 7, 4), Masked(2, 7, 4), Masked(3, 7, 4)}, u'*'));
  UndoItem item = fake::Doc().undoSteps.at(0);
  auto tag = [](int p, const char* key) { return fake::Doc().pages[p].dictionary[key]->tag; };
  EXPECT_EQ(tag(1, "Contents"), "regenerated");

  for (int round = 0; round < 3; ++round) {
    int changed = fake::Doc().documentChanged;
    EXPECT_EQ(item.undo(item.clientData), 3);
    EXPECT_EQ(tag(1, "Contents"), "contents1");
    EXPECT_EQ(tag(3, "Contents"), "contents3");
    EXPECT_EQ(tag(1, "Resources"), "resources1");
    EXPECT_EQ(tag(2, "Contents"), "contents2");
    EXPECT_GT(fake::Doc().documentChanged, changed);
    // Fresh copies each time: the contents copy is deep, the resources copy is not.
    EXPECT_EQ(fake::Doc().pages[1].dictionary["Contents"]->deep, 1);
    EXPECT_EQ(fake::Doc().pages[1].dictionary["Resources"]->deep, 0);

    int page2Changed = fake::Doc().pages[2].changedCalls;
    EXPECT_EQ(item.redo(item.clientData), 3);
    EXPECT_EQ(tag(1, "Contents"), "regenerated");
    EXPECT_EQ(tag(3, "Contents"), "regenerated");
    EXPECT_EQ(tag(2, "Contents"), "contents2");  // no after state: left alone
    EXPECT_EQ(fake::Doc().pages[2].changedCalls, page2Changed + 1);
  }
  EXPECT_EQ(UndoRedaction(nullptr), 0);
  EXPECT_EQ(RedoRedaction(nullptr), 0);
  ReleaseRedaction(nullptr);
}

TEST_F(RedactionWriterTest, ReleaseFreesExactlyTheSavedCopies) {
  ShowNumber(1);
  fake::Doc().pages[1].dictionary.erase("Resources");
  ASSERT_TRUE(ApplyReplacements(doc_, {Masked(1, 7, 4)}, u'*'));
  auto* record = static_cast<RedactionUndoRecord*>(fake::Doc().undoSteps.at(0).clientData);
  EXPECT_EQ(record->snapshots[0].resourcesBefore, nullptr);
  EXPECT_EQ(record->snapshots[0].resourcesAfter, nullptr);
  EXPECT_EQ(fake::Doc().liveCopies.size(), 2u);
  UndoItem item = fake::Doc().undoSteps.at(0);
  fake::Doc().undoSteps.clear();
  item.release(item.clientData);
  EXPECT_TRUE(fake::Doc().liveCopies.empty());
  EXPECT_EQ(standin::Table().CountCalls(61, 7), 2);
}

TEST_F(RedactionWriterTest, ProtectionCharacterOutsidePrintableAsciiIsStar) {
  ShowNumber(0);
  ASSERT_TRUE(ApplyReplacements(doc_, {Masked(0, 7, 4)}, u'＊'));
  EXPECT_EQ(Shown(0), "[****][-5678][010-]");
}

}  // namespace
}  // namespace vm
