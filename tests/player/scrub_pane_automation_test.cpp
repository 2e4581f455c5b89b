// The pane's automation surface: defaults, sets through dispatch, design-mode
// refusals, the property bag, the layout in twips, and mouse and key events.
#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QMouseEvent>

#include "pane_fixture.h"
#include "player/scrub_pane.h"
#include "player/twips.h"

namespace cw::player {
namespace {

using automation::PropertyBag;
using automation::Variant;
using testing::application;
using testing::EventLog;
using Names = std::vector<std::string>;

Variant get(ScrubPane& pane, const char* name) {
  Variant value;
  const automation::Status status = pane.dispatch().getProperty(name, value);
  EXPECT_TRUE(status.ok()) << name << ": " << status.message;
  return value;
}

TEST(ScrubPaneAutomation, NewInstanceHasTheDefaults) {
  application();
  ScrubPane pane;
  const std::pair<const char*, Variant> defaults[] = {
      {"ClipHeight", Variant(std::int16_t{3660})},
      {"ClipWidth", Variant(std::int16_t{4860})},
      {"SliderVisible", Variant::fromBool(true)},
      {"ClipVisible", Variant::fromBool(true)},
      {"TimeCodeVisible", Variant::fromBool(true)},
      {"NavigationVisible", Variant::fromBool(true)},
      {"TimeCode", Variant("00:00:00:00")},
      {"MousePointer", Variant(std::int16_t{0})},
      {"ErrorMessages", Variant::fromBool(false)},
      {"Source", Variant("")},
      {"Path", Variant("")},
      {"FrameRate", Variant(1.0)},
      {"MarkOutVisible", Variant::fromBool(true)},
      {"MarkIn", Variant(-1.0)},
      {"MarkOut", Variant(-1.0)},
      {"MarkInVisible", Variant::fromBool(true)},
      {"NavigationLeft", Variant(std::int16_t{945})},
      {"TimeCodeLeft", Variant(3525.0f)},
      {"TimeCodeTop", Variant(3685.0f)},
      {"MovieSaved", Variant::fromBool(true)},
      {"Length", Variant(0.0)},
      {"Position", Variant(0.0)},
      {"Mode", Variant(std::int16_t{0})},
      {"MarkOutLeft", Variant(420.0f)},
      {"ClipBackColor", Variant(static_cast<std::int32_t>(0x8000000F))},
      {"AudioOnly", Variant::fromBool(false)},
      {"FullScreen", Variant::fromBool(false)},
      {"currExt", Variant("mpg")},
      {"StepSize", Variant(0.03333)},
      {"AMVersion", Variant(std::int16_t{0})},
  };
  for (const auto& [name, value] : defaults) EXPECT_EQ(get(pane, name), value) << name;
  EXPECT_TRUE(pictureFrom(get(pane, "CapturedPicture")).isNull());
  EXPECT_EQ(pane.findChild<QToolButton*>("butMarkIn")->toolTip(), "Mark In (value not set)");
  EXPECT_EQ(pane.findChild<QToolButton*>("butMarkOut")->toolTip(), "Mark Out (value not set)");
}

TEST(ScrubPaneAutomation, MembersByNameAndIdAndDesignModeRefusals) {
  application();
  ScrubPane pane;
  automation::Dispatch& members = pane.dispatch();
  EXPECT_FALSE(members.isModified());
  ASSERT_TRUE(members.setProperty("stepsize", Variant(0.04)).ok());
  EXPECT_TRUE(members.isModified());
  EXPECT_EQ(pane.stepSize(), 0.04);
  const automation::DispId markIn = members.idOf("MarkIn");
  ASSERT_NE(markIn, automation::Dispatch::kNoMember);
  ASSERT_TRUE(members.setProperty(markIn, Variant(0.5)).ok());
  EXPECT_EQ(pane.findChild<QToolButton*>("butMarkIn")->toolTip(), "Mark In = 00:00:00:12");
  EXPECT_EQ(members.setProperty("TimeCode", Variant("x")).code, automation::kReadOnly);

  pane.setDesignMode(true);
  EXPECT_EQ(members.setProperty("MarkIn", Variant(1.0)).code, 382);
  EXPECT_EQ(members.setProperty("Mode", Variant(std::int16_t{2})).code, 382);
  EXPECT_EQ(members.setProperty("CapturedPicture", Variant()).code, 383);
  EXPECT_TRUE(members.setProperty("ClipWidth", Variant(std::int16_t{3000})).ok());
  EXPECT_EQ(pane.markIn(), 0.5);

  Variant result;
  ASSERT_TRUE(members.invoke("getLenInTimeCode", {}, result).ok());
  EXPECT_EQ(result, Variant("00:00:00:00"));
  ASSERT_TRUE(members.invoke("xSeek", {Variant(1.0)}, result).ok());
  EXPECT_EQ(result, Variant(std::int32_t{0}));
  ASSERT_TRUE(members.invoke("xCapture", {}, result).ok());
  EXPECT_TRUE(result.isEmpty());  // no clip, no picture
  ASSERT_TRUE(members.invoke("GetPath", {Variant("c:\\a\\b.mpg"), Variant("b.mpg")}, result).ok());
  EXPECT_EQ(result, Variant::fromBool(false));
  EXPECT_EQ(pane.path(), "c:\\a\\");
}

TEST(ScrubPaneAutomation, EventsAreDeclaredInOrder) {
  application();
  ScrubPane pane;
  Names names;
  for (const auto& event : pane.events().events()) names.push_back(event.name);
  EXPECT_EQ(names, (Names{"NeedSound", "MarkInChanged", "MarkOutChanged", "ClipEnd", "Ejected",
                          "MouseUp", "MouseMove", "MouseDown", "Click", "ModeChanged",
                          "PositionChanged", "KeyDown", "KeyUp", "KeyPress"}));
  EXPECT_EQ(pane.events().events()[5].params.size(), 4u);
  EXPECT_EQ(pane.events().events()[13].params.size(), 1u);
}

TEST(ScrubPaneAutomation, PropertyBagRoundTripWithoutEvents) {
  application();
  ScrubPane first;
  first.setClipWidth(2940);
  first.setClipHeight(2055);
  first.setNavigationVisible(false);
  first.setErrorMessages(true);
  first.setSource("/movies/a.mpg");
  first.setStepSize(0.04);
  first.setMarkIn(1.5);
  first.setMarkOut(2.5);
  first.setTimeCodeLeft(100);
  first.setClipBackColor(0x00FF0000);
  first.setAmVersion(1);
  PropertyBag bag;
  first.writeProperties(bag);
  for (const char* key : {"MarkInText", "MarkOutText", "SelStart", "SelLength", "SelectRange",
                          "Value", "Max", "TimeCode"}) {
    EXPECT_TRUE(bag.contains(key)) << key;
  }
  PropertyBag reread;
  ASSERT_TRUE(reread.fromText(bag.toText()).ok());

  ScrubPane second;
  EventLog log(second);
  second.readProperties(reread);
  EXPECT_EQ(log.take(), Names{});
  EXPECT_EQ(second.clipWidth(), 2940);
  EXPECT_EQ(second.clipHeight(), 2055);
  EXPECT_FALSE(second.navigationVisible());
  EXPECT_TRUE(second.errorMessages());
  EXPECT_EQ(second.source(), "/movies/a.mpg");
  EXPECT_EQ(second.stepSize(), 0.04);
  EXPECT_EQ(second.markIn(), 1.5);
  EXPECT_EQ(second.markOut(), 2.5);
  EXPECT_EQ(second.timeCodeLeft(), 100.0f);
  EXPECT_EQ(second.clipBackColor(), 0x00FF0000u);
  EXPECT_EQ(second.amVersion(), 1);
  EXPECT_EQ(second.findChild<QToolButton*>("butMarkIn")->toolTip(), "Mark In = 00:00:01:12");
  EXPECT_FALSE(second.findChild<PositionSlider*>("SliderPosition")->isEnabled());
  EXPECT_TRUE(second.findChild<QToolButton*>("butPause")->isHidden());
  EXPECT_EQ(second.findChild<QWidget*>("Picture1")->size(), QSize(196, 137));
}

TEST(ScrubPaneAutomation, EmptyBagLoadsTheDefaultsAndMarkTextsTitleTheButtons) {
  application();
  ScrubPane pane;
  pane.setClipWidth(1000);
  pane.setMarkIn(3);
  PropertyBag bag;
  pane.readProperties(bag);
  EXPECT_EQ(pane.clipWidth(), 4860);
  EXPECT_EQ(pane.markIn(), -1);
  EXPECT_EQ(pane.findChild<QToolButton*>("butMarkIn")->toolTip(), "Mark In");
  EXPECT_EQ(pane.findChild<QToolButton*>("butMarkOut")->toolTip(), "Mark Out");
}

TEST(ScrubPaneLayout, ElementsSitAtTheirTwipPositions) {
  application();
  ScrubPane pane;
  auto at = [&](const char* name) { return pane.findChild<QWidget*>(name)->geometry(); };
  EXPECT_EQ(at("Picture1"), QRect(0, 0, 324, 244));  // 4860 x 3660 twips
  const int buttonTop = twipsToPixels(3660 + 30);
  const std::pair<const char*, int> row[] = {{"butEject", 945},    {"butStart", 1365},
                                             {"butRewind", 1785},  {"butPlay", 2205},
                                             {"butForward", 2625}, {"butEnd", 3045}};
  for (const auto& [name, left] : row) {
    EXPECT_EQ(at(name).topLeft(), QPoint(twipsToPixels(left), buttonTop)) << name;
  }
  EXPECT_EQ(at("butPause").topLeft(), at("butPlay").topLeft());
  EXPECT_EQ(at("butMarkOut").left(), twipsToPixels(420));
  EXPECT_EQ(at("picTC").topLeft(), QPoint(twipsToPixels(3525), twipsToPixels(3685)));
  EXPECT_EQ(at("Picture2").width(), 324);
  EXPECT_EQ(at("SliderPosition").width(), 324 + 15);  // 225 twips wider

  pane.setClipHeight(1500);
  pane.setNavigationLeft(0);
  EXPECT_EQ(at("butEnd").topLeft(), QPoint(twipsToPixels(2100), twipsToPixels(1530)));
  pane.setMarkOutLeft(3000);
  pane.setTimeCodeTop(15);
  EXPECT_EQ(at("butMarkOut").left(), 200);
  EXPECT_EQ(at("picTC").top(), 1);

  pane.setNavigationVisible(false);
  EXPECT_TRUE(pane.findChild<QWidget*>("butPlay")->isHidden());
  pane.setAudioOnly(true);
  EXPECT_FALSE(pane.findChild<QWidget*>("labAudioOnly")->isHidden());
  pane.setSliderVisible(false);
  EXPECT_TRUE(pane.findChild<QWidget*>("Picture2")->isHidden());
}

TEST(ScrubPaneInput, ClipAreaMouseAndControlKeys) {
  application();
  ScrubPane pane;
  std::vector<std::string> log;
  pane.events().connectAny([&](const automation::EventDef& event, automation::Args& args) {
    std::string line = event.name;
    for (const Variant& arg : args) line += " " + arg.asString();
    log.push_back(line);
  });
  QWidget* clip = pane.findChild<QWidget*>("Picture1");
  const QPointF at(10, 20);
  QMouseEvent down(QEvent::MouseButtonPress, at, clip->mapToGlobal(at), Qt::RightButton,
                   Qt::RightButton, Qt::ShiftModifier);
  QApplication::sendEvent(clip, &down);
  QMouseEvent up(QEvent::MouseButtonRelease, at, clip->mapToGlobal(at), Qt::RightButton,
                 Qt::NoButton, Qt::ShiftModifier);
  QApplication::sendEvent(clip, &up);
  QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::ControlModifier, "a");
  QApplication::sendEvent(&pane, &key);
  QKeyEvent release(QEvent::KeyRelease, Qt::Key_F2, Qt::NoModifier);
  QApplication::sendEvent(&pane, &release);
  EXPECT_EQ(log, (std::vector<std::string>{"MouseDown 2 1 150 300", "MouseUp 2 1 150 300", "Click",
                                           "KeyDown 65 2", "KeyPress 97", "KeyUp 113 0"}));
}

}  // namespace
}  // namespace cw::player
