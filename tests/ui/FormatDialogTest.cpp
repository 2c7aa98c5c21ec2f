// The display-format dialog and the stored choices: reading bad values, the modal loop with the
// main dialog disabled, choices kept per category, "취소" storing nothing and "설정(&D)" storing
// all eight values; and the options a command reads.
#include "ui/UiTest.h"

#include <algorithm>
#include <string>
#include <vector>

#include "core/Application.h"
#include "ui/FormatDialog.h"
#include "ui/MainDialog.h"
#include "ui/ReadOptions.h"
#include "ui/StoredFormats.h"

namespace {

using uitest::Modifier;
using uitest::PressKey;
using uitest::TextOf;

const WCHAR* W(const char16_t* text) { return reinterpret_cast<const WCHAR*>(text); }

void DeleteStoredFormats() { RegDeleteTreeW(HKEY_CURRENT_USER, W(u"Software\\Veilmark")); }

void StoreValue(const char16_t* name, DWORD type, const void* data, DWORD size) {
  HKEY key;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, W(vm::kFormatKeyPath), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                            &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExW(key, W(name), 0, type, static_cast<const BYTE*>(data), size);
  RegCloseKey(key);
}

void StoreDword(const char16_t* name, int32_t value) { StoreValue(name, REG_DWORD, &value, 4); }

// Every value under the key, as name=number; empty when the key is missing.
std::vector<std::string> StoredValues() {
  std::vector<std::string> values;
  HKEY key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, W(vm::kFormatKeyPath), 0, KEY_READ, &key) != ERROR_SUCCESS) return values;
  for (DWORD i = 0;; ++i) {
    WCHAR name[64];
    DWORD nameLength = 64, type = 0, data = 0, size = 4;
    if (RegEnumValueW(key, i, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS)
      break;
    std::u16string wide(reinterpret_cast<const char16_t*>(name), nameLength);
    values.push_back(std::string(wide.begin(), wide.end()) + "=" + std::to_string(data));
  }
  RegCloseKey(key);
  std::sort(values.begin(), values.end());
  return values;
}

std::vector<std::u16string> ListItems(HWND list) {
  std::vector<std::u16string> items;
  int count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    std::u16string item(static_cast<size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0)), u'\0');
    SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(item.data()));
    items.push_back(item);
  }
  return items;
}

class FormatDialogTest : public uitest::UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    DeleteStoredFormats();
    standin::OpenHostDocumentFromContent({"BT ET"});
    vm::OpenMainDialog(nullptr);
    main_ = vm::MainDialogWindow();
    ASSERT_NE(main_, nullptr);
  }
  void TearDown() override {
    DeleteStoredFormats();
    UiTest::TearDown();
  }
  // Clicks "표시 형식 선택..." and runs the steps inside the dialog's own loop; the steps end it.
  void RunFormatDialog(std::vector<std::function<void()>> steps) {
    uitest::ScheduleSteps(std::move(steps));
    SendDlgItemMessageW(main_, vm::kIdFormats, BM_CLICK, 0, 0);  // returns when the dialog ended
    EXPECT_TRUE(uitest::StepsDone());
    EXPECT_TRUE(!IsWindow(main_) || IsWindowEnabled(main_));
    EXPECT_EQ(FindWindowW(W(vm::kFormatDialogClass), nullptr), nullptr);
  }
  static HWND Format() { return FindWindowW(W(vm::kFormatDialogClass), nullptr); }
  static HWND Item(int id) { return GetDlgItem(Format(), id); }
  static int Selection(int id) { return static_cast<int>(SendMessageW(Item(id), LB_GETCURSEL, 0, 0)); }
  HWND main_ = nullptr;
};

TEST_F(FormatDialogTest, StoredValuesOutOfRangeOrOfAnotherTypeReadAsTheFirstEntry) {
  for (int32_t row = 0; row < 8; ++row) EXPECT_EQ(vm::ReadFormatIndex(row), 0) << "no key, row " << row;
  StoreDword(u"FormatCard", 5);
  EXPECT_EQ(vm::ReadFormatIndex(5), 0);
  StoreDword(u"FormatCard", -1);
  EXPECT_EQ(vm::ReadFormatIndex(5), 0);
  StoreDword(u"FormatCard", 4);
  EXPECT_EQ(vm::ReadFormatIndex(5), 4);
  StoreValue(u"FormatPhone", REG_SZ, u"2", 4);
  EXPECT_EQ(vm::ReadFormatIndex(0), 0);
  StoreValue(u"FormatIP", REG_QWORD, "\x02\0\0\0\0\0\0\0", 8);
  EXPECT_EQ(vm::ReadFormatIndex(6), 0);
  EXPECT_EQ(vm::ReadFormatIndex(-1), 0);
  EXPECT_EQ(vm::ReadFormatIndex(8), 0);

  vm::PiOptions options = vm::ReadOptions(main_);
  EXPECT_EQ(options.formats[vm::CreditCard], u"NNNN-NNNN-****-****");
  EXPECT_EQ(options.formats[vm::Phone], u"*************");
}

TEST_F(FormatDialogTest, OptionsFollowTheBoxesTheRadioGroupAndTheStoredFormats) {
  SendDlgItemMessageW(main_, vm::kIdResidentNumber, BM_CLICK, 0, 0);  // unticked
  SendDlgItemMessageW(main_, vm::kIdPostalAddress, BM_CLICK, 0, 0);
  SendDlgItemMessageW(main_, vm::kIdCrosses, BM_CLICK, 0, 0);
  StoreDword(u"FormatForeign", 3);

  vm::PiOptions options = vm::ReadOptions(main_);
  vm::PiCategoryFlags expected{};
  expected[8] = true;
  EXPECT_EQ(options.flags, expected);
  EXPECT_EQ(options.protection, u"XXXXXX");
  EXPECT_EQ(options.formats[vm::ForeignRegistration], u"NNNNNN-N*****N");
  EXPECT_EQ(options.formats[vm::ResidentRegistration], u"**************");
  EXPECT_EQ(options.formats[vm::Address], u"");

  SendDlgItemMessageW(main_, vm::kIdTildes, BM_CLICK, 0, 0);
  EXPECT_EQ(vm::ReadOptions(main_).protection, u"~~~~~~");
}

