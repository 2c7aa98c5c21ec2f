#include "mask/RedactionWriter.h"

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "host/HostCall.h"
#include "host/PageAccess.h"
#include "mask/BoxGeometry.h"
#include "mask/PageEdits.h"
#include "mask/RedactionUndo.h"

namespace vm {

namespace {

constexpr char16_t kUndoLabel[] = u"개인 정보 보호";

struct PageHandles {
  HostHandle pageView = nullptr;
  HostHandle pdfPage = nullptr;
};

PageHandles GetPage(HostHandle view, int32_t pageIndex) {
  PageHandles handles;
  handles.pageView = Host<31, 2>(view, pageIndex);
  if (handles.pageView) handles.pdfPage = Host<32, 2>(handles.pageView);
  return handles;
}

// The text objects to edit, each with its items, in the order their first replaced character
// comes in the page text: ordered by handle they would follow the allocator's addresses, which
// differ from run to run and between platforms, and so would the rewritten content.
struct RemovalMap {
  std::vector<std::pair<HostHandle, ItemIndexSet>> objects;
  std::map<HostHandle, size_t> indexOf;

  void Add(HostHandle textObject, int32_t item) {
    auto [at, added] = indexOf.try_emplace(textObject, objects.size());
    if (added) objects.emplace_back(textObject, ItemIndexSet{});
    objects[at->second].second.insert(item);
  }
};

// Which items of which text objects show the page's replaced characters, and the direction each
// replacement's characters run in (by index in the list). Null when the text page cannot be
// opened.
std::unique_ptr<RemovalMap> BuildRemovalMap(HostHandle pdfPage, int32_t pageIndex,
                                            const PiMatchList& replacements,
                                            std::vector<TextDirection>& directions) {
  HostHandle textPage = OpenAnalysedTextPage(pdfPage);
  if (!textPage) return nullptr;
  auto map = std::make_unique<RemovalMap>();
  directions.assign(replacements.size(), TextDirection{});
  try {
    for (std::size_t i = 0; i < replacements.size(); ++i) {
      const PiMatch& r = replacements[i];
      if (r.pageIndex != pageIndex) continue;
      std::optional<TextDirection> characterDirection;
      for (int32_t t = r.charStart; t < r.charStart + r.charCount; ++t) {
        HostCharInfo info;
        QueryCharInfo(textPage, t, &info);
        if (info.textObject) map->Add(info.textObject, info.itemIndex);
        if (!characterDirection) characterDirection = CharacterDirection(info);
      }
      directions[i] = RunDirection(textPage, r, characterDirection);
    }
  } catch (...) {
    Host<120, 1>(textPage);
    throw;
  }
  // Released before the page is edited.
  Host<120, 1>(textPage);
  return map;
}

// Text edits, then protection text or black boxes, then regeneration. True when a text object
// of the page changed.
bool RewritePage(HostHandle pdfDocument, const PageHandles& page, int32_t pageIndex,
                 const PiMatchList& replacements, char protectionChar) {
  std::vector<TextDirection> directions;
  std::unique_ptr<RemovalMap> removal =
      BuildRemovalMap(page.pdfPage, pageIndex, replacements, directions);
  if (!removal) return false;
  bool changed = false;
  for (const auto& [textObject, items] : removal->objects) {
    if (RewriteTextObject(page.pdfPage, textObject, items)) changed = true;
  }
  if (!changed) return false;

  BoxList covering;
  CollectCoveringBoxes(page.pdfPage, covering);
  BoxList blackBoxes;
  for (std::size_t i = 0; i < replacements.size(); ++i) {
    const PiMatch& r = replacements[i];
    if (r.pageIndex != pageIndex) continue;
    HostBox box = UnionBox(r.rects);
    if (!covering.empty() && IsMostlyCovered(box, covering)) {
      blackBoxes.push_back(ExpandBox(box));
    } else {
      WriteReplacementText(pdfDocument, page.pdfPage, r, protectionChar, directions[i]);
    }
  }
  Host<73, 38>(page.pdfPage);
  if (!blackBoxes.empty()) AppendBlackBoxes(pdfDocument, page.pdfPage, blackBoxes);
  return true;
}

// RewritePage, and when it fails part-way (e.g. out of memory) the page put back as it was
// before: its text objects may already be rewritten in the host's model, which would otherwise
// show the characters as gone while the file still holds them, with no undo step.
bool RewritePageOrRestore(HostHandle document, HostHandle pdfDocument, const PageHandles& page,
                          int32_t pageIndex, const PiMatchList& replacements, char protectionChar,
                          const PageSnapshot& before) {
  try {
    return RewritePage(pdfDocument, page, pageIndex, replacements, protectionChar);
  } catch (...) {
    try {
      RestorePageState(document, pageIndex, before.contentsBefore, before.resourcesBefore);
    } catch (...) {
    }
    throw;
  }
}

}  // namespace

char ProtectionByte(char16_t protection) {
  return protection >= 33 && protection <= 126 ? static_cast<char>(protection) : '*';
}

bool ApplyReplacements(HostHandle document, const PiMatchList& replacements, char16_t protection) {
  if (!document || replacements.empty() || protection == 0) return false;
  HostHandle pdfDocument = Host<26, 4>(document);
  HostHandle view = Host<26, 24>(document);
  if (!pdfDocument || !view) return false;

  const char protectionChar = ProtectionByte(protection);
  std::set<int32_t> pages;
  for (const PiMatch& r : replacements) pages.insert(r.pageIndex);

  auto* record = new RedactionUndoRecord;
  record->document = document;
  bool success = false;
  bool interrupted = false;
  try {
    for (int32_t pageIndex : pages) {
      PageHandles page = GetPage(view, pageIndex);
      if (!page.pageView || !page.pdfPage) continue;
      PageSnapshot snapshot;
      snapshot.pageIndex = pageIndex;
      SnapshotPageState(page.pdfPage, &snapshot.contentsBefore, &snapshot.resourcesBefore);
      record->snapshots.push_back(snapshot);
    }

    for (PageSnapshot& snapshot : record->snapshots) {
      const int32_t pageIndex = snapshot.pageIndex;
      PageHandles page = GetPage(view, pageIndex);
      if (!page.pageView || !page.pdfPage) continue;
      if (!RewritePageOrRestore(document, pdfDocument, page, pageIndex, replacements, protectionChar, snapshot))
        continue;
      success = true;
      SnapshotPageState(page.pdfPage, &snapshot.contentsAfter, &snapshot.resourcesAfter);
      Host<32, 13>(page.pageView, 1);
    }
  } catch (...) {
    // Out of memory part-way: pages already changed keep their undo step below; nothing may
    // leave the module through the host's window procedure.
    interrupted = true;
  }

  if (!success) {
    ReleaseRedaction(record);
    return false;
  }
  Host<20, 37>(kUndoLabel, document, 0, MakeUndoItem(record));
  Host<26, 8>(document);
  // Pages after the failure were not protected: that is no success, whatever came before.
  return !interrupted;
}

}  // namespace vm
