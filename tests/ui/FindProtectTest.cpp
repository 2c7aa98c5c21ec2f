// Find, navigation and protect driven through the real dialog and message queue on a sample
// PDF: frames read back from the page, the view scrolled only when needed, the dialog kept off
// the occurrence, captions at each step, the frame where the view window paints it on the
// screen, one undo step that restores the pages exactly, the failures and messages, and a saved
// file that the project's checker passes.
#include "ui/UiTest.h"

#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "HostTextPage.h"
#include "ProtectionCheck.h"
#include "core/Application.h"
#include "core/Ribbon.h"
#include "core/StandinHost.h"
#include "detect/ScanDocument.h"
#include "pdf/Document.h"
#include "ui/Commands.h"
#include "ui/DialogPlacement.h"
#include "ui/DialogState.h"
#include "ui/MainDialog.h"
#include "mask/Replacements.h"
#include "ui/MatchFrames.h"
#include "ui/ReadOptions.h"
#include "ui/pictures/WindowPicture.h"

namespace {

using uitest::PumpMessages;
using uitest::TextOf;

struct FrameOnPage {
  int page;
  fz_rect rect;
  std::string appearance;  // the /AP /N stream's data
  fz_rect bbox;
  std::string type, subtype;  // of the /AP /N stream
};

// Square annotations of every page, read with MuPDF from the open document.
std::vector<FrameOnPage> Frames(HostHandle document) {
  std::vector<FrameOnPage> frames;
  standin::pdf::Document* pdf = standin::PdfDocumentOf(document);
  fz_context* ctx = pdf->ctx;
  for (int p = 0; p < pdf_count_pages(ctx, pdf->doc); ++p) {
    pdf_obj* annots = pdf_dict_get(ctx, pdf_lookup_page_obj(ctx, pdf->doc, p), PDF_NAME(Annots));
    for (int i = 0; i < pdf_array_len(ctx, annots); ++i) {
      pdf_obj* annot = pdf_array_get(ctx, annots, i);
      if (!pdf_name_eq(ctx, pdf_dict_get(ctx, annot, PDF_NAME(Subtype)), PDF_NAME(Square))) continue;
      FrameOnPage frame{p, pdf_dict_get_rect(ctx, annot, PDF_NAME(Rect)), {}, {}, {}, {}};
      pdf_obj* normal = pdf_dict_getp(ctx, annot, "AP/N");
      if (pdf_is_stream(ctx, normal)) {
        fz_buffer* data = pdf_load_stream(ctx, normal);
        unsigned char* bytes = nullptr;
        size_t length = fz_buffer_storage(ctx, data, &bytes);
        frame.appearance.assign(reinterpret_cast<char*>(bytes), length);
        fz_drop_buffer(ctx, data);
        frame.bbox = pdf_dict_get_rect(ctx, normal, PDF_NAME(BBox));
        frame.type = pdf_to_name(ctx, pdf_dict_get(ctx, normal, PDF_NAME(Type)));
        frame.subtype = pdf_to_name(ctx, pdf_dict_get(ctx, normal, PDF_NAME(Subtype)));
      }
      frames.push_back(frame);
    }
  }
  return frames;
}

// An object printed with its references followed and streams by their decoded data, so that
// equal pages print equally whatever their object numbers.
void PrintDeep(fz_context* ctx, pdf_obj* object, std::string& out, int depth) {
  if (depth > 12) return;
  if (pdf_is_stream(ctx, object)) {
    fz_buffer* data = pdf_load_stream(ctx, object);
    unsigned char* bytes = nullptr;
    size_t length = fz_buffer_storage(ctx, data, &bytes);
    out += "stream<" + std::string(reinterpret_cast<char*>(bytes), length) + ">";
    fz_drop_buffer(ctx, data);
  }
  object = pdf_resolve_indirect(ctx, object);
  if (pdf_is_dict(ctx, object)) {
    out += "<<";
    for (int i = 0; i < pdf_dict_len(ctx, object); ++i) {
      pdf_obj* key = pdf_dict_get_key(ctx, object, i);
      if (pdf_name_eq(ctx, key, PDF_NAME(Parent)) || pdf_name_eq(ctx, key, PDF_NAME(Length))) continue;
      out += std::string("/") + pdf_to_name(ctx, key) + " ";
      PrintDeep(ctx, pdf_dict_get_val(ctx, object, i), out, depth + 1);
    }
    out += ">>";
  } else if (pdf_is_array(ctx, object)) {
    out += "[";
    for (int i = 0; i < pdf_array_len(ctx, object); ++i) PrintDeep(ctx, pdf_array_get(ctx, object, i), out, depth + 1);
    out += "]";
  } else {
    char buffer[256];
    size_t length = 0;
    char* text = pdf_sprint_obj(ctx, buffer, sizeof buffer, &length, object, 1, 0);
    out.append(text, length);
    if (text != buffer) fz_free(ctx, text);
    out += " ";
  }
}

// Every page's Contents and Resources.
std::vector<std::string> PageStates(HostHandle document) {
  std::vector<std::string> states;
  standin::pdf::Document* pdf = standin::PdfDocumentOf(document);
  fz_context* ctx = pdf->ctx;
  for (int p = 0; p < pdf_count_pages(ctx, pdf->doc); ++p) {
    pdf_obj* page = pdf_lookup_page_obj(ctx, pdf->doc, p);
    std::string state;
    PrintDeep(ctx, pdf_dict_get(ctx, page, PDF_NAME(Contents)), state, 0);
    state += "|";
    PrintDeep(ctx, pdf_dict_get(ctx, page, PDF_NAME(Resources)), state, 0);
    states.push_back(state);
  }
  return states;
}

// Pixels of the frames' blue on the screen around a rectangle (3 pixels beyond it each side),
// as the view window painted them.
int FrameBluePixelsAround(const RECT& r) {
  const standin::PageImage picture = pictures::PictureOfScreen({r.left - 3, r.top - 3, r.right + 3, r.bottom + 3});
  int count = 0;
  for (size_t i = 0; i + 2 < picture.rgb.size(); i += 3) {
    if (picture.rgb[i + 2] > 170 && picture.rgb[i] < 130 && picture.rgb[i + 1] < 170) ++count;
  }
  return count;
}

bool Overlap(const RECT& a, const RECT& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

class FindProtectTest : public uitest::UiTest {
 protected:
  void Open(const char* file) {
    std::string error;
    document_ = standin::OpenHostDocument(std::string(VM_TEST_DATA_DIR) + "/" + file, &error);
    ASSERT_NE(document_, nullptr) << error;
    PumpMessages(50);
    ASSERT_TRUE(standin::ClickRibbonButton("Ctrl_Veilmark_Mask"));
    PumpMessages(50);
    dialog_ = vm::MainDialogWindow();
    ASSERT_NE(dialog_, nullptr);
  }
  void Press(int id) {
    PostMessageW(GetDlgItem(dialog_, id), BM_CLICK, 0, 0);
    PumpMessages(60);
  }
  vm::PiDialogState& State() { return *vm::DialogStateOf(dialog_); }
  const vm::PiMatch& Current() { return State().matches.at(State().current); }
  bool WhollyVisible(const vm::PiMatch& match) {
    const HostBox visible = standin::VisiblePartOfPage(standin::GetViewLayout(document_),
                                                       standin::PageBoxes(document_), match.pageIndex);
    const HostBox r = vm::FirstRect(match);
    return r.x0 >= visible.x0 && r.x1 <= visible.x1 && r.y0 >= visible.y0 && r.y1 <= visible.y1;
  }
  RECT ScreenRect(const vm::PiMatch& match) {
    RECT screen{};
    EXPECT_TRUE(vm::MatchScreenRect(document_, match, &screen));
    return screen;
  }
  // The current occurrence framed exactly: one Square per rectangle on its page, nothing else,
  // each drawn by the blue appearance; visible in the view; the dialog clear of it.
  void ExpectShown(int position, int count) {
    EXPECT_EQ(TextOf(dialog_), u"개인 정보 보호하기 - " + Number(position) + u" / " + Number(count));
    const vm::PiMatch& match = Current();
    const std::vector<FrameOnPage> frames = Frames(document_);
    ASSERT_EQ(frames.size(), match.rects.size());
    for (size_t i = 0; i < frames.size(); ++i) {
      const HostBox r = vm::Normalized(match.rects[i]);
      EXPECT_EQ(frames[i].page, match.pageIndex);
      EXPECT_NEAR(frames[i].rect.x0, r.x0, 0.01);
      EXPECT_NEAR(frames[i].rect.y1, r.y1, 0.01);
      EXPECT_EQ(frames[i].appearance, vm::FrameAppearanceContent(r.x1 - r.x0, r.y1 - r.y0));
      EXPECT_NEAR(frames[i].bbox.x1, r.x1 - r.x0, 0.01);
      EXPECT_NEAR(frames[i].bbox.y1, r.y1 - r.y0, 0.01);
    }
    EXPECT_TRUE(WhollyVisible(match));
    RECT dialog;
    GetWindowRect(dialog_, &dialog);
    const RECT screen = ScreenRect(match);
    EXPECT_FALSE(Overlap(dialog, screen));
    // The view window shows the frame where the module placed it.
    const int perimeter = 2 * ((screen.right - screen.left) + (screen.bottom - screen.top));
    EXPECT_GT(FrameBluePixelsAround(screen), perimeter * 8 / 10);
  }
  // Wholly inside the view window's area of the screen, with room for the frame's edge.
  bool InsideView(const RECT& r) {
    RECT view;
    GetWindowRect(static_cast<HWND>(standin::ViewWindowOf(document_)), &view);
    return r.left - 3 >= view.left && r.top - 3 >= view.top && r.right + 3 <= view.right &&
           r.bottom + 3 <= view.bottom;
  }
  // The view was scrolled last to bring the match's first rectangle's upper-left corner into view.
  void ExpectLastScrollTo(const vm::PiMatch& match) {
    const auto& requests = standin::ScrollRequests(document_);
    ASSERT_FALSE(requests.empty());
    const HostBox r = vm::FirstRect(match);
    EXPECT_EQ(requests.back().pageIndex, match.pageIndex);
    EXPECT_FLOAT_EQ(requests.back().x, r.x0);
    EXPECT_FLOAT_EQ(requests.back().y, r.y1);
  }
  // How many times `unit` stands in the host's text of every page.
  int CountOnPages(char16_t unit) {
    int count = 0;
    for (int p = 0; p < checker::PageCountOf(document_); ++p)
      for (char16_t c : checker::ReadPageText(document_, p).text) count += c == unit;
    return count;
  }
  bool OnSomePage(const std::u16string& text) {
    for (int p = 0; p < checker::PageCountOf(document_); ++p)
      if (checker::ReadPageText(document_, p).text.find(text) != std::u16string::npos) return true;
    return false;
  }
  static std::u16string Number(int n) {
    const std::string s = std::to_string(n);
    return std::u16string(s.begin(), s.end());
  }

  HostHandle document_ = nullptr;
  HWND dialog_ = nullptr;
};

TEST_F(FindProtectTest, FindStepsThroughOccurrencesFramedScrolledOnlyWhenHiddenAndWraps) {
  Open("form-reportlab.pdf");  // five resident registration numbers on two pages
  Press(vm::kIdFind);
  ASSERT_EQ(State().matches.size(), 5u);
  EXPECT_EQ(TextOf(GetDlgItem(dialog_, vm::kIdFind)), u"다음 찾기(&F)");
  ExpectShown(1, 5);
  int framesSeenGone = 0;
  for (int i = 1; i < 5; ++i) {
    const size_t scrolls = standin::ScrollRequests(document_).size();
    const bool visibleBefore = WhollyVisible(State().matches[i]);
    // The dialog sits on the next occurrence: it must move away from it.
    const RECT target = ScreenRect(State().matches[i]);
    SetWindowPos(dialog_, nullptr, target.left - 20, target.top - 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    Press(vm::kIdFind);
    ExpectShown(i + 1, 5);
    EXPECT_EQ(standin::ScrollRequests(document_).size(), scrolls + (visibleBefore ? 0 : 1)) << i;
    if (!visibleBefore) ExpectLastScrollTo(Current());
    // The frame of the occurrence before is gone from the painted view too.
    const RECT before = ScreenRect(State().matches[i - 1]);
    if (InsideView(before)) {
      EXPECT_EQ(FrameBluePixelsAround(before), 0) << i;
      ++framesSeenGone;
    }
  }
  EXPECT_GT(standin::ScrollRequests(document_).size(), 0u);
  EXPECT_GT(framesSeenGone, 0);

  // At the end: "No" changes nothing, "Yes" starts again from the first.
  standin::ScriptMessageBoxAnswers({7, 6});
  Press(vm::kIdFind);
  ExpectShown(5, 5);
  Press(vm::kIdFind);
  ExpectShown(1, 5);
  ASSERT_EQ(standin::MessageBoxes().size(), 2u);
  EXPECT_EQ(standin::MessageBoxes()[0].text, u"문서의 마지막까지 찾았습니다. 문서의 처음으로 이동하여 계속 찾을까요?");
  EXPECT_EQ(standin::MessageBoxes()[0].caption, u"개인 정보 보호하기");
  EXPECT_EQ(standin::MessageBoxes()[0].flags, 52);

  // Closing the dialog takes the frames off the page.
  Press(vm::kIdClose);
  EXPECT_EQ(vm::MainDialogWindow(), nullptr);
  EXPECT_TRUE(Frames(document_).empty());
}

TEST_F(FindProtectTest, ProtectOneThenAllIsUndoneAndRedoneExactlyThroughTheHostList) {
  Open("form-reportlab.pdf");
  const std::vector<std::string> original = PageStates(document_);

  // Before any find: the first occurrence is protected at once, the next one shown, and shown
  // again twice by the timer.
  const int framesBefore = standin::Table().CountCalls(26, 130);
  Press(vm::kIdProtectOne);
  ASSERT_EQ(State().matches.size(), 4u);
  ExpectShown(1, 4);
  EXPECT_EQ(TextOf(GetDlgItem(dialog_, vm::kIdFind)), u"찾기(&F)");
  const int perShow = static_cast<int>(Current().rects.size());
  PumpMessages(1400);
  EXPECT_EQ(standin::Table().CountCalls(26, 130) - framesBefore, 3 * perShow);
  ASSERT_EQ(standin::UndoSteps(document_).size(), 1u);
  EXPECT_EQ(standin::UndoSteps(document_)[0].label, u"개인 정보 보호");

  Press(vm::kIdProtectAll);
  ASSERT_EQ(standin::MessageBoxes().size(), 1u);
  EXPECT_EQ(standin::MessageBoxes()[0].text, u"개인 정보 4건을 보호 문자로 바꿨습니다.");
  EXPECT_EQ(standin::MessageBoxes()[0].flags, 64);
  EXPECT_EQ(TextOf(dialog_), u"개인 정보 보호하기");
  EXPECT_FALSE(State().scanned);
  EXPECT_TRUE(Frames(document_).empty());
  ASSERT_EQ(standin::UndoStepCount(document_), 2);
  const std::vector<std::string> protectedPages = PageStates(document_);
  EXPECT_NE(protectedPages, original);
  vm::PiCategoryFlags rrn{};
  rrn[6] = true;
  vm::PiMatchList left;
  EXPECT_EQ(vm::ScanDocument(document_, rrn, left), 0);

  for (int cycle = 0; cycle < 10; ++cycle) {
    ASSERT_TRUE(standin::UndoLast(document_));
    ASSERT_TRUE(standin::UndoLast(document_));
    ASSERT_EQ(PageStates(document_), original) << cycle;
    ASSERT_TRUE(standin::RedoLast(document_));
    ASSERT_TRUE(standin::RedoLast(document_));
    ASSERT_EQ(PageStates(document_), protectedPages) << cycle;
  }
  EXPECT_EQ(vm::ScanDocument(document_, rrn, left), 0);
  // Closing the document releases both steps and every page copy they held.
  standin::CloseHostDocument(document_);
}

TEST_F(FindProtectTest, MessagesOfFindAndProtectAndPagesNotFullySearched) {
  Open("form-reportlab.pdf");
  // Nothing ticked.
  Press(vm::kIdResidentNumber);
  Press(vm::kIdFind);
  Press(vm::kIdProtectAll);
  // A scan that stops on the second page: the first page's occurrences are shown, and the user
  // is told that the document was not searched to its end.
  Press(vm::kIdResidentNumber);
  static auto text = reinterpret_cast<HostFn<120, 16>::type>(standin::Table().Lookup(120, 16));
  static int calls;
  calls = 0;
  standin::Table().Override<120, 16>([](HostHandle t, int32_t first, int32_t count, HostHandle* s) {
    if (++calls == 2) throw std::bad_alloc();
    return text(t, first, count, s);
  });
  Press(vm::kIdFind);
  EXPECT_EQ(TextOf(dialog_), u"개인 정보 보호하기 - 1 / 3");
  standin::Table().ClearOverrides();

  // Writing fails part-way through the page (its text already rewritten, the content not yet
  // regenerated): reported as a failure, the frames are gone, nothing changed, not even in the
  // host's text of the page, and nothing is on the undo list; the search starts over, as
  // pages written before a failure would have moved.
  const std::vector<std::string> before = PageStates(document_);
  standin::Table().Override<73, 38>([](HostHandle) -> int32_t { throw std::bad_alloc(); });
  Press(vm::kIdProtectOne);
  standin::Table().ClearOverrides();
  EXPECT_TRUE(Frames(document_).empty());
  EXPECT_EQ(PageStates(document_), before);
  EXPECT_EQ(standin::UndoStepCount(document_), 0);
  EXPECT_TRUE(State().matches.empty());
  EXPECT_FALSE(State().scanned);
  EXPECT_EQ(TextOf(dialog_), u"개인 정보 보호하기");
  vm::PiCategoryFlags rrn{};
  rrn[6] = true;
  vm::PiMatchList all;
  EXPECT_EQ(vm::ScanDocument(document_, rrn, all), 5);

  const auto& boxes = standin::MessageBoxes();
  ASSERT_EQ(boxes.size(), 4u);
  EXPECT_EQ(boxes[0].text, u"하나 이상의 개인 정보 항목을 선택하세요.");
  EXPECT_EQ(boxes[0].caption, u"찾기");
  EXPECT_EQ(boxes[0].flags, 64);
  EXPECT_EQ(boxes[1].caption, u"개인 정보 보호하기");
  EXPECT_EQ(boxes[2].text,
            u"문서를 끝까지 검색하지 못했습니다. 검색하지 못한 부분에 개인 정보가 남아 있을 수 있습니다.");
  EXPECT_EQ(boxes[2].caption, u"찾기");
  EXPECT_EQ(boxes[2].flags, 48);
  EXPECT_EQ(boxes[3].text, u"적용에 실패했습니다.");
  EXPECT_EQ(boxes[3].caption, u"개인 정보 보호하기");
  EXPECT_EQ(boxes[3].flags, 16);
}

// The host's switch to another document is acted on without a message loop in between: the
// dialog's document watch (timer 2) would otherwise close the dialog first.
TEST_F(FindProtectTest, WhileTheHostShowsAnotherDocumentOnlyTheFramesAreRemoved) {
  Open("form-reportlab.pdf");
  Press(vm::kIdFind);
  Press(vm::kIdFind);
  HostHandle other = standin::OpenHostDocument(std::string(VM_TEST_DATA_DIR) + "/prose-cairo.pdf", nullptr);
  ASSERT_NE(other, nullptr);

  // Shown while the other document is active: by a direct call, and by the re-show timer.
  const std::function<void()> shows[] = {
      [&] { vm::ShowCurrentMatch(dialog_, &State()); },
      [&] { SendMessageW(dialog_, WM_TIMER, vm::kReshowTimer, 0); },
  };
  for (const auto& show : shows) {
    standin::SetActiveDocument(document_);
    vm::ShowCurrentMatch(dialog_, &State());
    ASSERT_FALSE(Frames(document_).empty());
    RECT placed;
    GetWindowRect(dialog_, &placed);
    const size_t scrolls = standin::ScrollRequests(document_).size();
    standin::SetActiveDocument(other);
    show();
    EXPECT_TRUE(Frames(document_).empty());
    EXPECT_TRUE(Frames(other).empty());
    EXPECT_EQ(standin::ScrollRequests(document_).size(), scrolls);
    EXPECT_TRUE(standin::ScrollRequests(other).empty());
    RECT now;
    GetWindowRect(dialog_, &now);
    EXPECT_EQ(now.left, placed.left);
    EXPECT_EQ(now.top, placed.top);
    EXPECT_EQ(TextOf(dialog_), u"개인 정보 보호하기 - 2 / 5");
  }
  // And then the document watch closes the dialog.
  PumpMessages(700, [] { return vm::MainDialogWindow() == nullptr; });
  EXPECT_EQ(vm::MainDialogWindow(), nullptr);

  // The dialog's document closed under it while an occurrence was framed: the frames are
  // forgotten without asking the host to remove them from a document it no longer has.
  standin::SetActiveDocument(document_);
  ASSERT_TRUE(standin::ClickRibbonButton("Ctrl_Veilmark_Mask"));
  dialog_ = vm::MainDialogWindow();
  ASSERT_NE(dialog_, nullptr);
  Press(vm::kIdFind);
  ASSERT_FALSE(State().frames.empty());
  standin::CloseHostDocument(document_);
  document_ = nullptr;
  const int removals = standin::Table().CountCalls(32, 18);
  vm::ShowCurrentMatch(dialog_, &State());
  EXPECT_TRUE(State().frames.empty());
  EXPECT_EQ(standin::Table().CountCalls(32, 18), removals);
  EXPECT_TRUE(Frames(other).empty());
  EXPECT_TRUE(standin::ScrollRequests(other).empty());
}

// The frame's appearance as the host's PDF holds it, for a rectangle of known size.
TEST_F(FindProtectTest, FrameAppearanceIsTheBlueOutlineFormOfTheRectangle) {
  Open("form-reportlab.pdf");
  vm::PiMatch match;
  match.pageIndex = 0;
  match.rects = {HostBox{100, 200, 150.5f, 214}, HostBox{100, 180, 100, 190}};  // the second has no width
  vm::AddMatchFrames(State(), document_, match);
  const std::vector<FrameOnPage> frames = Frames(document_);
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0].appearance, "0.20 0.45 0.95 RG 1.2 w 0.6 0.6 49.30 12.80 re S");
  EXPECT_EQ(frames[0].type, "XObject");
  EXPECT_EQ(frames[0].subtype, "Form");
  EXPECT_EQ(frames[0].bbox.x0, 0);
  EXPECT_EQ(frames[0].bbox.y0, 0);
  EXPECT_FLOAT_EQ(frames[0].bbox.x1, 50.5f);
  EXPECT_FLOAT_EQ(frames[0].bbox.y1, 14);
  EXPECT_FLOAT_EQ(frames[0].rect.x0, 100);
  EXPECT_FLOAT_EQ(frames[0].rect.y1, 214);
  EXPECT_TRUE(frames[1].appearance.empty()) << "a frame without width gets no appearance";
  EXPECT_EQ(State().frames.size(), 2u);
  vm::RemoveMatchFrames(&State());
  EXPECT_TRUE(Frames(document_).empty());
}

// Protecting one occurrence in the middle of a search shows the one now at its index; after
// the last, the first; after the only one left, the search ends without a message.
TEST_F(FindProtectTest, ProtectOneDuringASearchShowsTheNextAtItsPlaceFallsBackToTheFirstAndEnds) {
  Open("form-reportlab.pdf");
  Press(vm::kIdFind);
  Press(vm::kIdFind);
  ASSERT_EQ(State().matches.size(), 5u);
  ASSERT_EQ(State().current, 1);
  const std::vector<vm::PiMatch> before = State().matches;

  Press(vm::kIdProtectOne);
  ASSERT_EQ(State().matches.size(), 4u);
  EXPECT_EQ(State().current, 1);
  EXPECT_EQ(Current().text, before[2].text);
  EXPECT_EQ(Current().pageIndex, before[2].pageIndex);
  ExpectShown(2, 4);
  EXPECT_EQ(TextOf(GetDlgItem(dialog_, vm::kIdFind)), u"다음 찾기(&F)");

  Press(vm::kIdFind);
  Press(vm::kIdFind);
  ExpectShown(4, 4);
  Press(vm::kIdProtectOne);  // the last one: back to the first
  ASSERT_EQ(State().matches.size(), 3u);
  EXPECT_EQ(State().current, 0);
  EXPECT_EQ(Current().text, before[0].text);
  ExpectShown(1, 3);

  Press(vm::kIdProtectOne);
  Press(vm::kIdProtectOne);
  ExpectShown(1, 1);
  Press(vm::kIdProtectOne);  // the only one left
  EXPECT_FALSE(State().scanned);
  EXPECT_TRUE(State().matches.empty());
  EXPECT_EQ(State().current, -1);
  EXPECT_EQ(TextOf(dialog_), u"개인 정보 보호하기");
  EXPECT_EQ(TextOf(GetDlgItem(dialog_, vm::kIdFind)), u"찾기(&F)");
  EXPECT_TRUE(Frames(document_).empty());
  EXPECT_TRUE(standin::MessageBoxes().empty());
  EXPECT_EQ(standin::UndoStepCount(document_), 5);
  PumpMessages(1300);  // no re-show is due: nothing is framed again
  EXPECT_TRUE(Frames(document_).empty());
  standin::CloseHostDocument(document_);  // and the undo steps with their page copies
}

// The protection character and the display formats are read again at each protect: changed
// during a search they apply to the next one, and the search goes on.
TEST_F(FindProtectTest, ProtectionCharacterAndFormatChangedDuringASearchApplyToTheNextProtect) {
  RegDeleteTreeW(HKEY_CURRENT_USER, reinterpret_cast<const WCHAR*>(u"Software\\Veilmark"));
  Open("form-reportlab.pdf");
  Press(vm::kIdFind);
  ASSERT_EQ(State().matches.size(), 5u);
  const int crossesBefore = CountOnPages(u'X');
  const std::u16string first = Current().text;  // "**************": all fourteen masked
  ASSERT_EQ(first.size(), 14u);

  Press(vm::kIdCrosses);
  EXPECT_TRUE(State().scanned) << "the protection character does not end the search";
  EXPECT_EQ(TextOf(dialog_), u"개인 정보 보호하기 - 1 / 5");
  Press(vm::kIdProtectOne);
  EXPECT_EQ(CountOnPages(u'X'), crossesBefore + 14);
  EXPECT_FALSE(OnSomePage(first));
  ExpectShown(1, 4);

  // "NNNNNN-*******" chosen for resident registration numbers in the format dialog.
  uitest::ScheduleSteps({
      [] {
        uitest::PressKey(VK_DOWN);  // 주민등록번호
        uitest::PressKey(VK_TAB);
        uitest::PressKey(VK_DOWN);
      },
      [] { uitest::PressKey('D', uitest::Modifier::Alt); },
  });
  SendDlgItemMessageW(dialog_, vm::kIdFormats, BM_CLICK, 0, 0);
  ASSERT_TRUE(uitest::StepsDone());
  EXPECT_TRUE(State().scanned) << "the display format does not end the search";
  const std::u16string second = Current().text;
  Press(vm::kIdProtectOne);
  EXPECT_EQ(CountOnPages(u'X'), crossesBefore + 14 + 7);
  EXPECT_TRUE(OnSomePage(second.substr(0, 7))) << "the first seven characters stay";
  EXPECT_FALSE(OnSomePage(second));
  EXPECT_EQ(CountOnPages(u'*'), 0);
  ExpectShown(1, 3);
  RegDeleteTreeW(HKEY_CURRENT_USER, reinterpret_cast<const WCHAR*>(u"Software\\Veilmark"));
  standin::CloseHostDocument(document_);
}

// Without a document the commands say so; with another document active they close the dialog
// silently (run here without a message loop, so that the document watch cannot close it first).
TEST_F(FindProtectTest, NoDocumentIsReportedAndAnotherActiveDocumentClosesTheDialogSilently) {
  ASSERT_EQ(standin::ActiveDocument(), nullptr);
  vm::OpenMainDialog(nullptr);
  dialog_ = vm::MainDialogWindow();
  ASSERT_NE(dialog_, nullptr);
  SendMessageW(dialog_, WM_COMMAND, vm::kIdFind, 0);
  SendMessageW(dialog_, WM_COMMAND, vm::kIdProtectOne, 0);
  SendMessageW(dialog_, WM_COMMAND, vm::kIdProtectAll, 0);
  const auto& boxes = standin::MessageBoxes();
  ASSERT_EQ(boxes.size(), 3u);
  for (size_t i = 0; i < boxes.size(); ++i) {
    EXPECT_EQ(boxes[i].text, u"열린 문서가 없습니다. PDF 문서를 먼저 여세요.") << i;
    EXPECT_EQ(boxes[i].caption, i == 0 ? u"찾기" : u"개인 정보 보호하기") << i;
    EXPECT_EQ(boxes[i].flags, 48) << i;
  }
  SendMessageW(dialog_, WM_COMMAND, vm::kIdClose, 0);

  for (int command : {vm::kIdFind, vm::kIdProtectOne, vm::kIdProtectAll}) {
    Open("form-reportlab.pdf");
    // A protect checks the document also during a search; a find only when it starts one (the
    // next find of a search shows the next occurrence or nothing, see above).
    if (command != vm::kIdFind) Press(vm::kIdFind);
    HostHandle other = standin::OpenHostDocument(std::string(VM_TEST_DATA_DIR) + "/prose-cairo.pdf", nullptr);
    ASSERT_NE(other, nullptr);
    standin::SetActiveDocument(other);
    const size_t messages = standin::MessageBoxes().size();
    SendMessageW(dialog_, WM_COMMAND, command, 0);
    EXPECT_EQ(vm::MainDialogWindow(), nullptr) << command;
    EXPECT_FALSE(IsWindow(dialog_)) << command;
    EXPECT_EQ(standin::MessageBoxes().size(), messages) << command;
    EXPECT_TRUE(Frames(document_).empty()) << command;
    EXPECT_EQ(standin::UndoStepCount(document_), 0) << command;
    EXPECT_EQ(standin::UndoStepCount(other), 0) << command;
    standin::CloseHostDocument(other);
    standin::CloseHostDocument(document_);
    document_ = nullptr;
  }
}

// Protect all through the dialog, save, and let the project's checker read the saved file.
TEST_F(FindProtectTest, FileSavedAfterProtectingAllPassesTheChecker) {
  const std::string input = std::string(VM_TEST_DATA_DIR) + "/form-reportlab.pdf";
  Open("form-reportlab.pdf");
  for (int id = vm::kIdPhone; id <= vm::kIdPostalAddress; ++id) {
    if (id != vm::kIdResidentNumber) Press(id);  // every category ticked
  }
  // What the dialog will find and write, worked out beforehand on the unchanged document.
  const vm::PiOptions options = vm::ReadOptions(dialog_);
  vm::PiMatchList occurrences, replacements;
  ASSERT_GT(vm::ScanDocument(document_, options.flags, occurrences), 10);
  vm::BuildReplacements(document_, options, occurrences, replacements);

  Press(vm::kIdProtectAll);
  ASSERT_EQ(standin::MessageBoxes().size(), 1u);
  EXPECT_EQ(standin::MessageBoxes()[0].text,
            u"개인 정보 " + Number(static_cast<int>(occurrences.size())) + u"건을 보호 문자로 바꿨습니다.");
  char folder[] = "/tmp/veilmark-ui-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  const std::string saved = std::string(folder) + "/protected.pdf";
  std::string error;
  ASSERT_TRUE(standin::SaveHostDocument(document_, saved, &error)) << error;

  const checker::CheckResult result =
      checker::CheckProtectedFile({input, saved, docscan::OccurrenceStore::FromLists(occurrences, replacements), '*', {}});
  std::string failures;
  for (const std::string& failure : result.failures) failures += failure + "\n";
  EXPECT_TRUE(result.Passed()) << failures;
  EXPECT_GT(result.maskedCharactersChecked, 100);
  EXPECT_GT(result.keptCharactersChecked, 100);
  EXPECT_GT(result.pdftotextChecks, 0);
  unlink(saved.c_str());
  rmdir(folder);
  standin::CloseHostDocument(document_);  // and the undo step with its page copies
}

TEST_F(FindProtectTest, NothingFoundIsReportedByFindAndByProtect) {
  document_ = standin::OpenHostDocumentFromContent({"BT /F1 12 Tf 72 700 Td (no personal data) Tj ET"});
  ASSERT_TRUE(standin::ClickRibbonButton("Ctrl_Veilmark_Mask"));
  dialog_ = vm::MainDialogWindow();
  ASSERT_NE(dialog_, nullptr);
  Press(vm::kIdFind);
  Press(vm::kIdProtectOne);
  const auto& boxes = standin::MessageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, u"선택한 항목에 해당하는 개인 정보를 찾지 못했습니다.");
  EXPECT_EQ(boxes[0].caption, u"찾기");
  EXPECT_EQ(boxes[0].flags, 48);
  EXPECT_EQ(boxes[1].text, u"보호할 개인 정보를 찾지 못했습니다.");
  EXPECT_EQ(boxes[1].flags, 64);
  EXPECT_EQ(standin::UndoStepCount(document_), 0);
}

