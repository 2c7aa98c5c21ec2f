// The application model as the module reaches it: documents, views, page views, change notices
// and the undo list.
#include <gtest/gtest.h>

#include "ObjectsTestSupport.h"
#include "core/Application.h"
#include "core/StandinHost.h"
#include "pdf/Document.h"
#include "pdf/Page.h"

namespace {


const std::string kText = "BT /F1 12 Tf 72 700 Td (Hello) Tj ET";

class CoreApplicationTest : public testing::Test {
 protected:
  void SetUp() override { standin::ResetHost(); }
  void TearDown() override {
    standin::ResetHost();
    EXPECT_TRUE(standin::Tracker().Outstanding().empty());
  }
};

// The scan and writer tests walk the pages; here: the document list, handles that stay the same
// on every call, and indices out of range.
TEST_F(CoreApplicationTest, DocumentsViewsAndPagesAreReachable) {
  HostHandle doc = standin::OpenHostDocumentFromContent({kText, kText});
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(HOST(20, 22)(), 1);
  EXPECT_EQ(HOST(20, 23)(0), doc);
  EXPECT_EQ(HOST(20, 23)(1), nullptr);
  EXPECT_EQ(HOST(20, 23)(-1), nullptr);
  EXPECT_EQ(HOST(20, 24)(), doc);
  EXPECT_EQ(HOST(26, 4)(doc), static_cast<void*>(standin::PdfDocumentOf(doc)));

  HostHandle view = HOST(26, 24)(doc);
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(HOST(26, 24)(doc), view);
  auto pageView = HOST(31, 2);
  HostHandle pv1 = pageView(view, 1);
  ASSERT_NE(pv1, nullptr);
  EXPECT_EQ(pageView(view, 1), pv1);
  EXPECT_EQ(pageView(view, 2), nullptr);
  EXPECT_EQ(pageView(view, -1), nullptr);
  int index = -1;
  EXPECT_EQ(standin::DocumentOfPageView(pv1, &index), doc);
  EXPECT_EQ(index, 1);
  HostHandle page = HOST(32, 2)(pv1);
  EXPECT_NE(page, nullptr);
  EXPECT_EQ(HOST(32, 2)(pv1), page);
  EXPECT_NE(HOST(20, 36)(), nullptr);
  EXPECT_NE(HOST(31, 42)(view), nullptr);
}

// Handles of closed documents, or of no document at all, get null or zero, not a crash.
TEST_F(CoreApplicationTest, UnknownHandlesAnswerNull) {
  int bogus = 0;
  EXPECT_EQ(HOST(26, 4)(&bogus), nullptr);
  EXPECT_EQ(HOST(26, 24)(nullptr), nullptr);
  EXPECT_EQ(HOST(31, 2)(&bogus, 0), nullptr);
  EXPECT_EQ(HOST(32, 2)(&bogus), nullptr);
  EXPECT_EQ(HOST(34, 10)(&bogus), 0);
  HOST(26, 8)(&bogus);
  HOST(32, 13)(&bogus, 1);

  HostHandle doc = standin::OpenHostDocumentFromContent({kText});
  HostHandle view = HOST(26, 24)(doc);
  HostHandle pv = HOST(31, 2)(view, 0);
  standin::CloseHostDocument(doc);
  EXPECT_EQ(HOST(20, 24)(), nullptr);
  EXPECT_EQ(HOST(31, 2)(view, 0), nullptr);
  EXPECT_EQ(HOST(32, 2)(pv), nullptr);
  EXPECT_EQ(standin::DocumentOfPageView(pv, nullptr), nullptr);

  std::string error;
  EXPECT_EQ(standin::OpenHostDocument("/nonexistent/file.pdf", &error), nullptr);
  EXPECT_FALSE(error.empty());
  EXPECT_TRUE(standin::OpenDocuments().empty());
}

// A long document read page by page lets go of the records of the pages it passed: not of a
// page with an open text page or a model; a page asked for again reads as before and parses anew.
TEST_F(CoreApplicationTest, PassedPagesLetGoOfTheirRecordsAndComeBackTheSame) {
  standin::pdf::SetPageModelLimit(2);
  std::vector<std::string> contents;
  for (int p = 0; p < 6; ++p) contents.push_back("BT /F1 12 Tf 72 700 Td (page " + std::to_string(p) + ") Tj ET");
  HostHandle doc = standin::OpenHostDocumentFromContent(contents);
  standin::pdf::SetPageModelLimit(0);
  ASSERT_NE(doc, nullptr);
  standin::pdf::Document& pdf = *standin::PdfDocumentOf(doc);
  HostHandle view = HOST(26, 24)(doc);
  std::vector<HostHandle> pageViews;
  for (int p = 0; p < 6; ++p) {
    pageViews.push_back(HOST(31, 2)(view, p));
    HostHandle page = HOST(32, 2)(pageViews.back());
    ASSERT_EQ(HOST(73, 28)(page, nullptr), 1);
    ASSERT_EQ(HOST(73, 4)(page), 1);
  }
  auto* heldPage = static_cast<standin::pdf::Page*>(HOST(32, 2)(pageViews[1]));
  standin::pdf::NoteTextPageOpened(heldPage);

  standin::ReleasePassedPages(doc, 5);
  EXPECT_EQ(pdf.pages[0], nullptr);
  EXPECT_EQ(pdf.pages[2], nullptr);
  EXPECT_EQ(pdf.pages[1].get(), heldPage);
  EXPECT_NE(pdf.pages[4], nullptr) << "a page with a model was let go";
  EXPECT_NE(pdf.pages[5], nullptr) << "a page not yet passed was let go";

  EXPECT_EQ(HOST(31, 2)(view, 0), pageViews[0]);
  auto* again = static_cast<standin::pdf::Page*>(HOST(32, 2)(pageViews[0]));
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again, pdf.pages[0].get());
  EXPECT_EQ(HOST(73, 4)(again), 0) << "the new record took over an old parse state";
  EXPECT_EQ(HOST(73, 28)(again, nullptr), 1);
  EXPECT_EQ(HOST(73, 4)(again), 1);
  ASSERT_EQ(again->Count(), 1);
  EXPECT_EQ(again->First()->items.size(), 6u);
  standin::pdf::NoteTextPageReleased(heldPage);
}

