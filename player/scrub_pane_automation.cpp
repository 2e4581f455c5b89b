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

// One property of the automation surface. A successful set marks the control
// as changed; run-time-only properties refuse sets in design mode with
// `designError`.
struct ScrubPane::PropertyRow {
  const char* name;
  VariantType type;
  Variant (*get)(const ScrubPane&);
  void (*set)(ScrubPane&, const Variant&);  // nullptr: read-only
  When when = When::Always;
  int designError = kErrSetNotAtDesignTime;
};

struct ScrubPane::MethodRow {
  const char* name;
  VariantType result;
  std::vector<automation::Param> params;
  Variant (*invoke)(ScrubPane&, const Args&);
};

// The properties in dispatch-id order, from 1.
const std::vector<ScrubPane::PropertyRow>& ScrubPane::propertyRows() {
  using V = const Variant&;
  static const std::vector<PropertyRow> rows = {
      {"ClipHeight", VariantType::Int16, [](const ScrubPane& p) { return int16(p.clipHeight_); },
       [](ScrubPane& p, V v) { p.setClipHeight(v.asInt16()); }},
      {"ClipWidth", VariantType::Int16, [](const ScrubPane& p) { return int16(p.clipWidth_); },
       [](ScrubPane& p, V v) { p.setClipWidth(v.asInt16()); }},
      {"SliderVisible", VariantType::Bool,
       [](const ScrubPane& p) { return boolean(p.sliderVisible_); },
       [](ScrubPane& p, V v) { p.setSliderVisible(v.asBool()); }},
      {"ClipVisible", VariantType::Bool, [](const ScrubPane& p) { return boolean(p.clipVisible_); },
       [](ScrubPane& p, V v) { p.setClipVisible(v.asBool()); }},
      {"TimeCodeVisible", VariantType::Bool,
       [](const ScrubPane& p) { return boolean(p.timeCodeVisible_); },
       [](ScrubPane& p, V v) { p.setTimeCodeVisible(v.asBool()); }},
      {"NavigationVisible", VariantType::Bool,
       [](const ScrubPane& p) { return boolean(p.navigationVisible_); },
       [](ScrubPane& p, V v) { p.setNavigationVisible(v.asBool()); }},
      {"TimeCode", VariantType::String, [](const ScrubPane& p) { return text(p.timeCode()); },
       nullptr},
      {"MousePointer", VariantType::Int16,
       [](const ScrubPane& p) { return int16(p.mousePointer_); },
       [](ScrubPane& p, V v) { p.setMousePointer(v.asInt16()); }},
      {"MouseIcon", VariantType::Object,
       [](const ScrubPane& p) { return pictureVariant(p.mouseIcon_); },
       [](ScrubPane& p, V v) { p.setMouseIcon(pictureFrom(v)); }},
      {"ErrorMessages", VariantType::Bool,
       [](const ScrubPane& p) { return boolean(p.errorMessages_); },
       [](ScrubPane& p, V v) { p.setErrorMessages(v.asBool()); }},
      {"Source", VariantType::String, [](const ScrubPane& p) { return text(p.source_); },
       [](ScrubPane& p, V v) { p.setSource(text(v)); }},
      {"Path", VariantType::String, [](const ScrubPane& p) { return text(p.path_); },
       [](ScrubPane& p, V v) { p.setPath(text(v)); }, When::RunTimeOnly},
      {"FrameRate", VariantType::Double, [](const ScrubPane& p) { return Variant(p.frameRate_); },
       [](ScrubPane& p, V v) { p.setFrameRate(v.asDouble()); }},
      {"MarkOutVisible", VariantType::Bool,
       [](const ScrubPane& p) { return boolean(p.markOutVisible_); },
       [](ScrubPane& p, V v) { p.setMarkOutVisible(v.asBool()); }},
      {"MarkIn", VariantType::Double, [](const ScrubPane& p) { return Variant(p.markIn_); },
       [](ScrubPane& p, V v) { p.setMarkIn(v.asDouble()); }, When::RunTimeOnly},
      {"MarkOut", VariantType::Double, [](const ScrubPane& p) { return Variant(p.markOut_); },
       [](ScrubPane& p, V v) { p.setMarkOut(v.asDouble()); }, When::RunTimeOnly},
      {"MarkInVisible", VariantType::Bool,
       [](const ScrubPane& p) { return boolean(p.markInVisible_); },
       [](ScrubPane& p, V v) { p.setMarkInVisible(v.asBool()); }},
      {"NavigationLeft", VariantType::Int16,
       [](const ScrubPane& p) { return int16(p.navigationLeft_); },
       [](ScrubPane& p, V v) { p.setNavigationLeft(v.asInt16()); }},
      {"TimeCodeLeft", VariantType::Float,
       [](const ScrubPane& p) { return Variant(p.timeCodeLeft_); },
       [](ScrubPane& p, V v) { p.setTimeCodeLeft(v.asFloat()); }},
      {"TimeCodeTop", VariantType::Float,
       [](const ScrubPane& p) { return Variant(p.timeCodeTop_); },
       [](ScrubPane& p, V v) { p.setTimeCodeTop(v.asFloat()); }},
      {"MovieSaved", VariantType::Bool, [](const ScrubPane& p) { return boolean(p.movieSaved_); },
       [](ScrubPane& p, V v) { p.setMovieSaved(v.asBool()); }, When::RunTimeOnly},
      {"Length", VariantType::Double, [](const ScrubPane& p) { return Variant(p.length_); },
       [](ScrubPane& p, V v) { p.setLength(v.asDouble()); }, When::RunTimeOnly},
      {"Position", VariantType::Double, [](const ScrubPane& p) { return Variant(p.position_); },
       [](ScrubPane& p, V v) { p.setPosition(v.asDouble()); }, When::RunTimeOnly},
      {"Mode", VariantType::Int16, [](const ScrubPane& p) { return int16(p.mode_); },
       [](ScrubPane& p, V v) { p.setMode(v.asInt16()); }, When::RunTimeOnly},
      {"MarkOutLeft", VariantType::Float,
       [](const ScrubPane& p) { return Variant(p.markOutLeft_); },
       [](ScrubPane& p, V v) { p.setMarkOutLeft(v.asFloat()); }},
      {"ClipBackColor", VariantType::Int32,
       [](const ScrubPane& p) { return int32(p.clipBackColor_); },
       [](ScrubPane& p, V v) { p.setClipBackColor(static_cast<std::uint32_t>(v.asInt32())); }},
      {"AudioOnly", VariantType::Bool, [](const ScrubPane& p) { return boolean(p.audioOnly_); },
       [](ScrubPane& p, V v) { p.setAudioOnly(v.asBool()); }},
      {"FullScreen", VariantType::Bool, [](const ScrubPane& p) { return boolean(p.fullScreen_); },
       [](ScrubPane& p, V v) { p.setFullScreen(v.asBool()); }},
      {"currExt", VariantType::String, [](const ScrubPane& p) { return text(p.currExt_); },
       [](ScrubPane& p, V v) { p.setCurrExt(text(v)); }, When::RunTimeOnly},
      {"StepSize", VariantType::Double, [](const ScrubPane& p) { return Variant(p.stepSize_); },
       [](ScrubPane& p, V v) { p.setStepSize(v.asDouble()); }},
      {"CapturedPicture", VariantType::Object,
       [](const ScrubPane& p) { return pictureVariant(p.capturedPicture_); },
       [](ScrubPane& p, V v) { p.setCapturedPicture(pictureFrom(v)); }, When::RunTimeOnly,
       kErrSetNotPermitted},
      {"AMVersion", VariantType::Int16, [](const ScrubPane& p) { return int16(p.amVersion_); },
       [](ScrubPane& p, V v) { p.setAmVersion(v.asInt16()); }, When::RunTimeOnly},
  };
  return rows;
}

