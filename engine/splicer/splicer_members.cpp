// The automation surface of the Splicer control: every property and method
// by name and dispatch id, and the three events.
#include "automation/variant.h"
#include "engine/splicer/splicer.h"

namespace cw {

using automation::Args;
using automation::Param;
using automation::Status;
using automation::Variant;
using automation::VariantType;

namespace {

Variant boolean(bool value) { return Variant::fromBool(value); }

// The automation layer hands a true Boolean over as 1; only that value (or a
// Boolean true) switches the removal of dead B-pictures on.
bool isTrueAsOne(const Variant& value) {
  if (value.type() == VariantType::Bool) return value.asBool();
  double number = 0.0;
  return value.toDouble(number) == automation::kOk && number == 1.0;
}

}  // namespace

void Splicer::registerProperties() {
  // A property whose set always succeeds.
  const auto settable = [this](const char* name, automation::DispId id, VariantType type,
                               std::function<Variant()> get,
                               std::function<void(const Variant&)> set) {
    addProperty({name, id, type, std::move(get), [set = std::move(set)](const Variant& v) {
                   set(v);
                   return Status::success();
                 }});
  };
  settable(
      "RecordFileName", 1, VariantType::String, [this] { return Variant(recordFileName()); },
      [this](const Variant& v) { setRecordFileName(v.asString()); });
  settable(
      "SourceFileName", 2, VariantType::String, [this] { return Variant(sourceFileName()); },
      [this](const Variant& v) { setSourceFileName(v.asString()); });
  settable(
      "SourceMarkIn", 3, VariantType::Double, [this] { return Variant(sourceMarkIn()); },
      [this](const Variant& v) { setSourceMarkIn(v.asDouble()); });
  settable(
      "SourceMarkOut", 4, VariantType::Double, [this] { return Variant(sourceMarkOut()); },
      [this](const Variant& v) { setSourceMarkOut(v.asDouble()); });
  settable(
      "RecordMarkEntry", 5, VariantType::Double, [this] { return Variant(recordMarkEntry()); },
      [this](const Variant& v) { setRecordMarkEntry(v.asDouble()); });
  settable(
      "RecordMode", 6, VariantType::Int16, [this] { return Variant(recordMode()); },
      [this](const Variant& v) { setRecordMode(v.asInt16()); });
  settable(
      "ErrorMes", 7, VariantType::String, [this] { return Variant(errorMes()); },
      [this](const Variant& v) { setErrorMes(v.asString()); });
  settable(
      "ErrorMesNumber", 8, VariantType::Int16, [this] { return Variant(errorMesNumber()); },
      [this](const Variant& v) { setErrorMesNumber(v.asInt16()); });
  addProperty({"UndoEnabled", 9, VariantType::Bool, [this] { return boolean(undoEnabled()); }});
  addProperty({"SpaceRequired", 10, VariantType::Double,
               [this] { return Variant(spaceRequired()); },
               [](const Variant&) { return Status::success(); }});
  addProperty({"SpaceAvailable", 11, VariantType::Double,
               [this] { return Variant(spaceAvailable()); },
               [this](const Variant&) {
                 spaceAvailable();
                 return Status::success();
               }});
  settable(
      "SrcInfoHand", 12, VariantType::Int32, [this] { return Variant(srcInfoHand()); },
      [this](const Variant& v) { setSrcInfoHand(v.asInt32()); });
  settable(
      "RecInfoHand", 13, VariantType::Int32, [this] { return Variant(recInfoHand()); },
      [this](const Variant& v) { setRecInfoHand(v.asInt32()); });
  settable(
      "UndoFileName", 14, VariantType::String, [this] { return Variant(undoFileName()); },
      [this](const Variant& v) { setUndoFileName(v.asString()); });
  settable(
      "RedoFileName", 15, VariantType::String, [this] { return Variant(redoFileName()); },
      [this](const Variant& v) { setRedoFileName(v.asString()); });
  addProperty({"RedoEnabled", 16, VariantType::Bool, [this] { return boolean(redoEnabled()); }});
  // Declared without a type so that the setter sees the value as passed.
  addProperty({"RemoveDeadBpic", 17, VariantType::Empty,
               [this] { return boolean(removeDeadBpic()); },
               [this](const Variant& v) {
                 setRemoveDeadBpic(isTrueAsOne(v));
                 return Status::success();
               }});
  addProperty({"ExactCut", 30, VariantType::Bool, [this] { return boolean(exactCut()); },
               [this](const Variant& v) {
                 setExactCut(isTrueAsOne(v));
                 return Status::success();
               }});
}

void Splicer::registerMethods() {
  const auto result = [](std::int16_t value) { return Variant(value); };
  addMethod(
      {"Crop", 18, VariantType::Int16, {}, [this, result](const Args&) { return result(Crop()); }});
  addMethod(
      {"Undo", 19, VariantType::Int16, {}, [this, result](const Args&) { return result(Undo()); }});
  addMethod(
      {"Redo", 20, VariantType::Int16, {}, [this, result](const Args&) { return result(Redo()); }});
  addMethod({"AppendCrop", 21, VariantType::Int16, {}, [this, result](const Args&) {
               return result(AppendCrop());
             }});
  addMethod({"EntryCrop", 22, VariantType::Int16, {}, [this, result](const Args&) {
               return result(EntryCrop());
             }});
  addMethod({"GenerateUniqueName", 23, VariantType::String, {}, [this](const Args&) {
               return Variant(GenerateUniqueName());
             }});
  addMethod({"VideoCompat", 24, VariantType::Bool, {}, [this](const Args&) {
               return boolean(VideoCompat());
             }});
  addMethod({"AudioCompat", 25, VariantType::Bool, {}, [this](const Args&) {
               return boolean(AudioCompat());
             }});
  addMethod({"Cancel", 26, VariantType::Empty, {}, [this](const Args&) {
               Cancel();
               return Variant();
             }});
  addMethod({"SetSeqMode", 27, VariantType::Empty, {}, [this](const Args&) {
               SetSeqMode();
               return Variant();
             }});
  addMethod({"SeqCrop",
             28,
             VariantType::Int16,
             {Param("FinalCropFlag", VariantType::Bool)},
             [this, result](const Args& args) { return result(SeqCrop(args[0].asBool())); }});
  addMethod({"SeqAppendCrop",
             29,
             VariantType::Int16,
             {Param("FinalCropFlag", VariantType::Bool)},
             [this, result](const Args& args) { return result(SeqAppendCrop(args[0].asBool())); }});
}

void Splicer::declareEvents() {
  events_.declareEvent({"Done", 1});
  events_.declareEvent({"Err", 2});
  events_.declareEvent(
      {"Progress",
       3,
       {Param("Status", VariantType::Int16), Param("Percentage", VariantType::Int16)}});
}

}  // namespace cw