// At the run's DPI: a dialog over the occurrence goes where the work area leaves room, off it.
class LayoutFindPlacement : public FindProtectTest {};

TEST_F(LayoutFindPlacement, DialogOverTheOccurrenceMovesOffItWithinTheWorkArea) {
  Open("form-reportlab.pdf");
  Press(vm::kIdFind);
  const RECT occurrence = ScreenRect(Current());
  SetWindowPos(dialog_, nullptr, occurrence.left - 10, occurrence.top - 10, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  RECT before;
  GetWindowRect(dialog_, &before);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(dialog_, MONITOR_DEFAULTTONEAREST), &monitor);
  vm::ShowCurrentMatch(dialog_, &State());
  RECT after;
  GetWindowRect(dialog_, &after);
  const POINT expected = vm::PlaceAwayFrom(before, occurrence, monitor.rcWork);
  EXPECT_EQ(after.left, expected.x);
  EXPECT_EQ(after.top, expected.y);
  EXPECT_EQ(after.right - after.left, before.right - before.left);
  EXPECT_FALSE(Overlap(after, occurrence));
  EXPECT_GE(after.top, monitor.rcWork.top);
  EXPECT_LE(after.bottom, monitor.rcWork.bottom);

  // Not covering it: the dialog stays.
  vm::ShowCurrentMatch(dialog_, &State());
  RECT again;
  GetWindowRect(dialog_, &again);
  EXPECT_EQ(again.left, after.left);
  EXPECT_EQ(again.top, after.top);
}

