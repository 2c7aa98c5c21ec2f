#include "core/StandinHost.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>


namespace standin {

void* FunctionTable::Lookup(int32_t category, int32_t selector, int32_t pluginId) {
  if (logging_) log_.push_back({category, selector, pluginId});
  const uint64_t key = Key(category, selector);
  if (!overrides_.empty())
    if (auto it = overrides_.find(key); it != overrides_.end()) return it->second;
  if (auto it = implemented_.find(key); it != implemented_.end()) return it->second;
  std::fprintf(stderr, "stand-in host: host %d:%d is not implemented\n", category, selector);
  std::fflush(stderr);
  std::abort();
}

int FunctionTable::CountCalls(int32_t category, int32_t selector) const {
  int count = 0;
  for (const HostCall& call : log_) {
    if (call.category == category && call.selector == selector) ++count;
  }
  return count;
}

namespace {

void* VM_CALL LookupFromModule(int32_t category, int32_t selector, int32_t pluginId) {
  return Table().Lookup(category, selector, pluginId);
}

}  // namespace

HostFunctionTable* TableRecord() {
  static HostFunctionTable record{nullptr, &LookupFromModule};
  return &record;
}

void ObjectTracker::Created(const char* kind, const void* handle) {
  auto [it, inserted] = live_.emplace(handle, kind);
  if (!inserted) {
    faults_.push_back("created twice without release: " + std::string(kind) + "@" +
                      std::to_string(reinterpret_cast<uintptr_t>(handle)));
    it->second = kind;
  }
}

bool ObjectTracker::Released(const char* kind, const void* handle) {
  auto it = live_.find(handle);
  if (it == live_.end() || it->second != kind) {
    faults_.push_back(std::string(it == live_.end() ? "release of an unknown " : "release as the wrong kind: ") +
                      kind + "@" + std::to_string(reinterpret_cast<uintptr_t>(handle)));
    return false;
  }
  live_.erase(it);
  return true;
}

bool ObjectTracker::IsLive(const char* kind, const void* handle) const {
  auto it = live_.find(handle);
  return it != live_.end() && it->second == kind;
}

std::vector<std::string> ObjectTracker::Outstanding() const {
  std::vector<std::pair<const void*, const std::string*>> byAddress;
  for (const auto& [handle, kind] : live_) byAddress.emplace_back(handle, &kind);
  std::sort(byAddress.begin(), byAddress.end(),
            [](const auto& a, const auto& b) { return std::less<const void*>()(a.first, b.first); });
  std::vector<std::string> lines;
  for (const auto& [handle, kind] : byAddress)
    lines.push_back(*kind + "@" + std::to_string(reinterpret_cast<uintptr_t>(handle)));
  return lines;
}

void ObjectTracker::Reset() {
  live_.clear();
  faults_.clear();
}

ObjectTracker& Tracker() {
  static ObjectTracker* tracker = new ObjectTracker;
  return *tracker;
}

}  // namespace standin
