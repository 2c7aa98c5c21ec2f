// The parse-state protocol of PDF pages: 73:4 asks, 73:28 starts, 73:2 continues. How many
// continue steps a page needs is a test setting.
#include <map>

#include "core/Application.h"
#include "core/CoreParts.h"

namespace standin {

namespace {

struct PageParse {
  bool parsed = false;
  bool started = false;
  int remainingSteps = 0;  // continue steps still needed; negative: never done
  int continueCalls = 0;
};

struct ParseSettings {
  int continueSteps = 0;
  std::map<const void*, PageParse> pages;
};

ParseSettings& Settings() {
  static ParseSettings* settings = new ParseSettings;
  return *settings;
}

PageParse& StateOf(const void* page) { return Settings().pages[page]; }

int32_t VM_CALL IsParsed(HostHandle page) { return StateOf(page).parsed ? 1 : 0; }

int32_t VM_CALL StartParse(HostHandle page, HostHandle) {
  PageParse& state = StateOf(page);
  if (state.parsed) return 1;
  state.started = true;
  state.remainingSteps = PageReadsCompletely(page) ? Settings().continueSteps : -1;
  state.parsed = state.remainingSteps == 0;
  return 1;
}

int32_t VM_CALL ContinueParse(HostHandle page, HostHandle) {
  PageParse& state = StateOf(page);
  ++state.continueCalls;
  if (state.parsed) return 1;
  if (!state.started || state.remainingSteps < 0) return 0;
  state.parsed = --state.remainingSteps == 0;
  return state.parsed ? 1 : 0;
}

}  // namespace

void RegisterParseFunctions(FunctionTable& table) {
  table.Implement<73, 2>(&ContinueParse);
  table.Implement<73, 4>(&IsParsed);
  table.Implement<73, 28>(&StartParse);
}

void SetParseContinueSteps(int steps) { Settings().continueSteps = steps; }

void SetPageParsed(HostHandle pdfPage, bool parsed) {
  PageParse& state = StateOf(pdfPage);
  state.parsed = parsed;
  state.started = parsed;
}

bool IsPageParsed(HostHandle pdfPage) {
  auto it = Settings().pages.find(pdfPage);
  return it != Settings().pages.end() && it->second.parsed;
}

int ParseContinueCalls(HostHandle pdfPage) {
  auto it = Settings().pages.find(pdfPage);
  return it == Settings().pages.end() ? 0 : it->second.continueCalls;
}

void ForgetPage(const void* pdfPage) { Settings().pages.erase(pdfPage); }

void ResetParseState() {
  Settings().continueSteps = 0;
  Settings().pages.clear();
}

}  // namespace standin
