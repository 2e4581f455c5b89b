// ScrubPane: the automation surface - properties and methods by name and
// dispatch id, the events, and the property-bag keys.
#include <stdexcept>

#include "player/player_errors.h"
#include "player/scrub_pane.h"

namespace cw::player {
namespace {

using automation::Args;
using automation::PropertyBag;
using automation::Status;
using automation::Variant;
using automation::VariantType;

Variant text(const QString& value) { return Variant(value.toStdString()); }
QString text(const Variant& value) { return QString::fromStdString(value.asString()); }
Variant boolean(bool value) { return Variant::fromBool(value); }
Variant int16(int value) { return Variant(static_cast<std::int16_t>(value)); }
Variant int32(std::int64_t value) { return Variant(static_cast<std::int32_t>(value)); }

enum class When { Always, RunTimeOnly };

}  // namespace

void ScrubPane::declareEvents() {
  const std::vector<automation::Param> mouse = {{"Button", VariantType::Int16},
                                                {"Shift", VariantType::Int16},
                                                {"X", VariantType::Float},
                                                {"Y", VariantType::Float}};
  const std::vector<automation::Param> key = {{"KeyCode", VariantType::Int16},
                                              {"Shift", VariantType::Int16}};
  automation::DispId id = 1;
  for (const char* name : {"NeedSound", "MarkInChanged", "MarkOutChanged", "ClipEnd", "Ejected"}) {
    events_.declareEvent({name, id++});
  }
  for (const char* name : {"MouseUp", "MouseMove", "MouseDown"}) {
    events_.declareEvent({name, id++, mouse});
  }
  for (const char* name : {"Click", "ModeChanged", "PositionChanged"}) {
    events_.declareEvent({name, id++});
  }
  events_.declareEvent({"KeyDown", id++, key});
  events_.declareEvent({"KeyUp", id++, key});
  events_.declareEvent({"KeyPress", id++, {{"KeyAscii", VariantType::Int16}}});
}

void ScrubPane::registerMembers() {
  automation::DispId id = 1;
  // A property whose successful set marks the control as changed; run-time-only
  // ones refuse sets in design mode.
  auto property = [&](const char* name, VariantType type, std::function<Variant()> get,
                      std::function<void(const Variant&)> set, When when = When::Always,
                      int designError = kErrSetNotAtDesignTime) {
    std::function<Status(const Variant&)> setter;
    if (set) {
      setter = [this, set, when, designError, name](const Variant& value) {
        if (when == When::RunTimeOnly && designMode_) {
          return Status::error(designError,
                               std::string("property '") + name + "' cannot be set at design time");
        }
        set(value);
        dispatch_.setModified(true);
        return Status::success();
      };
    }
    dispatch_.addProperty({name, id++, type, std::move(get), std::move(setter)});
  };
  using V = const Variant&;
  property(
      "ClipHeight", VariantType::Int16, [this] { return int16(clipHeight_); },
      [this](V v) { setClipHeight(v.asInt16()); });
  property(
      "ClipWidth", VariantType::Int16, [this] { return int16(clipWidth_); },
      [this](V v) { setClipWidth(v.asInt16()); });
  property(
      "SliderVisible", VariantType::Bool, [this] { return boolean(sliderVisible_); },
      [this](V v) { setSliderVisible(v.asBool()); });
  property(
      "ClipVisible", VariantType::Bool, [this] { return boolean(clipVisible_); },
      [this](V v) { setClipVisible(v.asBool()); });
  property(
      "TimeCodeVisible", VariantType::Bool, [this] { return boolean(timeCodeVisible_); },
      [this](V v) { setTimeCodeVisible(v.asBool()); });
  property(
      "NavigationVisible", VariantType::Bool, [this] { return boolean(navigationVisible_); },
      [this](V v) { setNavigationVisible(v.asBool()); });
  property(
      "TimeCode", VariantType::String, [this] { return text(timeCode()); }, nullptr);
  property(
      "MousePointer", VariantType::Int16, [this] { return int16(mousePointer_); },
      [this](V v) { setMousePointer(v.asInt16()); });
  property(
      "MouseIcon", VariantType::Object, [this] { return pictureVariant(mouseIcon_); },
      [this](V v) { setMouseIcon(pictureFrom(v)); });
  property(
      "ErrorMessages", VariantType::Bool, [this] { return boolean(errorMessages_); },
      [this](V v) { setErrorMessages(v.asBool()); });
  property(
      "Source", VariantType::String, [this] { return text(source_); },
      [this](V v) { setSource(text(v)); });
  property(
      "Path", VariantType::String, [this] { return text(path_); },
      [this](V v) { setPath(text(v)); }, When::RunTimeOnly);
  property(
      "FrameRate", VariantType::Double, [this] { return Variant(frameRate_); },
      [this](V v) { setFrameRate(v.asDouble()); });
  property(
      "MarkOutVisible", VariantType::Bool, [this] { return boolean(markOutVisible_); },
      [this](V v) { setMarkOutVisible(v.asBool()); });
  property(
      "MarkIn", VariantType::Double, [this] { return Variant(markIn_); },
      [this](V v) { setMarkIn(v.asDouble()); }, When::RunTimeOnly);
  property(
      "MarkOut", VariantType::Double, [this] { return Variant(markOut_); },
      [this](V v) { setMarkOut(v.asDouble()); }, When::RunTimeOnly);
  property(
      "MarkInVisible", VariantType::Bool, [this] { return boolean(markInVisible_); },
      [this](V v) { setMarkInVisible(v.asBool()); });
  property(
      "NavigationLeft", VariantType::Int16, [this] { return int16(navigationLeft_); },
      [this](V v) { setNavigationLeft(v.asInt16()); });
  property(
      "TimeCodeLeft", VariantType::Float, [this] { return Variant(timeCodeLeft_); },
      [this](V v) { setTimeCodeLeft(v.asFloat()); });
  property(
      "TimeCodeTop", VariantType::Float, [this] { return Variant(timeCodeTop_); },
      [this](V v) { setTimeCodeTop(v.asFloat()); });
  property(
      "MovieSaved", VariantType::Bool, [this] { return boolean(movieSaved_); },
      [this](V v) { setMovieSaved(v.asBool()); }, When::RunTimeOnly);
  property(
      "Length", VariantType::Double, [this] { return Variant(length_); },
      [this](V v) { setLength(v.asDouble()); }, When::RunTimeOnly);
  property(
      "Position", VariantType::Double, [this] { return Variant(position_); },
      [this](V v) { setPosition(v.asDouble()); }, When::RunTimeOnly);
  property(
      "Mode", VariantType::Int16, [this] { return int16(mode_); },
      [this](V v) { setMode(v.asInt16()); }, When::RunTimeOnly);
  property(
      "MarkOutLeft", VariantType::Float, [this] { return Variant(markOutLeft_); },
      [this](V v) { setMarkOutLeft(v.asFloat()); });
  property(
      "ClipBackColor", VariantType::Int32, [this] { return int32(clipBackColor_); },
      [this](V v) { setClipBackColor(static_cast<std::uint32_t>(v.asInt32())); });
  property(
      "AudioOnly", VariantType::Bool, [this] { return boolean(audioOnly_); },
      [this](V v) { setAudioOnly(v.asBool()); });
  property(
      "FullScreen", VariantType::Bool, [this] { return boolean(fullScreen_); },
      [this](V v) { setFullScreen(v.asBool()); });
  property(
      "currExt", VariantType::String, [this] { return text(currExt_); },
      [this](V v) { setCurrExt(text(v)); }, When::RunTimeOnly);
  property(
      "StepSize", VariantType::Double, [this] { return Variant(stepSize_); },
      [this](V v) { setStepSize(v.asDouble()); });
  property(
      "CapturedPicture", VariantType::Object, [this] { return pictureVariant(capturedPicture_); },
      [this](V v) { setCapturedPicture(pictureFrom(v)); }, When::RunTimeOnly, kErrSetNotPermitted);
  property(
      "AMVersion", VariantType::Int16, [this] { return int16(amVersion_); },
      [this](V v) { setAmVersion(v.asInt16()); }, When::RunTimeOnly);

  auto method = [&](const char* name, VariantType result, std::vector<automation::Param> params,
                    std::function<Variant(const Args&)> invoke) {
    dispatch_.addMethod({name, id++, result, std::move(params), std::move(invoke)});
  };
  auto command = [&](const char* name, int (ScrubPane::*run)()) {
    method(name, VariantType::Int32, {},
           [this, run](const Args&) { return int32((this->*run)()); });
  };
  command("xOpen", &ScrubPane::xOpen);
  command("xReOpen", &ScrubPane::xReOpen);
  method("xOpenCapture", VariantType::Bool, {{"sFile", VariantType::String}},
         [this](const Args& args) {
           if (int error = xOpenCapture(text(args[0]))) {
             throw std::runtime_error("cannot make a picture of " + args[0].asString() +
                                      " (error " + std::to_string(error) + ")");
           }
           return boolean(false);
         });
  command("xPlay", &ScrubPane::xPlay);
  command("xPause", &ScrubPane::xPause);
  method("xSeek", VariantType::Int32, {{"fPosition", VariantType::Double}},
         [this](const Args& args) { return int32(xSeek(args[0].asDouble())); });
  command("xStop", &ScrubPane::xStop);
  command("xClose", &ScrubPane::xClose);
  command("xCloseTemp", &ScrubPane::xCloseTemp);
  command("pressMarkOut", &ScrubPane::pressMarkOut);
  method("getLenInTimeCode", VariantType::String, {},
         [this](const Args&) { return text(getLenInTimeCode()); });
  method("freezeFrame", VariantType::Bool, {{"bArg", VariantType::Bool}},
         [this](const Args& args) { return boolean(freezeFrame(args[0].asBool())); });
  method("xCapture", VariantType::Empty, {}, [this](const Args&) {
    const Picture picture = xCapture();
    return picture.isNull() ? Variant() : pictureVariant(picture);
  });
  method("GetPath", VariantType::Bool,
         {{"strPath", VariantType::String}, {"strDocument", VariantType::String}},
         [this](const Args& args) { return boolean(GetPath(text(args[0]), text(args[1]))); });
}

// ---- property bag ----

void ScrubPane::writeProperties(PropertyBag& bag) const {
  bag.write("MousePointer", int16(mousePointer_));
  bag.write("TimeCode", text(timeCode()));
  bag.write("ClipHeight", int16(clipHeight_));
  bag.write("ClipWidth", int16(clipWidth_));
  bag.write("SliderVisible", boolean(sliderVisible_));
  bag.write("ClipVisible", boolean(clipVisible_));
  bag.write("TimeCodeVisible", boolean(timeCodeVisible_));
  if (!mouseIcon_.isNull()) bag.write("MouseIcon", pictureVariant(mouseIcon_));
  bag.write("NavigationVisible", boolean(navigationVisible_));
  bag.write("ErrorMessages", boolean(errorMessages_));
  bag.write("Source", text(source_));
  bag.write("Path", text(path_));
  bag.write("FrameRate", Variant(frameRate_));
  bag.write("MarkOutVisible", boolean(markOutVisible_));
  bag.write("MarkInText", text(butMarkIn_->toolTip()));
  bag.write("MarkOutText", text(butMarkOut_->toolTip()));
  bag.write("MarkIn", Variant(markIn_));
  bag.write("MarkOut", Variant(markOut_));
  bag.write("MarkInVisible", boolean(markInVisible_));
  bag.write("NavigationLeft", int16(navigationLeft_));
  bag.write("SelStart", int32(sliderPosition_->selectionStart()));
  bag.write("SelLength", int32(sliderPosition_->selectionLength()));
  bag.write("SelectRange", boolean(sliderPosition_->selectRange()));
  bag.write("Value", int32(sliderPosition_->value()));
  bag.write("Max", int32(sliderPosition_->maximum()));
  bag.write("TimeCodeLeft", Variant(timeCodeLeft_));
  bag.write("TimeCodeTop", Variant(timeCodeTop_));
  bag.write("MovieSaved", boolean(movieSaved_));
  bag.write("Length", Variant(length_));
  bag.write("Position", Variant(position_));
  bag.write("Mode", int16(mode_));
  bag.write("MarkOutLeft", Variant(markOutLeft_));
  bag.write("ClipBackColor", int32(clipBackColor_));
  bag.write("AudioOnly", boolean(audioOnly_));
  bag.write("FullScreen", boolean(fullScreen_));
  bag.write("currExt", text(currExt_));
  bag.write("StepSize", Variant(stepSize_));
  if (!capturedPicture_.isNull()) bag.write("CapturedPicture", pictureVariant(capturedPicture_));
  bag.write("AMVersion", int16(amVersion_));
}

// Each stored value goes to its element as a set would, with the defaults for
// missing keys; the marks come back without retitling their buttons.
void ScrubPane::readProperties(const PropertyBag& bag) {
  const QSignalBlocker quiet(this);
  auto flag = [&](const char* key, bool otherwise) {
    return bag.read(key, boolean(otherwise)).asBool(otherwise);
  };
  auto whole = [&](const char* key, int otherwise) {
    return bag.read(key, int32(otherwise)).asInt32(otherwise);
  };
  auto real = [&](const char* key, double otherwise) {
    return bag.read(key, Variant(otherwise)).asDouble(otherwise);
  };
  auto words = [&](const char* key, const char* otherwise) {
    return text(bag.read(key, Variant(otherwise)));
  };

  {
    const QSignalBlocker sliderQuiet(sliderPosition_);
    sliderPosition_->setValue(0);
    sliderPosition_->setEnabled(false);
  }
  butPause_->hide();

  mousePointer_ = whole("MousePointer", 0);
  labTC_->setText(words("TimeCode", "00:00:00:00"));
  clipHeight_ = whole("ClipHeight", 3660);
  clipWidth_ = whole("ClipWidth", 4860);
  sliderVisible_ = flag("SliderVisible", true);
  clipVisible_ = flag("ClipVisible", true);
  timeCodeVisible_ = flag("TimeCodeVisible", true);
  mouseIcon_ = pictureFrom(bag.read("MouseIcon"));
  navigationVisible_ = flag("NavigationVisible", true);
  errorMessages_ = flag("ErrorMessages", false);
  source_ = words("Source", "");
  path_ = words("Path", "");
  frameRate_ = real("FrameRate", 1.0);
  markOutVisible_ = flag("MarkOutVisible", true);
  butMarkIn_->setToolTip(words("MarkInText", "Mark In"));
  butMarkOut_->setToolTip(words("MarkOutText", "Mark Out"));
  markIn_ = real("MarkIn", -1);
  markOut_ = real("MarkOut", -1);
  markInVisible_ = flag("MarkInVisible", true);
  navigationLeft_ = whole("NavigationLeft", 945);
  sliderPosition_->setMaximum(whole("Max", 1000));
  sliderPosition_->setSelectionStart(whole("SelStart", 0));
  sliderPosition_->setSelectionLength(whole("SelLength", 0));
  sliderPosition_->setSelectRange(flag("SelectRange", false));
  {
    const QSignalBlocker sliderQuiet(sliderPosition_);
    sliderPosition_->setValue(whole("Value", 0));
  }
  timeCodeLeft_ = static_cast<float>(real("TimeCodeLeft", 3525));
  timeCodeTop_ = static_cast<float>(real("TimeCodeTop", 3685));
  movieSaved_ = flag("MovieSaved", true);
  length_ = real("Length", 0);
  position_ = real("Position", 0);
  mode_ = whole("Mode", 0);
  markOutLeft_ = static_cast<float>(real("MarkOutLeft", 420));
  clipBackColor_ =
      static_cast<std::uint32_t>(whole("ClipBackColor", int32(kButtonFaceColor).asInt32()));
  audioOnly_ = flag("AudioOnly", false);
  fullScreen_ = flag("FullScreen", false);
  currExt_ = words("currExt", "mpg");
  stepSize_ = real("StepSize", 0.03333);
  capturedPicture_ = pictureFrom(bag.read("CapturedPicture"));
  amVersion_ = whole("AMVersion", 0);

  applyMousePointer();
  applyClipBackColor();
  layoutElements();
  butPause_->hide();
}

}  // namespace cw::player
