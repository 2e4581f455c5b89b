#include "probe/probe.h"

#include <utility>

#include "probe/duration.h"
#include "probe/quick_analysis.h"

namespace cw {

using automation::Args;
using automation::Status;
using automation::Variant;
using automation::VariantType;

Probe::Probe() {
  handle_ = registerStreamInfo(&info_);
  registerMembers();
}

Probe::~Probe() { unregisterStreamInfo(handle_); }

void Probe::setShopFileName(std::string name) {
  info_.fileName = std::move(name);
  setModified();
}

double Probe::shopFileTimelenD() {
  if (info_.stage == 0) {
    durationStatus_ = -1;
    return -1.0;
  }
  durationStatus_ = analyseDuration(info_);
  return info_.duration;
}

std::int32_t Probe::shopFileMuxrate() const {
  return info_.muxRateDeclared > 0 ? info_.muxRateDeclared * 50 : -1;
}

std::int16_t Probe::doQuickAnalys() { return static_cast<std::int16_t>(quickAnalyse(info_)); }

void Probe::resetInfoStruct() { info_.reset(); }

void Probe::registerMembers() {
  // Read-only properties, in dispatch-id order from 2.
  struct ReadOnly {
    const char* name;
    VariantType type;
    Variant (*read)(Probe&);
  };
  static const ReadOnly kReadOnly[] = {
      {"ShopFileType", VariantType::Int16, [](Probe& p) { return Variant(p.shopFileType()); }},
      {"ShopFileTimelenD", VariantType::Double,
       [](Probe& p) { return Variant(p.shopFileTimelenD()); }},
      {"ShopFileBytelenD", VariantType::Double,
       [](Probe& p) { return Variant(p.shopFileBytelenD()); }},
      {"ShopFileAudioByterate", VariantType::Int32,
       [](Probe& p) { return Variant(p.shopFileAudioByterate()); }},
      {"ShopFileAudioLevel", VariantType::Int16,
       [](Probe& p) { return Variant(p.shopFileAudioLevel()); }},
      {"ShopFileAudioMode", VariantType::Int16,
       [](Probe& p) { return Variant(p.shopFileAudioMode()); }},
      {"ShopFileVideoByterate", VariantType::Int32,
       [](Probe& p) { return Variant(p.shopFileVideoByterate()); }},
      {"ShopFileVideoHorPicsize", VariantType::Int32,
       [](Probe& p) { return Variant(p.shopFileVideoHorPicsize()); }},
      {"ShopFileVideoVerPicsize", VariantType::Int32,
       [](Probe& p) { return Variant(p.shopFileVideoVerPicsize()); }},
      {"ShopFileVideoPicrateDeclared", VariantType::Float,
       [](Probe& p) { return Variant(p.shopFileVideoPicrateDeclared()); }},
      {"ShopFileVideoVCDcomp", VariantType::Int16,
       [](Probe& p) { return Variant(p.shopFileVideoVCDcomp()); }},
      {"ShopFileAudioVCDcomp", VariantType::Int16,
       [](Probe& p) { return Variant(p.shopFileAudioVCDcomp()); }},
      {"ShopFileMuxrate", VariantType::Int32,
       [](Probe& p) { return Variant(p.shopFileMuxrate()); }},
      {"ShopFileAudioSampfreqDeclared", VariantType::Float,
       [](Probe& p) { return Variant(p.shopFileAudioSampfreqDeclared()); }},
      {"NinfoHand", VariantType::Int32, [](Probe& p) { return Variant(p.ninfoHand()); }},
  };

  automation::DispId id = 1;
  addProperty({"ShopFileName", id++, VariantType::String,
               [this] { return Variant(shopFileName()); },
               [this](const Variant& v) {
                 setShopFileName(v.asString());
                 return Status::success();
               }});
  for (const ReadOnly& p : kReadOnly)
    addProperty({p.name, id++, p.type, [this, read = p.read] { return read(*this); }});

  addMethod({"DoQuickAnalys", id++, VariantType::Int16, {}, [this](const Args&) {
               return Variant(doQuickAnalys());
             }});
  addMethod({"ResetInfoStruct", id++, VariantType::Empty, {}, [this](const Args&) {
               resetInfoStruct();
               return Variant();
             }});
  addMethod({"WhatIsAnalysStage", id++, VariantType::Int16, {}, [this](const Args&) {
               return Variant(whatIsAnalysStage());
             }});
}

}  // namespace cw
