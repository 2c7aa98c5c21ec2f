// The ribbon command: where the module's panel goes, what its button carries, and what a click
// does. The host's own categories are set up before the module is loaded, which builds it.
#include "ui/UiTest.h"

#include <string>
#include <vector>

#include "core/Application.h"
#include "core/Ribbon.h"
#include "core/StandinHost.h"
#include "host/Ribbon.h"
#include "ui/MainDialog.h"
#include "win/HostMainWindow.h"

namespace {

std::vector<std::string> PanelNames(const standin::RibbonCategory& category) {
  std::vector<std::string> names;
  for (const auto& panel : category.panels) names.push_back(panel->name);
  return names;
}

const standin::RibbonCategory* CategoryNamed(const std::string& name) {
  for (const auto& category : standin::RibbonCategories())
    if (category->name == name) return category.get();
  return nullptr;
}

int32_t BuildResult() { return standin::LastPlugin()->buildRibbonResult; }

class RibbonNextToProtectionPanel : public uitest::UiTest {
  void PrepareHost() override {
    auto& security = standin::AddRibbonCategory("Host_Security", u"보안");
    standin::AddRibbonPanel(security, "P0", u"암호");
    standin::AddRibbonPanel(security, "P1", u"인증서");
    standin::AddRibbonPanel(security, "P2", u"블랙마킹 보호 및 검토");
    standin::AddRibbonPanel(security, "P3", u"서명");
  }
};

TEST_F(RibbonNextToProtectionPanel, GoesRightAfterItAndASecondBuildAddsNothing) {
  EXPECT_NE(BuildResult(), 0);
  const auto* security = CategoryNamed("Host_Security");
  EXPECT_EQ(PanelNames(*security), (std::vector<std::string>{"P0", "P1", "P2", "Panel_Veilmark", "P3"}));
  EXPECT_EQ(CategoryNamed("Ribbon_Category_Veilmark"), nullptr);
  EXPECT_EQ(security->refreshCalls, 1);

  EXPECT_NE(vm::BuildRibbon(), 0);
  EXPECT_EQ(PanelNames(*security).size(), 5u);
  EXPECT_EQ(security->panels[3]->elements.size(), 1u);
}

class RibbonWithoutProtectionPanel : public uitest::UiTest {
  void PrepareHost() override {
    standin::AddRibbonCategory("Host_View", u"보기");
    auto& security = standin::AddRibbonCategory("Host_Security", u"보안");
    standin::AddRibbonPanel(security, "P0", u"암호");
    standin::AddRibbonPanel(security, "P1", u"블랙마킹");  // not the whole text searched for
  }
};

TEST_F(RibbonWithoutProtectionPanel, GoesAfterTheLastPanelOfTheSecurityCategory) {
  EXPECT_NE(BuildResult(), 0);
  EXPECT_EQ(PanelNames(*CategoryNamed("Host_Security")),
            (std::vector<std::string>{"P0", "P1", "Panel_Veilmark"}));
  EXPECT_TRUE(CategoryNamed("Host_View")->panels.empty());
}

class RibbonWithoutSecurityCategory : public uitest::UiTest {
  void PrepareHost() override { standin::AddRibbonCategory("Host_Home", u"홈 보안"); }
};

TEST_F(RibbonWithoutSecurityCategory, MakesItsOwnCategoryOnceAndPutsThePanelFirst) {
  EXPECT_NE(BuildResult(), 0);
  const auto* own = CategoryNamed("Ribbon_Category_Veilmark");
  ASSERT_NE(own, nullptr);
  EXPECT_EQ(own->title, u"개인정보 보호");
  ASSERT_EQ(PanelNames(*own), std::vector<std::string>{"Panel_Veilmark"});
  EXPECT_EQ(own->panels[0]->title, u"개인정보 보호");

  // Built again into a ribbon whose own category exists but is empty: reused, panel at 0.
  const_cast<standin::RibbonCategory*>(own)->panels.clear();
  EXPECT_NE(vm::BuildRibbon(), 0);
  EXPECT_EQ(standin::RibbonCategories().size(), 2u);
  EXPECT_EQ(PanelNames(*own), std::vector<std::string>{"Panel_Veilmark"});
}

class RibbonButton : public uitest::UiTest {};

TEST_F(RibbonButton, CarriesTitlesClickTextCallbacksAndBothImages) {
  const standin::RibbonElement* element = standin::FindRibbonElement("Ctrl_Veilmark_Mask");
  ASSERT_NE(element, nullptr);
  EXPECT_EQ(element->title, u"개인정보바꾸기");
  EXPECT_EQ(element->shown, 1);
  const standin::RibbonButton& button = element->button;
  EXPECT_EQ(button.title, u"개인정보보호");
  EXPECT_EQ(button.description, u"현재 문서에서 개인정보를 찾아 바꿉니다");
  EXPECT_EQ(button.clickText, "btn_mask");
  ASSERT_NE(button.secondState, nullptr);
  EXPECT_EQ(button.secondState(), 0);

  // Made from the module's PNG resources and released as soon as they were handed over.
  ASSERT_TRUE(button.largeImage && button.smallImage);
  EXPECT_EQ(std::vector<int>({button.largeImage->width, button.largeImage->height, button.largeImage->bitDepth,
                              button.largeImage->colorType}),
            std::vector<int>({32, 32, 8, 6}));
  EXPECT_EQ(std::vector<int>({button.smallImage->width, button.smallImage->height, button.smallImage->bitDepth,
                              button.smallImage->colorType}),
            std::vector<int>({16, 16, 8, 6}));
  EXPECT_EQ(standin::Table().CountCalls(2, 2), 2);
}

TEST_F(RibbonButton, IsEnabledOnlyWithAnActiveDocument) {
  EXPECT_EQ(standin::RibbonButtonState("Ctrl_Veilmark_Mask"), 0);
  standin::OpenHostDocumentFromContent({"BT ET"});
  EXPECT_EQ(standin::RibbonButtonState("Ctrl_Veilmark_Mask"), 1);
}

TEST_F(RibbonButton, ClickOpensTheDialogOwnedByTheMainWindowWhateverTheLetterCase) {
  auto& button = standin::FindRibbonElement("Ctrl_Veilmark_Mask")->button;
  for (const char* other : {"btn_mask2", "btn_mas", "", "btn-mask"}) {
    button.clickText = other;
    ASSERT_TRUE(standin::ClickRibbonButton("Ctrl_Veilmark_Mask"));
    EXPECT_EQ(vm::MainDialogWindow(), nullptr) << other;
  }
  vm::OnRibbonCommand(nullptr);
  EXPECT_EQ(vm::MainDialogWindow(), nullptr);

  button.clickText = "BTN_Mask";
  ASSERT_TRUE(standin::ClickRibbonButton("Ctrl_Veilmark_Mask"));
  HWND dialog = vm::MainDialogWindow();
  ASSERT_NE(dialog, nullptr);
  HWND owner = standin::HostMainWindow();
  EXPECT_EQ(GetWindow(dialog, GW_OWNER), owner);

  // Centred on the owner's window rectangle.
  RECT ownerRect, dialogRect;
  GetWindowRect(owner, &ownerRect);
  GetWindowRect(dialog, &dialogRect);
  EXPECT_EQ(dialogRect.left - ownerRect.left, (ownerRect.right - ownerRect.left - (dialogRect.right - dialogRect.left)) / 2);
  EXPECT_EQ(dialogRect.top - ownerRect.top, (ownerRect.bottom - ownerRect.top - (dialogRect.bottom - dialogRect.top)) / 2);
}

class RibbonWithoutBar : public uitest::UiTest {
  void PrepareHost() override { standin::SetRibbonBarAvailable(false); }
};

TEST_F(RibbonWithoutBar, BuildsNothing) {
  EXPECT_EQ(BuildResult(), 0);
  EXPECT_TRUE(standin::RibbonCategories().empty());
}

}  // namespace
