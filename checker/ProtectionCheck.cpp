#include "ProtectionCheck.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>
#include <map>
#include <optional>
#include <set>
#include <string_view>
#include <unordered_map>
#include <unistd.h>

#include "HostTextPage.h"
#include "LiteralCounter.h"
#include "OutsideCheck.h"
#include "PageComparison.h"
#include "PageTextStore.h"
#include "Pdftotext.h"
#include "RawPdf.h"
#include "TreePageCount.h"
#include "Utf8.h"
#include "DocumentReading.h"
#include "core/Application.h"
#include "detect/Detect.h"
#include "detect/Patterns.h"
#include "mask/BoxGeometry.h"
#include "mask/PageEdits.h"
#include "pdf/DecodeLimit.h"
#include "pdf/FlattenForms.h"

namespace checker {

namespace {

constexpr float kPositionTolerance = 0.05f;

std::string Utf8(std::u16string_view text) { return common::Utf16ToUtf8(text); }

bool IsSpace(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == 0xA0 || c == 0x3000;
}

// The text without white space and control characters: extraction tools differ in where they
// put spaces, and pdftotext passes through the control characters some fonts map spaces to.
std::string Squeezed(std::string_view utf8) {
  std::string out;
  for (char c : utf8)
    if (static_cast<unsigned char>(c) > ' ' && c != '\x7f') out += c;
  return out;
}

int CountOccurrences(std::string_view haystack, std::string_view needle) {
  if (needle.empty()) return 0;
  int count = 0;
  for (size_t at = haystack.find(needle); at != std::string::npos;
       at = haystack.find(needle, at + 1))
    ++count;
  return count;
}

// Characters of a page indexed by code unit, for finding one at a position. A page has
// thousands of characters and a digit may be a tenth of them: the positions of each code unit
// are sorted by left edge and searched.
class CharIndex {
 public:
  explicit CharIndex(const PageText& page) {
    for (size_t i = 0; i < page.text.size(); ++i) {
      const HostBox box = vm::NormalizeBox(page.boxes[i]);
      // A corner that is not a number never matched (nor could it be sorted).
      if (std::isfinite(box.x0) && std::isfinite(box.y0)) byChar_[page.text[i]].push_back({box.x0, box.y0});
      centres_[page.text[i]].push_back({(box.x0 + box.x1) / 2, (box.y0 + box.y1) / 2});
    }
    for (auto& [c, corners] : byChar_) std::sort(corners.begin(), corners.end());
  }
  bool HasAt(char16_t c, const HostBox& where) const {
    auto it = byChar_.find(c);
    if (it == byChar_.end()) return false;
    const HostBox box = vm::NormalizeBox(where);
    const auto& corners = it->second;
    for (auto at = std::lower_bound(corners.begin(), corners.end(),
                                    std::pair<float, float>{box.x0 - kPositionTolerance, -HUGE_VALF});
         at != corners.end() && at->first <= box.x0 + kPositionTolerance; ++at)
      if (std::fabs(at->second - box.y0) <= kPositionTolerance) return true;
    return false;
  }
  // Characters whose box centre lies in the area.
  int CountInside(char16_t c, const HostBox& area) const {
    auto it = centres_.find(c);
    if (it == centres_.end()) return 0;
    int count = 0;
    for (const auto& [x, y] : it->second)
      if (x >= area.x0 && x <= area.x1 && y >= area.y0 && y <= area.y1) ++count;
    return count;
  }