TEST_F(CoreApplicationTest, ActiveDocumentFollowsOpeningClosingAndSwitching) {
  HostHandle a = standin::OpenHostDocumentFromContent({kText});
  HostHandle b = standin::OpenHostDocumentFromContent({kText});
  HostHandle c = standin::OpenHostDocumentFromContent({kText});
  EXPECT_EQ(standin::ActiveDocument(), c);
  standin::SetActiveDocument(a);
  EXPECT_EQ(HOST(20, 24)(), a);
  standin::CloseHostDocument(b);              // not active: stays a
  EXPECT_EQ(standin::ActiveDocument(), a);
  EXPECT_EQ(HOST(20, 22)(), 2);
  EXPECT_EQ(HOST(20, 23)(1), c);
  standin::CloseHostDocument(a);
  EXPECT_EQ(standin::ActiveDocument(), c);
  standin::SetActiveDocument(b);              // closed: ignored
  EXPECT_EQ(standin::ActiveDocument(), c);
  standin::CloseHostDocument(c);
  EXPECT_EQ(standin::ActiveDocument(), nullptr);
  EXPECT_EQ(HOST(20, 22)(), 0);
}

// ---- the undo list ----

struct StepRecord {
  int undone = 0;
  int redone = 0;
  int released = 0;
};

int32_t VM_CALL UndoStepFn(void* data) { return ++static_cast<StepRecord*>(data)->undone; }
int32_t VM_CALL RedoStepFn(void* data) { return ++static_cast<StepRecord*>(data)->redone; }
void VM_CALL ReleaseStepFn(void* data) { ++static_cast<StepRecord*>(data)->released; }

int32_t AddStep(HostHandle doc, StepRecord* record) {
  UndoItem item{sizeof(UndoItem), record, &UndoStepFn, &RedoStepFn, &ReleaseStepFn};
  return HOST(20, 37)(u"개인 정보 보호", doc, 0, &item);
}

// Closing a document releases its steps too; the redaction writer tests check that path.
TEST_F(CoreApplicationTest, UndoListCallsBackAndReleasesDroppedSteps) {
  HostHandle doc = standin::OpenHostDocumentFromContent({kText});
  StepRecord first, second, third;
  int bogus = 0;
  EXPECT_EQ(AddStep(&bogus, &first), 0);
  EXPECT_EQ(HOST(20, 37)(u"x", doc, 0, nullptr), 0);
  EXPECT_EQ(AddStep(doc, &first), 1);
  EXPECT_EQ(AddStep(doc, &second), 1);
  ASSERT_EQ(standin::UndoStepCount(doc), 2);
  EXPECT_EQ(standin::UndoSteps(doc)[0].label, u"개인 정보 보호");
  EXPECT_EQ(standin::UndoSteps(doc)[0].item.size, sizeof(UndoItem));

  EXPECT_TRUE(standin::UndoLast(doc));
  EXPECT_TRUE(standin::UndoLast(doc));
  EXPECT_FALSE(standin::UndoLast(doc));
  EXPECT_EQ(first.undone + second.undone, 2);
  EXPECT_TRUE(standin::RedoLast(doc));  // the first step again
  EXPECT_EQ(first.redone, 1);
  EXPECT_EQ(second.redone, 0);

  // A new step drops what could still be redone.
  EXPECT_EQ(AddStep(doc, &third), 1);
  EXPECT_EQ(second.released, 1);
  EXPECT_FALSE(standin::RedoLast(doc));
  EXPECT_EQ(first.released + third.released, 0);

  standin::ResetHost();
  EXPECT_EQ(first.released, 1);
  EXPECT_EQ(second.released, 1);
  EXPECT_EQ(third.released, 1);
}

}  // namespace
