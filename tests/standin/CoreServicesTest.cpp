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

TEST_F(CoreServicesTest, WideStringEqualityAndBuffer) {
  HostHandle s = HOST(18, 0)();
  EXPECT_EQ(HOST(18, 42)(s), std::u16string_view(u""));
  EXPECT_EQ(HOST(18, 8)(s, u""), 1);
  static_cast<standin::WideString*>(s)->text = u"개인정보 보호";
  EXPECT_EQ(HOST(18, 8)(s, u"개인정보 보호"), 1);
  EXPECT_EQ(HOST(18, 8)(s, u"개인정보"), 0);       // prefix is not equal
  EXPECT_EQ(HOST(18, 8)(s, u"개인정보 보호 "), 0);
  EXPECT_EQ(HOST(18, 8)(s, nullptr), 0);
  EXPECT_EQ(std::u16string(HOST(18, 42)(s)), u"개인정보 보호");
  HOST(18, 3)(s);
  EXPECT_TRUE(standin::Tracker().Outstanding().empty());
}

TEST_F(CoreServicesTest, ByteStringKeepsExactBytes) {
  const char bytes[] = {'a', '\0', 'b', '\xff'};
  HostHandle s = HOST(17, 2)(bytes, 4);
  EXPECT_EQ(static_cast<standin::ByteString*>(s)->bytes, std::string(bytes, 4));
  HOST(17, 6)(s);
  HostHandle empty = HOST(17, 2)(nullptr, 0);
  EXPECT_TRUE(static_cast<standin::ByteString*>(empty)->bytes.empty());
  HOST(17, 6)(empty);
  EXPECT_TRUE(standin::Tracker().Outstanding().empty());
}

TEST_F(CoreServicesTest, BoxArrayAnswersOutOfRangeWithZeroBox) {
  HostHandle array = HOST(11, 0)();
  static_cast<standin::BoxArray*>(array)->boxes = {{1, 2, 3, 4}, {5, 6, 7, 8}};
  EXPECT_EQ(HOST(11, 2)(array), 2);
  HostBox second = HOST(11, 6)(array, 1);
  EXPECT_EQ(second.x0, 5);
  EXPECT_EQ(second.y1, 8);
  for (int32_t index : {-1, 2, 1000}) {
    HostBox box = HOST(11, 6)(array, index);
    EXPECT_EQ(box.x0, 0);
    EXPECT_EQ(box.y1, 0);
  }
  HOST(11, 1)(array);
}

// Every create function is paired with its release; a test sees what was not released, and a
// release of something that is not live is recorded instead of freeing it.
TEST_F(CoreServicesTest, TrackerSeesUnreleasedAndMismatchedObjects) {
  HostHandle info = HOST(7, 0)();
  HostHandle pause = HOST(74, 0)(0, 1, 0, 1);
  HostHandle array = HOST(11, 0)();
  EXPECT_EQ(standin::Tracker().Outstanding().size(), 3u);

  HOST(7, 1)(info);
  HOST(74, 1)(pause);
  HOST(7, 1)(array);  // the wrong release function
  EXPECT_EQ(standin::Tracker().Faults().size(), 1u);
  HOST(7, 1)(info);   // released twice
  EXPECT_EQ(standin::Tracker().Faults().size(), 2u);
  EXPECT_EQ(standin::Tracker().Outstanding().size(), 1u);

  HOST(11, 1)(array);
  EXPECT_TRUE(standin::Tracker().Outstanding().empty());
}

TEST_F(CoreServicesTest, ReleasedStringIsNoLongerRead) {
  HostHandle s = HOST(18, 0)();
  HOST(18, 3)(s);
  EXPECT_EQ(HOST(18, 42)(s), nullptr);
  EXPECT_EQ(HOST(18, 8)(s, u""), 0);
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
