#include "pdf/LargeBlocks.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>

// Sanitizer builds keep every block in malloc, where they check it.
#if defined(__linux__) && !defined(_WIN32) && !defined(__SANITIZE_ADDRESS__)
#define VM_MAP_LARGE_BLOCKS 1
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace standin::pdf {

#ifdef VM_MAP_LARGE_BLOCKS

namespace {

constexpr size_t kLargeBlock = 256 * 1024;
// A process has a handful of large blocks at a time (its documents' tables, a page's image);
// beyond this many, blocks go to malloc.
constexpr int kMaxMapped = 64;

struct MappedBlock {
  void* at;
  size_t length;  // mapped bytes, whole pages
};

// The blocks mapped for every context made here, in one table: MuPDF may free a block through
// another context than the one that made it (a font kept across documents, for one).
struct MappedBlocks {
  std::mutex lock;
  MappedBlock blocks[kMaxMapped];
  int count = 0;
};

MappedBlocks& Mapped() {
  static auto* mapped = new MappedBlocks;  // never destroyed: blocks may be freed at exit
  return *mapped;
}

size_t PageSize() {
  static const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  return page;
}

size_t WholePages(size_t size) { return (size + PageSize() - 1) / PageSize() * PageSize(); }

// Only a block at the start of a page can be a mapped one: most frees need not look.
bool MayBeMapped(const void* at) { return (reinterpret_cast<uintptr_t>(at) & (PageSize() - 1)) == 0; }

int Find(const MappedBlocks& mapped, const void* at) {
  for (int i = 0; i < mapped.count; ++i)
    if (mapped.blocks[i].at == at) return i;
  return -1;
}

void Forget(MappedBlocks& mapped, int i) { mapped.blocks[i] = mapped.blocks[--mapped.count]; }

// A new block of whole pages, which read as zero; null when none may be mapped.
void* MapBlock(size_t size) {
  MappedBlocks& mapped = Mapped();
  std::lock_guard<std::mutex> hold(mapped.lock);
  if (mapped.count == kMaxMapped) return nullptr;
  const size_t length = WholePages(size);
  void* at = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (at == MAP_FAILED) return nullptr;
  mapped.blocks[mapped.count++] = {at, length};
  return at;
}

void* Allocate(void*, size_t size) {
  if (size >= kLargeBlock)
    if (void* at = MapBlock(size)) return at;
  return malloc(size);
}

void Free(void*, void* at) {
  if (at && MayBeMapped(at)) {
    MappedBlocks& mapped = Mapped();
    std::lock_guard<std::mutex> hold(mapped.lock);
    if (const int i = Find(mapped, at); i >= 0) {
      munmap(at, mapped.blocks[i].length);
      Forget(mapped, i);
      return;
    }
  }
  free(at);
}

void* Reallocate(void* user, void* at, size_t size) {
  if (!at) return Allocate(user, size);
  if (MayBeMapped(at)) {
    MappedBlocks& mapped = Mapped();
    std::lock_guard<std::mutex> hold(mapped.lock);
    if (const int i = Find(mapped, at); i >= 0) {
      MappedBlock& block = mapped.blocks[i];
      if (size < kLargeBlock) {
        void* moved = malloc(size);
        if (!moved) return nullptr;
        std::memcpy(moved, at, size);
        munmap(at, block.length);
        Forget(mapped, i);
        return moved;
      }
      const size_t length = WholePages(size);
      if (length == block.length) return at;
      void* moved = mremap(at, block.length, length, MREMAP_MAYMOVE);
      if (moved == MAP_FAILED) return nullptr;
      block = {moved, length};
      return moved;
    }
  }
  if (size >= kLargeBlock) {
    const size_t had = malloc_usable_size(at);
    if (void* moved = MapBlock(size)) {
      std::memcpy(moved, at, had < size ? had : size);
      free(at);
      return moved;
    }
  }
  return realloc(at, size);
}

// A large block for a context made here, mapped and untouched; null otherwise.
void* MappedZeroedBlock(fz_context* ctx, size_t size) {
  return ctx && ctx->alloc.malloc == Allocate && size >= kLargeBlock ? MapBlock(size) : nullptr;
}

}  // namespace

fz_context* NewContextWithMappedLargeBlocks(size_t maxStore) {
  const fz_alloc_context alloc = {nullptr, Allocate, Reallocate, Free};
  return fz_new_context(&alloc, nullptr, maxStore);
}

size_t MappedLargeBlockBytes() {
  MappedBlocks& mapped = Mapped();
  std::lock_guard<std::mutex> hold(mapped.lock);
  size_t bytes = 0;
  for (int i = 0; i < mapped.count; ++i) bytes += mapped.blocks[i].length;
  return bytes;
}

#else

namespace {
void* MappedZeroedBlock(fz_context*, size_t) { return nullptr; }
}  // namespace

fz_context* NewContextWithMappedLargeBlocks(size_t maxStore) { return fz_new_context(nullptr, nullptr, maxStore); }

size_t MappedLargeBlockBytes() { return 0; }

#endif

}  // namespace standin::pdf

// MuPDF's calloc writes zeros over what it gets; a mapped block is zero already, and writing it
// would make every page of a large table take memory at once: the update section MuPDF makes at
// a document's first change is as long as the document's whole cross-reference table, of which
// an edit uses a few entries at a time.
extern "C" void* __real_fz_calloc(fz_context* ctx, size_t count, size_t size);
extern "C" void* __wrap_fz_calloc(fz_context* ctx, size_t count, size_t size) {
  if (count != 0 && size != 0 && count <= SIZE_MAX / size)
    if (void* at = standin::pdf::MappedZeroedBlock(ctx, count * size)) return at;
  return __real_fz_calloc(ctx, count, size);
}
