// A context whose large blocks are mapped on their own: what MuPDF stores in a block survives
// every growth, shrink and move between mapped pages and malloc, and a block given back is unmapped.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "pdf/LargeBlocks.h"

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace standin::pdf {
namespace {

struct Context {
  fz_context* ctx = NewContextWithMappedLargeBlocks();
  ~Context() { fz_drop_context(ctx); }
};

// Bytes [from, to) of a block as the pattern of `seed` has them.
void Fill(unsigned char* at, size_t from, size_t to, unsigned seed) {
  for (size_t i = from; i < to; ++i) at[i] = static_cast<unsigned char>((i * 131 + seed) >> 3);
}

bool Holds(const unsigned char* at, size_t size, unsigned seed) {
  for (size_t i = 0; i < size; ++i)
    if (at[i] != static_cast<unsigned char>((i * 131 + seed) >> 3)) return false;
  return true;
}

// Mapped where the system allows it (not in sanitizer builds): the checks of mapped bytes apply there.
bool Maps(fz_context* ctx) {
  void* probe = fz_malloc(ctx, 1 << 20);
  const bool maps = MappedLargeBlockBytes() >= (1u << 20);
  fz_free(ctx, probe);
  return maps;
}

TEST(PdfLargeBlocks, ATableGrownEntryByEntryKeepsItsEntriesThroughEveryMove) {
  Context c;
  ASSERT_NE(c.ctx, nullptr);
  const bool maps = Maps(c.ctx);
  // As MuPDF grows a cross-reference table: 40 bytes at a time, from below the large-block size
  // to well above it, then back down to a small block.
  size_t size = 200 * 1024;
  auto* table = static_cast<unsigned char*>(fz_malloc(c.ctx, size));
  Fill(table, 0, size, 7);
  for (int step = 0; step < 40000; ++step) {
    table = static_cast<unsigned char*>(fz_realloc(c.ctx, table, size + 40));
    Fill(table, size, size + 40, 7);
    size += 40;
    if (step % 997 == 0) ASSERT_TRUE(Holds(table, size, 7)) << "after growing to " << size;
  }
  EXPECT_TRUE(Holds(table, size, 7));
  if (maps) EXPECT_GE(MappedLargeBlockBytes(), size);
  table = static_cast<unsigned char*>(fz_realloc(c.ctx, table, 1000));
  EXPECT_TRUE(Holds(table, 1000, 7));
  EXPECT_EQ(MappedLargeBlockBytes(), 0u) << "a block shrunk below the large size goes back to malloc";
  fz_free(c.ctx, table);
}

TEST(PdfLargeBlocks, MoreBlocksThanAreMappedAtOnce) {
  Context c;
  ASSERT_NE(c.ctx, nullptr);
  const bool maps = Maps(c.ctx);
  // More large blocks than are ever mapped at once: the rest go to malloc, each keeps its bytes.
  std::vector<unsigned char*> blocks;
  for (unsigned i = 0; i < 80; ++i) {
    blocks.push_back(static_cast<unsigned char*>(fz_malloc(c.ctx, 300 * 1024)));
    Fill(blocks.back(), 0, 300 * 1024, i);
  }
  for (unsigned i = 0; i < blocks.size(); ++i) {
    blocks[i] = static_cast<unsigned char*>(fz_realloc(c.ctx, blocks[i], 600 * 1024));
    EXPECT_TRUE(Holds(blocks[i], 300 * 1024, i)) << "block " << i;
  }
  if (maps) EXPECT_GT(MappedLargeBlockBytes(), 0u);
  for (unsigned char* block : blocks) fz_free(c.ctx, block);
  EXPECT_EQ(MappedLargeBlockBytes(), 0u);
}

#if defined(__linux__)
// MuPDF makes the update section of a document's first change with fz_calloc, as long as the whole
// cross-reference table: zeros written over it would make it all take memory at once.
TEST(PdfLargeBlocks, ALargeCallocIsZeroAndTakesNoMemoryUntilUsed) {
  Context c;
  ASSERT_NE(c.ctx, nullptr);
  const bool maps = Maps(c.ctx);
  const size_t count = 50000, size = 40;  // a table of 50,000 entries
  auto* table = static_cast<unsigned char*>(fz_calloc(c.ctx, count, size));
  ASSERT_NE(table, nullptr);
  if (maps) {
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    std::vector<unsigned char> resident((count * size + page - 1) / page);
    ASSERT_EQ(mincore(table, count * size, resident.data()), 0);
    size_t inMemory = 0;
    for (unsigned char r : resident) inMemory += r & 1;
    EXPECT_LT(inMemory, resident.size() / 4) << "pages in memory before any entry was used";
  }
  for (size_t i = 0; i < count * size; ++i) ASSERT_EQ(table[i], 0) << "byte " << i;
  fz_free(c.ctx, table);
  EXPECT_EQ(MappedLargeBlockBytes(), 0u);
}
#endif

}  // namespace
}  // namespace standin::pdf
