// The main dialog's layout and font, read back from the real windows at the prefix's DPI.
#include <vector>

#include "ui/MainDialog.h"
#include "ui/UiTest.h"

namespace {

using uitest::ChildRect;
using uitest::ClientSize;
using uitest::TextOf;

class LayoutTest : public uitest::UiTest {};

struct Expected {
  int id;
  const char16_t* text;
  int x, y, w, h;
};

TEST_F(LayoutTest, MainDialogClientAreaControlsAndFontScaleWithDpi) {
  const float s = uitest::PrefixDpi() / 96.0f;
  auto scaled = [s](int v) { return static_cast<int>(v * s); };

  vm::OpenMainDialog(nullptr);
  HWND dialog = vm::MainDialogWindow();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(TextOf(dialog), u"개인 정보 보호하기");
  SIZE client = ClientSize(dialog);
  EXPECT_EQ(client.cx, scaled(510));
  EXPECT_EQ(client.cy, scaled(364));

  const std::vector<Expected> controls = {
      {2101, u"전화번호", 28, 34, 150, 22},       {2103, u"생년월일", 28, 64, 150, 22},
      {2105, u"전자 우편", 28, 94, 150, 22},      {2107, u"주민등록번호", 28, 124, 150, 22},
      {2108, u"외국인등록번호", 28, 154, 150, 22}, {2102, u"IP 주소", 196, 34, 150, 22},
      {2104, u"계좌 번호", 196, 64, 150, 22},     {2106, u"신용카드 번호", 196, 94, 150, 22},
      {2109, u"주소", 196, 124, 150, 22},         {2401, u"표시 형식 선택...", 28, 184, 160, 26},
      {2201, u"******", 28, 256, 150, 22},        {2202, u"~~~~~~", 28, 284, 150, 22},
      {2203, u"XXXXXX", 28, 312, 150, 22},        {2301, u"찾기(&F)", 378, 10, 118, 30},
      {2302, u"보호하기(&H)", 378, 50, 118, 30},  {2303, u"모두 보호(&A)", 378, 90, 118, 30},
      {2, u"닫기", 378, 130, 118, 30},
  };
  for (const Expected& control : controls) {
    SCOPED_TRACE(control.id);
    HWND child = GetDlgItem(dialog, control.id);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(TextOf(child), control.text);
    RECT rect = ChildRect(child);
    EXPECT_EQ(rect.left, scaled(control.x));
    EXPECT_EQ(rect.top, scaled(control.y));
    EXPECT_EQ(rect.right - rect.left, scaled(control.w));
    EXPECT_EQ(rect.bottom - rect.top, scaled(control.h));
    auto font = reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0));
    LOGFONTW logFont{};
    ASSERT_TRUE(GetObjectW(font, sizeof logFont, &logFont));
    EXPECT_EQ(logFont.lfHeight, -static_cast<int>(13 * s + 0.5f));
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(logFont.lfFaceName)), u"Malgun Gothic");
  }
}

}  // namespace
