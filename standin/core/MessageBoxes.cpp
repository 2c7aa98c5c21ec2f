// Host message boxes (30:3): recorded for tests, answered with a settable button id.
#include <string>

#include "core/Application.h"
#include "core/CoreParts.h"

namespace standin {

namespace {

struct MessageBoxState {
  std::vector<MessageBoxCall> calls;
  int32_t answer = 1;
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
  return State().answer;
}

}  // namespace

void RegisterMessageFunctions(FunctionTable& table) { table.Implement<30, 3>(&ShowMessageBox); }

const std::vector<MessageBoxCall>& MessageBoxes() { return State().calls; }
void SetMessageBoxAnswer(int32_t buttonId) { State().answer = buttonId; }

void ResetMessageBoxes() {
  State().calls.clear();
  State().answer = 1;
}

}  // namespace standin
