#include "ui/MatchFrames.h"

#include <windows.h>

#include <algorithm>
#include <charconv>

#include "host/HostCall.h"
#include "ui/Commands.h"

namespace vm {

namespace {

// A float with exactly two decimals and '.' whatever the process locale.
void AppendTwoDecimals(std::string& out, float value) {
  char buffer[48];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 2);
  out.append(buffer, result.ptr);
}

}  // namespace

HostBox Normalized(const HostBox& box) {
  return HostBox{std::min(box.x0, box.x1), std::min(box.y0, box.y1), std::max(box.x0, box.x1),
                 std::max(box.y0, box.y1)};
}

HostBox FirstRect(const PiMatch& match) {
  return match.rects.empty() ? HostBox{0, 0, 0, 0} : Normalized(match.rects.front());
}

std::string FrameAppearanceContent(float width, float height) {
  std::string content = "0.20 0.45 0.95 RG 1.2 w 0.6 0.6 ";
  AppendTwoDecimals(content, width - 1.2f);
  content += ' ';
  AppendTwoDecimals(content, height - 1.2f);
  content += " re S";
  return content;
}

void SetFrameAppearance(HostHandle pdfDocument, HostHandle annotationDictionary, const HostBox& rect) {
  const float width = rect.x1 - rect.x0;
  const float height = rect.y1 - rect.y0;
  if (!(width > 0) || !(height > 0)) return;
  const std::string content = FrameAppearanceContent(width, height);

  HostHandle streamDictionary = Host<67, 0>();
  Host<67, 19>(streamDictionary, "Type", "XObject");
  Host<67, 19>(streamDictionary, "Subtype", "Form");
  Host<67, 27>(streamDictionary, "BBox", HostBox{0, 0, width, height});
  HostHandle stream = Host<68, 0>();
  Host<68, 1>(stream, reinterpret_cast<const uint8_t*>(content.data()),
              static_cast<int32_t>(content.size()), streamDictionary);
  const int32_t number = Host<34, 42>(pdfDocument, stream);
  HostHandle appearance = Host<67, 0>();
  Host<67, 23>(appearance, "N", pdfDocument, number);
  Host<67, 18>(annotationDictionary, "AP", appearance, pdfDocument);
}

void RepaintView(HostHandle view) {
  if (!view) return;
  if (HWND window = static_cast<HWND>(Host<31, 42>(view))) {
    InvalidateRect(window, nullptr, TRUE);
    UpdateWindow(window);
  }
}

void AddMatchFrames(PiDialogState& state, HostHandle document, const PiMatch& match) {
  HostHandle pdfDocument = Host<26, 4>(document);
  HostHandle view = Host<26, 24>(document);
  if (!pdfDocument || !view) return;
  for (const HostBox& given : match.rects) {
    // Boxes may come with their corners in any order; the frame and its appearance need them
    // ordered, or the appearance would be skipped as empty.
    const HostBox rect = Normalized(given);
    HostHandle annotation = Host<26, 130>(document, match.pageIndex, "Square", rect);
    if (!annotation) continue;
    if (HostHandle object = Host<173, 0>(annotation)) {
      if (HostHandle dictionary = Host<52, 2>(object)) SetFrameAppearance(pdfDocument, dictionary, rect);
    }
    state.frames.push_back(MatchFrame{match.pageIndex, annotation, rect});
  }
  RepaintView(view);
}

bool IsDocumentOpen(HostHandle document) {
  if (!document) return false;
  const int32_t count = Host<20, 22>();
  for (int32_t i = 0; i < count; ++i) {
    if (Host<20, 23>(i) == document) return true;
  }
  return false;
}

void RemoveMatchFrames(PiDialogState* state) {
  if (!state || state->frames.empty()) return;
  if (!IsDocumentOpen(state->document)) {
    // The host closed the document together with its annotations.
    state->frames.clear();
    return;
  }
  HostHandle view = Host<26, 24>(state->document);
  for (const MatchFrame& frame : state->frames) {
    if (!view) break;
    if (HostHandle pageView = Host<31, 2>(view, frame.pageIndex)) Host<32, 18>(pageView, frame.annotation);
  }
  state->frames.clear();
  RepaintView(view);
}

}  // namespace vm