// The dialog's new place, in every direction the work area leaves, at the run's DPI.
TEST(LayoutDialogPlacement, BelowElseAboveRightLeftWithinTheWorkArea) {
  const RECT area{0, 0, 1280, 1000};
  const RECT dialog{100, 100, 100 + 520, 100 + 400};
  auto place = [&](RECT occurrence, RECT d) { return vm::PlaceAwayFrom(d, occurrence, area); };
  POINT p = place({150, 200, 300, 215}, dialog);  // room below
  EXPECT_EQ(p.x, 100);
  EXPECT_EQ(p.y, 215 + 16);
  p = place({150, 700, 300, 715}, {100, 500, 620, 900});  // not below: above
  EXPECT_EQ(p.y, 700 - 400 - 16);
  p = place({50, 300, 120, 700}, {40, 300, 560, 700});  // tall occurrence on the left: right of it
  EXPECT_EQ(p.x, 120 + 16);
  EXPECT_EQ(p.y, 300);
  p = place({1000, 300, 1100, 700}, {700, 300, 1220, 700});  // on the right: left of it
  EXPECT_EQ(p.x, 1000 - 520 - 16);
  p = place({100, 100, 1200, 900}, {300, 300, 820, 700});  // no room anywhere: above, clamped
  EXPECT_EQ(p.x, 300);
  EXPECT_EQ(p.y, 0);
  p = place({100, 100, 1200, 900}, {900, 300, 1420, 700});  // and kept inside on the right
  EXPECT_EQ(p.x, 1280 - 520);
}

}  // namespace
