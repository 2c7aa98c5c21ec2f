#include "ui/CommandTexts.h"

#include <algorithm>

#include "ui/MainDialog.h"

namespace vm {

namespace {

constexpr size_t kPagesNamed = 10;

std::u16string Number(int64_t value) {
  const std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

}  // namespace

std::u16string CounterCaption(int32_t position, int32_t count) {
  return std::u16string(kMainDialogCaption) + u" - " + Number(position) + u" / " + Number(count);
}

std::u16string ProtectedCountText(int32_t count) {
  return u"개인 정보 " + Number(count) + u"건을 보호 문자로 바꿨습니다.";
}

std::u16string IncompleteScanText(const ScanReport& report) {
  if (report.aborted) {
    return u"문서를 끝까지 검색하지 못했습니다. 검색하지 못한 부분에 개인 정보가 남아 있을 수 "
           u"있습니다.";
  }
  if (report.incompletePages.empty()) return {};
  std::u16string pages;
  const size_t named = std::min(report.incompletePages.size(), kPagesNamed);
  for (size_t i = 0; i < named; ++i) {
    if (i > 0) pages += u", ";
    pages += Number(int64_t{report.incompletePages[i]} + 1);
  }
  if (report.incompletePages.size() > named) {
    pages += u" 외 " + Number(static_cast<int64_t>(report.incompletePages.size() - named)) + u"개 페이지";
  }
  return u"다음 페이지는 끝까지 검색하지 못했습니다: " + pages +
         u"\n이 페이지에 찾지 못한 개인 정보가 남아 있을 수 있습니다.";
}

std::u16string WithScanNotice(const std::u16string& text, const ScanReport& report) {
  const std::u16string notice = IncompleteScanText(report);
  return notice.empty() ? text : text + u"\n\n" + notice;
}

}  // namespace vm
