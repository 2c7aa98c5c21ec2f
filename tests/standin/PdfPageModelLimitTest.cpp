// A document read with a bound on its page models: pages read long ago give their models up,
// pages with unwritten edits or an open text page keep them, and a page read again comes back
// the same.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pdf/Document.h"
#include "pdf/Page.h"
#include "pdf/TextEdits.h"

namespace standin::pdf {
namespace {

class PageModelLimit : public ::testing::Test {
 protected:
  void SetUp() override {
    SetPageModelLimit(3);
    std::vector<std::string> pages;
    for (int p = 0; p < 10; ++p)
      pages.push_back("BT /F1 12 Tf 72 700 Td (page " + std::to_string(p) + ") Tj ET 0 0 10 10 re f");
    document = DocumentFromContent(pages);
    SetPageModelLimit(0);
    ASSERT_TRUE(document);
  }
  std::unique_ptr<Document> document;
};

TEST_F(PageModelLimit, KeepsOnlyTheRecentPagesAndRereadsTheOthersUnchanged) {
  for (int p = 0; p < 10; ++p) EXPECT_EQ(GetPage(*document, p)->Count(), 2) << p;
  int modelled = 0;
  for (int p = 0; p < 10; ++p) modelled += GetPage(*document, p)->HasModel() ? 1 : 0;
  EXPECT_EQ(modelled, 3);
  EXPECT_FALSE(GetPage(*document, 0)->HasModel());
  EXPECT_TRUE(GetPage(*document, 9)->HasModel());
  EXPECT_EQ(GetPage(*document, 0)->Count(), 2);  // read again
}

TEST_F(PageModelLimit, EditedPagesAndPagesWithTextPagesKeepTheirModels) {
  Page* edited = GetPage(*document, 0);
  edited->Remove(edited->First());
  ASSERT_EQ(edited->Count(), 1);
  NoteTextPageOpened(GetPage(*document, 1));
  GetPage(*document, 1)->Count();
  for (int p = 2; p < 10; ++p) GetPage(*document, p)->Count();
  EXPECT_TRUE(edited->HasModel());
  EXPECT_EQ(edited->Count(), 1) << "an unwritten removal was lost";
  EXPECT_TRUE(GetPage(*document, 1)->HasModel());
  NoteTextPageReleased(GetPage(*document, 1));

  ASSERT_TRUE(edited->Regenerate());  // written back: the page may now give its model up
  for (int p = 2; p < 10; ++p) GetPage(*document, p)->Count();
  EXPECT_FALSE(edited->HasModel());
  EXPECT_EQ(edited->Count(), 1);
}

TEST_F(PageModelLimit, AnObjectEditedAfterThePageWasFoundUneditedKeepsItsModel) {
  Page* page = GetPage(*document, 0);
  ASSERT_EQ(page->Count(), 2);
  ASSERT_FALSE(page->HasUnwrittenEdits());
  SetPosition(*page->First(), 300, 300);
  EXPECT_TRUE(page->HasUnwrittenEdits());
  for (int p = 1; p < 10; ++p) GetPage(*document, p)->Count();
  ASSERT_TRUE(page->HasModel()) << "an unwritten edit was lost";
  EXPECT_EQ(page->First()->text.tm.e, 300);
}

}  // namespace
}  // namespace standin::pdf
