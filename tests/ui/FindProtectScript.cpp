#include "ui/FindProtectScript.h"

#include <cstdio>

#include "Utf8.h"
#include "core/Application.h"
#include "core/Ribbon.h"
#include "core/StandinHost.h"
#include "core/ViewGeometry.h"
#include "pdf/Document.h"
#include "ui/WindowDriver.h"

namespace uitest {

namespace {

// The main dialog's controls.
constexpr int kFind = 2301, kProtectOne = 2302, kProtectAll = 2303, kClose = 2;
constexpr int kFirstCategory = 2101, kLastCategory = 2109, kResidentNumber = 2107;
const char16_t kDialogClass[] = u"VeilmarkPiDlg";
const char16_t kCaption[] = u"개인 정보 보호하기";
const char16_t kUndoLabel[] = u"개인 정보 보호";

std::vector<int> AllCategoriesBut(int kept) {
  std::vector<int> clicks;
  for (int id = kFirstCategory; id <= kLastCategory; ++id)
    if (id != kept) clicks.push_back(id);
  return clicks;
}

struct Frame {
  int page;
  fz_rect rect;
};

// The "Square" annotations of every page, read with MuPDF from the open document.
std::vector<Frame> Frames(HostHandle document) {
  std::vector<Frame> frames;
  standin::pdf::Document* pdf = standin::PdfDocumentOf(document);
  fz_context* ctx = pdf->ctx;
  for (int p = 0; p < pdf_count_pages(ctx, pdf->doc); ++p) {
    pdf_obj* annots = pdf_dict_get(ctx, pdf_lookup_page_obj(ctx, pdf->doc, p), PDF_NAME(Annots));
    for (int i = 0; i < pdf_array_len(ctx, annots); ++i) {
      pdf_obj* annot = pdf_array_get(ctx, annots, i);
      if (pdf_name_eq(ctx, pdf_dict_get(ctx, annot, PDF_NAME(Subtype)), PDF_NAME(Square)))
        frames.push_back({p, pdf_dict_get_rect(ctx, annot, PDF_NAME(Rect))});
    }
  }
  return frames;
}

std::string StreamData(fz_context* ctx, pdf_obj* stream) {
  fz_buffer* data = pdf_load_stream(ctx, stream);
  unsigned char* bytes = nullptr;
  const size_t length = fz_buffer_storage(ctx, data, &bytes);
  std::string text(reinterpret_cast<char*>(bytes), length);
  fz_drop_buffer(ctx, data);
  return text;
}

// Every page's content, its streams decoded and joined: what a protect changes and its undo
// puts back.
std::vector<std::string> PageContents(HostHandle document) {
  std::vector<std::string> pages;
  standin::pdf::Document* pdf = standin::PdfDocumentOf(document);
  fz_context* ctx = pdf->ctx;
  for (int p = 0; p < pdf_count_pages(ctx, pdf->doc); ++p) {
    pdf_obj* contents = pdf_dict_get(ctx, pdf_lookup_page_obj(ctx, pdf->doc, p), PDF_NAME(Contents));
    std::string content;
    if (pdf_is_array(ctx, contents)) {
      for (int i = 0; i < pdf_array_len(ctx, contents); ++i) content += StreamData(ctx, pdf_array_get(ctx, contents, i)) + "\n";
    } else if (pdf_is_stream(ctx, contents)) {
      content = StreamData(ctx, contents);
    }
    pages.push_back(content);
  }
  return pages;
}

std::string Format(const char* format, double a, double b, double c, double d) {
  char text[160];
  std::snprintf(text, sizeof text, format, a, b, c, d);
  return text;
}

class Script {
 public:
  Script(const FindProtectCase& run, const StepObserver& observer) : run_(run), observer_(observer) {}

