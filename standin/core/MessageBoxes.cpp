// Host message boxes (30:3): recorded for tests, answered by a script of button ids or a
// settable default, optionally printed as they are shown.
#include <cstdio>
#include <deque>
#include <string>

#include "Utf8.h"

#include "core/Application.h"
#include "core/CoreParts.h"

namespace standin {

namespace {

struct MessageBoxState {
  std::vector<MessageBoxCall> calls;
  int32_t answer = 1;
  std::deque<int32_t> script;
  bool echo = false;
};

MessageBoxState& State() {
  static MessageBoxState* state = new MessageBoxState;
  return *state;
}

int32_t VM_CALL ShowMessageBox(const char16_t* text, int32_t flags, const char16_t* caption,
                               int32_t reserved, HostWindow owner) {
  State().calls.push_back({text ? std::u16string(text) : std::u16string(),
                           caption ? std::u16string(caption) : std::u16string(), flags, reserved,
                           owner});
  int32_t answer = State().answer;
  if (!State().script.empty()) {
    answer = State().script.front();
    State().script.pop_front();
  }
  if (State().echo) {
    const MessageBoxCall& call = State().calls.back();
    std::fprintf(stderr, "[message box %d] %s: %s -> %d\n", flags, common::Utf16ToUtf8(call.caption).c_str(),
                 common::Utf16ToUtf8(call.text).c_str(), answer);
  }
  return answer;
}

}  // namespace

void RegisterMessageFunctions(FunctionTable& table) { table.Implement<30, 3>(&ShowMessageBox); }

const std::vector<MessageBoxCall>& MessageBoxes() { return State().calls; }
void SetMessageBoxAnswer(int32_t buttonId) { State().answer = buttonId; }
void ScriptMessageBoxAnswers(const std::vector<int32_t>& buttonIds) {
  State().script.assign(buttonIds.begin(), buttonIds.end());
}
void SetMessageBoxEcho(bool on) { State().echo = on; }

void ResetMessageBoxes() {
  State().calls.clear();
  State().answer = 1;
  State().script.clear();
  State().echo = false;
}

}  // namespace standin
