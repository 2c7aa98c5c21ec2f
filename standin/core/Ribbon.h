// The stand-in host's ribbon (host 20:80 and 151 to 155): categories of panels of elements,
// each element with one button. Tests build the host's own categories, then read what the
// module added and click its buttons.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "HostAbi.h"

namespace standin {

// An image made from a module's PNG resource (host 2:50, released by 2:2; tracked under
// kImageKind). A button keeps a copy: the module releases its images at once.
inline constexpr char kImageKind[] = "image";
struct RibbonImage {
  int width = 0;
  int height = 0;
  int bitDepth = 0;
  int colorType = 0;  // PNG colour type; 6 is RGBA
};

struct RibbonButton {
  std::u16string title;                  // 154:13
  std::u16string description;            // 154:15
  std::string clickText;                 // 154:7
  RibbonClickFn click = nullptr;         // 154:1
  RibbonStateFn firstState = nullptr;    // 154:2
  RibbonStateFn secondState = nullptr;   // 154:3
  bool hasImages = false;                // 154:19 called
  std::unique_ptr<RibbonImage> largeImage;  // null when the module passed none
  std::unique_ptr<RibbonImage> smallImage;
};

struct RibbonElement {
  std::string name;
  std::u16string title;
  int32_t shown = 0;                     // 155:1
  RibbonButton button;
};

struct RibbonPanel {
  std::string name;
  std::u16string title;
  std::vector<std::unique_ptr<RibbonElement>> elements;
};

struct RibbonCategory {
  std::string name;
  std::u16string title;
  std::vector<std::unique_ptr<RibbonPanel>> panels;
  int32_t refreshCalls = 0;              // 152:15
};

// Whether 20:80 hands out the bar (it does unless a test says otherwise).
void SetRibbonBarAvailable(bool available);
// The host's own items, as a test sets them up before the module builds its command.
RibbonCategory& AddRibbonCategory(const std::string& name, const std::u16string& title);
RibbonPanel& AddRibbonPanel(RibbonCategory& category, const std::string& name, const std::u16string& title);
const std::vector<std::unique_ptr<RibbonCategory>>& RibbonCategories();
// The element of that name anywhere on the ribbon; null when none.
RibbonElement* FindRibbonElement(const std::string& name);
// What the host does when the user clicks the element's button: the click callback with the
// registered text. False when there is no such button or no callback.
bool ClickRibbonButton(const std::string& elementName);
// The button's enabled state as the host asks for it (the first state callback); -1 when none.
int32_t RibbonButtonState(const std::string& elementName);

}  // namespace standin
