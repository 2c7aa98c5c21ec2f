// The texts, captions and message flags of the find and protect commands.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "detect/ScanDocument.h"

namespace vm {

inline constexpr UINT kReshowFirstDelay = 500;  // ms; the window procedure re-arms with 600

inline constexpr int32_t kFlagsError = 16;
inline constexpr int32_t kFlagsWarning = 48;
inline constexpr int32_t kFlagsInformation = 64;
inline constexpr int32_t kFlagsYesNoWarning = 52;
inline constexpr int32_t kAnswerYes = 6;

inline constexpr char16_t kFindCaption[] = u"찾기";
inline constexpr char16_t kFindNextText[] = u"다음 찾기(&F)";
inline constexpr char16_t kNoCategoryText[] = u"하나 이상의 개인 정보 항목을 선택하세요.";
inline constexpr char16_t kNoDocumentText[] = u"열린 문서가 없습니다. PDF 문서를 먼저 여세요.";
inline constexpr char16_t kFoundNothingText[] = u"선택한 항목에 해당하는 개인 정보를 찾지 못했습니다.";
inline constexpr char16_t kWrapQuestionText[] =
    u"문서의 마지막까지 찾았습니다. 문서의 처음으로 이동하여 계속 찾을까요?";
inline constexpr char16_t kNothingToProtectText[] = u"보호할 개인 정보를 찾지 못했습니다.";
inline constexpr char16_t kApplyFailedText[] = u"적용에 실패했습니다.";

// "개인 정보 보호하기 - 3 / 12"
std::u16string CounterCaption(int32_t position, int32_t count);
// "개인 정보 12건을 보호 문자로 바꿨습니다."
std::u16string ProtectedCountText(int32_t count);

// What the user must know when a scan did not search everything: which pages (1-based, at most
// ten named) or that the scan stopped early. Empty for a complete scan.
std::u16string IncompleteScanText(const ScanReport& report);

// `text`, followed on a new line by the incomplete-scan notice when there is one.
std::u16string WithScanNotice(const std::u16string& text, const ScanReport& report);

}  // namespace vm
