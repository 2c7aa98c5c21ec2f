#include "core/Ribbon.h"

#include <algorithm>

#include "core/CoreParts.h"
#include "core/Services.h"

namespace standin {

namespace {

struct RibbonState {
  bool barAvailable = true;
  char barTag = 0;  // its address is the bar's handle
  std::vector<std::unique_ptr<RibbonCategory>> categories;
};

RibbonState& State() {
  static RibbonState* state = new RibbonState;
  return *state;
}

bool IsBar(HostHandle bar) { return bar && bar == &State().barTag; }

// Handles are the items' addresses; these find them only while they are on the ribbon.
RibbonCategory* CategoryOf(HostHandle handle) {
  for (auto& category : State().categories)
    if (category.get() == handle) return category.get();
  return nullptr;
}

RibbonPanel* PanelOf(HostHandle handle) {
  for (auto& category : State().categories)
    for (auto& panel : category->panels)
      if (panel.get() == handle) return panel.get();
  return nullptr;
}

RibbonElement* ElementOf(HostHandle handle) {
  for (auto& category : State().categories)
    for (auto& panel : category->panels)
      for (auto& element : panel->elements)
        if (element.get() == handle) return element.get();
  return nullptr;
}

RibbonButton* ButtonOf(HostHandle handle) {
  for (auto& category : State().categories)
    for (auto& panel : category->panels)
      for (auto& element : panel->elements)
        if (&element->button == handle) return &element->button;
  return nullptr;
}

void FillWideString(HostHandle* target, const std::u16string& text) {
  if (target && Tracker().IsLive(kWideStringKind, *target)) static_cast<WideString*>(*target)->text = text;
}

std::unique_ptr<RibbonImage> CopyOfImage(HostHandle image) {
  const RibbonImage* live = Tracker().IsLive(kImageKind, image) ? static_cast<const RibbonImage*>(image) : nullptr;
  return live ? std::make_unique<RibbonImage>(*live) : nullptr;
}

// ---- 20:80, 151: bar and categories ----
HostHandle VM_CALL RibbonBar(int32_t) { return State().barAvailable ? &State().barTag : nullptr; }
HostHandle VM_CALL AddCategory(HostHandle bar, const char* name, const char16_t* title) {
  if (!IsBar(bar) || !name) return nullptr;
  return &AddRibbonCategory(name, title ? title : u"");
}
int32_t VM_CALL CategoryCount(HostHandle bar) {
  return IsBar(bar) ? static_cast<int32_t>(State().categories.size()) : 0;
}
HostHandle VM_CALL CategoryAt(HostHandle bar, int32_t index) {
  if (!IsBar(bar) || index < 0 || static_cast<size_t>(index) >= State().categories.size()) return nullptr;
  return State().categories[static_cast<size_t>(index)].get();
}
HostHandle VM_CALL CategoryByName(HostHandle bar, const char* name) {
  if (!IsBar(bar) || !name) return nullptr;
  for (auto& category : State().categories)
    if (category->name == name) return category.get();
  return nullptr;
}

// ---- 152: category ----
void VM_CALL CategoryTitle(HostHandle handle, HostHandle* text) {
  if (RibbonCategory* category = CategoryOf(handle)) FillWideString(text, category->title);
}
int32_t VM_CALL PanelCount(HostHandle handle) {
  RibbonCategory* category = CategoryOf(handle);
  return category ? static_cast<int32_t>(category->panels.size()) : 0;
}
HostHandle VM_CALL PanelAt(HostHandle handle, int32_t index) {
  RibbonCategory* category = CategoryOf(handle);
  if (!category || index < 0 || static_cast<size_t>(index) >= category->panels.size()) return nullptr;
  return category->panels[static_cast<size_t>(index)].get();
}
HostHandle VM_CALL PanelByName(HostHandle handle, const char* name) {
  RibbonCategory* category = CategoryOf(handle);
  if (!category || !name) return nullptr;
  for (auto& panel : category->panels)
    if (panel->name == name) return panel.get();
  return nullptr;
}
int32_t VM_CALL RefreshCategory(HostHandle handle, int32_t) {
  RibbonCategory* category = CategoryOf(handle);
  if (!category) return 0;
  ++category->refreshCalls;
  return 1;
}
HostHandle VM_CALL AddPanel(HostHandle handle, const char* name, const char16_t* title, int32_t,
                            int32_t position) {
  RibbonCategory* category = CategoryOf(handle);
  if (!category || !name) return nullptr;
  auto panel = std::make_unique<RibbonPanel>();
  panel->name = name;
  panel->title = title ? title : u"";
  auto at = static_cast<size_t>(std::clamp<int32_t>(position, 0, static_cast<int32_t>(category->panels.size())));
  return category->panels.insert(category->panels.begin() + static_cast<std::ptrdiff_t>(at), std::move(panel))->get();
}

// ---- 153: panel ----
HostHandle VM_CALL AddElement(HostHandle handle, int32_t, const char* name, const char16_t* title, int32_t) {
  RibbonPanel* panel = PanelOf(handle);
  if (!panel || !name) return nullptr;
  auto element = std::make_unique<RibbonElement>();
  element->name = name;
  element->title = title ? title : u"";
  panel->elements.push_back(std::move(element));
  return panel->elements.back().get();
}
void VM_CALL PanelTitle(HostHandle handle, HostHandle* text) {
  if (RibbonPanel* panel = PanelOf(handle)) FillWideString(text, panel->title);
}

// ---- 154: button ----
void VM_CALL SetClick(HostHandle handle, RibbonClickFn callback) {
  if (RibbonButton* button = ButtonOf(handle)) button->click = callback;
}
void VM_CALL SetFirstState(HostHandle handle, RibbonStateFn callback) {
  if (RibbonButton* button = ButtonOf(handle)) button->firstState = callback;
}
void VM_CALL SetSecondState(HostHandle handle, RibbonStateFn callback) {
  if (RibbonButton* button = ButtonOf(handle)) button->secondState = callback;
}
void VM_CALL SetClickText(HostHandle handle, const char* text, int32_t) {
  if (RibbonButton* button = ButtonOf(handle)) button->clickText = text ? text : "";
}
void VM_CALL SetTitle(HostHandle handle, const char16_t* title) {
  if (RibbonButton* button = ButtonOf(handle)) button->title = title ? title : u"";
}
void VM_CALL SetDescription(HostHandle handle, const char16_t* description) {
  if (RibbonButton* button = ButtonOf(handle)) button->description = description ? description : u"";
}
void VM_CALL SetImages(HostHandle handle, HostHandle largeImage, HostHandle smallImage) {
  RibbonButton* button = ButtonOf(handle);
  if (!button) return;
  button->hasImages = true;
  button->largeImage = CopyOfImage(largeImage);
  button->smallImage = CopyOfImage(smallImage);
}

// ---- 155: element ----
HostHandle VM_CALL ButtonOfElement(HostHandle handle) {
  RibbonElement* element = ElementOf(handle);
  return element ? &element->button : nullptr;
}
void VM_CALL ShowElement(HostHandle handle, int32_t shown) {
  if (RibbonElement* element = ElementOf(handle)) element->shown = shown;
}

}  // namespace

void RegisterRibbonFunctions(FunctionTable& table) {
  table.Implement<20, 80>(&RibbonBar);
  table.Implement<151, 0>(&AddCategory);
  table.Implement<151, 4>(&CategoryCount);
  table.Implement<151, 5>(&CategoryAt);
  table.Implement<151, 6>(&CategoryByName);
  table.Implement<152, 1>(&CategoryTitle);
  table.Implement<152, 9>(&PanelCount);
  table.Implement<152, 10>(&PanelAt);
  table.Implement<152, 11>(&PanelByName);
  table.Implement<152, 15>(&RefreshCategory);
  table.Implement<152, 16>(&AddPanel);
  table.Implement<153, 0>(&AddElement);
  table.Implement<153, 6>(&PanelTitle);
  table.Implement<154, 1>(&SetClick);
  table.Implement<154, 2>(&SetFirstState);
  table.Implement<154, 3>(&SetSecondState);
  table.Implement<154, 7>(&SetClickText);
  table.Implement<154, 13>(&SetTitle);
  table.Implement<154, 15>(&SetDescription);
  table.Implement<154, 19>(&SetImages);
  table.Implement<155, 0>(&ButtonOfElement);
  table.Implement<155, 1>(&ShowElement);
}

void SetRibbonBarAvailable(bool available) { State().barAvailable = available; }

RibbonCategory& AddRibbonCategory(const std::string& name, const std::u16string& title) {
  auto category = std::make_unique<RibbonCategory>();
  category->name = name;
  category->title = title;
  State().categories.push_back(std::move(category));
  return *State().categories.back();
}

RibbonPanel& AddRibbonPanel(RibbonCategory& category, const std::string& name, const std::u16string& title) {
  auto panel = std::make_unique<RibbonPanel>();
  panel->name = name;
  panel->title = title;
  category.panels.push_back(std::move(panel));
  return *category.panels.back();
}

const std::vector<std::unique_ptr<RibbonCategory>>& RibbonCategories() { return State().categories; }

RibbonElement* FindRibbonElement(const std::string& name) {
  for (auto& category : State().categories)
    for (auto& panel : category->panels)
      for (auto& element : panel->elements)
        if (element->name == name) return element.get();
  return nullptr;
}

bool ClickRibbonButton(const std::string& elementName) {
  RibbonElement* element = FindRibbonElement(elementName);
  if (!element || !element->button.click) return false;
  element->button.click(element->button.clickText.c_str());
  return true;
}

int32_t RibbonButtonState(const std::string& elementName) {
  RibbonElement* element = FindRibbonElement(elementName);
  return element && element->button.firstState ? element->button.firstState() : -1;
}

void ResetRibbon() {
  State().barAvailable = true;
  State().categories.clear();
}

}  // namespace standin
