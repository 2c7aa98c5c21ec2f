// The main dialog's life: what it opens with, one dialog per process, closing when the host's
// active document changes, the end of a search by a category click, and its message boxes.
#include "ui/UiTest.h"

#include <chrono>

#include "core/Application.h"
#include "ui/DialogState.h"
#include "ui/MainDialog.h"

namespace {

using uitest::PumpMessages;
using uitest::TextOf;

class MainDialogTest : public uitest::UiTest {
 protected:
  HWND Open(HWND owner = nullptr) {
    vm::OpenMainDialog(owner);
    PumpMessages(0);
    return vm::MainDialogWindow();
  }
  // Pumps until the dialog is gone; the milliseconds that took, or -1 when it stayed open.
  static int MillisecondsUntilClosed(int limit) {
    auto start = std::chrono::steady_clock::now();
    PumpMessages(limit, [] { return vm::MainDialogWindow() == nullptr; });
    if (vm::MainDialogWindow()) return -1;
    return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                std::chrono::steady_clock::now() - start).count());
  }
  // A search as a find leaves it: one occurrence shown, the counter caption, "다음 찾기(&F)".
  static void PretendSearchActive(HWND dialog) {
    vm::PiDialogState* state = vm::DialogStateOf(dialog);
    state->matches.resize(2);
    state->scanned = true;
    state->current = 1;
    SetDlgItemTextW(dialog, vm::kIdFind, reinterpret_cast<const WCHAR*>(u"다음 찾기(&F)"));
    SetWindowTextW(dialog, reinterpret_cast<const WCHAR*>(u"개인 정보 보호하기 - 2 / 2"));
  }
};

TEST_F(MainDialogTest, OpensWithResidentNumberAndStarsSelectedAndFocusOnFind) {
  HostHandle document = standin::OpenHostDocumentFromContent({"BT ET"});
  HWND dialog = Open();
  ASSERT_NE(dialog, nullptr);
  for (int id = vm::kIdPhone; id <= vm::kIdPostalAddress; ++id)
    EXPECT_EQ(IsDlgButtonChecked(dialog, id), id == vm::kIdResidentNumber ? 1u : 0u) << id;
  EXPECT_EQ(IsDlgButtonChecked(dialog, vm::kIdStars), 1u);
  EXPECT_EQ(IsDlgButtonChecked(dialog, vm::kIdTildes) + IsDlgButtonChecked(dialog, vm::kIdCrosses), 0u);
  EXPECT_EQ(GetFocus(), GetDlgItem(dialog, vm::kIdFind));

  WCHAR className[32] = {};
  GetClassNameW(dialog, className, 32);
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(className)), u"VeilmarkPiDlg");
  auto style = static_cast<DWORD>(GetWindowLongW(dialog, GWL_STYLE));
  EXPECT_EQ(style & 0x80C80000u, 0x80C80000u);
  EXPECT_EQ(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0u);
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(dialog, GWL_EXSTYLE)) & 0x00010001u, 0x00010001u);

  // Without an owner: centred on the primary screen.
  RECT place;
  GetWindowRect(dialog, &place);
  EXPECT_EQ(place.left, (GetSystemMetrics(SM_CXSCREEN) - (place.right - place.left)) / 2);
  EXPECT_EQ(place.top, (GetSystemMetrics(SM_CYSCREEN) - (place.bottom - place.top)) / 2);

  vm::PiDialogState* state = vm::DialogStateOf(dialog);
  ASSERT_NE(state, nullptr);
  EXPECT_EQ(state->document, document);
  EXPECT_FALSE(state->scanned);
  EXPECT_EQ(state->current, -1);
  EXPECT_EQ(state->reshowCountdown, 0);
}

