#include "mask/FakeTextHost.h"

#include "core/Services.h"
#include "core/StandinHost.h"

namespace fake {

namespace {

Page* PageOfTag(HostHandle handle, char Page::*tag) {
  for (Page& page : Doc().pages) {
    if (&(page.*tag) == handle) return &page;
  }
  return nullptr;
}

int32_t Count(const Page& page) {
  return page.reportedCount >= 0 ? page.reportedCount : static_cast<int32_t>(page.text.size());
}

HostHandle VM_CALL PdfDocumentOf(HostHandle document) {
  return document == DocumentHandle() && !Doc().noPdfDocument ? &Doc().pdfDocumentTag : nullptr;
}
HostHandle VM_CALL ViewOf(HostHandle document) {
  return document == DocumentHandle() && !Doc().noView ? &Doc().viewTag : nullptr;
}
int32_t VM_CALL PageCount(HostHandle pdfDocument) {
  return pdfDocument == &Doc().pdfDocumentTag ? static_cast<int32_t>(Doc().pages.size()) : 0;
}
HostHandle VM_CALL PageViewAt(HostHandle view, int32_t index) {
  if (view != &Doc().viewTag || index < 0 || index >= static_cast<int32_t>(Doc().pages.size()))
    return nullptr;
  Page& page = Doc().pages[index];
  return page.noPageView ? nullptr : &page.pageViewTag;
}
HostHandle VM_CALL PdfPageOf(HostHandle pageView) {
  Page* page = PageOfTag(pageView, &Page::pageViewTag);
  return page && !page->noPdfPage ? &page->pdfPageTag : nullptr;
}
HostHandle VM_CALL OpenTextPage(HostHandle pdfPage, int32_t) {
  Page* page = PageOfTag(pdfPage, &Page::pdfPageTag);
  if (!page || page->noTextPage) return nullptr;
  ++page->textPagesOpened;
  Doc().textPagesOpenedInOrder.push_back(static_cast<int>(page - Doc().pages.data()));
  return &page->textPageTag;
}
void VM_CALL ReleaseTextPage(HostHandle textPage) {
  if (Page* page = PageOfTag(textPage, &Page::textPageTag)) ++page->textPagesReleased;
}
int32_t VM_CALL Analyse(HostHandle textPage) {
  Page* page = PageOfTag(textPage, &Page::textPageTag);
  if (!page) return 0;
  ++page->analyseCalls;
  page->analysed = true;
  return 1;
}
int32_t VM_CALL IsAnalysed(HostHandle textPage) {
  Page* page = PageOfTag(textPage, &Page::textPageTag);
  return page && page->analysed ? 1 : 0;
}
int32_t VM_CALL CharCount(HostHandle textPage) {
  Page* page = PageOfTag(textPage, &Page::textPageTag);
  return page ? Count(*page) : 0;
}
int32_t VM_CALL CharInfo(HostHandle textPage, int32_t index, HostCharInfo* info) {
  Page* page = PageOfTag(textPage, &Page::textPageTag);
  if (!page) return 0;
  Char c;
  if (auto it = page->chars.find(index); it != page->chars.end()) c = it->second;
  info->fontSize = c.fontSize;
  info->a = c.a;
  info->b = c.b;
  info->c = c.c;
  info->d = c.d;
  info->textObject = c.textObject;
  info->itemIndex = c.itemIndex;
  return 1;
}
int32_t VM_CALL RangeBoxes(HostHandle textPage, int32_t first, int32_t count, HostHandle* array) {
  Page* page = PageOfTag(textPage, &Page::textPageTag);
  if (!page || page->boxlessStarts.count(first)) return 0;
  auto& boxes = static_cast<standin::BoxArray*>(*array)->boxes;
  if (page->splitBoxes) {
    for (int32_t i = 0; i < count; ++i) boxes.push_back(RangeBox(first + i, 1));
  } else {
    boxes.push_back(RangeBox(first, count));
  }
  return 1;
}
int32_t VM_CALL RangeText(HostHandle textPage, int32_t first, int32_t count, HostHandle* string) {
  Page* page = PageOfTag(textPage, &Page::textPageTag);
  if (!page) return 0;
  static_cast<standin::WideString*>(*string)->text = page->text.substr(first, count);
  return 1;
}

}  // namespace

Document& Doc() {
  static Document document;
  return document;
}

HostHandle DocumentHandle() { return &Doc(); }
HostHandle PdfPageHandle(int pageIndex) { return &Doc().pages[pageIndex].pdfPageTag; }
HostHandle TextPageHandle(int pageIndex) { return &Doc().pages[pageIndex].textPageTag; }

HostBox RangeBox(int32_t first, int32_t count) {
  return {10.0f * first, 700, 10.0f * (first + count), 712};
}

bool TextPagesBalanced() {
  for (const Page& page : Doc().pages) {
    if (page.textPagesOpened != page.textPagesReleased) return false;
  }
  return true;
}

void Install(const std::vector<std::u16string>& pageTexts) {
  Doc() = Document{};
  Doc().pages.resize(pageTexts.size());
  for (std::size_t i = 0; i < pageTexts.size(); ++i) Doc().pages[i].text = pageTexts[i];
  standin::FunctionTable& table = standin::Table();
  table.Override<26, 4>(&PdfDocumentOf);
  table.Override<26, 24>(&ViewOf);
  table.Override<34, 10>(&PageCount);
  table.Override<31, 2>(&PageViewAt);
  table.Override<32, 2>(&PdfPageOf);
  table.Override<120, 0>(&OpenTextPage);
  table.Override<120, 1>(&ReleaseTextPage);
  table.Override<120, 2>(&Analyse);
  table.Override<120, 3>(&IsAnalysed);
  table.Override<120, 4>(&CharCount);
  table.Override<120, 5>(&CharInfo);
  table.Override<120, 6>(&RangeBoxes);
  table.Override<120, 16>(&RangeText);
}

}  // namespace fake

#include "core/Application.h"
#include "host/PlugIn.h"

void FakeHostTest::SetUp() {
  standin::ResetHost();
  ASSERT_NE(standin::LoadPlugin(&vm::PlugInMain, nullptr), nullptr);
  standin::Table().ClearLog();
}

void FakeHostTest::TearDown() {
  EXPECT_TRUE(standin::Tracker().Outstanding().empty())
      << testing::PrintToString(standin::Tracker().Outstanding());
  EXPECT_TRUE(standin::Tracker().Faults().empty())
      << testing::PrintToString(standin::Tracker().Faults());
  EXPECT_TRUE(fake::TextPagesBalanced());
  EXPECT_EQ(fake::Doc().liveTextStates, 0);
  EXPECT_EQ(fake::Doc().liveColorStates, 0);
  EXPECT_EQ(fake::Doc().liveAccessors, 0);
  EXPECT_EQ(fake::Doc().releaseFaults, 0);
  standin::ResetHost();
}

std::vector<std::string> FakeHostTest::CallLog() {
  std::vector<std::string> calls;
  for (const standin::HostCall& call : standin::Table().Log())
    calls.push_back(std::to_string(call.category) + ":" + std::to_string(call.selector));
  return calls;
}
