#include "host/Ribbon.h"

#include "host/HostCall.h"
#include "host/UiEntry.h"

namespace vm {

namespace {

bool EqualsIgnoringAsciiCase(const char* text, std::string_view expected) {
  size_t i = 0;
  for (; text[i] != '\0'; ++i) {
    if (i == expected.size()) return false;
    char a = text[i], b = expected[i];
    if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
    if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
    if (a != b) return false;
  }
  return i == expected.size();
}

// The module's own category, created when missing; null when the host makes none.
HostHandle OwnCategory(HostHandle bar) {
  HostHandle category = Host<151, 6>(bar, kRibbonCategoryName);
  if (!category) {
    Host<151, 0>(bar, kRibbonCategoryName, kRibbonCategoryTitle);
    category = Host<151, 6>(bar, kRibbonCategoryName);
  }
  return category;
}

}  // namespace

HostHandle FindCategoryByTitle(HostHandle bar, const char16_t* title) {
  if (!bar) return nullptr;
  int32_t count = Host<151, 4>(bar);
  HostHandle titleText = Host<18, 0>();
  HostHandle found = nullptr;
  for (int32_t i = 0; i < count && !found; ++i) {
    HostHandle category = Host<151, 5>(bar, i);
    if (!category) continue;
    Host<152, 1>(category, &titleText);
    if (Host<18, 8>(titleText, title) != 0) found = category;
  }
  Host<18, 3>(titleText);
  return found;
}

int32_t FindPanelByTitle(HostHandle category, std::u16string_view text) {
  if (!category) return -1;
  int32_t count = Host<152, 9>(category);
  HostHandle titleText = Host<18, 0>();
  int32_t found = -1;
  for (int32_t i = 0; i < count && found < 0; ++i) {
    HostHandle panel = Host<152, 10>(category, i);
    if (!panel) continue;
    Host<153, 6>(panel, &titleText);
    const char16_t* title = Host<18, 42>(titleText);
    if (title && std::u16string_view(title).find(text) != std::u16string_view::npos) found = i;
  }
  Host<18, 3>(titleText);
  return found;
}

HostHandle LoadModuleImage(uint16_t number) { return Host<2, 50>(ModuleResourceHandle(), number); }

int32_t VM_CALL BuildRibbon() {
  HostHandle bar = Host<20, 80>(0);
  if (!bar) return 0;

  HostHandle category = FindCategoryByTitle(bar, kHostSecurityCategoryTitle);
  int32_t position = 0;
  if (category) {
    int32_t index = FindPanelByTitle(category, kHostProtectionPanelText);
    position = index >= 0 ? index + 1 : Host<152, 9>(category);
  } else {
    category = OwnCategory(bar);
    if (!category) return 0;
  }

  // Built before: the panel is there already. Its handle is not handed back, since a 32-bit
  // truncation of it could read as the failure value.
  if (Host<152, 11>(category, kRibbonPanelName)) return 1;
  HostHandle panel = Host<152, 16>(category, kRibbonPanelName, kRibbonPanelTitle, 0, position);
  if (!panel) return 0;
  HostHandle element = Host<153, 0>(panel, 0, kRibbonElementName, kRibbonElementTitle, 0);
  if (!element) return 0;
  HostHandle button = Host<155, 0>(element);
  if (!button) return 0;

  HostHandle largeImage = LoadModuleImage(kLargeImageResource);
  HostHandle smallImage = LoadModuleImage(kSmallImageResource);
  Host<154, 19>(button, largeImage, smallImage);
  if (largeImage) Host<2, 2>(largeImage);
  if (smallImage) Host<2, 2>(smallImage);

  Host<154, 13>(button, kRibbonButtonTitle);
  Host<154, 15>(button, kRibbonButtonDescription);
  Host<155, 1>(element, 1);
  Host<154, 7>(button, kRibbonClickText, 0);
  Host<154, 1>(button, &OnRibbonCommand);
  Host<154, 2>(button, &HasActiveDocument);
  Host<154, 3>(button, &RibbonSecondState);
  return Host<152, 15>(category, 1);
}

void VM_CALL OnRibbonCommand(const char* text) {
  if (!text || !EqualsIgnoringAsciiCase(text, kRibbonClickText)) return;
  OpenMainDialogForHost(Host<20, 36>());
}

int32_t VM_CALL HasActiveDocument() { return Host<20, 24>() ? 1 : 0; }

int32_t VM_CALL RibbonSecondState() { return 0; }

}  // namespace vm
