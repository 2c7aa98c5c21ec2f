// Box geometry of the redaction writer and the black-box operators.
#include <gtest/gtest.h>

#include <clocale>

#include "mask/BoxGeometry.h"
#include "mask/PageEdits.h"

namespace vm {
namespace {

void ExpectBox(const HostBox& box, float x0, float y0, float x1, float y1) {
  EXPECT_FLOAT_EQ(box.x0, x0);
  EXPECT_FLOAT_EQ(box.y0, y0);
  EXPECT_FLOAT_EQ(box.x1, x1);
  EXPECT_FLOAT_EQ(box.y1, y1);
}

TEST(BoxGeometry, NormalizeAndUnion) {
  ExpectBox(NormalizeBox({10, 40, 5, 20}), 5, 20, 10, 40);
  ExpectBox(UnionBox({}), 0, 0, 0, 0);
  ExpectBox(UnionBox({{30, 10, 20, 0}, {0, 5, 10, 15}, {12, -3, 14, 2}}), 0, -3, 30, 15);
}

TEST(BoxGeometry, CoverageThresholdIsHalfOfTheReplacement) {
  const HostBox text{0, 0, 100, 10};
  EXPECT_FLOAT_EQ(CoveredFraction(text, {50, -5, 200, 20}), 0.5f);
  EXPECT_TRUE(IsMostlyCovered(text, {{50, -5, 200, 20}}));
  EXPECT_FALSE(IsMostlyCovered(text, {{51, -5, 200, 20}}));
  // Any one covering box is enough; several partial ones are not added up.
  EXPECT_FALSE(IsMostlyCovered(text, {{0, 0, 40, 10}, {60, 0, 100, 10}}));
  EXPECT_TRUE(IsMostlyCovered(text, {{0, 0, 40, 10}, {0, 0, 100, 10}}));
  // Reversed corners of the replacement are normalized first.
  EXPECT_TRUE(IsMostlyCovered({100, 10, 0, 0}, {{0, 0, 100, 10}}));
  // Degenerate boxes never count as covered.
  EXPECT_EQ(CoveredFraction({5, 5, 5, 10}, {0, 0, 100, 100}), 0.0f);
  EXPECT_EQ(CoveredFraction(text, {200, 0, 300, 10}), 0.0f);
  EXPECT_FALSE(IsMostlyCovered(text, {}));
}

TEST(BoxGeometry, ExpandGrowsByShareOfSizePlusHalfUnit) {
  // 100 x 10: 3.5 left and right, 1.7 below and above.
  ExpectBox(ExpandBox({110, 30, 10, 20}), 6.5f, 18.3f, 113.5f, 31.7f);
  ExpectBox(ExpandBox({0, 0, 0, 0}), -0.5f, -0.5f, 0.5f, 0.5f);
}

TEST(BlackBoxOperators, LinesWithTwoDecimalsAndSkippedSlivers) {
  EXPECT_EQ(BlackBoxOperators({{10, 20, 110, 35}}),
            "\nq 0 0 0 rg\n10.00 20.00 100.00 15.00 re\nf\nQ\n");
  EXPECT_EQ(BlackBoxOperators({{110, 35, 10.125f, 20}, {0, 0, 0.05f, 50}, {1, 1, 2, 1.05f}}),
            "\nq 0 0 0 rg\n10.12 20.00 99.88 15.00 re\nf\nQ\n");
  EXPECT_EQ(BlackBoxOperators({{0, 0, 0.05f, 50}}), "");
  EXPECT_EQ(BlackBoxOperators({}), "");
}

TEST(BlackBoxOperators, DecimalMarkIgnoresTheLocale) {
  const char* previous = std::setlocale(LC_NUMERIC, nullptr);
  std::string saved = previous ? previous : "C";
  if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "fr_FR.UTF-8")) {
    GTEST_SKIP() << "no locale with a decimal comma installed";
  }
  std::string ops = BlackBoxOperators({{1.5f, 2.25f, 3.5f, 4.25f}});
  std::setlocale(LC_NUMERIC, saved.c_str());
  EXPECT_EQ(ops, "\nq 0 0 0 rg\n1.50 2.25 2.00 2.00 re\nf\nQ\n");
}

}  // namespace
}  // namespace vm
