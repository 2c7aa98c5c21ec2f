// Both dialogs' layout and font, read back from the real windows at the prefix's DPI (this file
// runs at 96, 120 and 144 DPI): client size, every control in creation order with its text,
// identifier and rectangle, and the font each control got.
#include "ui/UiTest.h"

#include <vector>

#include "core/Application.h"
#include "ui/FormatDialog.h"
#include "ui/MainDialog.h"

namespace {

using uitest::ChildRect;
using uitest::ClientSize;
using uitest::TextOf;

struct Expected {
  int id;
  const char16_t* text;
  int x, y, w, h;
};

class LayoutTest : public uitest::UiTest {
 protected:
  int Scaled(int value) const { return static_cast<int>(value * scale_); }

  void ExpectLayout(HWND dialog, int clientWidth, int clientHeight, const std::vector<Expected>& controls) {
    SIZE client = ClientSize(dialog);
    EXPECT_EQ(client.cx, Scaled(clientWidth));
    EXPECT_EQ(client.cy, Scaled(clientHeight));
    HWND child = GetWindow(dialog, GW_CHILD);
    for (const Expected& control : controls) {
      SCOPED_TRACE(testing::Message() << "control " << control.id << " at " << control.x << "," << control.y);
      ASSERT_NE(child, nullptr);
      EXPECT_EQ(GetDlgCtrlID(child), control.id);
      EXPECT_EQ(TextOf(child), control.text);
      RECT rect = ChildRect(child);
      EXPECT_EQ(rect.left, Scaled(control.x));
      EXPECT_EQ(rect.top, Scaled(control.y));
      EXPECT_EQ(rect.right - rect.left, Scaled(control.w));
      EXPECT_EQ(rect.bottom - rect.top, Scaled(control.h));
      LOGFONTW font{};
      ASSERT_TRUE(GetObjectW(reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0)), sizeof font, &font));
      EXPECT_EQ(font.lfHeight, -static_cast<int>(13 * scale_ + 0.5f));
      EXPECT_EQ(font.lfQuality, CLEARTYPE_QUALITY);
      EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(font.lfFaceName)), u"Malgun Gothic");
      child = GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_EQ(child, nullptr) << "more controls than expected";
  }

  const float scale_ = uitest::PrefixDpi() / 96.0f;
};

TEST_F(LayoutTest, MainDialog) {
  vm::OpenMainDialog(nullptr);
  HWND dialog = vm::MainDialogWindow();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(TextOf(dialog), u"개인 정보 보호하기");
  ExpectLayout(dialog, 510, 364,
               {
                   {-1, u"개인 정보 선택 사항", 14, 8, 348, 214},  {2101, u"전화번호", 28, 34, 150, 22},
                   {2103, u"생년월일", 28, 64, 150, 22},           {2105, u"전자 우편", 28, 94, 150, 22},
                   {2107, u"주민등록번호", 28, 124, 150, 22},      {2108, u"외국인등록번호", 28, 154, 150, 22},
                   {2102, u"IP 주소", 196, 34, 150, 22},           {2104, u"계좌 번호", 196, 64, 150, 22},
                   {2106, u"신용카드 번호", 196, 94, 150, 22},     {2109, u"주소", 196, 124, 150, 22},
                   {2401, u"표시 형식 선택...", 28, 184, 160, 26}, {-1, u"보호 문자 선택", 14, 232, 348, 116},
                   {2201, u"******", 28, 256, 150, 22},            {2202, u"~~~~~~", 28, 284, 150, 22},
                   {2203, u"XXXXXX", 28, 312, 150, 22},            {2301, u"찾기(&F)", 378, 10, 118, 30},
                   {2302, u"보호하기(&H)", 378, 50, 118, 30},      {2303, u"모두 보호(&A)", 378, 90, 118, 30},
                   {2, u"닫기", 378, 130, 118, 30},
               });
}

TEST_F(LayoutTest, FormatDialog) {
  vm::OpenMainDialog(nullptr);
  HWND main = vm::MainDialogWindow();
  ASSERT_NE(main, nullptr);
  uitest::ScheduleSteps({[&] {
    HWND format = FindWindowW(reinterpret_cast<const WCHAR*>(vm::kFormatDialogClass), nullptr);
    ASSERT_NE(format, nullptr);
    ExpectLayout(format, 616, 294,
                 {
                     {-1, u"항목", 20, 12, 120, 18},      {2501, u"", 20, 34, 150, 246},
                     {-1, u"현재 형식", 190, 12, 120, 18}, {2502, u"*************", 190, 34, 290, 24},
                     {-1, u"형식 목록", 190, 70, 120, 18}, {2503, u"", 190, 92, 290, 188},
                     {1, u"설정(&D)", 500, 12, 96, 28},    {2, u"취소", 500, 48, 96, 28},
                 });
    // Centred on the main dialog.
    RECT owner, own;
    GetWindowRect(main, &owner);
    GetWindowRect(format, &own);
    EXPECT_EQ(own.left - owner.left, (owner.right - owner.left - (own.right - own.left)) / 2);
    EXPECT_EQ(own.top - owner.top, (owner.bottom - owner.top - (own.bottom - own.top)) / 2);
    PostMessageW(format, WM_CLOSE, 0, 0);
  }});
  SendMessageW(main, WM_COMMAND, vm::kIdFormats, 0);
  EXPECT_TRUE(uitest::StepsDone());
}

}  // namespace
