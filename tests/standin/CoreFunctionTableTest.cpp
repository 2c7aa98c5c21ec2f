// The function table, its log and overrides, and the object tracker.
#include <gtest/gtest.h>

#include "core/Application.h"
#include "core/Services.h"
#include "core/StandinHost.h"

namespace {

class CoreFunctionTableTest : public testing::Test {
 protected:
  void SetUp() override { standin::ResetHost(); }
  void TearDown() override { standin::ResetHost(); }
};

template <int C, int S>
typename HostFn<C, S>::type Find(int32_t pluginId = standin::kStandinPluginId) {
  return reinterpret_cast<typename HostFn<C, S>::type>(
      standin::TableRecord()->lookup(C, S, pluginId));
}
// In parentheses, so that the template arguments can sit inside test macros.
#define HOST(C, S) (Find<C, S>())

TEST_F(CoreFunctionTableTest, UnknownFunctionIsALoudFailure) {
  EXPECT_DEATH(standin::TableRecord()->lookup(9999, 1, standin::kStandinPluginId),
               "host 9999:1 is not implemented");
}

TEST_F(CoreFunctionTableTest, LogKeepsEveryLookupInOrderWithTheIdentifier) {
  HOST(18, 0);
  Find<7, 0>(42);
  HOST(18, 0);
  const auto& log = standin::Table().Log();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[1].category, 7);
  EXPECT_EQ(log[1].selector, 0);
  EXPECT_EQ(log[1].pluginId, 42);
  EXPECT_EQ(standin::Table().CountCalls(18, 0), 2);
  standin::Table().ClearLog();
  EXPECT_TRUE(standin::Table().Log().empty());
}

TEST_F(CoreFunctionTableTest, OverrideReplacesUntilCleared) {
  standin::Table().Override<11, 2>([](HostHandle) -> int32_t { return -5; });
  HostHandle array = HOST(11, 0)();
  EXPECT_EQ(HOST(11, 2)(array), -5);
  standin::Table().ClearOverrides();
  EXPECT_EQ(HOST(11, 2)(array), 0);
  HOST(11, 1)(array);
}

}  // namespace
