// The small host objects: strings, rectangle arrays, character-information and pause objects.
#include <gtest/gtest.h>

#include "ObjectsTestSupport.h"
#include "core/Application.h"
#include "core/Services.h"
#include "core/StandinHost.h"

namespace {


class CoreServicesTest : public testing::Test {
 protected:
  void SetUp() override { standin::ResetHost(); }
  void TearDown() override { standin::ResetHost(); }
};

TEST_F(CoreServicesTest, UnknownFunctionIsALoudFailure) {
  EXPECT_DEATH(standin::TableRecord()->lookup(9999, 1, standin::kStandinPluginId),
               "host 9999:1 is not implemented");
}

// Every create function the module calls is paired with its release; a test sees what was not
// released, and a release of something that is not live is recorded instead of freeing it.
TEST_F(CoreServicesTest, TrackerSeesUnreleasedAndMismatchedObjects) {
  HostHandle doc = standin::OpenHostDocumentFromContent({"BT /F1 12 Tf 72 700 Td (AB) Tj ET"});
  HostHandle page = HOST(32, 2)(HOST(31, 2)(HOST(26, 24)(doc), 0));
  HostHandle info = HOST(7, 0)();
  HostHandle pause = HOST(74, 0)(0, 1, 0, 1);
  HostHandle array = HOST(11, 0)();
  HostHandle string = HOST(18, 0)();
  HostHandle textPage = HOST(120, 0)(page, 0);
  HostHandle textState = HOST(79, 0)();
  HostHandle color = HOST(78, 0)();
  HostHandle accessor = HOST(69, 0)();
  EXPECT_EQ(standin::Tracker().Outstanding().size(), 8u);

  HOST(7, 1)(info);
  HOST(74, 1)(pause);
  HOST(18, 3)(string);
  HOST(120, 1)(textPage);
  HOST(79, 1)(textState);
  HOST(78, 1)(color);
  HOST(69, 1)(accessor);
  HOST(7, 1)(array);  // the wrong release function
  EXPECT_EQ(standin::Tracker().Faults().size(), 1u);
  HOST(78, 1)(color);  // released twice
  EXPECT_EQ(standin::Tracker().Faults().size(), 2u);
  EXPECT_EQ(standin::Tracker().Outstanding().size(), 1u);

  HOST(11, 1)(array);
  EXPECT_TRUE(standin::Tracker().Outstanding().empty());
}

TEST_F(CoreServicesTest, MessageBoxIsRecordedAndAnswered) {
  int owner = 0;
  EXPECT_EQ(HOST(30, 3)(u"본문", 48, u"찾기", 0, &owner), 1);
  standin::SetMessageBoxAnswer(6);
  EXPECT_EQ(HOST(30, 3)(u"질문", 52, nullptr, 0, nullptr), 6);
  const auto& boxes = standin::MessageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, u"본문");
  EXPECT_EQ(boxes[0].caption, u"찾기");
  EXPECT_EQ(boxes[0].flags, 48);
  EXPECT_EQ(boxes[0].owner, &owner);
  EXPECT_EQ(boxes[1].caption, u"");
  standin::ResetHost();
  EXPECT_TRUE(standin::MessageBoxes().empty());
  EXPECT_EQ(HOST(30, 3)(u"x", 64, u"y", 0, nullptr), 1);
}

}  // namespace
