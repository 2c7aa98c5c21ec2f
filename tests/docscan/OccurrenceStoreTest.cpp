// The occurrences of a document kept page by page: what is read back is what was added, in a
// temporary file or in memory, and a file that stops taking writes loses nothing.
#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "OccurrenceStore.h"

namespace docscan {
namespace {

vm::PiMatch Record(int page, int start, std::u16string text, std::vector<HostBox> rects, int category = 3) {
  vm::PiMatch m;
  m.pageIndex = page;
  m.charStart = start;
  m.charCount = static_cast<int32_t>(text.size());
  m.fontSize = 9.5f + static_cast<float>(start);
  m.category = category;
  m.text = std::move(text);
  m.rects = std::move(rects);
  return m;
}

bool Same(const vm::PiMatchList& a, const vm::PiMatchList& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const vm::PiMatch &x = a[i], &y = b[i];
    if (x.pageIndex != y.pageIndex || x.charStart != y.charStart || x.charCount != y.charCount ||
        x.fontSize != y.fontSize || x.category != y.category || x.text != y.text || x.rects.size() != y.rects.size())
      return false;
    for (size_t r = 0; r < x.rects.size(); ++r)
      if (x.rects[r].x0 != y.rects[r].x0 || x.rects[r].y0 != y.rects[r].y0 || x.rects[r].x1 != y.rects[r].x1 ||
          x.rects[r].y1 != y.rects[r].y1)
        return false;
  }
  return true;
}

// Page 2: two occurrences (one over two lines, with a character outside the BMP), one masked;
// page 7: an occurrence left unmasked; page 9: a masked one with no text.
struct Sample {
  vm::PiMatchList matches2 = {Record(2, 4, u"010-1234-5678", {{10, 20, 90, 32}}),
                              Record(2, 40, u"서울특별시 종로구 😀", {{10, 40, 200, 52}, {10, 54, 80, 66}}, 8)};
  vm::PiMatchList replacements2 = {Record(2, 8, u"1234", {{30, 20, 50, 32}})};
  vm::PiMatchList matches7 = {Record(7, 0, u"a@b.kr", {{0, 0, 1, 1}}, 2)};
  vm::PiMatchList matches9 = {Record(9, 1, u"", {}, 1)};
  vm::PiMatchList replacements9 = {Record(9, 1, u"", {})};

  void AddTo(OccurrenceStore& store) const {
    store.Add(2, matches2, replacements2);
    store.Add(5, {}, {});
    store.Add(7, matches7, {});
    store.Add(9, matches9, replacements9);
  }
};

void ExpectSample(const OccurrenceStore& store, const Sample& sample) {
  ASSERT_FALSE(store.Spoiled());
  const std::optional<OccurrenceStore::Page> two = store.At(2);
  ASSERT_TRUE(two);
  EXPECT_TRUE(Same(two->matches, sample.matches2));
  EXPECT_TRUE(Same(two->replacements, sample.replacements2));
  for (int empty : {0, 5, 8, 100}) {
    const std::optional<OccurrenceStore::Page> page = store.At(empty);
    ASSERT_TRUE(page) << empty;
    EXPECT_TRUE(page->matches.empty() && page->replacements.empty()) << empty;
  }
  std::vector<int> visited;
  EXPECT_TRUE(store.ForEachPage([&](const OccurrenceStore::Page& page) { visited.push_back(page.index); }));
  EXPECT_EQ(visited, (std::vector<int>{2, 7, 9}));
  EXPECT_EQ(store.MaskedPages(), (std::vector<int>{2, 9}));
  EXPECT_EQ(store.MatchCount(), 4u);
  EXPECT_EQ(store.ReplacementCount(), 2u);
  EXPECT_EQ(store.MaskedCharacters(), 4);
  vm::PiMatchList matches, replacements;
  ASSERT_TRUE(store.All(&matches, &replacements));
  vm::PiMatchList expected = sample.matches2;
  expected.insert(expected.end(), sample.matches7.begin(), sample.matches7.end());
  expected.insert(expected.end(), sample.matches9.begin(), sample.matches9.end());
  EXPECT_TRUE(Same(matches, expected));
}

TEST(OccurrenceStore, ReadsBackWhatWasAddedInAFileAndInMemory) {
  const Sample sample;
  for (OccurrenceStore::Keeping keeping : {OccurrenceStore::Keeping::InFile, OccurrenceStore::Keeping::InMemory}) {
    OccurrenceStore store(keeping);
    sample.AddTo(store);
    ExpectSample(store, sample);
  }
}

TEST(OccurrenceStore, ListsAreGroupedByPageKeepingTheirOrderWithin) {
  const Sample sample;
  vm::PiMatchList matches = {sample.matches9[0], sample.matches2[0], sample.matches7[0], sample.matches2[1]};
  vm::PiMatchList replacements = {sample.replacements9[0], sample.replacements2[0]};
  ExpectSample(*OccurrenceStore::FromLists(matches, replacements), sample);
}

TEST(OccurrenceStore, APageOutOfOrderSpoilsTheStore) {
  const Sample sample;
  OccurrenceStore store;
  store.Add(7, sample.matches7, {});
  store.Add(2, sample.matches2, sample.replacements2);
  EXPECT_TRUE(store.Spoiled());
  EXPECT_FALSE(store.At(7));
  EXPECT_FALSE(store.ForEachPage([](const OccurrenceStore::Page&) {}));
}

// A temporary file that stops taking writes part-way (a full disk, here a file size limit):
// the pages written before are read from it, the later ones kept in memory.
TEST(OccurrenceStore, AFileThatStopsTakingWritesLosesNoPage) {
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{4096, 4096};
    setrlimit(RLIMIT_FSIZE, &limit);
    OccurrenceStore store(OccurrenceStore::Keeping::InFile);
    const std::u16string text(100, u'가');
    for (int page = 0; page < 100; ++page)
      store.Add(page, {Record(page, page, text, {{1, 2, 3, 4}})}, {Record(page, page, text.substr(0, 5), {})});
    bool same = !store.Spoiled() && store.MatchCount() == 100;
    for (int page = 0; page < 100 && same; ++page) {
      const std::optional<OccurrenceStore::Page> read = store.At(page);
      same = read && Same(read->matches, {Record(page, page, text, {{1, 2, 3, 4}})}) &&
             Same(read->replacements, {Record(page, page, text.substr(0, 5), {})});
    }
    _exit(same ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
}  // namespace docscan