 private:
  std::unordered_map<char16_t, std::vector<std::pair<float, float>>> byChar_;   // left, bottom
  std::unordered_map<char16_t, std::vector<std::pair<float, float>>> centres_;
};

std::string Describe(const vm::PiMatch& m) {
  return "page " + std::to_string(m.pageIndex) + " [" + std::to_string(m.charStart) + "+" +
         std::to_string(m.charCount) + "] \"" + Utf8(m.text) + "\"";
}

// The bytes of every string operand of a content-like stream (literal and hexadecimal): what a
// simple font shows. The strings of one TJ array are joined; other operands are kept apart by
// a separator byte, so that removing text cannot join unrelated strings into a false match.
// Streams without text-showing operators give nothing.
std::string ShownBytes(const RawObject& o) {
  std::string out;
  const std::string& d = o.data;
  if (!o.isStream || d.find("BT") == std::string::npos) return out;
  bool inArray = false;
  for (size_t i = 0; i < d.size(); ++i) {
    if (d[i] == '[') {
      inArray = true;
    } else if (d[i] == ']') {
      inArray = false;
      out += '\x01';
    } else if (d[i] == '(') {
      int depth = 1;
      for (++i; i < d.size() && depth > 0; ++i) {
        const char c = d[i];
        if (c == '\\' && i + 1 < d.size()) {
          const char e = d[++i];
          out += e == 'n' ? '\n' : e == 'r' ? '\r' : e == 't' ? '\t' : e;
        } else if (c == '(') {
          ++depth, out += c;
        } else if (c == ')') {
          if (--depth > 0) out += c;
        } else {
          out += c;
        }
      }
      --i;
      if (!inArray) out += '\x01';
    } else if (d[i] == '<' && i + 1 < d.size() && d[i + 1] != '<') {
      std::string hex;
      for (++i; i < d.size() && d[i] != '>'; ++i)
        if (std::isxdigit(static_cast<unsigned char>(d[i]))) hex += d[i];
      if (hex.size() % 2) hex += '0';
      for (size_t h = 0; h + 1 < hex.size(); h += 2) out += static_cast<char>(std::stoi(hex.substr(h, 2), nullptr, 16));
      if (!inArray) out += '\x01';
    } else if (d[i] == '<') {
      ++i;  // a dictionary opener
    }
  }
  return out;
}

// A PDF string starting at text[at] ('(' or '<'), decoded; UTF-16 (with its byte-order mark)
// becomes UTF-8, other bytes are kept.
std::string PdfStringAt(const std::string& text, size_t at) {
  std::string bytes;
  if (text[at] == '(') {
    int depth = 1;
    for (size_t i = at + 1; i < text.size() && depth > 0; ++i) {
      const char c = text[i];
      if (c == '\\' && i + 1 < text.size()) {
        const char e = text[++i];
        if (e >= '0' && e <= '7') {
          int value = e - '0';
          for (int k = 0; k < 2 && i + 1 < text.size() && text[i + 1] >= '0' && text[i + 1] <= '7'; ++k)
            value = value * 8 + (text[++i] - '0');
          bytes += static_cast<char>(value);
        } else {
          bytes += e == 'n' ? '\n' : e == 'r' ? '\r' : e == 't' ? '\t' : e;
        }
      } else if (c == '(') {
        ++depth, bytes += c;
      } else if (c == ')') {
        if (--depth > 0) bytes += c;
      } else {
        bytes += c;
      }
    }
  } else {
    std::string hex;
    for (size_t i = at + 1; i < text.size() && text[i] != '>'; ++i)
      if (std::isxdigit(static_cast<unsigned char>(text[i]))) hex += text[i];
    if (hex.size() % 2) hex += '0';
    for (size_t h = 0; h + 1 < hex.size(); h += 2) bytes += static_cast<char>(std::stoi(hex.substr(h, 2), nullptr, 16));
  }
  if (bytes.size() >= 2 && bytes[0] == '\xFE' && bytes[1] == '\xFF') {
    std::u16string units;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
      units += static_cast<char16_t>((static_cast<unsigned char>(bytes[i]) << 8) | static_cast<unsigned char>(bytes[i + 1]));
    return Utf8(units);
  }
  return bytes;
}

// The texts of /ActualText, /Alt and /E entries (marked-content property lists, structure
// elements) in an object's dictionary or a stream's data: what text extraction and screen
// readers take instead of the glyphs.
std::string RepeatedTexts(const RawObject& o) {
  std::string out;
  for (const std::string* text : {&o.dictionary, &o.data}) {
    for (const char* key : {"/ActualText", "/Alt", "/E"}) {
      const size_t length = std::strlen(key);
      for (size_t at = text->find(key); at != std::string::npos; at = text->find(key, at + 1)) {
        size_t value = at + length;
        while (value < text->size() && std::isspace(static_cast<unsigned char>((*text)[value]))) ++value;
        if (value >= text->size()) continue;
        const char opener = (*text)[value];
        const bool isString = opener == '(' || (opener == '<' && value + 1 < text->size() && (*text)[value + 1] != '<');
        // "/E" must be the whole key, not the start of /Encoding or /Extend.
        const char after = at + length < text->size() ? (*text)[at + length] : ' ';
        if (isString && (std::isspace(static_cast<unsigned char>(after)) || after == '(' || after == '<'))
          out += PdfStringAt(*text, value) + '\x01';
      }
    }
  }
  return out;
}

// The black box line the writer draws over a replacement that lies on an image-like object.
// Empty when the writer would draw none. Formatted by the writer's own code, so rounding agrees.
std::string BlackBoxLine(const vm::PiMatch& r) {
  const std::string ops = vm::BlackBoxOperators({vm::ExpandBox(vm::UnionBox(r.rects))});
  const std::string prefix = "\nq 0 0 0 rg\n";
  const size_t end = ops.find(" re\n");
  if (ops.compare(0, prefix.size(), prefix) != 0 || end == std::string::npos) return {};
  return ops.substr(prefix.size(), end + 3 - prefix.size());
}

// The lines of a content stream that fill a rectangle ("x y w h re"), as written, that are
// among the wanted ones.
void CollectRectangleLines(const std::string& data, const std::set<std::string>& wanted,
                           std::set<std::string>& lines) {
  if (wanted.empty()) return;
  for (size_t at = data.find(" re"); at != std::string::npos; at = data.find(" re", at + 3)) {
    const size_t end = at + 3;
    if (end < data.size() && data[end] != '\n' && data[end] != '\r') continue;
    const size_t start = data.find_last_of("\n\r", at);
    const size_t from = start == std::string::npos ? 0 : start + 1;
    std::string line = data.substr(from, end - from);
    if (wanted.count(line)) lines.insert(std::move(line));
  }
}

// The masked runs, each with the number of times it was masked, as the file holds them in
// string operands and squeezed as text extraction gives them; runs too short to tell apart from
// other text are left out. With them, the rectangle lines of the black boxes drawn over runs
// (BlackBoxLine), short runs included.
struct MaskedRuns {
  std::map<std::string, int> written;
  std::map<std::string, int> squeezed;
  std::set<std::string> boxLines;
  std::vector<std::string> Written() const { return KeysOf(written); }
  std::vector<std::string> Squeezed() const { return KeysOf(squeezed); }