TEST_F(MainDialogTest, OpeningAgainOnlyBringsTheOpenDialogForward) {
  standin::OpenHostDocumentFromContent({"BT ET"});
  HWND dialog = Open();
  SendDlgItemMessageW(dialog, vm::kIdPhone, BM_CLICK, 0, 0);
  PretendSearchActive(dialog);
  HWND other = CreateWindowExW(0, reinterpret_cast<const WCHAR*>(u"STATIC"), nullptr, WS_POPUP | WS_VISIBLE,
                               0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
  SetForegroundWindow(other);

  EXPECT_EQ(Open(other), dialog);
  EXPECT_EQ(GetForegroundWindow(), dialog);
  EXPECT_EQ(GetWindow(dialog, GW_OWNER), nullptr);
  EXPECT_EQ(FindWindowExW(nullptr, dialog, reinterpret_cast<const WCHAR*>(u"VeilmarkPiDlg"), nullptr), nullptr);
  EXPECT_EQ(IsDlgButtonChecked(dialog, vm::kIdPhone), 1u);
  EXPECT_EQ(TextOf(dialog), u"개인 정보 보호하기 - 2 / 2");
  EXPECT_EQ(vm::DialogStateOf(dialog)->matches.size(), 2u);
  DestroyWindow(other);
}

TEST_F(MainDialogTest, ClosesWithinHalfASecondWhenTheActiveDocumentChanges) {
  HostHandle first = standin::OpenHostDocumentFromContent({"BT ET"});
  standin::OpenHostDocumentFromContent({"BT ET"});
  Open();
  EXPECT_EQ(MillisecondsUntilClosed(700), -1) << "closed although the document stayed active";

  standin::SetActiveDocument(first);
  int elapsed = MillisecondsUntilClosed(1500);
  EXPECT_GE(elapsed, 0);
  EXPECT_LE(elapsed, 900);  // one 500 ms period, with room for a busy machine
}

TEST_F(MainDialogTest, OpenedWithoutADocumentClosesOnceOneIsActive) {
  HWND dialog = Open();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(vm::DialogStateOf(dialog)->document, nullptr);
  PumpMessages(600);
  ASSERT_EQ(vm::MainDialogWindow(), dialog);

  standin::OpenHostDocumentFromContent({"BT ET"});
  int elapsed = MillisecondsUntilClosed(1500);
  EXPECT_GE(elapsed, 0);
  EXPECT_LE(elapsed, 900);  // one 500 ms period, with room for a busy machine
}

// After protecting one occurrence the re-show timer fires once at its first period and once more
// 600 ms later, then stops.
TEST_F(MainDialogTest, ReshowTimerRunsTwiceThenStops) {
  standin::OpenHostDocumentFromContent({"BT ET"});
  HWND dialog = Open();
  vm::PiDialogState* state = vm::DialogStateOf(dialog);
  state->reshowCountdown = 2;
  SetTimer(dialog, vm::kReshowTimer, 10, nullptr);
  PumpMessages(300);
  EXPECT_EQ(state->reshowCountdown, 1);
  PumpMessages(800, [&] { return state->reshowCountdown == 0; });
  EXPECT_EQ(state->reshowCountdown, 0);
  PumpMessages(800);
  EXPECT_EQ(state->reshowCountdown, 0) << "the timer went on after its last re-show";
}

TEST_F(MainDialogTest, CategoryClickEndsTheSearchButProtectionCharacterDoesNot) {
  standin::OpenHostDocumentFromContent({"BT ET"});
  HWND dialog = Open();
  PretendSearchActive(dialog);
  vm::PiDialogState* state = vm::DialogStateOf(dialog);

  SendDlgItemMessageW(dialog, vm::kIdCrosses, BM_CLICK, 0, 0);
  EXPECT_TRUE(state->scanned);
  EXPECT_EQ(TextOf(GetDlgItem(dialog, vm::kIdFind)), u"다음 찾기(&F)");

  for (int id : {vm::kIdPhone, vm::kIdResidentNumber}) {  // ticking and unticking alike
    PretendSearchActive(dialog);
    SendDlgItemMessageW(dialog, id, BM_CLICK, 0, 0);
    EXPECT_FALSE(state->scanned) << id;
    EXPECT_EQ(state->current, -1);
    EXPECT_TRUE(state->matches.empty());
    EXPECT_EQ(TextOf(GetDlgItem(dialog, vm::kIdFind)), u"찾기(&F)");
    EXPECT_EQ(TextOf(dialog), u"개인 정보 보호하기");
  }
}

TEST_F(MainDialogTest, CloseButtonAndCloseBoxDestroyItCommandOneDoesNot) {
  standin::OpenHostDocumentFromContent({"BT ET"});
  HWND dialog = Open();
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  EXPECT_TRUE(IsWindow(dialog));
  SendDlgItemMessageW(dialog, vm::kIdClose, BM_CLICK, 0, 0);
  EXPECT_FALSE(IsWindow(dialog));
  EXPECT_EQ(vm::MainDialogWindow(), nullptr);

  dialog = Open();
  PostMessageW(dialog, WM_CLOSE, 0, 0);
  PumpMessages(100, [&] { return !IsWindow(dialog); });
  EXPECT_FALSE(IsWindow(dialog));
  EXPECT_EQ(vm::MainDialogWindow(), nullptr);
}

TEST_F(MainDialogTest, MessagesGoToTheHostWithTheDialogAsOwnerAndReturnTheButton) {
  HWND dialog = Open();
  standin::ScriptMessageBoxAnswers({6, 7});
  EXPECT_EQ(vm::ShowMessage(dialog, u"계속할까요?", u"개인 정보 보호하기", 52), 6);
  EXPECT_EQ(vm::ShowMessage(dialog, u"적용에 실패했습니다.", u"개인 정보 보호하기", 16), 7);
  ASSERT_EQ(standin::MessageBoxes().size(), 2u);
  const standin::MessageBoxCall& call = standin::MessageBoxes()[0];
  EXPECT_EQ(call.text, u"계속할까요?");
  EXPECT_EQ(call.caption, u"개인 정보 보호하기");
  EXPECT_EQ(call.flags, 52);
  EXPECT_EQ(call.reserved, 0);
  EXPECT_EQ(call.owner, static_cast<HostWindow>(dialog));
}

}  // namespace
