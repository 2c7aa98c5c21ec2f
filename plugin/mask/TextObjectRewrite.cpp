#include "host/HostCall.h"
#include "mask/PageEdits.h"

namespace vm {

namespace {

struct Run {
  std::vector<int32_t> codes;
  std::vector<float> adjustments;
  float x0 = 0;
  float y0 = 0;
};

std::vector<Run> RemainingRuns(const std::vector<TextItem>& items) {
  std::vector<Run> runs;
  bool inRun = false;
  for (const TextItem& item : items) {
    if (item.removed) {
      inRun = false;
      continue;
    }
    if (!inRun) {
      runs.push_back({});
      runs.back().x0 = item.x;
      runs.back().y0 = item.y;
      inRun = true;
    }
    runs.back().codes.push_back(item.code);
    runs.back().adjustments.push_back(item.adjustment);
  }
  return runs;
}

void RemoveObject(HostHandle pdfPage, HostHandle object) {
  HostPosition position = FindObjectPosition(pdfPage, object);
  if (position) Host<73, 16>(pdfPage, position);
}

}  // namespace

std::vector<TextItem> MakeTextItems(const std::vector<HostTextItem>& items,
                                    const ItemIndexSet& removeItems) {
  std::vector<TextItem> result;
  for (std::size_t i = 0; i < items.size(); ++i) {
    const HostTextItem& item = items[i];
    if (item.code == -1) {
      if (!result.empty()) result.back().adjustment += item.x;
      continue;
    }
    TextItem text;
    text.code = item.code;
    text.x = item.x;
    text.y = item.y;
    text.removed = removeItems.count(static_cast<int32_t>(i)) != 0;
    result.push_back(text);
  }
  return result;
}

HostPosition FindObjectPosition(HostHandle pdfPage, HostHandle object) {
  HostPosition position = Host<73, 6>(pdfPage);
  while (position) {
    HostPosition current = position;
    HostHandle found = Host<73, 8>(pdfPage, &position);
    if (found == object) return current;
  }
  return nullptr;
}

bool RewriteTextObject(HostHandle pdfPage, HostHandle textObject, const ItemIndexSet& removeItems) {
  HostPosition position = FindObjectPosition(pdfPage, textObject);
  if (!position) return false;

  int32_t count = Host<83, 2>(textObject);
  std::vector<HostTextItem> raw;
  raw.reserve(count > 0 ? count : 0);
  for (int32_t i = 0; i < count; ++i) {
    HostTextItem slot{};
    HostTextItem* info = Host<83, 3>(&slot, textObject, i);
    // Without an item's information the copies could not reproduce the object faithfully.
    if (!info) return false;
    raw.push_back(*info);
  }
  std::vector<TextItem> items = MakeTextItems(raw, removeItems);
  if (items.empty()) return false;

  std::vector<Run> runs = RemainingRuns(items);
  if (!runs.empty()) {
    float m[4] = {1, 0, 0, 1};
    Host<83, 8>(textObject, m);
    std::vector<HostHandle> inserted;
    for (const Run& run : runs) {
      HostHandle clone = Host<82, 2>(textObject);
      if (!clone) {
        // Removing the object now would lose this run's characters: keep it as it was.
        for (HostHandle done : inserted) RemoveObject(pdfPage, done);
        return false;
      }
      Host<83, 14>(clone, static_cast<int32_t>(run.codes.size()), run.codes.data(),
                   run.adjustments.data());
      float x = m[0] * run.x0 + m[2] * run.y0;
      float y = m[1] * run.x0 + m[3] * run.y0;
      Host<82, 26>(clone, 1.0f, 0.0f, 0.0f, 1.0f, x, y);
      Host<73, 15>(pdfPage, position, clone);
      inserted.push_back(clone);
    }
  }
  Host<73, 16>(pdfPage, position);
  return true;
}

}  // namespace vm
