#include "LoadChecks.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "Expect.h"
#include "Sample.h"
#include "core/Application.h"
#include "core/Ribbon.h"
#include "core/StandinHost.h"
#include "win/HostMainWindow.h"

namespace winhost {

namespace {

const standin::LoadedPlugin* g_plugin = nullptr;

constexpr char kElement[] = "Ctrl_Veilmark_Mask";

void CheckImage(const standin::RibbonImage* image, int size, const std::string& what) {
  if (!Expect(image != nullptr, what + ": no image from the DLL's PNG resource")) return;
  ExpectEqual(image->width, size, what + " width");
  ExpectEqual(image->height, size, what + " height");
  ExpectEqual(image->bitDepth, 8, what + " bit depth");
  ExpectEqual(image->colorType, 6, what + " PNG colour type (6: RGBA)");
}

}  // namespace

bool LoadModule(const wchar_t* path) {
  // The editor's own ribbon: a security category whose second panel is its blackout protection.
  standin::RibbonCategory& security = standin::AddRibbonCategory("Ribbon_Category_Security", u"보안");
  standin::AddRibbonPanel(security, "Panel_Document", u"문서 보호");
  standin::AddRibbonPanel(security, "Panel_Blackout", u"블랙마킹 보호 도구");
  standin::AddRibbonPanel(security, "Panel_Signature", u"전자 서명");

  HMODULE module = LoadLibraryW(path);
  if (!module) {
    std::printf("cannot load %ls (error %lu)\n", path, GetLastError());
    return false;
  }
  auto main = reinterpret_cast<PlugInMainFn>(reinterpret_cast<void*>(GetProcAddress(module, "PlugInMain")));
  if (!main) {
    std::printf("%ls has no export PlugInMain\n", path);
    return false;
  }
  std::string error;
  g_plugin = standin::LoadPlugin(main, &error);
  if (!g_plugin) {
    std::printf("the handshake failed: %s\n", error.c_str());
    return false;
  }
  return true;
}

void CheckHandshake() {
  const standin::LoadedPlugin& plugin = *g_plugin;
  ExpectEqual(plugin.version, kHostInterfaceVersion, "interface version from PlugInMain");
  ExpectEqual(plugin.mainResult, 1, "PlugInMain's result");
  ExpectEqual(plugin.setupResult, 1, "setup's result");
  ExpectEqual(plugin.handshakeResult, 1, "handshake's result");
  ExpectEqual(plugin.declaredValue, kHostDeclaredValue, "value declared in the setup");
  Expect(plugin.name == "Veilmark", "plug-in name \"" + plugin.name + "\", expected \"Veilmark\"");
  ExpectEqual(plugin.wideName, u"Veilmark", "plug-in wide name");
  const std::vector<std::string> order = {"table", "id", "handshake", "declare", "name", "lifecycle1",
                                          "lifecycle2", "lifecycle3", "ui", "lifecycle4"};
  std::string events;
  for (const std::string& event : plugin.events) events += event + " ";
  Expect(plugin.events == order, "handshake steps in the order the host expects: " + events);
  for (int i = 0; i < 4; ++i) {
    if (Expect(plugin.lifecycle[i] != nullptr, "lifecycle callback " + std::to_string(i + 1))) {
      ExpectEqual(plugin.lifecycle[i](), 1, "lifecycle callback " + std::to_string(i + 1) + "'s answer");
    }
  }
  const UiCallbackRecord& ui = plugin.uiCallbacks;
  ExpectEqual(ui.size, sizeof(UiCallbackRecord), "size of the user-interface callback record");
  Expect(ui.reserved1 == nullptr && ui.reserved2 == nullptr, "reserved slots of the callback record are null");
  for (UiIdleFn idle : {ui.function1, ui.function2, ui.function3, ui.function4, ui.function6}) {
    if (Expect(idle != nullptr, "idle user-interface function")) idle();
  }
  Expect(plugin.buildRibbonResult != 0, "the ribbon was built");
}

void CheckRibbon() {
  const auto& categories = standin::RibbonCategories();
  ExpectEqual(static_cast<long long>(categories.size()), 1, "ribbon categories (the module adds none next to 보안)");
  if (!categories.empty()) {
    const auto& panels = categories.front()->panels;
    Expect(panels.size() == 4 && panels[2]->name == "Panel_Veilmark",
           "the module's panel stands right after the blackout protection panel");
  }
  standin::RibbonElement* element = standin::FindRibbonElement(kElement);
  if (!Expect(element != nullptr, "ribbon element Ctrl_Veilmark_Mask")) return;
  ExpectEqual(element->title, u"개인정보바꾸기", "element title");
  ExpectEqual(element->shown, 1, "element shown");
  const standin::RibbonButton& button = element->button;
  ExpectEqual(button.title, u"개인정보보호", "button title");
  ExpectEqual(button.description, u"현재 문서에서 개인정보를 찾아 바꿉니다", "button description");
  Expect(button.clickText == "btn_mask", "click text \"" + button.clickText + "\", expected \"btn_mask\"");
  CheckImage(button.largeImage.get(), 32, "large button image (1014)");
  CheckImage(button.smallImage.get(), 16, "small button image (1015)");
  Expect(standin::Tracker().Outstanding().empty(), "the module released the images it made");

  ExpectEqual(standin::RibbonButtonState(kElement), 1, "button enabled with a document open");
  CloseSample();
  ExpectEqual(standin::RibbonButtonState(kElement), 0, "button disabled with no document");
  OpenSample();
  if (button.secondState) ExpectEqual(button.secondState(), 0, "the button's second state");
}

}  // namespace winhost