 private:
  static std::vector<std::string> KeysOf(const std::map<std::string, int>& runs) {
    std::vector<std::string> keys;
    for (const auto& [run, count] : runs) keys.push_back(run);
    return keys;
  }
};

// Visits each page's occurrences and masked runs, in page order; a store that cannot be read
// back fails the check, which would otherwise pass without having looked.
void ForEachFoundPage(const CheckInput& input, CheckResult& result,
                      const std::function<void(const docscan::OccurrenceStore::Page&)>& visit) {
  if (input.found && !input.found->ForEachPage(visit))
    result.failures.push_back("the occurrences found in the original could not be read back");
}

MaskedRuns MaskedRunsOf(const CheckInput& input, CheckResult& result) {
  MaskedRuns runs;
  ForEachFoundPage(input, result, [&](const docscan::OccurrenceStore::Page& page) {
    for (const vm::PiMatch& r : page.replacements) {
      if (std::string line = BlackBoxLine(r); !line.empty()) runs.boxLines.insert(std::move(line));
      const std::string run = Utf8(r.text);
      const std::string squeezed = Squeezed(run);
      if (squeezed.size() < 4) continue;
      ++runs.written[run];
      ++runs.squeezed[squeezed];
    }
  });
  return runs;
}

// What the check takes from a file's objects, one object at a time: the objects' numbers, the
// wanted rectangle lines found in streams, and counts of the masked runs in the strings text
// operators show (ShownBytes) and in /ActualText, /Alt and /E texts (squeezed).
struct RawFileReading {
  std::vector<int> numbers;
  std::set<std::string> rectangleLines;
  DocumentReading reading;
};

RawFileReading ReadRawFile(const std::string& path, FileBytes& bytes,
                           const std::set<std::string>& wantedRectangleLines, LiteralCounter& shown,
                           LiteralCounter& repeated) {
  RawFileReading file;
  file.reading = VisitThroughDocument(path, bytes, [&](const RawObject& o) {
    file.numbers.push_back(o.number);
    shown.Feed(ShownBytes(o));
    shown.Break();
    repeated.Feed(Squeezed(RepeatedTexts(o)));
    repeated.Break();
    if (o.isStream) CollectRectangleLines(o.data, wantedRectangleLines, file.rectangleLines);
  });
  return file;
}

void CheckRawFile(const CheckInput& input, const MaskedRuns& runs, const RawFileReading& copy,
                  const LiteralCounter& shownAfter, const LiteralCounter& repeatedAfter, int startxrefs,
                  CheckResult& result) {
  if (startxrefs != 1)
    result.failures.push_back("the file is not one full rewrite (incremental updates remain)");

  if (!copy.reading.error.empty()) {
    result.failures.push_back("cannot read the protected file: " + copy.reading.error);
  } else {
    for (int number : copy.numbers)
      if (!copy.reading.Reaches(number))
        result.failures.push_back("object " + std::to_string(number) + " is in the file but nothing refers to it");
  }

  // A masked run's text written as such in a string operand (what a simple font shows): the
  // file must hold it fewer times than the original did, once less for each masked run. So must
  // the replacement texts for extraction (/ActualText, /Alt, /E).
  // The original is read only when a run is still in the copy, to count it there.
  std::optional<LiteralCounter> shownBefore, repeatedBefore;
  auto original = [&]() {
    if (shownBefore) return;
    shownBefore.emplace(runs.Written());
    repeatedBefore.emplace(runs.Squeezed());
    FileBytes originalBytes(input.originalPath);
    ReadRawFile(input.originalPath, originalBytes, {}, *shownBefore, *repeatedBefore);
  };
  for (const auto& [run, count] : runs.written) {
    const std::string squeezed = Squeezed(run);
    const int shown = shownAfter.Count(run);
    if (shown > 0 && (original(), shown > std::max(0, shownBefore->Count(run) - count)))
      result.failures.push_back("masked text \"" + run + "\" is still written in a content stream");
    const int again = repeatedAfter.Count(squeezed);
    if (again > 0 && (original(), again > std::max(0, repeatedBefore->Count(squeezed) - count)))
      result.failures.push_back("masked text \"" + run + "\" is still in an /ActualText, /Alt or /E entry");
  }
}

// The original's page texts: read while it was protected, or else from the file, opened again
// (with the text of its forms in page content, as protection saw it).
class OriginalPages {
 public:
  OriginalPages(const CheckInput& input, std::string* error) : store_(input.originalPages) {
    if (store_ && store_->PageCount() >= 0) return;
    store_ = nullptr;
    document_ = standin::OpenHostDocument(input.originalPath, error);
    if (document_) standin::pdf::FlattenTextForms(*standin::PdfDocumentOf(document_));
  }
  ~OriginalPages() {
    if (document_) standin::CloseHostDocument(document_);
  }
  OriginalPages(const OriginalPages&) = delete;
  OriginalPages& operator=(const OriginalPages&) = delete;