TEST_F(FormatDialogTest, OpensOnTheFirstCategoryWithItsChoiceWhileTheMainDialogIsDisabled) {
  StoreDword(u"FormatPhone", 2);
  RunFormatDialog({[&] {
    ASSERT_NE(Format(), nullptr);
    EXPECT_EQ(TextOf(Format()), u"표시 형식 선택");
    EXPECT_EQ(GetWindow(Format(), GW_OWNER), main_);
    EXPECT_FALSE(IsWindowEnabled(main_));
    EXPECT_EQ(ListItems(Item(vm::kIdCategoryList)),
              (std::vector<std::u16string>{u"전화번호", u"주민등록번호", u"외국인등록번호", u"전자우편", u"계좌 번호",
                                           u"신용카드 번호", u"IP 주소", u"생년월일"}));
    EXPECT_EQ(Selection(vm::kIdCategoryList), 0);
    EXPECT_EQ(ListItems(Item(vm::kIdFormatList)),
              (std::vector<std::u16string>{u"*************", u"NNN-****-NNNN", u"NNN-NNN-****"}));
    EXPECT_EQ(Selection(vm::kIdFormatList), 2);
    EXPECT_EQ(TextOf(Item(vm::kIdCurrentFormat)), u"NNN-NNN-****");
    EXPECT_EQ(GetFocus(), Item(vm::kIdCategoryList));
    PostMessageW(Format(), WM_CLOSE, 0, 0);
  }});
  EXPECT_EQ(StoredValues(), std::vector<std::string>{"FormatPhone=2"});
}

// Typed: down to e-mail, Tab to the formats, down twice; away to the next category and back;
// Esc. The e-mail choice is kept while the dialog runs, nothing is stored, and the Esc closed
// only the format dialog.
TEST_F(FormatDialogTest, ChoiceIsKeptAcrossCategoriesAndEscapeStoresNothing) {
  RunFormatDialog({
      [] { for (int i = 0; i < 3; ++i) PressKey(VK_DOWN); },
      [] {
        EXPECT_EQ(Selection(vm::kIdCategoryList), 3);
        PressKey(VK_TAB);
        PressKey(VK_DOWN);
        PressKey(VK_DOWN);
      },
      [] {
        EXPECT_EQ(TextOf(Item(vm::kIdCurrentFormat)), u"T**@TT.TT.TT");
        PressKey(VK_TAB, Modifier::Shift);
        PressKey(VK_DOWN);
      },
      [] {
        EXPECT_EQ(Selection(vm::kIdFormatList), 0);  // bank account: its own first entry
        EXPECT_EQ(TextOf(Item(vm::kIdCurrentFormat)), u"***************");
        PressKey(VK_UP);
      },
      [] {
        EXPECT_EQ(Selection(vm::kIdFormatList), 2);
        EXPECT_EQ(TextOf(Item(vm::kIdCurrentFormat)), u"T**@TT.TT.TT");
        PressKey(VK_ESCAPE);
      },
  });
  EXPECT_TRUE(StoredValues().empty());
  EXPECT_TRUE(IsWindow(main_)) << "the main dialog's hook took the keys of the format dialog";
}

TEST_F(FormatDialogTest, SetStoresAllEightChoicesAndRowsSharingTemplatesStayApart) {
  RunFormatDialog({
      [] {
        PressKey(VK_DOWN);
        PressKey(VK_DOWN);  // 외국인등록번호
        PressKey(VK_TAB);
        for (int i = 0; i < 3; ++i) PressKey(VK_DOWN);
      },
      [] {
        EXPECT_EQ(TextOf(Item(vm::kIdCurrentFormat)), u"NNNNNN-N*****N");
        PressKey('D', Modifier::Alt);
      },
  });
  EXPECT_EQ(StoredValues(), (std::vector<std::string>{"FormatAccount=0", "FormatBirth=0", "FormatCard=0",
                                                      "FormatEmail=0", "FormatForeign=3", "FormatIP=0",
                                                      "FormatPhone=0", "FormatRRN=0"}));
  vm::PiOptions options = vm::ReadOptions(main_);
  EXPECT_EQ(options.formats[vm::ForeignRegistration], u"NNNNNN-N*****N");
  EXPECT_EQ(options.formats[vm::ResidentRegistration], u"**************");
}

TEST_F(FormatDialogTest, QuitInsideTheLoopEndsTheDialogAndReachesTheHostsLoop) {
  RunFormatDialog({[] { PostQuitMessage(7); }});
  MSG message;
  ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(message.wParam, 7u);
  EXPECT_TRUE(StoredValues().empty());
}

// The main dialog closes while the format dialog runs (the active document changed): both
// windows go, and the click that opened the format dialog returns.
TEST_F(FormatDialogTest, ClosingTheMainDialogUnderneathEndsTheLoop) {
  HostHandle other = standin::OpenHostDocumentFromContent({"BT ET"});
  standin::SetActiveDocument(standin::OpenDocuments().front());
  ASSERT_NE(standin::ActiveDocument(), other);
  RunFormatDialog({[&] { standin::SetActiveDocument(other); }});
  EXPECT_EQ(vm::MainDialogWindow(), nullptr);
  EXPECT_TRUE(StoredValues().empty());
}

}  // namespace
