#include "RecognisedHits.h"

#include <algorithm>

#include "detect/Detect.h"

namespace scanned {

namespace {

// Where each unit of the joined text comes from.
struct UnitSource {
  int line = -1;
  int word = -1;    // -1 for a joining space or line break
  int symbol = -1;  // the character in the word, when known
};

bool IsDash(char16_t c) { return c == u'-' || (c >= 0x2010 && c <= 0x2015) || c == 0x2212 || c == 0xFF0D; }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Whether the reader's gap before `word` stands in text: not beside a dash between digits
// ("010- 1234"), where readers see a gap that print does not mean (digits of even width leave
// room around the narrower dash).
bool GapBefore(const OcrWord& previous, const OcrWord& word) {
  if (!word.spaceBefore) return false;
  const std::u16string& a = previous.text;
  const std::u16string& b = word.text;
  if (a.empty() || b.empty()) return true;
  const bool dashThenDigit = a.size() >= 2 && IsDash(a.back()) && IsDigit(a[a.size() - 2]) && IsDigit(b.front());
  const bool digitThenDash = b.size() >= 2 && IsDigit(a.back()) && IsDash(b.front()) && IsDigit(b[1]);
  return !dashThenDigit && !digitThenDash;
}

}  // namespace

std::u16string JoinedText(const OcrText& text) {
  std::u16string joined;
  for (size_t l = 0; l < text.lines.size(); ++l) {
    if (l > 0) joined += u'\n';
    for (size_t w = 0; w < text.lines[l].words.size(); ++w) {
      if (w > 0 && GapBefore(text.lines[l].words[w - 1], text.lines[l].words[w])) joined += u' ';
      joined += text.lines[l].words[w].text;
    }
  }
  return joined;
}

void ChooseReadings(const vm::PiPatternList& patterns, OcrText& text) {
  auto found = [&](const std::vector<OcrWord>& words) {
    OcrText one;
    one.lines.push_back(OcrLine{words, {}});
    int units = 0;
    for (const vm::PiCandidate& c : vm::DetectInPageText(patterns, JoinedText(one)).selected) units += c.length;
    return units;
  };
  for (OcrLine& line : text.lines) {
    if (line.alternatives.empty()) continue;
    int best = found(line.words);
    for (std::vector<OcrWord>& other : line.alternatives) {
      const int units = found(other);
      if (units > best) {
        best = units;
        line.words = other;
      }
    }
    line.alternatives.clear();
  }
}

std::vector<RecognisedHit> FindInRecognisedText(const vm::PiPatternList& patterns, const OcrText& text,
                                                bool* complete) {
  std::vector<UnitSource> sources;
  for (size_t l = 0; l < text.lines.size(); ++l) {
    if (l > 0) sources.push_back({});
    const std::vector<OcrWord>& words = text.lines[l].words;
    for (size_t w = 0; w < words.size(); ++w) {
      const OcrWord& word = words[w];
      if (w > 0 && GapBefore(words[w - 1], word)) sources.push_back({static_cast<int>(l), -1, -1});
      if (!word.symbols.empty()) {
        for (size_t s = 0; s < word.symbols.size(); ++s)
          for (size_t u = 0; u < word.symbols[s].text.size(); ++u)
            sources.push_back({static_cast<int>(l), static_cast<int>(w), static_cast<int>(s)});
      } else {
        for (size_t u = 0; u < word.text.size(); ++u) sources.push_back({static_cast<int>(l), static_cast<int>(w), -1});
      }
    }
  }
  const std::u16string joined = JoinedText(text);
  const vm::PageDetection detection = vm::DetectInPageText(patterns, joined);
  if (complete) *complete = detection.complete;

  std::vector<RecognisedHit> hits;
  for (const vm::PiCandidate& c : detection.selected) {
    RecognisedHit hit;
    hit.category = c.category;
    hit.start = c.start;
    hit.text = joined.substr(c.start, c.length);
    hit.confidence = 100;
    bool allKnown = true;
    int lastLine = -1;
    int lastWord = -1;
    for (int i = c.start; i < c.start + c.length && i < static_cast<int>(sources.size()); ++i) {
      const UnitSource& s = sources[i];
      if (s.word < 0) {
        hit.units.push_back(std::nullopt);
        continue;
      }
      const OcrWord& word = text.lines[s.line].words[s.word];
      const PixelBox box = s.symbol >= 0 ? word.symbols[s.symbol].box : word.box;
      if (s.symbol < 0) allKnown = false;
      hit.units.push_back(box);
      if (s.line != lastLine) hit.lines.push_back(box);
      else hit.lines.back() = UnionOf(hit.lines.back(), box);
      if (s.line != lastLine || s.word != lastWord) hit.confidence = std::min(hit.confidence, word.confidence);
      lastLine = s.line;
      lastWord = s.word;
    }
    if (!allKnown) hit.units.clear();
    if (!hit.lines.empty()) hits.push_back(std::move(hit));
  }
  return hits;
}

}  // namespace scanned