  bool Open() const { return store_ || document_; }
  int Count() const { return store_ ? store_->PageCount() : PageCountOf(document_); }
  // Nothing when a stored page cannot be read back.
  std::optional<PageText> Read(int pageIndex) const {
    return store_ ? store_->Read(pageIndex) : std::optional<PageText>(ReadPageText(document_, pageIndex));
  }
  // Called as each page is reached, in order.
  void ReleaseNowAndThen(int pageIndex) const {
    if (document_) standin::ReleaseObjectsNowAndThen(document_, pageIndex);
  }

 private:
  const PageTextStore* store_;
  HostHandle document_ = nullptr;
};

// Compares the host's text of the pages [first, last) of the original and the copy, opening
// both (the range is cut at the page count). What is wrong with the documents as a whole (they
// cannot be opened, the page count changed) is reported by the comparison that starts at page 0.
PageComparison ComparePages(const CheckInput& input, int first, int last) {
  PageComparison result;
  const HostHandle previouslyActive = standin::ActiveDocument();
  std::string error;
  const OriginalPages original(input, &error);
  HostHandle protectedDoc = original.Open() ? standin::OpenHostDocument(input.protectedPath, &error) : nullptr;
  const int pages = original.Count();
  if (!protectedDoc || PageCountOf(protectedDoc) != pages) {
    if (first == 0)
      result.failures.push_back(protectedDoc ? "the page count changed: the original has " + std::to_string(pages) +
                                                   " pages, the copy " + std::to_string(PageCountOf(protectedDoc))
                                             : "cannot open for checking: " + error);
    if (protectedDoc) standin::CloseHostDocument(protectedDoc);
    standin::SetActiveDocument(previouslyActive);
    return result;
  }
  result.hostChars.assign(static_cast<size_t>(std::max(pages, 0)), 0);
  for (int p = std::max(first, 0); p < std::min(last, pages); ++p) {
    original.ReleaseNowAndThen(p);
    standin::ReleaseObjectsNowAndThen(protectedDoc, p);
    const std::optional<PageText> stored = original.Read(p);
    if (!stored) {
      result.failures.push_back("page " + std::to_string(p) + ": the original's text could not be read back");
      continue;
    }
    const PageText& before = *stored;
    std::optional<docscan::OccurrenceStore::Page> found;
    if (input.found && !(found = input.found->At(p))) {
      result.failures.push_back("page " + std::to_string(p) + ": the occurrences found on it could not be read back");
      continue;
    }
    static const vm::PiMatchList kNone;
    const vm::PiMatchList& replacements = found ? found->replacements : kNone;
    const PageText after = ReadPageText(protectedDoc, p);
    if (!before.readable || !after.readable) {
      if (before.readable != after.readable)
        result.failures.push_back("page " + std::to_string(p) + " cannot be read any more");
      continue;
    }
    std::vector<bool> masked(before.text.size(), false);
    for (const vm::PiMatch& r : replacements)
      for (int i = r.charStart; i < r.charStart + r.charCount && i < int(masked.size()); ++i)
        if (i >= 0) masked[i] = true;

    const CharIndex afterIndex(after);
    int missing = 0;
    int remaining = 0;
    std::string firstMissing;
    for (size_t i = 0; i < before.text.size(); ++i) {
      const char16_t c = before.text[i];
      if (!before.inTextObject[i] || IsSpace(c)) continue;
      ++result.hostChars[p];
      const bool present = afterIndex.HasAt(c, before.boxes[i]);
      if (masked[i]) {
        ++result.maskedCharacters;
        if (present && c != static_cast<unsigned char>(input.protectionByte)) ++remaining;
      } else {
        ++result.keptCharacters;
        if (!present && missing++ == 0) firstMissing = Utf8(std::u16string(1, c));
      }
    }
    if (missing)
      result.failures.push_back("page " + std::to_string(p) + ": " + std::to_string(missing) +
                                " characters that were not masked moved or vanished (first \"" +
                                firstMissing + "\")");
    if (remaining)
      result.failures.push_back("page " + std::to_string(p) + ": " + std::to_string(remaining) +
                                " masked characters are still in the text at their place");

    const std::string textBefore = Squeezed(Utf8(before.text));
    const std::string textAfter = Squeezed(Utf8(after.text));
    std::map<std::string, int> runs;
    for (const vm::PiMatch& r : replacements) ++runs[Squeezed(Utf8(r.text))];
    for (const auto& [run, count] : runs)
      if (run.size() >= 4 && CountOccurrences(textAfter, run) > std::max(0, CountOccurrences(textBefore, run) - count))
        result.failures.push_back("page " + std::to_string(p) + ": masked text \"" + run +
                                  "\" can still be extracted from the text page");

    const char16_t protection = static_cast<unsigned char>(input.protectionByte);
    for (const vm::PiMatch& r : replacements) {
      if (r.rects.empty()) continue;
      HostBox area = vm::UnionBox(r.rects);
      // Text drawn at zero size or squeezed flat has no room for a protection character.
      if (area.x1 - area.x0 <= 0.1f || area.y1 - area.y0 <= 0.1f) continue;
      area.x0 -= 2, area.y0 -= 2, area.x1 += 2, area.y1 += 2;
      if (afterIndex.CountInside(protection, area) > 0) continue;
      std::string failure = "nothing is drawn over masked text " + Describe(r);
      std::string line = BlackBoxLine(r);
      if (line.empty())
        result.failures.push_back(std::move(failure));
      else
        result.boxesWanted.emplace_back(std::move(line), std::move(failure));
    }
  }
  standin::CloseHostDocument(protectedDoc);
  standin::SetActiveDocument(previouslyActive);
  return result;
}

// The detection rules run on the text pdftotext extracts from the copy: an item they find that
// is not masked is readable there, whether or not the host's reader saw it in the original (a
// stream or font the host cannot read, which poppler reads).
void DetectInExtractedText(const CheckInput& input, const vm::PiPatternList& patterns, int pageIndex,
                           std::string_view page, CheckResult& result) {
  if (patterns.empty()) return;
  const char16_t protection = static_cast<unsigned char>(input.protectionByte);
  const std::optional<std::u16string> text = common::Utf8ToUtf16(page);
  if (!text) return;
  const vm::PageDetection found = vm::DetectInPageText(patterns, *text);
  for (const vm::PiCandidate& c : found.selected) {
    const std::u16string item = text->substr(static_cast<size_t>(c.start), static_cast<size_t>(c.length));
    if (item.find(protection) != std::u16string::npos) continue;
    result.failures.push_back("page " + std::to_string(pageIndex) + ": pdftotext reads \"" + Utf8(item) +
                              "\" in the copy, an item the detection rules find");
  }
}

// What the check keeps of pdftotext's text of a file, read a page at a time: which pages are
// blank, and how often each looked-for text occurs in the whole text, squeezed.
struct ExtractedText {
  bool read = false;
  std::vector<bool> blank;
  std::optional<LiteralCounter> counts;

