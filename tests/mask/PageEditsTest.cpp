// Page content edits through the stand-in host: what the page shows after the edit and
// regeneration, and the objects the edits add.
#include <set>

#include "mask/HostDocumentTest.h"
#include "pdf/PageObject.h"

namespace vm {
namespace {

using namespace test;

struct RemovalCase {
  const char* name;
  std::string content;    // one text object, after an image
  ItemIndexSet removed;   // item indices
  std::u16string kept;    // what the text page shows afterwards, without white space
};

class RemoveItems : public HostDocumentTest, public testing::WithParamInterface<RemovalCase> {};

// The removed characters are gone; every other one is where it was (copies placed at their
// run's origin, spacing kept with its character); the copies stand where the object stood.
TEST_P(RemoveItems, KeepsOtherCharactersInPlace) {
  const RemovalCase& c = GetParam();
  HostHandle document = Open({"q 10 0 0 10 0 0 cm /Im1 Do Q " + c.content});
  HostHandle page = PdfPage(document, 0);
  const PageText before = ReadPage(document, 0);
  HostHandle text = Objects(page).at(1);
  ASSERT_TRUE(RewriteTextObject(page, text, c.removed));
  const std::vector<HostHandle> objects = Objects(page);
  EXPECT_EQ((Host<82, 11>(objects.front())), kPageObjectImage);
  for (HostHandle o : objects) EXPECT_NE(o, text);
  if (c.kept.empty()) {
    EXPECT_EQ(standin::Table().CountCalls(82, 2), 0);
  }
  ASSERT_EQ((Host<73, 38>(page)), 1);

  const PageText after = ReadPage(document, 0);
  std::u16string shown;
  std::size_t at = 0;
  for (std::size_t i = 0; i < after.text.size(); ++i) {
    if (after.text[i] == u' ' || after.text[i] == u'\n') continue;
    shown += after.text[i];
    while (at < before.text.size() && before.text[at] != after.text[i]) ++at;
    ASSERT_LT(at, before.text.size()) << i;
    ExpectSameBox(after.boxes[i], before.boxes[at++], 0.05);
  }
  EXPECT_EQ(shown, c.kept);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, RemoveItems,
    testing::Values(
        RemovalCase{"MiddleCharacter", "BT /F1 12 Tf 2 0 0.5 2 72 700 Tm (ABCDE) Tj ET", {2}, u"ABDE"},
        RemovalCase{"AllCharacters", "BT /F1 12 Tf 72 700 Td (ABC) Tj ET", {0, 1, 2}, u""},
        // items: spacing, A, spacing, spacing, B, C, spacing, D
        RemovalCase{"SpacingGoesWithItsCharacter",
                    "BT /F1 12 Tf 72 700 Td [5 (A) -200 30 (BC) 300 (D)] TJ ET", {5}, u"ABD"},
        RemovalCase{"TwoByteCodes", "BT /F2 12 Tf 1 0 0 1 72 700 Tm 0.5 Ts " + Hex(u"가나다라") +
                    " Tj ET", {0, 2}, u"나라"}),
    [](const auto& info) { return std::string(info.param.name); });

class PageEditsTest : public HostDocumentTest {
 protected:
  void SetUp() override {
    HostDocumentTest::SetUp();
    document_ = Open({"BT /F1 12 Tf 72 700 Td (ABCDE) Tj ET", "BT /F1 12 Tf 72 700 Td (AB) Tj ET"});
    pdfDocument_ = Host<26, 4>(document_);
    page_ = PdfPage(document_, 0);
  }
  PiMatch Replacement(int32_t count, std::vector<HostBox> boxes, float fontSize = 10) {
    PiMatch r;
    r.charCount = count;
    r.fontSize = fontSize;
    r.rects = std::move(boxes);
    return r;
  }
  // The protection text objects appended after the page's own object.
  std::vector<const standin::pdf::PageObject*> Added() {
    std::vector<const standin::pdf::PageObject*> added;
    for (HostHandle o : Objects(page_))
      if (Shown(o) != "ABCDE") added.push_back(static_cast<const standin::pdf::PageObject*>(o));
    return added;
  }
  HostHandle document_ = nullptr;
  HostHandle pdfDocument_ = nullptr;
  HostHandle page_ = nullptr;
};

TEST_F(PageEditsTest, ObjectNotOnThePageIsLeftAlone) {
  EXPECT_FALSE(RewriteTextObject(page_, Objects(PdfPage(document_, 1)).at(0), {0}));
  EXPECT_EQ(Objects(page_).size(), 1u);
  EXPECT_EQ(standin::Table().CountCalls(73, 16), 0);
}

TEST_F(PageEditsTest, FailedCopyKeepsTheOriginalAndNoPartialCopies) {
  static auto copy = Registered<82, 2>();
  standin::Table().Override<82, 2>([](HostHandle o) -> HostHandle {
    return standin::Table().CountCalls(82, 2) == 1 ? copy(o) : nullptr;
  });
  const std::vector<HostHandle> before = Objects(page_);
  EXPECT_FALSE(RewriteTextObject(page_, before[0], {2}));
  EXPECT_EQ(Objects(page_), before);
}

TEST_F(PageEditsTest, ProtectionTextSharesCharactersByBoxWidth) {
  standin::Table().Override<99, 38>([](HostGlyphBox* box, HostHandle, int32_t) {
    *box = {};
    return box;
  });
  ASSERT_TRUE(WriteReplacementText(pdfDocument_, page_,
                                   Replacement(10, {{0, 0, 30, 12}, {40, 0, 110, 12}}, 0), '~'));
  const auto added = Added();
  ASSERT_EQ(added.size(), 2u);
  EXPECT_EQ(Objects(page_).size(), 3u);
  EXPECT_EQ(Shown(Objects(page_)[1]), "~~~");
  EXPECT_EQ(Shown(Objects(page_)[2]), "~~~~~~~");
  for (const auto* o : added) {
    EXPECT_FLOAT_EQ(o->text.size, 0.85f * 12);  // font size 0: from the box height
    EXPECT_EQ(o->fill.components, 3);
    EXPECT_EQ(o->fill.value[0] + o->fill.value[1] + o->fill.value[2], 0);
  }
  EXPECT_FLOAT_EQ(added[0]->text.tm.e, 0);
  EXPECT_FLOAT_EQ(added[1]->text.tm.e, 40);
  EXPECT_FLOAT_EQ(added[0]->text.tm.f, 0.2f * 12);  // no glyph box: a fifth of the height
}

TEST_F(PageEditsTest, ProtectionTextScaleIsLimitedAndGlyphCentred) {
  for (float right : {210.0f, 11.0f, 15.0f}) {
    ASSERT_TRUE(WriteReplacementText(pdfDocument_, page_, Replacement(2, {{10, 20, right, 40}}), '*'));
  }
  const auto added = Added();
  ASSERT_EQ(added.size(), 3u);
  const float natural = 2 * 10 * 389 / 1000.0f;  // Helvetica's "*" is 389 units wide
  EXPECT_FLOAT_EQ(added[0]->text.tm.a, 5.0f);   // 200 / natural is above the limit
  EXPECT_FLOAT_EQ(added[1]->text.tm.a, 0.2f);   // and the lower limit for a box 1 wide
  EXPECT_FLOAT_EQ(added[2]->text.tm.a, 5 / natural);
  EXPECT_FLOAT_EQ(added[0]->text.size, 10);
  // Centred on the box: the glyph's vertical middle sits at y 30.
  HostGlyphBox glyph;
  Host<99, 38>(&glyph, Host<34, 31>(pdfDocument_, "Helvetica", 0), '*');
  EXPECT_FLOAT_EQ(added[0]->text.tm.f, 30 - (glyph.bottom + glyph.top) / 2.0f * 10 / 1000);
}

TEST_F(PageEditsTest, ProtectionTextNeedsBoxesCharactersFontAndWidth) {
  EXPECT_FALSE(WriteReplacementText(pdfDocument_, page_, Replacement(3, {}), '*'));
  EXPECT_FALSE(WriteReplacementText(pdfDocument_, page_, Replacement(0, {{0, 0, 30, 10}}), '*'));
  EXPECT_FALSE(WriteReplacementText(pdfDocument_, page_, Replacement(3, {{0, 0, 0.05f, 10}}), '*'));
  EXPECT_FALSE(WriteReplacementText(pdfDocument_, page_, Replacement(3, {{30, 0, 0, 10}}), '*'));
  standin::Table().Override<34, 31>([](HostHandle, const char*, int32_t) -> HostHandle { return nullptr; });
  EXPECT_FALSE(WriteReplacementText(pdfDocument_, page_, Replacement(3, {{0, 0, 30, 10}}), '*'));
  EXPECT_TRUE(Added().empty());
}

TEST_F(PageEditsTest, BlackBoxesJoinContentArrayIntoOneNewStream) {
  HostHandle document = standin::OpenHostDocument(VM_TEST_DATA_DIR "/contents-array.pdf", nullptr);
  ASSERT_NE(document, nullptr);
  const std::string joined = ContentBytes(document, 0);  // each stream followed by a newline
  HostHandle page = PdfPage(document, 0);
  auto contentsKind = [&] { return Host<61, 0>(Host<67, 2>(Host<73, 22>(page), "Contents")); };
  ASSERT_EQ(contentsKind(), kPdfObjectArray);
  ASSERT_TRUE(AppendBlackBoxes((Host<26, 4>(document)), page, {{10, 20, 110, 35}}));
  ASSERT_EQ(contentsKind(), kPdfObjectStream);
  EXPECT_EQ(ContentBytes(document, 0), joined + "\nq 0 0 0 rg\n10.00 20.00 100.00 15.00 re\nf\nQ\n");
}

TEST_F(PageEditsTest, BlackBoxesLeaveContentAloneWhenTheyCannot) {
  const std::string original = ContentBytes(document_, 0);
  EXPECT_FALSE(AppendBlackBoxes(pdfDocument_, page_, {}));
  EXPECT_FALSE(AppendBlackBoxes(pdfDocument_, page_, {{0, 0, 0.05f, 10}}));
  EXPECT_FALSE(AppendBlackBoxes(nullptr, page_, {{0, 0, 10, 10}}));
  // A content stream that cannot be read must not be dropped from the page.
  standin::Table().Override<69, 0>([]() -> HostHandle { return nullptr; });
  EXPECT_FALSE(AppendBlackBoxes(pdfDocument_, page_, {{0, 0, 10, 10}}));
  standin::Table().ClearOverrides();
  EXPECT_EQ(ContentBytes(document_, 0), original);
  standin::Table().Override<73, 22>([](HostHandle) -> HostHandle { return nullptr; });
  EXPECT_FALSE(AppendBlackBoxes(pdfDocument_, page_, {{0, 0, 10, 10}}));
}

}  // namespace
}  // namespace vm
