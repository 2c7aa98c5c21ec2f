// The PCRE2 engine against the standard library's ECMAScript engine: on a generated corpus of
// short texts, every pattern must give exactly the hits that std::wregex gives.
#include <gtest/gtest.h>

#include <unicode/uchar.h>

#include <random>
#include <regex>
#include <string>
#include <vector>

#include "detect/Detect.h"
#include "detect/Validate.h"

namespace vm {
namespace {

// Letters of every script, decimal digits and "_", by ICU's character types: a classification
// independent of PCRE2's tables.
bool IsReferenceWordChar(wchar_t c) {
  if (c == L'_') return true;
  switch (u_charType(static_cast<UChar32>(c))) {
    case U_UPPERCASE_LETTER:
    case U_LOWERCASE_LETTER:
    case U_TITLECASE_LETTER:
    case U_MODIFIER_LETTER:
    case U_OTHER_LETTER:
    case U_DECIMAL_DIGIT_NUMBER:
      return true;
    default:
      return false;
  }
}

// Traits giving std::wregex the classes the detection needs: "\d" ASCII digits, "\s" the
// ECMAScript white space, and the word characters above for "\b".
struct ReferenceTraits {
  using char_type = wchar_t;
  using string_type = std::wstring;
  using locale_type = std::locale;
  using char_class_type = unsigned;
  enum : unsigned { kDigit = 1, kSpace = 2, kWord = 4 };

  static std::size_t length(const wchar_t* p) { return std::char_traits<wchar_t>::length(p); }
  wchar_t translate(wchar_t c) const { return c; }
  wchar_t translate_nocase(wchar_t c) const { return c; }
  template <class It> std::wstring transform(It first, It last) const { return {first, last}; }
  template <class It> std::wstring transform_primary(It first, It last) const {
    return {first, last};
  }
  template <class It> std::wstring lookup_collatename(It first, It last) const {
    return std::distance(first, last) == 1 ? std::wstring(first, last) : std::wstring();
  }
  template <class It> unsigned lookup_classname(It first, It last, bool = false) const {
    const std::wstring name(first, last);
    if (name == L"d") return kDigit;
    if (name == L"s") return kSpace;
    return name == L"w" ? unsigned{kWord} : 0u;
  }
  bool isctype(wchar_t c, unsigned mask) const {
    if ((mask & kDigit) && c >= L'0' && c <= L'9') return true;
    if ((mask & kSpace) && c <= 0xFFFF && IsEcmaSpace(static_cast<char16_t>(c))) return true;
    return (mask & kWord) && IsReferenceWordChar(c);
  }
  int value(wchar_t c, int radix) const {
    const int v = c >= L'0' && c <= L'9' ? c - L'0'
                  : c >= L'a' && c <= L'f' ? c - L'a' + 10
                  : c >= L'A' && c <= L'F' ? c - L'A' + 10 : -1;
    return v < radix ? v : -1;
  }
  std::locale imbue(std::locale loc) { std::swap(loc, loc_); return loc; }
  std::locale getloc() const { return loc_; }

  std::locale loc_;
};

using ReferenceRegex = std::basic_regex<wchar_t, ReferenceTraits>;

std::wstring Wide(std::u16string_view s) { return std::wstring(s.begin(), s.end()); }

std::string Printable(std::u16string_view text) {
  std::string out;
  for (char16_t c : text) {
    if (c < 0x80) out += static_cast<char>(c);
    else out += "\\u" + std::to_string(static_cast<int>(c)) + ";";
  }
  return out;
}

struct Hit {
  int32_t start;
  int32_t length;
  bool operator==(const Hit&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Hit& h) {
  return os << "(" << h.start << "," << h.length << ")";
}

std::vector<Hit> ReferenceHits(const ReferenceRegex& regex, PiCheck check, std::u16string_view text) {
  const std::wstring wide = Wide(text);
  std::vector<Hit> hits;
  for (std::regex_iterator<std::wstring::const_iterator, wchar_t, ReferenceTraits> it(
           wide.begin(), wide.end(), regex), end;
       it != end; ++it) {
    const auto start = static_cast<int32_t>(it->position(0));
    const auto length = static_cast<int32_t>(it->length(0));
    if (length > 0 && ValidateMatch(check, text, start, length)) hits.push_back({start, length});
  }
  return hits;
}

class CorpusGenerator {
 public:
  explicit CorpusGenerator(uint32_t seed) : rng_(seed) {}