  // Blank pages by the host's page count; where pdftotext counts other pages (a damaged page
  // tree, or a page it refuses), the document as a whole.
  std::vector<bool> BlankBy(size_t hostPages) const {
    if (blank.size() == hostPages) return blank;
    return {std::all_of(blank.begin(), blank.end(), [](bool b) { return b; })};
  }
};

ExtractedText Extract(Pdftotext& tool, const std::vector<std::string>& lookedFor,
                      const std::function<void(int, std::string_view)>& eachPage = {}) {
  ExtractedText text;
  text.counts.emplace(lookedFor);
  // Pages join with nothing between them, as the squeezed text of the whole document.
  text.read = tool.ForEachPage([&](std::string_view page) {
    const std::string squeezed = Squeezed(page);
    text.counts->Feed(squeezed);
    if (eachPage) eachPage(static_cast<int>(text.blank.size()), page);
    text.blank.push_back(squeezed.empty());
  });
  return text;
}

// pdftotext started on `path`, a slice of pages at a time where the file has more pages than
// `pagesPerRun` and a plain tree. `pages`, if given, gets the tree's page count.
Pdftotext& StartPdftotext(std::optional<Pdftotext>& tool, const std::string& path, int pagesPerRun,
                          long* pages = nullptr) {
  PageTreeReading tree = ReadPageTree(path, pagesPerRun);
  if (pages) *pages = tree.pages;
  if (tree.sliceUpdates.empty()) return tool.emplace(path);
  return tool.emplace(path, tree.fileSize, std::move(tree.sliceUpdates));
}

// A comparison with pdftotext that could not be made fails the check: a missing pdftotext, one
// that cannot read the protected file, or pages of it where pdftotext reads nothing but the
// host reads text (for example CID fonts whose CMaps poppler-data provides) would otherwise let
// it pass without having looked. A page where pdftotext reads nothing in the original either
// (poppler refuses some pages, such as those with more than 10,000 annotations) is no such
// failure, unless pdftotext said it lacks the data for a font: it can get nothing back there. An
// original pdftotext cannot read counts as holding nothing, which only makes the comparisons
// stricter.
// pdftotext reads the original only when a masked text is still in the copy's text, to count it
// there, or when it reads nothing on a page of the copy.
void CheckPdftotext(const CheckInput& input, Pdftotext& onCopy, const std::vector<int>& hostCharsByPage,
                    CheckResult& result) {
  // Masked runs, and whole occurrences that lost characters: neither may be extractable in its
  // original form.
  std::map<std::string, int> masked;
  std::map<std::string, int> whole;
  ForEachFoundPage(input, result, [&](const docscan::OccurrenceStore::Page& page) {
    for (const vm::PiMatch& r : page.replacements) ++masked[Squeezed(Utf8(r.text))];
    for (const vm::PiMatch& m : page.matches) {
      const bool touched = std::any_of(page.replacements.begin(), page.replacements.end(), [&](const vm::PiMatch& r) {
        return r.charStart < m.charStart + m.charCount && m.charStart < r.charStart + r.charCount;
      });
      if (touched) ++whole[Squeezed(Utf8(m.text))];
    }
  });
  std::vector<std::string> lookedFor;
  for (const auto* texts : {&masked, &whole})
    for (const auto& [text, count] : *texts)
      if (text.size() >= 4) lookedFor.push_back(text);

  vm::PiPatternList patterns;
  vm::BuildPatternSet(input.categories, patterns);
  const ExtractedText after = Extract(onCopy, lookedFor, [&](int pageIndex, std::string_view page) {
    DetectInExtractedText(input, patterns, pageIndex, page, result);
  });
  if (!after.read) {
    result.failures.push_back("pdftotext could not read the protected file (is poppler-utils installed?): "
                              "the text it extracts could not be compared");
    return;
  }
  std::optional<Pdftotext> onOriginal;
  std::optional<ExtractedText> before;
  auto original = [&]() -> const ExtractedText& {
    if (!before)
      before = Extract(StartPdftotext(onOriginal, input.originalPath, input.pagesPerPdftotextRun), lookedFor);
    return *before;
  };

  std::vector<int> hostChars = hostCharsByPage;
  const bool wholeDocument = hostChars.size() != after.blank.size();
  if (wholeDocument) {
    int total = 0;
    for (int n : hostChars) total += n;
    hostChars = {total};
  }
  const std::vector<bool> blankAfter = after.BlankBy(hostCharsByPage.size());
  for (size_t p = 0; p < hostChars.size(); ++p) {
    if (hostChars[p] == 0 || !blankAfter[p]) continue;
    const std::vector<bool> blankBefore = original().BlankBy(hostCharsByPage.size());
    // Blank in both because pdftotext lacks poppler-data is no blank page: with it, the copy's
    // text might read.
    const bool blankInBoth = blankBefore.size() == blankAfter.size() && blankBefore[p];
    if (blankInBoth && !onCopy.LacksLanguageData() && !onOriginal->LacksLanguageData()) continue;
    result.failures.push_back((wholeDocument ? std::string("the document") : "page " + std::to_string(p)) +
                              ": pdftotext reads no text where the host reads " + std::to_string(hostChars[p]) +
                              " characters and pdftotext read text in the original (is poppler-data installed?): "
                              "the text it extracts could not be compared");
  }
  auto stillThere = [&](const std::string& text, int count) {
    const int found = after.counts->Count(text);
    if (found == 0) return false;
    return found > std::max(0, original().counts->Count(text) - count);
  };
  for (const auto& [run, count] : masked) {
    if (run.size() < 4) continue;
    ++result.pdftotextChecks;
    if (stillThere(run, count))
      result.failures.push_back("pdftotext still extracts masked text \"" + run + "\"");
  }
  for (const auto& [text, count] : whole) {
    if (text.size() < 4) continue;
    ++result.pdftotextChecks;
    if (stillThere(text, count))
      result.failures.push_back("pdftotext still extracts the occurrence \"" + text + "\"");
  }
}

// The page counts, taken apart from the host's reader, which could lose the same pages of the
// original and the copy alike (and pdftotext refuses some pages, such as those with more than
// 10,000 annotations, so its page count cannot serve).
struct TreePageCounts {
  long shown = -1;
  long written = -1;
};

void CheckPageCounts(const TreePageCounts& counts, long hostPages, CheckResult& result) {
  if (hostPages < 0) return;  // the comparison of the pages failed already
  if (counts.shown >= 0 && counts.shown != hostPages)
    result.failures.push_back("the page count changed: the original shows " + std::to_string(counts.shown) +
                              " pages, the copy has " + std::to_string(hostPages));
  if (counts.written != hostPages)
    result.failures.push_back("the copy's page tree shows " + std::to_string(counts.written) +
                              " pages where the host reads " + std::to_string(hostPages));
}

}  // namespace

CheckResult CheckProtectedFile(const CheckInput& input) {
  CheckResult result;
  FileBytes bytes(input.protectedPath);
  if (bytes.View().empty()) {
    result.failures.push_back("cannot read " + input.protectedPath);
    return result;
  }
  // Each failure line starts with the part of the check that found it.
  size_t named = 0;
  auto name = [&](const char* part) {
    for (; named < result.failures.size(); ++named) result.failures[named] = part + (": " + result.failures[named]);
  };
  // pdftotext reads the copy beside the rest of the check. Where a third processor is free, a
  // child process compares the pages of a long document from a third on while this one reads
  // the file's objects, compares the first third and counts the pages. With two, pdftotext
  // keeps one busy and a second comparing process would only take turns with this one.
  const uint64_t limitHits = standin::pdf::DecodeLimitHits();
  constexpr int kPagesWorthASecondProcess = 16;
  const int pageCount = input.originalPages ? input.originalPages->PageCount() : -1;
  auto compare = [&](int first, int last) { return ComparePages(input, first, last); };
  int comparedHere = std::numeric_limits<int>::max();
  std::optional<ComparisonInChild> inChild;
  if (pageCount >= kPagesWorthASecondProcess && sysconf(_SC_NPROCESSORS_ONLN) > 2)
    inChild.emplace(comparedHere = pageCount / 3, pageCount, compare);
  // The copy's page tree is read once, for its page count and for pdftotext's slices.
  TreePageCounts treeCounts;
  std::optional<Pdftotext> onCopy;
  Pdftotext& pdftotext = StartPdftotext(onCopy, input.protectedPath, input.pagesPerPdftotextRun, &treeCounts.written);

  std::vector<int> hostCharsByPage;
  long hostPages = -1;
  bool copyBeyondLimit = false;
  std::vector<std::string> outsideFailures;
  {
    const MaskedRuns runs = MaskedRunsOf(input, result);
    LiteralCounter shown(runs.Written()), repeated(runs.Squeezed());
    const int startxrefs = CountOccurrences(bytes, "startxref");
    const RawFileReading copy = ReadRawFile(input.protectedPath, bytes, runs.boxLines, shown, repeated);
    CheckRawFile(input, runs, copy, shown, repeated, startxrefs, result);
    name("objects of the file");

    PageComparison pages = compare(0, comparedHere);
    copyBeyondLimit = standin::pdf::DecodeLimitHits() > limitHits;
    treeCounts.shown = TreePageCount(input.originalPath);
    outsideFailures = CheckOutsideTexts(input.protectedPath, input.outsideTexts);
    if (inChild) pages.Add(inChild->Finish());
    if (!pages.hostChars.empty()) hostPages = static_cast<long>(pages.hostChars.size());
    for (std::string& failure : pages.failures) result.failures.push_back(std::move(failure));
    for (auto& [line, failure] : pages.boxesWanted)
      if (!copy.rectangleLines.count(line)) result.failures.push_back(std::move(failure));
    result.keptCharactersChecked = pages.keptCharacters;
    result.maskedCharactersChecked = pages.maskedCharacters;
    hostCharsByPage = std::move(pages.hostChars);
    name("page text");
  }

  if (copyBeyondLimit) {
    // pdftotext has no such bound: it would read the stream to its end, for hours.
    pdftotext.Stop();
    result.failures.push_back("the copy holds a stream beyond the engine limit (" + standin::pdf::DecodeLimitReason() +
                              "); pdftotext was stopped, the text it extracts could not be compared");
  } else {
    CheckPdftotext(input, pdftotext, hostCharsByPage, result);
  }
  name("pdftotext");
  CheckPageCounts(treeCounts, hostPages, result);
  name("page count");
  for (std::string& failure : outsideFailures) result.failures.push_back(std::move(failure));
  name("outside the pages");
  return result;
}

}  // namespace checker
