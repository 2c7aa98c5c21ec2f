// Detection throughput on generated Korean page texts: all patterns together and each alone.
// Reports bytes/s of UTF-16 text and the time per page (about 3,000 code units each).
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "detect/Detect.h"
#include "detect/Patterns.h"

namespace {

using vm::PiCategoryFlags;
using vm::PiPatternList;

constexpr size_t kPageUnits = 3000;
constexpr int kPagesPerKind = 20;

class Generator {
 public:
  explicit Generator(uint32_t seed) : rng_(seed) {}

  uint32_t Below(uint32_t n) { return static_cast<uint32_t>(rng_() % n); }
  template <size_t N>
  std::u16string_view Pick(const std::array<std::u16string_view, N>& items) {
    return items[Below(N)];
  }
  std::u16string Digits(int count) {
    std::u16string s;
    for (int i = 0; i < count; ++i) s += static_cast<char16_t>(u'0' + Below(10));
    return s;
  }
  std::u16string Number(uint32_t below) {
    std::u16string s;
    for (char c : std::to_string(Below(below))) s += static_cast<char16_t>(c);
    return s;
  }

  std::u16string Phone() {
    static constexpr std::array<std::u16string_view, 4> heads = {u"010", u"02", u"031", u"070"};
    return std::u16string(Pick(heads)) + u"-" + Digits(3 + Below(2)) + u"-" + Digits(4);
  }
  std::u16string Registration() {
    return u"9" + Digits(1) + u"0" + std::u16string(1, u'1' + Below(9)) + u"1" +
           std::u16string(1, u'0' + Below(9)) + u"-" + std::u16string(1, u'1' + Below(8)) +
           Digits(6);
  }
  std::u16string Card() {
    return Digits(4) + u"-" + Digits(4) + u"-" + Digits(4) + u"-" + Digits(4);
  }
  std::u16string Account() { return Digits(3) + u"-" + Digits(6) + u"-" + Digits(5); }
  std::u16string Email() {
    static constexpr std::array<std::u16string_view, 4> users = {u"hong", u"kim.minsu",
                                                                 u"lee_23", u"park+news"};
    static constexpr std::array<std::u16string_view, 3> hosts = {u"example.co.kr",
                                                                 u"mail.example.com", u"corp.kr"};
    return std::u16string(Pick(users)) + u"@" + std::u16string(Pick(hosts));
  }
  std::u16string Ip() {
    return Number(256) + u"." + Number(256) + u"." + Number(256) + u"." + Number(256);
  }
  std::u16string Date() {
    return u"19" + Digits(2) + u"-0" + std::u16string(1, u'1' + Below(9)) + u"-1" + Digits(1);
  }
  std::u16string KoreanDate() {
    return u"20" + Digits(2) + u"년 " + Number(12) + u"월 " + Number(28) + u"일";
  }
  std::u16string Address() {
    static constexpr std::array<std::u16string_view, 4> heads = {
        u"서울특별시 종로구 ", u"부산광역시 해운대구 ", u"경기도 성남시 분당구 ", u"대전광역시 서구 "};
    static constexpr std::array<std::u16string_view, 4> roads = {u"세종대로 ", u"해운대로 ",
                                                                 u"판교역로 ", u"둔산로 "};
    if (Below(3) == 0)
      return std::u16string(Pick(heads)) + u"정자동 " + Number(999) + u"-" + Number(99);
    return std::u16string(Pick(heads)) + std::u16string(Pick(roads)) + Number(300) +
           u", 3층 (세종로)";
  }
  std::u16string Pii() {
    switch (Below(10)) {
      case 0: return Phone();
      case 1: return Registration();
      case 2: return Card();
      case 3: return Account();
      case 4: return Email();
      case 5: return Ip();
      case 6: return Date();
      case 7: return KoreanDate();
      default: return Address();
    }
  }

  std::u16string ProsePage() {
    static constexpr std::array<std::u16string_view, 24> words = {
        u"개인정보", u"처리", u"방침에", u"따라", u"회사는", u"고객의", u"정보를", u"안전하게",
        u"보관하며", u"제3자에게", u"제공하지", u"않습니다", u"다만", u"법령에", u"의하여",
        u"요청이", u"있는", u"경우", u"예외로", u"합니다", u"담당자", u"연락처는", u"아래와",
        u"같습니다"};
    static constexpr std::array<std::u16string_view, 4> ends = {u". ", u", ", u" ", u".\n"};
    std::u16string page;
    while (page.size() < kPageUnits) {
      page += Pick(words);
      page += Below(5) == 0 ? Pick(ends) : u" ";
      if (Below(40) == 0) page += u"(" + Pii() + u") ";
    }
    return page;
  }