  std::u16string Text() {
    std::u16string text;
    const int fragments = 3 + Below(8);
    for (int i = 0; i < fragments; ++i) {
      text += Fragment();
      text += Pick(kJoins);
    }
    return text;
  }

 private:
  static constexpr std::u16string_view kJoins[] = {u" ", u"", u", ", u"\n", u"  ", u"\t", u"은 ", u"(", u") "};
  static constexpr std::u16string_view kDashes[] = {u"-", u"-", u" - ", u"\u2013", u"\uFF0D", u" ", u"", u".", u"/", u"-\n"};
  static constexpr std::u16string_view kNoise[] = {
      u"가", u"시", u"구", u"동", u"로", u"길", u"리", u"가", u"면", u"산", u"호", u"층", u"년", u"월",
      u"일", u"a", u"Z", u"_", u"@", u".", u"-", u"\u00A0", u"\u3000", u"\uFF11", u"\u3131",
      u"\u4E00", u"\u00E9", u"%", u"+", u"(", u")", u",", u"0", u"3", u"9", u"\uFEFF",
      // Numbers that are not decimal digits, a combining mark, connector punctuation, a
      // decimal digit of another script.
      u"\u2460", u"\u00B2", u"\u216B", u"\u3007", u"\u00BD", u"\u0301", u"\u203F", u"\u0663"};
  static constexpr std::u16string_view kProvinces[] = {
      u"서울특별시", u"경기도", u"부산광역시", u"제주특별자치도", u"세종특별자치시", u"서울"};
  static constexpr std::u16string_view kCities[] = {u"성남시", u"종로구", u"분당구", u"해남군", u"제주시"};
  static constexpr std::u16string_view kTowns[] = {u"애월읍", u"송지면"};
  static constexpr std::u16string_view kDongs[] = {u"정자동", u"고내리", u"종로1가", u"역삼동"};
  static constexpr std::u16string_view kRoads[] = {u"세종대로", u"테헤란로5길", u"판교역로", u"땅끝마을길", u"A1로"};
  static constexpr std::u16string_view kDetails[] = {u"3층", u"101동", u"B1호", u"가동", u"1203호"};
  static constexpr std::u16string_view kMailParts[] = {u"hong", u"kim.lee", u"a_b", u"x%y", u"example", u"co", u"kr", u"c"};

  int Below(int n) { return static_cast<int>(rng_() % static_cast<uint32_t>(n)); }
  template <size_t N>
  std::u16string Pick(const std::u16string_view (&items)[N]) {
    return std::u16string(items[Below(N)]);
  }
  std::u16string Digits(int n) {
    std::u16string s;
    for (int i = 0; i < n; ++i) s += static_cast<char16_t>(u'0' + Below(10));
    return s;
  }
  std::u16string Space() { return Below(3) == 0 ? u" " : Below(2) == 0 ? u"" : u"  "; }

