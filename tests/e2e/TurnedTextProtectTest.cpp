// Protection characters over text that does not run left to right on the page (turned by the
// text matrix, by the transformation matrix or by the page's /Rotate, and vertical writing):
// they take the masked characters' place along the line, in the line's direction.
#include <gtest/gtest.h>

#include <cmath>

#include "CorpusSupport.h"
#include "HostTextPage.h"
#include "core/Application.h"
#include "core/StandinHost.h"
#include "mask/BoxGeometry.h"

namespace e2e {
namespace {

struct Point {
  double x = 0;
  double y = 0;
};

Point Centre(const HostBox& box) { return {(box.x0 + box.x1) / 2.0, (box.y0 + box.y1) / 2.0}; }

class TurnedText : public testing::TestWithParam<std::string> {
 protected:
  void TearDown() override { standin::ResetHost(); }
};

TEST_P(TurnedText, ProtectionCharactersRunAlongTheMaskedCharacters) {
  const std::string input = DataPath(GetParam());
  ProtectRun run = Protect(input, AllCategories());
  ASSERT_TRUE(run.applied);
  std::string error;
  HostHandle original = standin::OpenHostDocument(input, &error);
  ASSERT_NE(original, nullptr) << error;

  int lines = 0;
  for (const vm::PiMatch& r : run.replacements) {
    if (r.charCount < 2 || r.rects.size() != 1) continue;
    SCOPED_TRACE(testing::Message() << "page " << r.pageIndex << " at " << r.charStart);
    const checker::PageText before = checker::ReadPageText(original, r.pageIndex);
    const checker::PageText after = checker::ReadPageText(run.document, r.pageIndex);
    HostBox area = vm::NormalizeBox(r.rects[0]);
    area.x0 -= 2, area.y0 -= 2, area.x1 += 2, area.y1 += 2;
    std::vector<Point> stars;
    for (size_t i = 0; i < after.text.size(); ++i) {
      const Point p = Centre(after.boxes[i]);
      if (after.text[i] == u'*' && p.x >= area.x0 && p.x <= area.x1 && p.y >= area.y0 && p.y <= area.y1)
        stars.push_back(p);
    }
    ASSERT_EQ(stars.size(), static_cast<size_t>(r.charCount));
    const Point first = Centre(before.boxes[r.charStart]);
    const Point last = Centre(before.boxes[r.charStart + r.charCount - 1]);
    const double dx = last.x - first.x, dy = last.y - first.y;
    const double sx = stars.back().x - stars.front().x, sy = stars.back().y - stars.front().y;
    const double masked = std::hypot(dx, dy), drawn = std::hypot(sx, sy);
    EXPECT_GT(drawn, 0.7 * masked);
    EXPECT_LT(drawn, 1.3 * masked);
    EXPECT_GT((sx * dx + sy * dy) / (drawn * masked), 0.98) << "not along the line";
    ++lines;
  }
  EXPECT_GT(lines, 1);
  standin::CloseHostDocument(original);
}

INSTANTIATE_TEST_SUITE_P(Samples, TurnedText,
                         testing::Values("rotated.pdf", "rotated-cm.pdf", "rotated-pages.pdf",
                                         "vertical.pdf"),
                         [](const auto& info) {
                           std::string name;
                           for (char c : info.param.substr(0, info.param.size() - 4))
                             name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                           return name;
                         });

}  // namespace
}  // namespace e2e
