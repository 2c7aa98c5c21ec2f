// The keyboard inside the host's message loop, typed as the user types (SendInput) and routed
// by the dialog's message hook: Tab order, arrows in the radio group, mnemonics, Enter, Esc.
#include "ui/UiTest.h"

#include <vector>

#include "core/Application.h"
#include "ui/MainDialog.h"

namespace {

using uitest::Modifier;

// Types one key and lets the host's loop handle it.
void Type(WORD key, Modifier modifier = Modifier::None) {
  uitest::PressKey(key, modifier);
  uitest::PumpMessages(150);
}

std::vector<int> g_commands;
WNDPROC g_dialogProcedure = nullptr;

// Sits in front of the dialog's procedure and notes the command ids it receives.
LRESULT CALLBACK RecordCommands(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND) g_commands.push_back(LOWORD(wParam));
  return CallWindowProcW(g_dialogProcedure, window, message, wParam, lParam);
}

class KeyboardTest : public uitest::UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    standin::OpenHostDocumentFromContent({"BT ET"});
    vm::OpenMainDialog(nullptr);
    dialog_ = vm::MainDialogWindow();
    ASSERT_NE(dialog_, nullptr);
    g_commands.clear();
    g_dialogProcedure = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(dialog_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RecordCommands)));
    uitest::PumpMessages(50);
  }
  int FocusedId() const { return GetDlgCtrlID(GetFocus()); }
  HWND dialog_ = nullptr;
};

TEST_F(KeyboardTest, TabAndShiftTabFollowTheCreationOrder) {
  ASSERT_EQ(FocusedId(), vm::kIdFind);
  std::vector<int> forward;
  for (int i = 0; i < 5; ++i) {
    Type(VK_TAB);
    forward.push_back(FocusedId());
  }
  EXPECT_EQ(forward, (std::vector<int>{vm::kIdProtectOne, vm::kIdProtectAll, vm::kIdClose, vm::kIdPhone,
                                       vm::kIdBirthDate}));
  std::vector<int> backward;
  for (int i = 0; i < 4; ++i) {
    Type(VK_TAB, Modifier::Shift);
    backward.push_back(FocusedId());
  }
  EXPECT_EQ(backward, (std::vector<int>{vm::kIdPhone, vm::kIdClose, vm::kIdProtectAll, vm::kIdProtectOne}));
  EXPECT_TRUE(g_commands.empty());
}

TEST_F(KeyboardTest, ArrowsMoveWithinTheRadioGroupAndSelect) {
  Type(VK_TAB, Modifier::Shift);  // from "찾기(&F)" back into the radio group
  ASSERT_EQ(FocusedId(), vm::kIdStars);
  Type(VK_DOWN);
  EXPECT_EQ(FocusedId(), vm::kIdTildes);
  Type(VK_DOWN);
  EXPECT_EQ(FocusedId(), vm::kIdCrosses);
  EXPECT_EQ(IsDlgButtonChecked(dialog_, vm::kIdCrosses), 1u);
  EXPECT_EQ(IsDlgButtonChecked(dialog_, vm::kIdStars), 0u);
  Type(VK_DOWN);  // wraps inside the group, never into the buttons after it
  EXPECT_EQ(FocusedId(), vm::kIdStars);
}

TEST_F(KeyboardTest, MnemonicsAndEnterPressTheirButtons) {
  Type('H', Modifier::Alt);
  Type('A', Modifier::Alt);
  Type('F', Modifier::Alt);
  Type(VK_RETURN);  // the focus is on the default button "찾기(&F)"
  EXPECT_EQ(g_commands, (std::vector<int>{vm::kIdProtectOne, vm::kIdProtectAll, vm::kIdFind, vm::kIdFind}));
  EXPECT_TRUE(IsWindow(dialog_));
}

TEST_F(KeyboardTest, EscapeClosesLikeTheCloseButton) {
  Type(VK_ESCAPE);
  EXPECT_EQ(g_commands, std::vector<int>{vm::kIdClose});
  EXPECT_FALSE(IsWindow(dialog_));
  EXPECT_EQ(vm::MainDialogWindow(), nullptr);
}

}  // namespace