  std::u16string Fragment() {
    switch (Below(11)) {
      case 9:
      case 10:
        return GroupedNumber();
      case 0:
      case 1: {  // digit groups with separators: numbers of every kind
        std::u16string s = Below(3) == 0 ? u"0" + Digits(1 + Below(3)) : Digits(1 + Below(7));
        const int groups = 1 + Below(4);
        for (int g = 0; g < groups; ++g) s += Pick(kDashes) + Digits(1 + Below(7));
        return s;
      }
      case 2:  // dates
        return (Below(2) ? u"19" : u"20") + Digits(2) + (Below(2) ? Pick(kDashes) : u"년" + Space()) +
               Digits(1 + Below(2)) + (Below(2) ? Pick(kDashes) : u"월" + Space()) +
               Digits(1 + Below(2)) + (Below(2) ? u"일" : u"");
      case 3:  // addresses
      case 4: {
        std::u16string s;
        if (Below(3)) s += Pick(kProvinces) + Space();
        for (int i = Below(3); i > 0; --i) s += Pick(kCities) + Space();
        if (Below(3) == 0) s += Pick(kTowns) + Space();
        if (Below(2)) {
          s += Pick(kDongs) + Space() + (Below(4) == 0 ? u"산 " : u"") + Digits(1 + Below(5));
        } else {
          s += Pick(kRoads) + Space() + (Below(4) == 0 ? Digits(2) + u"번길 " : u"") + Digits(1 + Below(5));
          for (int i = Below(3); i > 0; --i) s += (Below(2) ? u", " : u" ") + Pick(kDetails);
          if (Below(3) == 0) s += u" (" + Pick(kProvinces) + u")";
        }
        if (Below(4) == 0) s += u"-" + Digits(1 + Below(4));
        return s;
      }
      case 5:  // e-mail addresses
        return Pick(kMailParts) + (Below(4) ? u"@" : u"") + Pick(kMailParts) + u"." + Pick(kMailParts);
      case 6:  // IPv4
        return Digits(1 + Below(3)) + u"." + Digits(1 + Below(3)) + u"." + Digits(1 + Below(3)) + u"." +
               Digits(1 + Below(3)) + (Below(4) == 0 ? u"." + Digits(1) : u"");
      default: {
        std::u16string s;
        for (int i = 1 + Below(8); i > 0; --i) s += Pick(kNoise);
        return s;
      }
    }
  }

  // Digit groups of the lengths the number patterns look for, sometimes with a plausible date
  // of birth, a telephone prefix or a card prefix.
  std::u16string GroupedNumber() {
    static constexpr int kShapes[][4] = {
        {6, 7}, {4, 4, 4, 4}, {4, 6, 5}, {4, 6, 4}, {3, 4, 4}, {2, 3, 4}, {3, 6, 5}, {3, 6, 2, 3},
        {3, 4, 4, 2}, {4, 4, 4, 1}, {6, 2, 6}, {4, 3, 6}, {4, 2, 7}, {3, 3, 6}, {3, 2, 6}, {4, 4, 4}};
    const int* shape = kShapes[Below(std::size(kShapes))];
    const std::u16string sep = Below(2) ? u"-" : Pick(kDashes);
    std::u16string s;
    for (int g = 0; g < 4 && shape[g] > 0; ++g) {
      if (g > 0) s += Below(8) ? sep : Pick(kDashes);
      std::u16string group = Digits(shape[g]);
      if (g == 0 && shape[g] == 6 && Below(2))
        group = Digits(2) + u"0" + Digits(1).replace(0, 1, 1, u'1' + Below(9)) + u"1" + Digits(1);
      if (g == 0 && Below(3) == 0) group[0] = u'0';
      if (g == 0 && shape[g] == 4 && Below(3) == 0) group.replace(0, 2, Below(2) ? u"37" : u"36");
      s += group;
    }
    return s;
  }

