// The engine reached through the host function table, as the module reaches it.
#include <gtest/gtest.h>

#include <algorithm>

#include "PdfTestUtil.h"
#include "core/Services.h"
#include "core/StandinHost.h"
#include "pdf/Page.h"

namespace standin::pdf {
namespace {

template <int C, int S>
typename HostFn<C, S>::type Host() {
  return reinterpret_cast<typename HostFn<C, S>::type>(TableRecord()->lookup(C, S, 0));
}

// (A macro keeps the template's comma out of the assertion macros' arguments.)
#define H(C, S) (Host<C, S>())

std::vector<HostHandle> Objects(HostHandle page) {
  std::vector<HostHandle> out;
  HostPosition position = H(73, 6)(page);
  while (position) out.push_back(H(73, 8)(page, &position));
  return out;
}

class PdfHostFunctions : public ::testing::Test {
 protected:
  void SetUp() override {
    document = DocumentFromContent({"BT /F1 12 Tf 72 700 Td (AB) Tj (CD) Tj ET 0 0 10 10 re f"});
    ASSERT_TRUE(document);
    page = GetPage(*document, 0);
  }
  std::unique_ptr<Document> document;
  Page* page = nullptr;
};

TEST_F(PdfHostFunctions, ObjectListWalksAndCounts) {
  auto objects = Objects(page);
  ASSERT_EQ(objects.size(), 3u);
  EXPECT_EQ(H(73, 11)(page), 3);
  EXPECT_EQ(H(73, 13)(page, 2), objects[2]);
  EXPECT_EQ(H(73, 13)(page, 3), nullptr);
  EXPECT_EQ(H(82, 11)(objects[0]), kPageObjectText);
  EXPECT_EQ(H(82, 11)(objects[2]), kPageObjectPath);
  HostBox box;
  H(82, 10)(&box, objects[2]);
  EXPECT_FLOAT_EQ(box.x1, 10);
  EXPECT_FLOAT_EQ(box.y1, 10);

  ASSERT_EQ(H(83, 2)(objects[1]), 2);
  HostTextItem item;
  H(83, 3)(&item, objects[1], 1);
  EXPECT_EQ(item.code, 'D');
  EXPECT_NEAR(item.x, 12 * 0.722f, 1e-4);  // width of C at 12 pt, in text space
  float m[4];
  H(83, 8)(objects[1], m);
  EXPECT_FLOAT_EQ(m[0], 1);
  EXPECT_FLOAT_EQ(m[3], 1);
}

TEST_F(PdfHostFunctions, InsertingAtOnePositionKeepsOrderAndEndAppends) {
  auto objects = Objects(page);
  HostPosition position = H(73, 6)(page);
  HostHandle first = H(82, 2)(objects[0]);
  HostHandle second = H(82, 2)(objects[0]);
  H(73, 15)(page, position, first);
  H(73, 15)(page, position, second);
  EXPECT_EQ(H(73, 16)(page, position), 1);  // the position still names the source
  HostHandle added = H(83, 0)();
  H(73, 15)(page, H(73, 7)(page), added);
  auto now = Objects(page);
  ASSERT_EQ(now.size(), 5u);
  EXPECT_EQ(now[0], first);
  EXPECT_EQ(now[1], second);
  EXPECT_EQ(now[2], objects[1]);
  EXPECT_EQ(now[4], added);
  // A stale position is refused.
  EXPECT_EQ(H(73, 16)(page, position), 0);
}

TEST_F(PdfHostFunctions, TextPageReportsObjectsAndItems) {
  HostHandle textPage = H(120, 0)(page, 0);
  ASSERT_NE(textPage, nullptr);
  EXPECT_EQ(H(120, 3)(textPage), 0);
  H(120, 2)(textPage);
  EXPECT_EQ(H(120, 3)(textPage), 1);
  ASSERT_EQ(H(120, 4)(textPage), 4);

  WideString text;
  HostHandle string = &text;
  H(120, 16)(textPage, 0, 4, &string);
  EXPECT_EQ(text.text, u"ABCD");

  auto objects = Objects(page);
  HostCharInfo info = {};
  ASSERT_EQ(H(120, 5)(textPage, 3, &info), 1);
  EXPECT_EQ(info.textObject, objects[1]);
  EXPECT_EQ(info.itemIndex, 1);
  EXPECT_FLOAT_EQ(info.fontSize, 12);
  EXPECT_FLOAT_EQ(info.a * info.d - info.b * info.c, 1);

  BoxArray boxes;
  HostHandle array = &boxes;
  EXPECT_EQ(H(120, 6)(textPage, 1, 2, &array), 1);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_NEAR(boxes.boxes[0].x0, 72 + 12 * 0.667, 0.01);
  EXPECT_NEAR(boxes.boxes[0].x1, 72 + 12 * (0.667 * 2 + 0.722), 0.01);
  H(120, 1)(textPage);
}

TEST_F(PdfHostFunctions, HandlesAreTrackedUntilReleased) {
  Tracker().Reset();
  HostHandle textPage = H(120, 0)(page, 0);
  HostHandle textState = H(79, 0)();
  HostHandle colorState = H(78, 0)();
  EXPECT_EQ(Tracker().Outstanding().size(), 3u);
  H(120, 1)(textPage);
  H(79, 1)(textState);
  H(78, 1)(colorState);
  EXPECT_TRUE(Tracker().Outstanding().empty());
  H(78, 1)(colorState);  // released twice: refused and recorded, not freed again
  EXPECT_EQ(Tracker().Faults().size(), 1u);
  Tracker().Reset();
}

// The replacement text the module writes: Helvetica, black, stretched, at the end of the page.
TEST_F(PdfHostFunctions, NewTextObjectIsWrittenWithItsState) {
  HostHandle font = H(34, 31)(document.get(), "Helvetica", 0);
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(H(99, 36)(font, '*'), 389);
  HostGlyphBox glyph;
  H(99, 38)(&glyph, font, '*');
  EXPECT_GT(glyph.top, glyph.bottom);

  HostHandle object = H(83, 0)();
  HostHandle state = H(79, 0)();
  H(79, 3)(state, font);
  H(79, 10)(state, 20);
  float scale[4] = {0.5f, 0, 0, 1};
  H(79, 13)(state, scale);
  H(83, 16)(object, state);
  H(79, 1)(state);
  HostHandle color = H(78, 0)();
  float black[3] = {0, 0, 0};
  H(78, 4)(color, H(107, 0)(2), black, 3);
  H(82, 8)(object, color);
  H(78, 1)(color);
  ByteString bytes{"***"};
  H(83, 12)(object, &bytes);
  H(83, 15)(object, 200, 100);
  H(73, 15)(page, H(73, 7)(page), object);
  ASSERT_EQ(H(73, 38)(page), 1);

  auto chars = testing::MuPdfChars(*document, 0);
  ASSERT_EQ(testing::Narrow(testing::Utf16(chars)), "ABCD***");
  EXPECT_NEAR(chars[4].origin.x, 200, 0.01);
  EXPECT_NEAR(chars[5].origin.x, 200 + 0.5 * 20 * 0.389, 0.01);
  EXPECT_NEAR(chars[4].origin.y, 100, 0.01);
}

}  // namespace
}  // namespace standin::pdf