  FindProtectRun Run(const std::string& input, const std::string& saved) {
    RegDeleteTreeW(HKEY_CURRENT_USER, reinterpret_cast<const WCHAR*>(u"Software\\Veilmark"));  // the default display formats
    std::string error;
    document_ = standin::OpenHostDocument(input, &error);
    if (!Expect(document_ != nullptr, "open " + input + ": " + error)) return result_;
    standin::pdf::Document* pdf = standin::PdfDocumentOf(document_);
    Note("open " + run_.file + ", " + std::to_string(pdf_count_pages(pdf->ctx, pdf->doc)) + " pages");
    messagesBefore_ = standin::MessageBoxes().size();
    const std::vector<std::string> original = PageContents(document_);
    standin::ClickRibbonButton("Ctrl_Veilmark_Mask");
    PumpMessages(50);
    dialog_ = FindWindowW(reinterpret_cast<const WCHAR*>(kDialogClass), nullptr);
    if (Expect(dialog_ != nullptr, "the ribbon button opened the main dialog")) {
      Choose();
      const int count = FindSteps();
      if (count > 0) ProtectSteps(count, original);
      Press(kClose);
      Expect(!IsWindow(dialog_), "닫기 closed the dialog");
      Expect(Frames(document_).empty(), "no frame left on the pages after closing the dialog");
      result_.saved = standin::SaveHostDocument(document_, saved, &error);
      Expect(result_.saved, "save " + saved + ": " + error);
      Note(result_.saved ? "saved" : "not saved");
    }
    standin::CloseHostDocument(document_);
    Expect(standin::Tracker().Outstanding().empty(), "every host object the module made was released");
    return result_;
  }

 private:
  bool Expect(bool holds, const std::string& what) {
    if (!holds) result_.failures.push_back(run_.file + ": " + what);
    return holds;
  }
  void Note(const std::string& line) { result_.transcript.push_back(line); }
  void Observe(const std::string& step) {
    if (observer_) observer_(dialog_, document_, step);
  }
  void Press(int id) {
    PostMessageW(GetDlgItem(dialog_, id), BM_CLICK, 0, 0);
    PumpMessages(60);
  }
  std::string Caption() { return common::Utf16ToUtf8(TextOf(dialog_)); }

  void Choose() {
    for (int id : run_.categoryClicks) Press(id);
    Press(run_.protectionCharacter);
    std::string ticked;
    for (int id = kFirstCategory; id <= kLastCategory; ++id)
      if (IsDlgButtonChecked(dialog_, id) == BST_CHECKED) ticked += " " + std::to_string(id);
    Note("ticked" + ticked + ", character " + std::to_string(run_.protectionCharacter));
    Expect(IsDlgButtonChecked(dialog_, run_.protectionCharacter) == BST_CHECKED, "the protection character is chosen");
  }

  // 찾기, then 다음 찾기 until the occurrence shown is on the next page, which the view has to
  // scroll to; the number of occurrences the caption gives (0 on failure).
  int FindSteps() {
    int count = 0, firstPage = -1;
    for (int position = 1;; ++position) {
      Press(kFind);
      const std::string caption = Caption();
      int shown = 0;
      if (std::sscanf(caption.c_str(), "%*[^-]- %d / %d", &shown, &count) != 2 || shown != position) {
        Expect(false, "find " + std::to_string(position) + ": caption \"" + caption + "\"");
        return 0;
      }
      Expect(TextOf(GetDlgItem(dialog_, kFind)) == u"다음 찾기(&F)", "the find button reads 다음 찾기(&F)");
      const int page = ExpectFramed("find " + std::to_string(position));
      Observe("find " + std::to_string(position));
      if (firstPage < 0) firstPage = page;
      if (page != firstPage || position == count) break;
    }
    Expect(!standin::ScrollRequests(document_).empty(), "the view scrolled to an occurrence");
    Expect(standin::MessageBoxes().size() == messagesBefore_, "no message box while finding");
    return count;
  }