  std::u16string FormPage() {
    static constexpr std::array<std::u16string_view, 9> labels = {
        u"성명", u"주민등록번호", u"휴대전화", u"전자우편", u"급여 계좌", u"신용카드",
        u"접속 IP", u"생년월일", u"주소"};
    std::u16string page;
    while (page.size() < kPageUnits) {
      page += Pick(labels);
      page += u": ";
      page += Below(2) == 0 ? Pii() : u"홍길동 (" + Number(100) + u"세)";
      page += u"\n";
    }
    return page;
  }

  std::u16string TablePage() {
    std::u16string page = u"번호\t품목\t수량\t단가\t금액\t일자\n";
    int row = 1;
    while (page.size() < kPageUnits) {
      page += Number(1000) + u"\t" + u"품목" + Number(50) + u"\t" + Number(100) + u"\t" +
              Number(100000) + u"\t" + Number(10000000) + u"\t" + Date() + u"\n";
      if (++row % 15 == 0) page += u"합계\t\t\t\t" + Number(100000000) + u"\n";
    }
    return page;
  }

 private:
  std::mt19937 rng_;
};

const std::vector<std::u16string>& Corpus() {
  static const std::vector<std::u16string> pages = [] {
    Generator g(20240611u);
    std::vector<std::u16string> out;
    for (int i = 0; i < kPagesPerKind; ++i) {
      out.push_back(g.ProsePage());
      out.push_back(g.FormPage());
      out.push_back(g.TablePage());
    }
    return out;
  }();
  return pages;
}

void RunDetection(benchmark::State& state, const PiPatternList& patterns) {
  const auto& pages = Corpus();
  size_t bytes = 0;
  size_t hits = 0;
  for (const auto& page : pages) bytes += page.size() * sizeof(char16_t);
  for (auto _ : state) {
    for (const auto& page : pages) {
      const vm::PageDetection result = vm::DetectInPageText(patterns, page);
      hits += result.selected.size();
      benchmark::DoNotOptimize(result);
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
  state.counters["ms_per_page"] = benchmark::Counter(
      static_cast<double>(state.iterations() * pages.size()),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
  state.counters["hits_per_page"] =
      static_cast<double>(hits) / static_cast<double>(state.iterations() * pages.size());
}

void BM_AllPatterns(benchmark::State& state) {
  PiCategoryFlags flags;
  flags.fill(true);
  PiPatternList patterns;
  vm::BuildPatternSet(flags, patterns);
  RunDetection(state, patterns);
}
BENCHMARK(BM_AllPatterns)->Unit(benchmark::kMillisecond);

// One pattern alone: the argument is its position in the full list.
void BM_OnePattern(benchmark::State& state) {
  PiCategoryFlags flags;
  flags.fill(true);
  PiPatternList all;
  vm::BuildPatternSet(flags, all);
  PiPatternList one;
  one.push_back(std::move(all[static_cast<size_t>(state.range(0))]));
  state.SetLabel(std::string("category ") + std::to_string(one[0].category));
  RunDetection(state, one);
}
BENCHMARK(BM_OnePattern)->DenseRange(0, 10)->Unit(benchmark::kMillisecond);

// Pages of a million code units: ordinary text, and texts made to be slow for the address
// search (every syllable a possible start, backtracking at each). The search must stay well under
// a second on each.
std::u16string MillionUnits(std::u16string_view piece, std::u16string_view tail = {}) {
  std::u16string text;
  while (text.size() + piece.size() + tail.size() <= 1'000'000) text += piece;
  return text + std::u16string(tail);
}

const std::vector<std::pair<std::string, std::u16string>>& LongPages() {
  static const std::vector<std::pair<std::string, std::u16string>> pages = [] {
    std::vector<std::pair<std::string, std::u16string>> out;
    Generator g(7u);
    std::u16string prose;
    while (prose.size() < 1'000'000) prose += g.ProsePage();
    out.emplace_back("prose", prose);
    out.emplace_back("addresses", MillionUnits(u"서울특별시 종로구 세종대로 209 경기도 성남시 분당구 정자동 178-1 "));
    out.emplace_back("suffix-run", MillionUnits(u"시", u"동 1"));
    out.emplace_back("dong-chains", MillionUnits(u"시가가가가가가가가가동 1234567 "));
    out.emplace_back("head-runs", MillionUnits(u"가나다라마바사시 구 "));
    return out;
  }();
  return pages;
}

void BM_MillionUnitPage(benchmark::State& state) {
  PiCategoryFlags flags;
  flags.fill(true);
  PiPatternList patterns;
  vm::BuildPatternSet(flags, patterns);
  const auto& [name, text] = LongPages()[static_cast<size_t>(state.range(0))];
  bool complete = true;
  size_t hits = 0;
  for (auto _ : state) {
    const vm::PageDetection result = vm::DetectInPageText(patterns, text);
    complete = result.complete;
    hits = result.selected.size();
  }
  state.SetLabel(name + (complete ? "" : " (incomplete)"));
  state.counters["hits"] = static_cast<double>(hits);
}
BENCHMARK(BM_MillionUnitPage)->DenseRange(0, 4)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

BENCHMARK_MAIN();