  std::mt19937 rng_;
};

// The two engines must agree on which characters are word characters, else the comparison
// below would test the classification tables rather than the engines.
TEST(ReferenceEngine, AgreesOnWordCharactersOfTheCorpusAlphabet) {
  RegexScratch scratch;
  const Regex boundary(u"\\b");
  for (char16_t c : std::u16string(u"가힣ㄱ一éaZ_09\uFF11 .-@()\u00A0\u3000\uFEFF%+년"
                                   u"\u2460\u00B2\u216B\u3007\u00BD\u0301\u203F\u0663")) {
    const bool pcreWord = boundary.Find(std::u16string(1, c), 0, scratch).status == RegexStatus::Match;
    EXPECT_EQ(pcreWord, IsReferenceWordChar(c)) << int(c);
  }
}

// "\b" and "\B" before and after digits, letters, classes, groups and optional elements, on
// every short text over letters, digits and non-word numbers and marks.
TEST(ReferenceEngine, WordBoundariesAgreeInEveryPosition) {
  const std::u16string_view patterns[] = {
      u"\\b\\d+", u"\\d+\\b", u"\\b(?:ab|\\d)c?", u"(?:ab|c\\d)\\b", u"a?\\b.", u"\\B\\d",
      u"\\d\\B.", u"x\\b", u"\\b[0-9]", u"[0-9a-z]+\\b", u"(?:a|)\\bz", u"\\d{0,2}\\bq?",
      u"\\b(?:\\d)*a", u"\\b[^a]", u"(?:1|\\u2460)\\b", u"(?=a)\\ba"};
  const std::u16string alphabet = u"a1_ \u2460\uAC00-\u0301";
  std::vector<std::u16string> texts = {u""};
  for (int length = 0; length < 3; ++length) {
    const size_t shorter = texts.size();
    for (size_t t = 0; t < shorter; ++t)
      for (char16_t c : alphabet) texts.push_back(texts[t] + c);
  }
  for (std::u16string_view source : patterns) {
    const ReferenceRegex reference(Wide(source), std::regex::ECMAScript);
    PiPatternList one;
    one.push_back({Regex(source), NoCheck, Phone});
    ASSERT_TRUE(one[0].regex.ok()) << Printable(source);
    for (const std::u16string& text : texts) {
      std::vector<Hit> actual;
      for (const PiCandidate& c : DetectInPageText(one, text).selected) actual.push_back({c.start, c.length});
      ASSERT_EQ(actual, ReferenceHits(reference, NoCheck, text)) << Printable(source) << " on " << Printable(text);
    }
  }
}

TEST(ReferenceEngine, EveryPatternGivesTheSameHitsOnTheCorpus) {
  PiCategoryFlags all;
  all.fill(true);
  PiPatternList patterns;
  BuildPatternSet(all, patterns);
  const std::u16string sources[] = {
      RegistrationPattern(), RegistrationPattern(), CardPattern(), PhonePattern(), AccountPattern(),
      std::u16string(NumericBirthDatePattern()), std::u16string(KoreanBirthDatePattern()),
      std::u16string(IpAddressPattern()), std::u16string(EmailPattern()),
      std::u16string(RoadAddressPattern()), std::u16string(LotAddressPattern())};
  ASSERT_EQ(patterns.size(), std::size(sources));

  std::vector<ReferenceRegex> references;
  for (const auto& source : sources) references.emplace_back(Wide(source), std::regex::ECMAScript);

  CorpusGenerator generator(7u);
  std::vector<size_t> hitCounts(patterns.size());
  for (int t = 0; t < 1500; ++t) {
    const std::u16string text = generator.Text();
    for (size_t p = 0; p < patterns.size(); ++p) {
      PiPatternList one;
      one.push_back({Regex(sources[p]), patterns[p].check, patterns[p].category, patterns[p].startFilter});
      const PageDetection detection = DetectInPageText(one, text);
      ASSERT_TRUE(detection.complete);
      std::vector<Hit> actual;
      for (const PiCandidate& c : detection.selected) actual.push_back({c.start, c.length});
      const std::vector<Hit> expected = ReferenceHits(references[p], patterns[p].check, text);
      ASSERT_EQ(actual, expected) << "pattern " << p << " text #" << t << ": " << Printable(text);
      hitCounts[p] += expected.size();
    }
  }
  // The corpus must exercise every pattern, or the comparison proves little.
  for (size_t p = 0; p < patterns.size(); ++p) EXPECT_GE(hitCounts[p], 5u) << "pattern " << p;
}

}  // namespace
}  // namespace vm
