// The ribbon command: function 5 of the UiCallbackRecord, and the button's callbacks.
#pragma once

#include <string_view>

#include "HostAbi.h"

namespace vm {

inline constexpr char16_t kHostSecurityCategoryTitle[] = u"보안";
inline constexpr char16_t kHostProtectionPanelText[] = u"블랙마킹 보호";
inline constexpr char kRibbonCategoryName[] = "Ribbon_Category_Veilmark";
inline constexpr char16_t kRibbonCategoryTitle[] = u"개인정보 보호";
inline constexpr char kRibbonPanelName[] = "Panel_Veilmark";
inline constexpr char16_t kRibbonPanelTitle[] = u"개인정보 보호";
inline constexpr char kRibbonElementName[] = "Ctrl_Veilmark_Mask";
inline constexpr char16_t kRibbonElementTitle[] = u"개인정보바꾸기";
inline constexpr char16_t kRibbonButtonTitle[] = u"개인정보보호";
inline constexpr char16_t kRibbonButtonDescription[] = u"현재 문서에서 개인정보를 찾아 바꿉니다";
inline constexpr char kRibbonClickText[] = "btn_mask";
inline constexpr uint16_t kLargeImageResource = 1014;  // 32 x 32 RGBA PNG
inline constexpr uint16_t kSmallImageResource = 1015;  // 16 x 16 RGBA PNG

// Adds the module's panel and button to the host's ribbon; 0 when a step failed. A second call
// finds the panel and adds nothing.
int32_t VM_CALL BuildRibbon();

// The first category of the bar titled exactly `title`; null when none (or no bar).
HostHandle FindCategoryByTitle(HostHandle bar, const char16_t* title);
// The index of the first panel whose title contains `text`; -1 when none.
int32_t FindPanelByTitle(HostHandle category, std::u16string_view text);
// A host image of the module's PNG resource `number`; null when the host makes none.
HostHandle LoadModuleImage(uint16_t number);

// Button callbacks: the click (opens the main dialog for "btn_mask", any letter case), the
// enabled state (an active document exists) and the second state (always 0).
void VM_CALL OnRibbonCommand(const char* text);
int32_t VM_CALL HasActiveDocument();
int32_t VM_CALL RibbonSecondState();

}  // namespace vm
