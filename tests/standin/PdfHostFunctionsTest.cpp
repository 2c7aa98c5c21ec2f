// The engine reached through the host function table where the module's tests cannot tell a
// fault: boxes measured against the PDF's widths, and positions of objects that have gone.
#include <gtest/gtest.h>

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

class PdfHostFunctions : public ::testing::Test {
 protected:
  void SetUp() override {
    Tracker().Reset();
    document = DocumentFromContent({"BT /F1 12 Tf 72 700 Td (AB) Tj (CD) Tj ET 0 0 10 10 re f"});
    ASSERT_TRUE(document);
    page = GetPage(*document, 0);
  }
  void TearDown() override {
    EXPECT_TRUE(Tracker().Outstanding().empty());
    Tracker().Reset();
  }
  std::unique_ptr<Document> document;
  Page* page = nullptr;
};

// Helvetica's A and B are 0.667 em wide, C 0.722 em.
TEST_F(PdfHostFunctions, TextPageBoxesFollowTheWidthsOfThePdf) {
  HostHandle textPage = H(120, 0)(page, 0);
  ASSERT_NE(textPage, nullptr);
  H(120, 2)(textPage);
  ASSERT_EQ(H(120, 4)(textPage), 4);
  BoxArray boxes;
  HostHandle array = &boxes;
  EXPECT_EQ(H(120, 6)(textPage, 1, 2, &array), 1);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_NEAR(boxes.boxes[0].x0, 72 + 12 * 0.667, 0.01);
  EXPECT_NEAR(boxes.boxes[0].x1, 72 + 12 * (0.667 * 2 + 0.722), 0.01);
  H(120, 1)(textPage);
}

TEST_F(PdfHostFunctions, PositionOfARemovedObjectIsRefused) {
  const HostPosition position = H(73, 6)(page);
  HostPosition walk = position;
  HostHandle first = H(73, 8)(page, &walk);
  H(73, 15)(page, position, H(82, 2)(first));
  ASSERT_EQ(H(73, 11)(page), 4);
  EXPECT_EQ(H(73, 16)(page, position), 1);  // the position still names the source
  EXPECT_EQ(H(73, 16)(page, position), 0);
  EXPECT_EQ(H(73, 11)(page), 3);
  EXPECT_EQ(H(73, 13)(page, 3), nullptr);
}

}  // namespace
}  // namespace standin::pdf
