// Page content edits through the stand-in host with a scripted page.
#include <gtest/gtest.h>

#include <algorithm>

#include "core/StandinHost.h"
#include "mask/FakeTextHost.h"
#include "mask/PageEdits.h"

namespace vm {
namespace {

std::vector<HostTextItem> Items(const std::string& codes, float step = 10) {
  std::vector<HostTextItem> items;
  float x = 0;
  for (char c : codes) {
    items.push_back({c, x, 0});
    x += step;
  }
  return items;
}

std::vector<std::string> Sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

class PageEditsTest : public FakeHostTest {
 protected:
  void SetUp() override {
    FakeHostTest::SetUp();
    fake::Install({u"", u""});
    fake::InstallPageObjects();
    page_ = fake::PdfPageHandle(0);
  }
  const fake::Object* CopyShowing(const std::string& run) {
    for (const fake::Object* o : fake::Doc().pages[0].objects) {
      std::string shown(o->codes.begin(), o->codes.end());
      if (o->charactersSet && shown == run) return o;
    }
    return nullptr;
  }
  HostHandle page_ = nullptr;
};

TEST_F(PageEditsTest, RemovedCharacterSplitsTextObjectIntoPlacedCopies) {
  fake::AddObject(0, kPageObjectImage, {0, 0, 1, 1});
  fake::Object* text = fake::AddTextObject(0, Items("ABCDE"));
  for (auto& item : text->items) item.y = 4;
  text->matrix[0] = 2;
  text->matrix[2] = 0.5f;  // c
  text->matrix[3] = 2;
  ASSERT_TRUE(RewriteTextObject(page_, text, {2}));

  auto& objects = fake::Doc().pages[0].objects;
  EXPECT_EQ(std::count(objects.begin(), objects.end(), text), 0);
  EXPECT_EQ(Sorted(fake::ShownRuns(0)), (std::vector<std::string>{"AB", "DE"}));
  const fake::Object* ab = CopyShowing("AB");
  const fake::Object* de = CopyShowing("DE");
  ASSERT_TRUE(ab && de);
  EXPECT_EQ(ab->copyOf, text);
  // X = a x0 + c y0, Y = b x0 + d y0 for the run's first character.
  EXPECT_FLOAT_EQ(ab->moveX, 2);
  EXPECT_FLOAT_EQ(ab->moveY, 8);
  EXPECT_FLOAT_EQ(de->moveX, 62);
  EXPECT_FLOAT_EQ(de->moveY, 8);
  // The copies stand where the original stood, after the image.
  EXPECT_EQ(objects.front()->kind, kPageObjectImage);
}

TEST_F(PageEditsTest, FullyRemovedTextObjectLeavesNoCopy) {
  fake::Object* text = fake::AddTextObject(0, Items("ABC"));
  ASSERT_TRUE(RewriteTextObject(page_, text, {0, 1, 2}));
  EXPECT_TRUE(fake::Doc().pages[0].objects.empty());
  EXPECT_EQ(standin::Table().CountCalls(82, 2), 0);
}

TEST_F(PageEditsTest, SpacingGoesWithItsCharacter) {
  // items: spacing, A, spacing, B, C, spacing, D
  fake::Object* text = fake::AddTextObject(
      0, {{-1, 5, 0}, {'A', 0, 0}, {-1, -20, 0}, {'B', 10, 0}, {'C', 20, 0}, {-1, 100, 0},
          {'D', 30, 0}});
  ASSERT_TRUE(RewriteTextObject(page_, text, {4}));
  const fake::Object* ab = CopyShowing("AB");
  const fake::Object* d = CopyShowing("D");
  ASSERT_TRUE(ab && d);
  EXPECT_EQ(ab->adjustments, (std::vector<float>{-20, 0}));
  EXPECT_EQ(d->adjustments, (std::vector<float>{0}));
}

TEST_F(PageEditsTest, ObjectNotOnPageOrWithoutCharactersIsLeftAlone) {
  fake::Object* onOtherPage = fake::AddTextObject(1, Items("AB"));
  EXPECT_FALSE(RewriteTextObject(page_, onOtherPage, {0}));
  fake::Object* spacingOnly = fake::AddTextObject(0, {{-1, 5, 0}});
  EXPECT_FALSE(RewriteTextObject(page_, spacingOnly, {0}));
  EXPECT_EQ(fake::Doc().pages[0].objects.size(), 1u);
  EXPECT_EQ(standin::Table().CountCalls(73, 16), 0);
}

TEST_F(PageEditsTest, FailedCopyKeepsTheOriginalAndNoPartialCopies) {
  fake::Object* text = fake::AddTextObject(0, Items("ABCDE"));
  fake::Doc().copyBudget = 1;  // the first run is copied, the second is not
  EXPECT_FALSE(RewriteTextObject(page_, text, {2}));
  EXPECT_EQ(fake::Doc().pages[0].objects, std::vector<fake::Object*>{text});
}

PiMatch Replacement(int32_t count, std::vector<HostBox> boxes, float fontSize = 10) {
  PiMatch r;
  r.charCount = count;
  r.fontSize = fontSize;
  r.rects = std::move(boxes);
  return r;
}

TEST_F(PageEditsTest, ProtectionTextSharesCharactersByBoxWidth) {
  fake::AddTextObject(0, Items("Z"));
  PiMatch r = Replacement(10, {{0, 0, 30, 12}, {40, 0, 110, 12}}, 0);
  ASSERT_TRUE(WriteReplacementText(&fake::Doc().pdfDocumentTag, page_, r, '~'));
  auto& objects = fake::Doc().pages[0].objects;
  ASSERT_EQ(objects.size(), 3u);
  // Appended at the end of the list, after what was there.
  const fake::Object* first = objects[1];
  const fake::Object* second = objects[2];
  EXPECT_EQ(first->text, "~~~");
  EXPECT_EQ(second->text, "~~~~~~~");
  for (const fake::Object* o : {first, second}) {
    EXPECT_EQ(o->font, &fake::Doc().fontTag);
    EXPECT_TRUE(o->black);
    EXPECT_FLOAT_EQ(o->size, 0.85f * 12);  // font size 0: from the box height
    EXPECT_TRUE(o->positioned);
  }
  EXPECT_FLOAT_EQ(first->x, 0);
  EXPECT_FLOAT_EQ(second->x, 40);
  EXPECT_FLOAT_EQ(first->y, 0.2f * 12);  // no glyph box: a fifth of the height
}

TEST_F(PageEditsTest, ProtectionTextScaleIsLimitedAndGlyphCentred) {
  fake::Doc().glyphWidth = 500;
  fake::Doc().glyphBox = {0, -100, 500, 700};
  ASSERT_TRUE(WriteReplacementText(&fake::Doc().pdfDocumentTag, page_,
                                   Replacement(2, {{10, 20, 210, 40}}), '*'));
  ASSERT_TRUE(WriteReplacementText(&fake::Doc().pdfDocumentTag, page_,
                                   Replacement(2, {{10, 20, 11, 40}}), '*'));
  ASSERT_TRUE(WriteReplacementText(&fake::Doc().pdfDocumentTag, page_,
                                   Replacement(2, {{10, 20, 15, 40}}), '*'));
  auto& objects = fake::Doc().pages[0].objects;
  ASSERT_EQ(objects.size(), 3u);
  EXPECT_FLOAT_EQ(objects[0]->scale, 5.0f);   // natural width 10 in a box of 200
  EXPECT_FLOAT_EQ(objects[1]->scale, 0.2f);   // box of 1
  EXPECT_FLOAT_EQ(objects[2]->scale, 0.5f);
  EXPECT_FLOAT_EQ(objects[0]->size, 10);
  // Centre of the box minus the glyph's vertical centre: 30 - 300 * 10 / 1000.
  EXPECT_FLOAT_EQ(objects[0]->y, 27);
}

TEST_F(PageEditsTest, ProtectionTextNeedsBoxesCharactersFontAndWidth) {
  HostHandle doc = &fake::Doc().pdfDocumentTag;
  EXPECT_FALSE(WriteReplacementText(doc, page_, Replacement(3, {}), '*'));
  EXPECT_FALSE(WriteReplacementText(doc, page_, Replacement(0, {{0, 0, 30, 10}}), '*'));
  EXPECT_FALSE(WriteReplacementText(doc, page_, Replacement(3, {{0, 0, 0.05f, 10}}), '*'));
  EXPECT_FALSE(WriteReplacementText(doc, page_, Replacement(3, {{30, 0, 0, 10}}), '*'));
  fake::Doc().noFont = true;
  EXPECT_FALSE(WriteReplacementText(doc, page_, Replacement(3, {{0, 0, 30, 10}}), '*'));
  EXPECT_TRUE(fake::Doc().pages[0].objects.empty());
}

TEST_F(PageEditsTest, BlackBoxesJoinContentArrayIntoOneNewStream) {
  fake::PdfObject* array = fake::NewPdfObject(kPdfObjectArray);
  array->elements = {fake::NewPdfObject(kPdfObjectStream, "q 1 0 0 1 0 0 cm"),
                     fake::NewPdfObject(kPdfObjectStream, "BT ET Q")};
  fake::Doc().pages[0].dictionary["Contents"] = array;
  ASSERT_TRUE(AppendBlackBoxes(&fake::Doc().pdfDocumentTag, page_, {{10, 20, 110, 35}}));
  const fake::PdfObject* contents = fake::Doc().pages[0].dictionary["Contents"];
  ASSERT_NE(contents, array);
  EXPECT_EQ(contents->kind, kPdfObjectStream);
  EXPECT_EQ(contents->data,
            "q 1 0 0 1 0 0 cm\nBT ET Q\n\nq 0 0 0 rg\n10.00 20.00 100.00 15.00 re\nf\nQ\n");

  fake::Doc().pages[1].dictionary["Contents"] = fake::NewPdfObject(kPdfObjectStream, "BT ET");
  ASSERT_TRUE(AppendBlackBoxes(&fake::Doc().pdfDocumentTag, fake::PdfPageHandle(1),
                               {{0, 0, 0.05f, 10}, {0, 0, 1, 1}}));
  EXPECT_EQ(fake::ContentsData(1), "BT ET\nq 0 0 0 rg\n0.00 0.00 1.00 1.00 re\nf\nQ\n");
}

TEST_F(PageEditsTest, BlackBoxesLeaveContentAloneWhenTheyCannot) {
  fake::PdfObject* original = fake::NewPdfObject(kPdfObjectStream, "BT ET");
  fake::Doc().pages[0].dictionary["Contents"] = original;
  HostHandle doc = &fake::Doc().pdfDocumentTag;
  EXPECT_FALSE(AppendBlackBoxes(doc, page_, {}));
  EXPECT_FALSE(AppendBlackBoxes(doc, page_, {{0, 0, 0.05f, 10}}));
  EXPECT_FALSE(AppendBlackBoxes(nullptr, page_, {{0, 0, 10, 10}}));
  // A content stream that cannot be read must not be dropped from the page.
  standin::Table().Override<69, 0>([]() -> HostHandle { return nullptr; });
  EXPECT_FALSE(AppendBlackBoxes(doc, page_, {{0, 0, 10, 10}}));
  EXPECT_EQ(fake::Doc().pages[0].dictionary["Contents"], original);
  fake::Doc().pages[0].noDictionary = true;
  EXPECT_FALSE(AppendBlackBoxes(doc, page_, {{0, 0, 10, 10}}));
}

}  // namespace
}  // namespace vm
