// Page parsing and character queries, checked by the host calls they make.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/Application.h"
#include "core/StandinHost.h"
#include "host/HostCall.h"
#include "host/PageAccess.h"
#include "host/PlugIn.h"

namespace {

std::vector<std::string> CallLog() {
  std::vector<std::string> calls;
  for (const standin::HostCall& call : standin::Table().Log())
    calls.push_back(std::to_string(call.category) + ":" + std::to_string(call.selector));
  return calls;
}

class PageAccessTest : public testing::Test {
 protected:
  void SetUp() override {
    standin::ResetHost();
    ASSERT_NE(standin::LoadPlugin(&vm::PlugInMain, nullptr), nullptr);
    standin::Table().ClearLog();
  }
  void TearDown() override {
    EXPECT_TRUE(standin::Tracker().Outstanding().empty());
    EXPECT_TRUE(standin::Tracker().Faults().empty());
    standin::ResetHost();
  }
  // Any distinct address serves as a page: the parse state is kept per handle.
  int pageStorage_ = 0;
  HostHandle page_ = &pageStorage_;
};

TEST_F(PageAccessTest, ParsedPageCostsOneCall) {
  standin::SetPageParsed(page_, true);
  EXPECT_TRUE(vm::EnsurePageParsed(page_));
  EXPECT_EQ(CallLog(), std::vector<std::string>{"73:4"});
}

TEST_F(PageAccessTest, PageParsedByStartStepNeedsNoContinueStep) {
  standin::SetParseContinueSteps(0);
  EXPECT_TRUE(vm::EnsurePageParsed(page_));
  EXPECT_EQ(CallLog(), (std::vector<std::string>{"73:4", "74:0", "73:28", "73:4", "74:1"}));
}

// The continue step runs until the page is parsed, or up to the limit for a page that never is;
// the pause object is released either way.
TEST_F(PageAccessTest, ContinuesUntilParsedOrTheLimitThenReleasesPause) {
  for (int steps : {3, -1}) {
    standin::ResetHost();
    ASSERT_NE(standin::LoadPlugin(&vm::PlugInMain, nullptr), nullptr);
    standin::SetParseContinueSteps(steps);
    EXPECT_EQ(vm::EnsurePageParsed(page_), steps > 0);
    EXPECT_EQ(standin::IsPageParsed(page_), steps > 0);
    EXPECT_EQ(standin::ParseContinueCalls(page_), steps > 0 ? steps : vm::kMaxParseContinueSteps);
    EXPECT_EQ(standin::Table().CountCalls(74, 0), 1);
    EXPECT_EQ(standin::Table().CountCalls(74, 1), 1);
    EXPECT_EQ(CallLog().back(), "74:1");
  }
}

TEST_F(PageAccessTest, DocumentPagesStartUnparsedAndStayParsed) {
  HostHandle doc = standin::OpenHostDocumentFromContent({"BT /F1 12 Tf 72 700 Td (a) Tj ET", ""});
  HostHandle view = vm::Host<26, 24>(doc);
  HostHandle page = vm::Host<32, 2>(vm::Host<31, 2>(view, 1));
  ASSERT_NE(page, nullptr);
  EXPECT_FALSE(standin::IsPageParsed(page));
  standin::SetParseContinueSteps(2);
  EXPECT_TRUE(vm::EnsurePageParsed(page));

  standin::Table().ClearLog();
  EXPECT_TRUE(vm::EnsurePageParsed(page));
  EXPECT_EQ(CallLog(), std::vector<std::string>{"73:4"});

  standin::CloseHostDocument(doc);  // a later page at the same address starts afresh
  EXPECT_FALSE(standin::IsPageParsed(page));
}

// The host fills a few fields; whatever the host puts in the record, the object of bytes 0-3 is
// the one from 7:0 during the query and is released right after it.
TEST_F(PageAccessTest, CharInfoQueryBracketsTheObjectAndKeepsTheAnswer) {
  static HostHandle objectDuringQuery;
  static int textObject = 0;
  standin::Table().Override<120, 5>([](HostHandle, int32_t index, HostCharInfo* info) -> int32_t {
    objectDuringQuery = info->object;
    EXPECT_TRUE(standin::Tracker().IsLive("charinfo", info->object));
    EXPECT_EQ(info->textObject, nullptr);  // zero-filled before the query
    info->fontSize = 10.5f;
    info->a = 2.0f;
    info->d = 3.0f;
    info->textObject = index == 1 ? &textObject : nullptr;
    info->itemIndex = index * 7;
    return 1;
  });

  HostCharInfo info;
  std::memset(&info, 0xAB, sizeof info);  // stale content from an earlier use
  for (int32_t index : {0, 1}) {
    EXPECT_EQ(vm::QueryCharInfo(nullptr, index, &info), 1);
    EXPECT_NE(objectDuringQuery, nullptr);
    EXPECT_EQ(info.object, nullptr);
    EXPECT_EQ(info.fontSize, 10.5f);
    EXPECT_EQ(info.b, 0.0f);
    EXPECT_EQ(info.textObject, index == 1 ? &textObject : nullptr);
    EXPECT_EQ(info.itemIndex, index * 7);
  }
  EXPECT_EQ(CallLog(), (std::vector<std::string>{"7:0", "120:5", "7:1", "7:0", "120:5", "7:1"}));
}

}  // namespace