// The methods, numbered on after the properties.
const std::vector<ScrubPane::MethodRow>& ScrubPane::methodRows() {
  using A = const Args&;
  static const std::vector<MethodRow> rows = {
      {"xOpen", VariantType::Int32, {}, [](ScrubPane& p, A) { return int32(p.xOpen()); }},
      {"xReOpen", VariantType::Int32, {}, [](ScrubPane& p, A) { return int32(p.xReOpen()); }},
      {"xOpenCapture",
       VariantType::Bool,
       {{"sFile", VariantType::String}},
       [](ScrubPane& p, A args) {
         if (int error = p.xOpenCapture(text(args[0]))) {
           throw std::runtime_error("cannot make a picture of " + args[0].asString() + " (error " +
                                    std::to_string(error) + ")");
         }
         return boolean(false);
       }},
      {"xPlay", VariantType::Int32, {}, [](ScrubPane& p, A) { return int32(p.xPlay()); }},
      {"xPause", VariantType::Int32, {}, [](ScrubPane& p, A) { return int32(p.xPause()); }},
      {"xSeek",
       VariantType::Int32,
       {{"fPosition", VariantType::Double}},
       [](ScrubPane& p, A args) { return int32(p.xSeek(args[0].asDouble())); }},
      {"xStop", VariantType::Int32, {}, [](ScrubPane& p, A) { return int32(p.xStop()); }},
      {"xClose", VariantType::Int32, {}, [](ScrubPane& p, A) { return int32(p.xClose()); }},
      {"xCloseTemp", VariantType::Int32, {}, [](ScrubPane& p, A) { return int32(p.xCloseTemp()); }},
      {"pressMarkOut",
       VariantType::Int32,
       {},
       [](ScrubPane& p, A) { return int32(p.pressMarkOut()); }},
      {"getLenInTimeCode",
       VariantType::String,
       {},
       [](ScrubPane& p, A) { return text(p.getLenInTimeCode()); }},
      {"freezeFrame",
       VariantType::Bool,
       {{"bArg", VariantType::Bool}},
       [](ScrubPane& p, A args) { return boolean(p.freezeFrame(args[0].asBool())); }},
      {"xCapture",
       VariantType::Empty,
       {},
       [](ScrubPane& p, A) {
         const Picture picture = p.xCapture();
         return picture.isNull() ? Variant() : pictureVariant(picture);
       }},
      {"GetPath",
       VariantType::Bool,
       {{"strPath", VariantType::String}, {"strDocument", VariantType::String}},
       [](ScrubPane& p, A args) { return boolean(p.GetPath(text(args[0]), text(args[1]))); }},
  };
  return rows;
}

void ScrubPane::registerMembers() {
  automation::DispId id = 1;
  for (const PropertyRow& row : propertyRows()) {
    std::function<Status(const Variant&)> setter;
    if (row.set != nullptr) {
      setter = [this, &row](const Variant& value) {
        if (row.when == When::RunTimeOnly && designMode_) {
          return Status::error(row.designError, std::string("property '") + row.name +
                                                    "' cannot be set at design time");
        }
        row.set(*this, value);
        dispatch_.setModified(true);
        return Status::success();
      };
    }
    dispatch_.addProperty(
        {row.name, id++, row.type, [this, &row] { return row.get(*this); }, std::move(setter)});
  }
  for (const MethodRow& row : methodRows()) {
    dispatch_.addMethod({row.name, id++, row.result, row.params,
                         [this, &row](const Args& args) { return row.invoke(*this, args); }});
  }
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
  mode_ = whole("Mode", kModeNoClip);
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
