#include "OccurrenceStore.h"

#include <algorithm>
#include <cstring>
#include <map>

#include "FileRecords.h"

namespace docscan {

namespace {

// A page's record: the two counts, then each record's start, count, font size, category, text
// length and box count, its UTF-16 units and its boxes.
template <class T>
void Put(std::string& bytes, const T* data, size_t count) {
  bytes.append(reinterpret_cast<const char*>(data), count * sizeof(T));
}

void PutList(std::string& bytes, const vm::PiMatchList& list) {
  for (const vm::PiMatch& m : list) {
    const int32_t fields[] = {m.charStart, m.charCount, m.category};
    const uint32_t sizes[] = {static_cast<uint32_t>(m.text.size()), static_cast<uint32_t>(m.rects.size())};
    Put(bytes, fields, 3);
    Put(bytes, &m.fontSize, 1);
    Put(bytes, sizes, 2);
    Put(bytes, m.text.data(), m.text.size());
    Put(bytes, m.rects.data(), m.rects.size());
  }
}

class Reader {
 public:
  explicit Reader(const std::string& bytes) : bytes_(bytes) {}
  template <class T>
  bool Get(T* data, size_t count) {
    const size_t length = count * sizeof(T);
    if (length > bytes_.size() - at_) return false;
    if (length) std::memcpy(data, bytes_.data() + at_, length);
    at_ += length;
    return true;
  }
  bool GetList(int pageIndex, uint32_t count, vm::PiMatchList* list) {
    constexpr size_t kFixedBytes = 6 * 4;
    if (count > (bytes_.size() - at_) / kFixedBytes) return false;
    list->resize(count);
    for (vm::PiMatch& m : *list) {
      int32_t fields[3];
      uint32_t sizes[2];
      if (!Get(fields, 3) || !Get(&m.fontSize, 1) || !Get(sizes, 2)) return false;
      if (sizes[0] > bytes_.size() - at_ || sizes[1] > bytes_.size() - at_) return false;
      m.pageIndex = pageIndex;
      m.charStart = fields[0], m.charCount = fields[1], m.category = fields[2];
      m.text.resize(sizes[0]);
      m.rects.resize(sizes[1]);
      if (!Get(m.text.data(), m.text.size()) || !Get(m.rects.data(), m.rects.size())) return false;
    }
    return true;
  }
  bool Done() const { return at_ == bytes_.size(); }

 private:
  const std::string& bytes_;
  size_t at_ = 0;
};

}  // namespace

OccurrenceStore::OccurrenceStore(Keeping keeping) {
  if (keeping == Keeping::InFile) file_ = std::tmpfile();
}

OccurrenceStore::~OccurrenceStore() {
  if (file_) std::fclose(file_);
}

std::unique_ptr<OccurrenceStore> OccurrenceStore::FromLists(const vm::PiMatchList& matches,
                                                            const vm::PiMatchList& replacements) {
  std::map<int, Page> pages;
  for (const vm::PiMatch& m : matches) pages[m.pageIndex].matches.push_back(m);
  for (const vm::PiMatch& r : replacements) pages[r.pageIndex].replacements.push_back(r);
  auto store = std::make_unique<OccurrenceStore>(Keeping::InMemory);
  for (const auto& [index, page] : pages) store->Add(index, page.matches, page.replacements);
  return store;
}

void OccurrenceStore::Add(int pageIndex, const vm::PiMatchList& matches, const vm::PiMatchList& replacements) {
  if (spoiled_) return;
  if (pageIndex < 0 || (!entries_.empty() && pageIndex <= entries_.back().page)) {
    spoiled_ = true;
    return;
  }
  if (matches.empty() && replacements.empty()) return;
  std::string bytes;
  const uint32_t counts[] = {static_cast<uint32_t>(matches.size()), static_cast<uint32_t>(replacements.size())};
  Put(bytes, counts, 2);
  PutList(bytes, matches);
  PutList(bytes, replacements);
  if (bytes.size() > UINT32_MAX) {
    spoiled_ = true;
    return;
  }

  Entry entry;
  entry.page = pageIndex;
  entry.masked = !replacements.empty();
  entry.size = static_cast<uint32_t>(bytes.size());
  // The file may fail at any page (a full disk): that page and the ones after stay in memory.
  long offset = -1;
  if (file_ && !fileFailed_ && std::fseek(file_, 0, SEEK_END) == 0) offset = std::ftell(file_);
  if (offset >= 0 && common::WriteBytes(file_, bytes.data(), bytes.size()) && std::fflush(file_) == 0) {
    entry.offset = static_cast<uint64_t>(offset);
  } else {
    fileFailed_ = true;  // the pages written before stay readable
    entry.inMemory = true;
    entry.offset = memory_.size();
    memory_ += bytes;
  }
  entries_.push_back(entry);
  matchCount_ += matches.size();
  replacementCount_ += replacements.size();
  for (const vm::PiMatch& r : replacements) maskedCharacters_ += r.charCount;
}

std::optional<OccurrenceStore::Page> OccurrenceStore::Read(const Entry& entry) const {
  std::string bytes;
  if (entry.inMemory) {
    bytes.assign(memory_, entry.offset, entry.size);
  } else {
    bytes.resize(entry.size);
    if (!file_ || !common::ReadBytesAt(fileno(file_), static_cast<long>(entry.offset), bytes.data(), entry.size))
      return std::nullopt;
  }
  Page page;
  page.index = entry.page;
  Reader reader(bytes);
  uint32_t counts[2];
  if (!reader.Get(counts, 2) || !reader.GetList(entry.page, counts[0], &page.matches) ||
      !reader.GetList(entry.page, counts[1], &page.replacements) || !reader.Done())
    return std::nullopt;
  return page;
}

std::optional<OccurrenceStore::Page> OccurrenceStore::At(int pageIndex) const {
  if (spoiled_) return std::nullopt;
  const auto entry = std::lower_bound(entries_.begin(), entries_.end(), pageIndex,
                                      [](const Entry& e, int index) { return e.page < index; });
  if (entry != entries_.end() && entry->page == pageIndex) return Read(*entry);
  Page none;
  none.index = pageIndex;
  return none;
}

bool OccurrenceStore::ForEachPage(const std::function<void(const Page&)>& visit) const {
  if (spoiled_) return false;
  for (const Entry& entry : entries_) {
    const std::optional<Page> page = Read(entry);
    if (!page) return false;
    visit(*page);
  }
  return true;
}

bool OccurrenceStore::All(vm::PiMatchList* matches, vm::PiMatchList* replacements) const {
  return ForEachPage([&](const Page& page) {
    if (matches) matches->insert(matches->end(), page.matches.begin(), page.matches.end());
    if (replacements) replacements->insert(replacements->end(), page.replacements.begin(), page.replacements.end());
  });
}

std::vector<int> OccurrenceStore::MaskedPages() const {
  std::vector<int> pages;
  for (const Entry& entry : entries_)
    if (entry.masked) pages.push_back(entry.page);
  return pages;
}

}  // namespace docscan
