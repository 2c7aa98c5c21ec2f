#include "DialogChecks.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "Expect.h"
#include "Sample.h"
#include "WindowChecks.h"
#include "core/Application.h"
#include "core/Ribbon.h"
#include "core/StandinHost.h"
#include "ui/WindowDriver.h"
#include "win/HostMainWindow.h"

namespace winhost {

namespace {

constexpr char16_t kMainClass[] = u"VeilmarkPiDlg";
constexpr char16_t kFormatClass[] = u"VeilmarkFmtDlg";
constexpr char kElement[] = "Ctrl_Veilmark_Mask";
constexpr DWORD kCheckBox = BS_AUTOCHECKBOX | WS_TABSTOP;
constexpr DWORD kRadio = BS_AUTORADIOBUTTON;
constexpr DWORD kPush = BS_PUSHBUTTON | WS_TABSTOP;
constexpr DWORD kList = WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY;

const std::vector<ExpectedControl> kMainControls = {
    {-1, u"Button", u"개인 정보 선택 사항", BS_GROUPBOX, 14, 8, 348, 214},
    {2101, u"Button", u"전화번호", kCheckBox, 28, 34, 150, 22},
    {2103, u"Button", u"생년월일", kCheckBox, 28, 64, 150, 22},
    {2105, u"Button", u"전자 우편", kCheckBox, 28, 94, 150, 22},
    {2107, u"Button", u"주민등록번호", kCheckBox, 28, 124, 150, 22},
    {2108, u"Button", u"외국인등록번호", kCheckBox, 28, 154, 150, 22},
    {2102, u"Button", u"IP 주소", kCheckBox, 196, 34, 150, 22},
    {2104, u"Button", u"계좌 번호", kCheckBox, 196, 64, 150, 22},
    {2106, u"Button", u"신용카드 번호", kCheckBox, 196, 94, 150, 22},
    {2109, u"Button", u"주소", kCheckBox, 196, 124, 150, 22},
    {2401, u"Button", u"표시 형식 선택...", kPush, 28, 184, 160, 26},
    {-1, u"Button", u"보호 문자 선택", BS_GROUPBOX, 14, 232, 348, 116},
    {2201, u"Button", u"******", kRadio | WS_GROUP | WS_TABSTOP, 28, 256, 150, 22},
    {2202, u"Button", u"~~~~~~", kRadio, 28, 284, 150, 22},
    {2203, u"Button", u"XXXXXX", kRadio, 28, 312, 150, 22},
    {2301, u"Button", u"찾기(&F)", BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP, 378, 10, 118, 30},
    {2302, u"Button", u"보호하기(&H)", kPush, 378, 50, 118, 30},
    {2303, u"Button", u"모두 보호(&A)", kPush, 378, 90, 118, 30},
    {2, u"Button", u"닫기", kPush, 378, 130, 118, 30},
};

const std::vector<ExpectedControl> kFormatControls = {
    {-1, u"Static", u"항목", 0, 20, 12, 120, 18},
    {2501, u"ListBox", nullptr, kList, 20, 34, 150, 246},
    {-1, u"Static", u"현재 형식", 0, 190, 12, 120, 18},
    {2502, u"Edit", nullptr, WS_BORDER | ES_READONLY | ES_AUTOHSCROLL, 190, 34, 290, 24},
    {-1, u"Static", u"형식 목록", 0, 190, 70, 120, 18},
    {2503, u"ListBox", nullptr, kList, 190, 92, 290, 188},
    {1, u"Button", u"설정(&D)", BS_DEFPUSHBUTTON | WS_TABSTOP, 500, 12, 96, 28},
    {2, u"Button", u"취소", kPush, 500, 48, 96, 28},
};

// The category list's labels and registry value names, in row order.
const std::vector<std::u16string> kFormatRows = {u"전화번호", u"주민등록번호", u"외국인등록번호", u"전자우편",
                                                 u"계좌 번호", u"신용카드 번호", u"IP 주소", u"생년월일"};
const std::vector<const wchar_t*> kValueNames = {L"FormatPhone", L"FormatRRN",     L"FormatForeign", L"FormatEmail",
                                                 L"FormatAccount", L"FormatCard", L"FormatIP",      L"FormatBirth"};
constexpr wchar_t kFormatKey[] = L"Software\\Veilmark\\DisplayFormat";
constexpr int kEmailRow = 3;
constexpr int kCardRow = 5;

HWND MainDialog() { return FindThreadWindow(kMainClass); }

// The stored choice of a row; -1 when the value is missing.
long StoredFormat(int row) {
  DWORD value = 0, size = sizeof value;
  if (RegGetValueW(HKEY_CURRENT_USER, kFormatKey, kValueNames[row], RRF_RT_REG_DWORD, nullptr, &value, &size) !=
      ERROR_SUCCESS) {
    return -1;
  }
  return static_cast<long>(value);
}

void Click(HWND dialog, int id) { SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

// Clicks the format button and runs `steps` inside the format dialog's own message loop, one per
// timer tick; false when the dialog did not end within the time allowed.
bool RunFormatDialog(HWND mainDialog, std::vector<std::function<void()>> steps) {
  uitest::ScheduleSteps(std::move(steps));
  PostMessageW(GetDlgItem(mainDialog, 2401), BM_CLICK, 0, 0);
  uitest::PumpMessages(15000, [] { return uitest::StepsDone() && !FindThreadWindow(kFormatClass); });
  return Expect(uitest::StepsDone() && !FindThreadWindow(kFormatClass), "the display-format dialog ended");
}

// The format dialog's selection shows `entry` of `row`, with its template in the text box.
void ExpectShownChoice(HWND format, int row, int entry, const std::string& what) {
  HWND categories = GetDlgItem(format, 2501);
  HWND templates = GetDlgItem(format, 2503);
  ExpectEqual(SendMessageW(categories, LB_GETCURSEL, 0, 0), row, what + ": selected category");
  ExpectEqual(SendMessageW(templates, LB_GETCURSEL, 0, 0), entry, what + ": selected format");
  ExpectEqual(uitest::TextOf(GetDlgItem(format, 2502)), ListItemText(templates, entry), what + ": current format");
}

}  // namespace

void CheckMainDialog(int dpi) {
  HDC screen = GetDC(nullptr);
  ExpectEqual(GetDeviceCaps(screen, LOGPIXELSX), dpi, "screen DPI");
  ReleaseDC(nullptr, screen);

  Expect(standin::ClickRibbonButton(kElement), "the ribbon button has a click callback");
  HWND dialog = MainDialog();
  if (!Expect(dialog != nullptr, "the ribbon click opened the main dialog")) return;
  uitest::PumpMessages(200);
  CheckDialogWindow(dialog, "main dialog", u"개인 정보 보호하기", 510, 364, kMainControls, dpi);
  Expect(GetWindow(dialog, GW_OWNER) == standin::HostMainWindow(), "the main dialog is owned by the host's window");
  Expect(IsWindowVisible(dialog), "the main dialog is shown");

  for (int id = 2101; id <= 2109; ++id) {
    ExpectEqual(Checked(dialog, id), id == 2107, "category " + std::to_string(id) + " ticked at opening");
  }
  for (int id = 2201; id <= 2203; ++id) {
    ExpectEqual(Checked(dialog, id), id == 2201, "protection character " + std::to_string(id) + " at opening");
  }
  Expect(GetFocus() == GetDlgItem(dialog, 2301), "the keyboard focus is on 찾기(&F)");

  Click(dialog, 2101);
  Click(dialog, 2107);
  Expect(Checked(dialog, 2101) && !Checked(dialog, 2107), "clicks tick 전화번호 and untick 주민등록번호");
  Click(dialog, 2203);
  Expect(Checked(dialog, 2203) && !Checked(dialog, 2201) && !Checked(dialog, 2202),
         "a click on XXXXXX selects it alone");
  ExpectEqual(uitest::TextOf(dialog), u"개인 정보 보호하기", "caption after the clicks");
  Expect(standin::MessageBoxes().empty(), "no message box so far");
}

void CheckFormatDialog(int dpi) {
  HWND dialog = MainDialog();
  if (!Expect(dialog != nullptr, "the main dialog is open for the display formats")) return;
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Veilmark");

  std::u16string cardTemplate;
  RunFormatDialog(dialog, {
      [&] {
        HWND format = FindThreadWindow(kFormatClass);
        if (!Expect(format != nullptr, "the format button opened the display-format dialog")) return;
        CheckDialogWindow(format, "format dialog", u"표시 형식 선택", 616, 294, kFormatControls, dpi);
        Expect(GetWindow(format, GW_OWNER) == dialog, "the format dialog is owned by the main dialog");
        Expect(!IsWindowEnabled(dialog), "the main dialog is disabled meanwhile");
        HWND categories = GetDlgItem(format, 2501);
        ExpectEqual(SendMessageW(categories, LB_GETCOUNT, 0, 0), 8, "category list entries");
        for (int row = 0; row < 8; ++row) {
          ExpectEqual(ListItemText(categories, row), kFormatRows[row], "category list entry " + std::to_string(row));
        }
        ExpectShownChoice(format, 0, 0, "at opening without stored choices");
      },
      [&] {
        HWND format = FindThreadWindow(kFormatClass);
        ClickListItem(GetDlgItem(format, 2501), kEmailRow);
        ExpectEqual(SendMessageW(GetDlgItem(format, 2503), LB_GETCOUNT, 0, 0), 5, "formats offered for e-mail");
        ClickListItem(GetDlgItem(format, 2503), 2);
        ExpectShownChoice(format, kEmailRow, 2, "e-mail format chosen");
      },
      [&] {
        HWND format = FindThreadWindow(kFormatClass);
        ClickListItem(GetDlgItem(format, 2501), kCardRow);
        ClickListItem(GetDlgItem(format, 2503), 4);
        cardTemplate = uitest::TextOf(GetDlgItem(format, 2502));
        ExpectEqual(cardTemplate, u"NNNN-NNNN-****-****", "card format 4");
        ClickListItem(GetDlgItem(format, 2501), kEmailRow);
        ExpectShownChoice(format, kEmailRow, 2, "e-mail choice kept while another category was chosen");
      },
      [&] { Click(FindThreadWindow(kFormatClass), 1); },
  });
  Expect(IsWindowEnabled(dialog), "the main dialog is enabled again after 설정(&D)");
  for (int row = 0; row < 8; ++row) {
    long expected = row == kEmailRow ? 2 : row == kCardRow ? 4 : 0;
    ExpectEqual(StoredFormat(row), expected, "stored choice for " + Utf8(kFormatRows[row]));
  }

  RunFormatDialog(dialog, {
      [&] {
        HWND format = FindThreadWindow(kFormatClass);
        if (!Expect(format != nullptr, "the display-format dialog opened again")) return;
        ClickListItem(GetDlgItem(format, 2501), kCardRow);
        ExpectShownChoice(format, kCardRow, 4, "stored card choice shown");
        ClickListItem(GetDlgItem(format, 2503), 1);
      },
      [&] { Click(FindThreadWindow(kFormatClass), 2); },
  });
  ExpectEqual(StoredFormat(kCardRow), 4, "취소 leaves the stored card choice");
  Expect(standin::MessageBoxes().empty(), "no message box from the display formats");
}

void CheckClosing() {
  HWND dialog = MainDialog();
  if (!Expect(dialog != nullptr, "the main dialog is still open")) return;
  standin::ClickRibbonButton(kElement);
  ExpectEqual(CountThreadWindows(kMainClass), 1, "a second click leaves one main dialog");
  Expect(Checked(dialog, 2203) && Checked(dialog, 2101), "the open dialog keeps its choices");

  Click(dialog, 2);
  uitest::PumpMessages(100);
  Expect(!IsWindow(dialog) && !MainDialog(), "닫기 closes the main dialog");

  standin::ClickRibbonButton(kElement);
  dialog = MainDialog();
  if (!Expect(dialog != nullptr, "the ribbon click opens the dialog again")) return;
  ExpectEqual(Checked(dialog, 2107) && Checked(dialog, 2201), true, "a new dialog starts from the defaults");
  CloseSample();
  uitest::PumpMessages(2000, [] { return MainDialog() == nullptr; });
  Expect(!MainDialog(), "closing the document closes the dialog (document watch)");
  OpenSample();
  Expect(standin::Tracker().Outstanding().empty(), "every host object the module made was released");
  Expect(standin::Tracker().Faults().empty(), "no host object was released twice or as the wrong kind");
}

}  // namespace winhost
