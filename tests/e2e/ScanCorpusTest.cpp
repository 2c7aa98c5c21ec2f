// The document scan on every sample of the corpus finds what a person reading it finds, and
// frames it where it is printed.
#include <gtest/gtest.h>

#include <array>
#include <map>
#include <set>
#include <tuple>

#include "CorpusSupport.h"
#include "HostTextPage.h"
#include "core/Application.h"
#include "core/StandinHost.h"
#include "detect/ScanDocument.h"
#include "mask/BoxGeometry.h"

namespace e2e {
namespace {

constexpr std::array<const char*, 9> kKeys = {"phone", "rrn",  "foreign", "email",  "account",
                                               "card",  "ip",   "birth",   "address"};

std::string TestName(const testing::TestParamInfo<std::string>& info) {
  std::string name;
  for (char c : info.param.substr(0, info.param.size() - 4)) name += std::isalnum(c) ? c : '_';
  return name;
}

class ScanCorpus : public testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    document_ = OpenFresh(DataPath(GetParam()));
    ASSERT_NE(document_, nullptr);
    vm::PiCategoryFlags flags;
    flags.fill(true);
    vm::ScanDocument(document_, flags, matches_, &report_);
  }
  void TearDown() override { standin::ResetHost(); }

  HostHandle document_ = nullptr;
  vm::PiMatchList matches_;
  vm::ScanReport report_;
};

TEST_P(ScanCorpus, FindsWhatAPersonFinds) {
  EXPECT_TRUE(report_.Complete());
  std::multiset<std::tuple<int, std::string, std::string>> found, expected;
  for (const vm::PiMatch& m : matches_) found.insert({m.pageIndex, kKeys[m.category], SqueezedUtf8(m.text)});
  for (const ExpectedOccurrence& e : ExpectedOccurrences(GetParam()))
    expected.insert({e.page, e.category, e.text});
  EXPECT_EQ(found, expected);
}

TEST_P(ScanCorpus, FramesLieOverThePrintedCharacters) {
  std::map<int, checker::PageText> pages;
  for (const vm::PiMatch& m : matches_) {
    ASSERT_FALSE(m.rects.empty());
    if (!pages.count(m.pageIndex)) pages[m.pageIndex] = checker::ReadPageText(document_, m.pageIndex);
    const checker::PageText& page = pages[m.pageIndex];
    HostBox frame = vm::UnionBox(m.rects);
    frame.x0 -= 0.5f, frame.y0 -= 0.5f, frame.x1 += 0.5f, frame.y1 += 0.5f;
    for (int i = m.charStart; i < m.charStart + m.charCount; ++i) {
      if (!page.inTextObject[i] || page.text[i] == u' ') continue;
      const HostBox box = vm::NormalizeBox(page.boxes[i]);
      const float cx = (box.x0 + box.x1) / 2, cy = (box.y0 + box.y1) / 2;
      EXPECT_TRUE(cx >= frame.x0 && cx <= frame.x1 && cy >= frame.y0 && cy <= frame.y1)
          << "character " << i << " of \"" << SqueezedUtf8(m.text) << "\" on page " << m.pageIndex
          << " lies outside its frame";
    }
  }
}

TEST_P(ScanCorpus, ASecondScanGivesTheSameListAndReleasesEverything) {
  vm::PiCategoryFlags flags;
  flags.fill(true);
  vm::PiMatchList again;
  vm::ScanDocument(document_, flags, again);
  ASSERT_EQ(again.size(), matches_.size());
  for (size_t i = 0; i < again.size(); ++i) {
    EXPECT_EQ(again[i].pageIndex, matches_[i].pageIndex);
    EXPECT_EQ(again[i].charStart, matches_[i].charStart);
    EXPECT_EQ(again[i].text, matches_[i].text);
  }
  EXPECT_TRUE(standin::Tracker().Outstanding().empty());
  EXPECT_TRUE(standin::Tracker().Faults().empty());
}

INSTANTIATE_TEST_SUITE_P(Samples, ScanCorpus, testing::ValuesIn(SampleFiles()), TestName);

}  // namespace
}  // namespace e2e
