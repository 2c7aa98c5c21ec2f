#include "TesseractReader.h"

#include <leptonica/allheaders.h>
#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <mutex>

#include "PagePreparation.h"
#include "Utf8.h"

namespace scanned {

namespace {

constexpr char kLanguages[] = "kor+eng";

// Lines holding digits or an "@" and a word read with less confidence than this are read again,
// line by line, in single-line mode with each language set; the readings go with the line as
// its alternatives.
constexpr float kSecondLook = 80;

struct Engine {
  tesseract::TessBaseAPI api;
  ~Engine() { api.End(); }
};

// The readers of one worker: Korean and English together for the page (and for its lines), and
// English alone and Korean alone for the second look, loaded when first needed.
struct Engines {
  Engine page;
  std::unique_ptr<Engine> english;
  std::unique_ptr<Engine> korean;
  bool lineReadersTried = false;
};

bool InitEngine(Engine& engine, const char* languages, tesseract::PageSegMode mode) {
  // Some of Tesseract's settings (the debug file among them) are global: workers load their
  // readers one at a time.
  static std::mutex loading;
  const std::lock_guard<std::mutex> lock(loading);
  // Tesseract's messages would go to standard error; the command line reports on its own.
  engine.api.SetVariable("debug_file", "/dev/null");
  if (engine.api.Init(nullptr, languages, tesseract::OEM_LSTM_ONLY) != 0) return false;
  engine.api.SetPageSegMode(mode);
  return true;
}

std::u16string Text(const std::unique_ptr<char[]>& utf8) {
  return utf8 ? common::Utf8ToUtf16(utf8.get()).value_or(u"") : u"";
}

PixelBox BoxAt(const tesseract::PageIterator& it, tesseract::PageIteratorLevel level, const PreparedPage& page,
               int offsetX, int offsetY) {
  int l = 0, t = 0, r = 0, b = 0;
  it.BoundingBox(level, &l, &t, &r, &b);
  return ToInput(page, l + offsetX, t + offsetY, r + offsetX, b + offsetY);
}

// Words (with their characters) of the recognised page, line by line; boxes in the input's pixels.
// `lineBoxes` receives each line's box in the prepared image.
OcrText Collect(tesseract::TessBaseAPI& api, const PreparedPage& page, std::vector<PixelBox>* lineBoxes,
                int offsetX = 0, int offsetY = 0) {
  OcrText out;
  std::unique_ptr<tesseract::ResultIterator> it(api.GetIterator());
  if (!it) return out;
  it->Begin();
  do {
    if (it->Empty(tesseract::RIL_SYMBOL)) continue;
    if (out.lines.empty() || it->IsAtBeginningOf(tesseract::RIL_TEXTLINE)) {
      out.lines.emplace_back();
      int l = 0, t = 0, r = 0, b = 0;
      it->BoundingBox(tesseract::RIL_TEXTLINE, &l, &t, &r, &b);
      if (lineBoxes) lineBoxes->push_back({l + offsetX, t + offsetY, r + offsetX, b + offsetY});
    }
    OcrLine& line = out.lines.back();
    if (line.words.empty() || it->IsAtBeginningOf(tesseract::RIL_WORD)) {
      OcrWord word;
      word.text = Text(std::unique_ptr<char[]>(it->GetUTF8Text(tesseract::RIL_WORD)));
      word.confidence = it->Confidence(tesseract::RIL_WORD);
      word.spaceBefore = it->BlanksBeforeWord() > 0;
      word.box = BoxAt(*it, tesseract::RIL_WORD, page, offsetX, offsetY);
      line.words.push_back(std::move(word));
    }
    OcrWord& word = line.words.back();
    OcrSymbol symbol{Text(std::unique_ptr<char[]>(it->GetUTF8Text(tesseract::RIL_SYMBOL))),
                     BoxAt(*it, tesseract::RIL_SYMBOL, page, offsetX, offsetY)};
    word.symbols.push_back(std::move(symbol));
  } while (it->Next(tesseract::RIL_SYMBOL));
  for (OcrLine& line : out.lines) {
    std::erase_if(line.words, [](const OcrWord& w) {
      return std::all_of(w.text.begin(), w.text.end(), [](char16_t c) { return c == u' ' || c == u'\t'; });
    });
    for (OcrWord& word : line.words) {
      std::u16string joined;
      for (const OcrSymbol& s : word.symbols) joined += s.text;
      if (joined != word.text) word.symbols.clear();
    }
  }
  for (size_t i = out.lines.size(); i-- > 0;)
    if (out.lines[i].words.empty()) {
      out.lines.erase(out.lines.begin() + static_cast<std::ptrdiff_t>(i));
      if (lineBoxes && i < lineBoxes->size()) lineBoxes->erase(lineBoxes->begin() + static_cast<std::ptrdiff_t>(i));
    }
  return out;
}

// Words read with less confidence than this do not count as read when marks are counted.
constexpr float kReadWord = 50;

// Counts the letter-sized marks of the prepared image and those outside the words read.
void CountMarks(tesseract::TessBaseAPI& api, const PreparedPage& page, int resolution, OcrText& text) {
  std::vector<PixelBox> read;
  std::unique_ptr<tesseract::ResultIterator> it(api.GetIterator());
  if (it) {
    it->Begin();
    do {
      if (it->Empty(tesseract::RIL_WORD) || it->Confidence(tesseract::RIL_WORD) < kReadWord) continue;
      const std::u16string word = Text(std::unique_ptr<char[]>(it->GetUTF8Text(tesseract::RIL_WORD)));
      if (std::all_of(word.begin(), word.end(), [](char16_t c) { return c <= u' '; })) continue;
      int l = 0, t = 0, r = 0, b = 0;
      it->BoundingBox(tesseract::RIL_WORD, &l, &t, &r, &b);
      read.push_back(PixelBox{l, t, r, b});
    } while (it->Next(tesseract::RIL_WORD));
  }
  Pix* binary = Binarize(page.pix.get());
  if (!binary) return;
  Boxa* marks = pixConnCompBB(binary, 8);
  pixDestroy(&binary);
  if (!marks) return;
  // Letters from 5 to 40 points high and at most half an inch wide (points at `resolution`).
  const int lowest = resolution * 5 / 72 / 2;
  const int highest = resolution * 40 / 72;
  const int widest = resolution / 2;
  for (int i = 0; i < boxaGetCount(marks); ++i) {
    l_int32 x, y, w, h;
    if (boxaGetBoxGeometry(marks, i, &x, &y, &w, &h) != 0) continue;
    if (h < lowest || h > highest || w > widest || w < 2) continue;
    ++text.marks;
    const int cx = x + w / 2;
    const int cy = y + h / 2;
    const bool inside = std::any_of(read.begin(), read.end(), [&](const PixelBox& b) {
      return cx >= b.x0 && cx <= b.x1 && cy >= b.y0 && cy <= b.y1;
    });
    if (!inside) ++text.unreadMarks;
  }
  boxaDestroy(&marks);
}

// Reads again, line by line, the lines with a word read with little confidence.
void SecondLook(Engines& engines, const PreparedPage& page, int resolution, const std::vector<PixelBox>& lineBoxes,
                OcrText& text) {
  const int width = pixGetWidth(page.pix.get());
  const int height = pixGetHeight(page.pix.get());
  for (size_t l = 0; l < text.lines.size() && l < lineBoxes.size(); ++l) {
    OcrLine& line = text.lines[l];
    // Personal information holds digits or an "@"; lines of words only are left as read.
    const bool doubtful = std::any_of(line.words.begin(), line.words.end(),
                                      [](const OcrWord& w) { return w.confidence < kSecondLook; });
    const bool digits = std::any_of(line.words.begin(), line.words.end(), [](const OcrWord& w) {
      return std::any_of(w.text.begin(), w.text.end(), [](char16_t c) { return (c >= u'0' && c <= u'9') || c == u'@'; });
    });
    if (!doubtful || !digits) continue;
    const PixelBox& box = lineBoxes[l];
    const int margin = std::max(4, (box.y1 - box.y0) / 4);
    const PixelBox cut = Padded(box, margin, width, height);
    if (cut.Empty()) continue;
    Box* area = boxCreate(cut.x0, cut.y0, cut.x1 - cut.x0, cut.y1 - cut.y0);
    PixPtr crop(pixClipRectangle(page.pix.get(), area, nullptr));
    boxDestroy(&area);
    if (!crop) continue;
    if (!engines.lineReadersTried) {
      engines.lineReadersTried = true;
      engines.english = std::make_unique<Engine>();
      engines.korean = std::make_unique<Engine>();
      if (!InitEngine(*engines.english, "eng", tesseract::PSM_SINGLE_LINE)) engines.english.reset();
      if (!InitEngine(*engines.korean, "kor", tesseract::PSM_SINGLE_LINE)) engines.korean.reset();
    }
    for (Engine* engine : {&engines.page, engines.english.get(), engines.korean.get()}) {
      if (!engine) continue;
      tesseract::TessBaseAPI& api = engine->api;
      api.SetPageSegMode(tesseract::PSM_SINGLE_LINE);
      api.SetImage(crop.get());
      api.SetSourceResolution(resolution);
      if (api.Recognize(nullptr) == 0) {
        OcrText again = Collect(api, page, nullptr, cut.x0, cut.y0);
        // Single-line mode sees parts of the neighbouring lines in the cut and may stretch its
        // boxes over them: they are kept inside the line as the page reading found it.
        const PixelBox within = ToInput(page, box.x0, box.y0, box.x1, box.y1);
        auto clamp = [&](PixelBox& b) {
          b = {std::clamp(b.x0, within.x0, within.x1), std::clamp(b.y0, within.y0, within.y1),
               std::clamp(b.x1, within.x0, within.x1), std::clamp(b.y1, within.y0, within.y1)};
        };
        std::vector<OcrWord> words;
        for (OcrLine& l2 : again.lines)
          for (OcrWord& w : l2.words) {
            clamp(w.box);
            for (OcrSymbol& symbol : w.symbols) clamp(symbol.box);
            words.push_back(std::move(w));
          }
        if (!words.empty()) line.alternatives.push_back(std::move(words));
      }
      api.Clear();
    }
  }
}

OcrText Failed(const char* why) {
  OcrText text;
  text.error = why;
  return text;
}

PixPtr ToPix(const GrayImage& image) {
  PixPtr pix(pixCreate(image.width, image.height, 8));
  if (!pix) return pix;
  l_uint32* data = pixGetData(pix.get());
  const int wpl = pixGetWpl(pix.get());
  for (int y = 0; y < image.height; ++y) {
    l_uint32* line = data + y * wpl;
    const uint8_t* from = image.pixels.data() + static_cast<size_t>(y) * image.width;
    for (int x = 0; x < image.width; ++x) SET_DATA_BYTE(line, x, from[x]);
  }
  return pix;
}

}  // namespace

TextReader MakeTesseractReader(std::string* error) {
  auto engines = std::make_shared<Engines>();
  if (!InitEngine(engines->page, kLanguages, tesseract::PSM_SINGLE_COLUMN)) {
    if (error) *error = "Tesseract cannot load its Korean and English data (tesseract-ocr-kor, tesseract-ocr-eng)";
    return nullptr;
  }
  return [engines](const GrayImage& image, float dpi) -> OcrText {
    if (image.width < 8 || image.height < 8) return {};
    PixPtr pix = ToPix(image);
    if (!pix) return Failed("out of memory");
    const PreparedPage prepared = PreparePage(pix.get(), dpi);
    if (!prepared.pix) return Failed("out of memory");
    tesseract::TessBaseAPI& api = engines->page.api;
    api.SetPageSegMode(tesseract::PSM_SINGLE_COLUMN);
    api.SetImage(prepared.pix.get());
    const int resolution = static_cast<int>(std::lround(dpi * prepared.scale));
    api.SetSourceResolution(resolution);
    if (api.Recognize(nullptr) != 0) {
      api.Clear();
      return Failed("Tesseract could not recognise the image");
    }
    std::vector<PixelBox> lineBoxes;
    OcrText text = Collect(api, prepared, &lineBoxes);
    CountMarks(api, prepared, resolution, text);
    api.Clear();
    SecondLook(*engines, prepared, resolution, lineBoxes, text);
    return text;
  };
}

}  // namespace scanned

extern "C" __attribute__((visibility("default"))) bool VmMakeTesseractReader(scanned::TextReader* reader,
                                                                             std::string* error) {
  *reader = scanned::MakeTesseractReader(error);
  return static_cast<bool>(*reader);
}
