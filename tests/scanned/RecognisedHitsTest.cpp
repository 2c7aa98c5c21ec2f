// Recognised text as the patterns see it, and the pixels of each hit: words joined where the
// reader saw gaps, readings chosen by what validates, and the boxes that get blacked out.
#include <gtest/gtest.h>

#include "ImageProtection.h"
#include "RecognisedHits.h"
#include "detect/PiCategory.h"
#include "mask/FormatChoiceTable.h"

namespace scanned {
namespace {

// A word whose characters stand side by side, `width` pixels each, from x on a line at y.
OcrWord Word(const std::u16string& text, int x, int y = 100, bool spaceBefore = true, float confidence = 90,
             int width = 10) {
  OcrWord w;
  w.text = text;
  w.spaceBefore = spaceBefore;
  w.confidence = confidence;
  for (size_t i = 0; i < text.size(); ++i) {
    const int left = x + static_cast<int>(i) * width;
    w.symbols.push_back({std::u16string(1, text[i]), {left, y, left + width - 2, y + 20}});
  }
  w.box = {x, y, x + static_cast<int>(text.size()) * width - 2, y + 20};
  return w;
}

vm::PiPatternList AllPatterns() {
  vm::PiCategoryFlags flags;
  flags.fill(true);
  vm::PiPatternList patterns;
  vm::BuildPatternSet(flags, patterns);
  return patterns;
}

TEST(RecognisedText, WordsJoinWhereTheReaderSawAGapButNotBesideADashBetweenDigits) {
  OcrText text;
  text.lines.push_back({{Word(u"전화", 0), Word(u":", 20, 100, false), Word(u"010-", 40), Word(u"2345-6789", 90)}, {}});
  text.lines.push_back({{Word(u"끝", 0, 140), Word(u"-", 20, 140), Word(u"5", 40, 140)}, {}});
  EXPECT_EQ(JoinedText(text), u"전화: 010-2345-6789\n끝 - 5");
}

TEST(RecognisedText, HitsCarryTheirCharactersBoxesLineByLineAndTheLowestConfidence) {
  OcrText text;
  text.lines.push_back({{Word(u"연락처", 0), Word(u"010-2345-", 40, 100, true, 95), }, {}});
  text.lines.push_back({{Word(u"6789", 0, 130, false, 70), Word(u"입니다", 50, 130)}, {}});
  // The number wraps: "010-2345-" ends the first line, "6789" begins the second.
  text.lines[1].words[0].spaceBefore = false;
  bool complete = false;
  const std::vector<RecognisedHit> hits = FindInRecognisedText(AllPatterns(), text, &complete);
  EXPECT_TRUE(complete);
  ASSERT_EQ(hits.size(), 1u) << JoinedText(text).size();
  const RecognisedHit& hit = hits[0];
  EXPECT_EQ(hit.text, u"010-2345-\n6789");
  EXPECT_EQ(hit.category, vm::Phone);
  EXPECT_FLOAT_EQ(hit.confidence, 70);
  ASSERT_EQ(hit.lines.size(), 2u);
  EXPECT_EQ(hit.lines[0].x0, 40);
  EXPECT_EQ(hit.lines[0].x1, 40 + 9 * 10 - 2);
  EXPECT_EQ(hit.lines[1].y0, 130);
  ASSERT_EQ(hit.units.size(), hit.text.size());
  EXPECT_FALSE(hit.units[9]);  // the line break
  EXPECT_EQ(hit.units[10]->x0, 0);

  // Without the characters' boxes the words' boxes stand for them, and no unit box is known.
  for (OcrLine& line : text.lines)
    for (OcrWord& w : line.words) w.symbols.clear();
  const std::vector<RecognisedHit> coarse = FindInRecognisedText(AllPatterns(), text, nullptr);
  ASSERT_EQ(coarse.size(), 1u);
  EXPECT_TRUE(coarse[0].units.empty());
  EXPECT_EQ(coarse[0].lines[1].x1, 38);
}

TEST(RecognisedText, ALineReadAgainTakesTheReadingThatValidates) {
  OcrText text;
  // A resident registration number misread into month 13, read right the second time.
  text.lines.push_back({{Word(u"주민등록번호:", 0), Word(u"901301-1234567", 80, 100, true, 60)},
                        {{Word(u"주민등록번호:", 0), Word(u"900101-1234567", 80, 100, true, 55)},
                         {Word(u"Sz:", 0), Word(u"900101", 80)}}});
  text.lines.push_back({{Word(u"연락처", 0, 140), Word(u"없음", 50, 140)}, {{Word(u"Oto", 0, 140)}}});
  ChooseReadings(AllPatterns(), text);
  EXPECT_EQ(JoinedText(text), u"주민등록번호: 900101-1234567\n연락처 없음");
  EXPECT_TRUE(text.lines[0].alternatives.empty());
}

TEST(ProtectedPixels, AFormatKeepsItsCharactersWhereTheirBoxesAreKnownElseTheWholeLineGoes) {
  OcrText text;
  text.lines.push_back({{Word(u"010-2345-6789", 100, 100)}, {}});
  const std::vector<RecognisedHit> hits = FindInRecognisedText(AllPatterns(), text, nullptr);
  ASSERT_EQ(hits.size(), 1u);
  vm::PiOptions options;
  options.flags.fill(true);
  options.formats[vm::Phone] = u"NNN-****-NNNN";
  std::vector<std::u16string> runs;
  bool whole = true;
  const std::vector<PixelBox> boxes = BoxesToBlackOut(hits[0], options, 1000, 1000, &runs, &whole);
  EXPECT_FALSE(whole);
  ASSERT_EQ(boxes.size(), 4u);  // "2345"
  EXPECT_EQ(runs, std::vector<std::u16string>{u"2345"});
  // Halfway into the gaps beside the kept dashes, padded above and below.
  EXPECT_EQ(boxes[0].x0, (100 + 3 * 10 + 8 + 100 + 4 * 10 + 1) / 2);
  EXPECT_EQ(boxes[3].x1, (100 + 7 * 10 + 8 + 100 + 8 * 10 + 1) / 2);
  EXPECT_LT(boxes[0].y0, 100);
  EXPECT_GT(boxes[0].y1, 120);

  // All masked: the line's box, padded.
  options.formats[vm::Phone] = u"***-****-****";
  const std::vector<PixelBox> all = BoxesToBlackOut(hits[0], options, 1000, 1000, &runs, &whole);
  EXPECT_TRUE(whole);
  ASSERT_EQ(all.size(), 1u);
  EXPECT_LT(all[0].x0, 100);
  EXPECT_GT(all[0].x1, 100 + 13 * 10 - 2);

  // A partial format without the characters' boxes blacks the whole occurrence.
  RecognisedHit coarse = hits[0];
  coarse.units.clear();
  options.formats[vm::Phone] = u"NNN-****-NNNN";
  EXPECT_EQ(BoxesToBlackOut(coarse, options, 1000, 1000, &runs, &whole).size(), 1u);
  EXPECT_TRUE(whole);
}

}  // namespace
}  // namespace scanned