  // The occurrence shown is framed on its page and lies within the view; its page index (-1 when
  // there is no frame).
  int ExpectFramed(const std::string& step) {
    const std::vector<Frame> frames = Frames(document_);
    if (!Expect(!frames.empty(), step + ": a frame on the page")) return -1;
    std::string line = step + ": " + Caption() + ", page " + std::to_string(frames.front().page + 1);
    const HostBox visible = standin::VisiblePartOfPage(standin::GetViewLayout(document_),
                                                       standin::PageBoxes(document_), frames.front().page);
    for (const Frame& frame : frames) {
      line += Format(" [%.2f %.2f %.2f %.2f]", frame.rect.x0, frame.rect.y0, frame.rect.x1, frame.rect.y1);
      Expect(frame.page == frames.front().page, step + ": the frames are on one page");
      Expect(frame.rect.x0 >= visible.x0 && frame.rect.x1 <= visible.x1 && frame.rect.y0 >= visible.y0 &&
                 frame.rect.y1 <= visible.y1,
             step + ": the framed occurrence lies within the view" +
                 Format(" (view %.1f %.1f %.1f %.1f)", visible.x0, visible.y0, visible.x1, visible.y1));
    }
    Note(line);
    return frames.front().page;
  }

  void ProtectSteps(int count, const std::vector<std::string>& original) {
    Press(kProtectOne);
    PumpMessages(1400);  // the dialog shows the occurrence now in place again, twice, by its timer
    Expect(standin::UndoStepCount(document_) == 1, "보호하기 made one undo step");
    ExpectFramed("protect one");
    Observe("protect one");

    Press(kProtectAll);
    const auto& boxes = standin::MessageBoxes();
    if (Expect(boxes.size() == messagesBefore_ + 1, "모두 보호 shows one message")) {
      const standin::MessageBoxCall& box = boxes.back();
      const std::string text = common::Utf16ToUtf8(box.text);
      Note("protect all: \"" + text + "\", flags " + std::to_string(box.flags));
      Expect(text == "개인 정보 " + std::to_string(count - 1) + "건을 보호 문자로 바꿨습니다.",
             "the count of protect all: " + text);
    }
    Expect(TextOf(dialog_) == kCaption, "the caption after 모두 보호: " + Caption());
    Expect(Frames(document_).empty(), "no frame after 모두 보호");
    Observe("protect all");

    const std::vector<standin::UndoStep>& steps = standin::UndoSteps(document_);
    Expect(steps.size() == 2, "two undo steps");
    for (const standin::UndoStep& step : steps) Expect(step.label == kUndoLabel, "the undo step is 개인 정보 보호");
    const std::vector<std::string> protectedPages = PageContents(document_);
    Expect(protectedPages != original, "the pages changed");
    Expect(standin::UndoLast(document_) && standin::UndoLast(document_), "both steps undone");
    Expect(PageContents(document_) == original, "undo puts every page back as it was");
    Expect(standin::RedoLast(document_) && standin::RedoLast(document_), "both steps redone");
    Expect(PageContents(document_) == protectedPages, "redo protects the pages again");
    Note("undo and redo of " + std::to_string(steps.size()) + " steps");
  }

  const FindProtectCase& run_;
  const StepObserver& observer_;
  FindProtectRun result_;
  HostHandle document_ = nullptr;
  HWND dialog_ = nullptr;
  size_t messagesBefore_ = 0;
};

}  // namespace

const std::vector<FindProtectCase>& FindProtectCases() {
  static const std::vector<FindProtectCase> cases = {
      {"sample-ko.pdf", AllCategoriesBut(kResidentNumber), 2201},      // ReportLab, embedded TrueType
      {"prose-cairo.pdf", AllCategoriesBut(kResidentNumber), 2203},    // cairo, CID font
      {"form-ghostscript.pdf", {2101, 2105, 2106}, 2202},              // Ghostscript
      {"prose-libreoffice.pdf", AllCategoriesBut(kResidentNumber), 2201},  // LibreOffice
      {"prose-cidfont.pdf", AllCategoriesBut(kResidentNumber), 2201},  // a CJK font not embedded
  };
  return cases;
}

FindProtectRun RunFindProtect(const FindProtectCase& run, const std::string& input, const std::string& saved,
                              const StepObserver& observer) {
  return Script(run, observer).Run(input, saved);
}

std::string TranscriptText(const std::vector<std::string>& transcript) {
  std::string text;
  for (const std::string& line : transcript) text += line + "\n";
  return text;
}

}  // namespace uitest
