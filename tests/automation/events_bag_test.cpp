#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "automation/events.h"
#include "automation/property_bag.h"

namespace cw::automation {
namespace {

struct Source : EventSource {
  Source() {
    declareEvent(
        {"Progress", 1, {{"Status", VariantType::Int16}, {"Percentage", VariantType::Int16}}});
    declareEvent({"Done", 2, {}});
  }
};

TEST(Events, ListenersRunInConnectionOrderWithAnyListenersInterleaved) {
  Source s;
  std::string trace;
  s.connect("Done", [&](Args&) { trace += "a"; });
  s.connectAny([&](const EventDef& e, Args&) { trace += "[" + e.name + "]"; });
  s.connect(2, [&](Args&) { trace += "b"; });
  s.connect("Progress", [&](Args&) { trace += "p"; });
  ASSERT_TRUE(s.fire("done").ok());
  EXPECT_EQ(trace, "a[Done]b");
  EXPECT_EQ(s.connect("Nothing", [](Args&) {}), 0u);
}

TEST(Events, DisconnectingDuringAFireSkipsTheRemovedListener) {
  Source s;
  std::string trace;
  ConnectionId second = 0;
  s.connect("Done", [&](Args&) {
    trace += "1";
    s.disconnect(second);
    s.connect("Done", [&](Args&) { trace += "late"; });
  });
  second = s.connect("Done", [&](Args&) { trace += "2"; });
  s.connect("Done", [&](Args&) { trace += "3"; });
  s.fire("Done");
  EXPECT_EQ(trace, "13");
  trace.clear();
  s.fire("Done");
  EXPECT_EQ(trace, "13late");  // the "late" added in this round waits for the next
}

TEST(Events, ArgumentsAreCheckedConvertedAndWrittenBack) {
  Source s;
  s.connect("Progress", [](Args& a) {
    EXPECT_EQ(a[1].type(), VariantType::Int16);
    a[0] = Variant(std::int16_t{9});
  });
  bool reached = false;
  s.connect("Progress", [&](Args&) {
    reached = true;
    throw std::runtime_error("handler bug");
  });
  Args args{Variant(0), Variant(50.0)};
  Status st = s.fire("Progress", args);
  EXPECT_EQ(st.code, kMemberFailed);  // reported, not thrown
  EXPECT_TRUE(reached);
  EXPECT_EQ(args[0].asInt16(), 9);
  EXPECT_EQ(s.fire("Progress", {Variant(1)}).code, kWrongArgCount);
  EXPECT_EQ(s.fire("Progress", {Variant("x"), Variant(1)}).code, kTypeMismatch);
  EXPECT_EQ(s.fire("Missing").code, kUnknownMember);
}

TEST(PropertyBag, ReadsConvertToTheDefaultsTypeAndKeysIgnoreCase) {
  PropertyBag bag;
  bag.write("ClipHeight", Variant(3660));
  bag.write("clipheight", Variant("4000"));  // same key, first spelling kept
  EXPECT_EQ(bag.size(), 1u);
  EXPECT_EQ(bag.keys()[0], "ClipHeight");
  Variant v = bag.read("CLIPHEIGHT", Variant(std::int16_t{0}));
  EXPECT_EQ(v.type(), VariantType::Int16);
  EXPECT_EQ(v.asInt16(), 4000);
  EXPECT_EQ(bag.read("Missing", Variant(1.5)).asDouble(), 1.5);
  bag.write("Source", Variant("not a number"));
  EXPECT_EQ(bag.read("Source", Variant(7)).asInt32(), 7);
}

TEST(PropertyBag, TextFormRoundTripsEveryTypeAndAwkwardCharacters) {
  PropertyBag bag;
  bag.write("Flag", Variant::fromBool(true));
  bag.write("Small", Variant(std::int16_t{-32768}));
  bag.write("Long", Variant(static_cast<std::int32_t>(0x8000000F)));
  bag.write("Single", Variant(3525.5f));
  bag.write("StepSize", Variant(0.03333));
  bag.write("Path", Variant("C:\\clips\tnew\nline\r"));
  bag.write("Nothing", Variant());
  bag.write("Key\twith tab", Variant("x"));

  PropertyBag back;
  ASSERT_TRUE(back.fromText(bag.toText()).ok()) << bag.toText();
  ASSERT_EQ(back.size(), bag.size());
  for (const std::string& key : bag.keys()) EXPECT_EQ(back.read(key), bag.read(key)) << key;
}

TEST(PropertyBag, BadTextLeavesTheBagAsItWas) {
  PropertyBag bag;
  bag.write("Keep", Variant(1));
  EXPECT_EQ(bag.fromText("something else\n").code, kBadFormat);
  Status st = bag.fromText("ClipwrightPropertyBag 1\ni16\tX\t70000\n");
  EXPECT_EQ(st.code, kBadFormat);
  EXPECT_NE(st.message.find("line 2"), std::string::npos);
  EXPECT_EQ(bag.fromText("ClipwrightPropertyBag 1\nbool\tX\t-1\n").code, kBadFormat);
  EXPECT_EQ(bag.fromText("ClipwrightPropertyBag 1\nstr\tX\tbad\\q\n").code, kBadFormat);
  EXPECT_EQ(bag.read("Keep").asInt32(), 1);
  // Comments, blank lines and CR-LF line ends are fine.
  ASSERT_TRUE(bag.fromText("ClipwrightPropertyBag 1\r\n# note\r\n\r\nstr\tA\tb\r\n").ok());
  EXPECT_EQ(bag.read("A").asString(), "b");
}

TEST(PropertyBag, SaveReplacesTheFileAndLoadReadsItBack) {
  std::string path = testing::TempDir() + "cw_bag_test.txt";
  {
    std::ofstream old(path);
    old << "old contents";
  }
  PropertyBag bag;
  bag.write("RecordMode", Variant(std::int16_t{2}));
  ASSERT_TRUE(bag.save(path).ok());
  PropertyBag back;
  ASSERT_TRUE(back.load(path).ok());
  EXPECT_EQ(back.read("RecordMode").asInt16(), 2);
  EXPECT_EQ(back.load(path + ".missing").code, kFileError);
  EXPECT_EQ(bag.save("/nonexistent-dir/x/bag.txt").code, kFileError);
  std::remove(path.c_str());
}

}  // namespace
}  // namespace cw::automation
