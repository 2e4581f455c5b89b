// The Probe control: the file information component. A host sets
// ShopFileName, calls DoQuickAnalys and reads the file properties; NinfoHand
// is the handle of the control's stream information record, which the host
// hands to the editing engine. The control has no events.
//
// Automation members and their dispatch ids (properties first, then methods):
//
//   1 ShopFileName                  String   read/write
//   2 ShopFileType                  Integer  read-only
//   3 ShopFileTimelenD              Double   read-only (runs the head/tail analysis)
//   4 ShopFileBytelenD              Double   read-only
//   5 ShopFileAudioByterate         Long     read-only
//   6 ShopFileAudioLevel            Integer  read-only
//   7 ShopFileAudioMode             Integer  read-only
//   8 ShopFileVideoByterate         Long     read-only
//   9 ShopFileVideoHorPicsize       Long     read-only
//  10 ShopFileVideoVerPicsize       Long     read-only
//  11 ShopFileVideoPicrateDeclared  Single   read-only
//  12 ShopFileVideoVCDcomp          Integer  read-only
//  13 ShopFileAudioVCDcomp          Integer  read-only
//  14 ShopFileMuxrate               Long     read-only
//  15 ShopFileAudioSampfreqDeclared Single   read-only
//  16 NinfoHand                     Long     read-only
//  17 DoQuickAnalys()               Integer  0, 1016 or 1001
//  18 ResetInfoStruct()             -
//  19 WhatIsAnalysStage()           Integer  0, 1 or 2
//
// Writing a read-only property is refused with automation status 383.
#pragma once

#include <cstdint>
#include <string>

#include "automation/dispatch.h"
#include "engine/analysis/stream_info.h"

namespace cw {

class Probe : public automation::Dispatch {
 public:
  static constexpr const char* kProgId = "PROBE.ProbeCtrl.1";

  Probe();
  ~Probe() override;

  // The same members for C++ callers.
  const std::string& shopFileName() const { return info_.fileName; }
  void setShopFileName(std::string name);
  std::int16_t shopFileType() const { return info_.fileType; }
  double shopFileTimelenD();
  double shopFileBytelenD() const { return info_.fileLength; }
  std::int32_t shopFileAudioByterate() const { return info_.audioByteRate; }
  std::int16_t shopFileAudioLevel() const { return info_.audioLayer; }
  std::int16_t shopFileAudioMode() const { return info_.audioMode; }
  std::int32_t shopFileVideoByterate() const { return info_.videoByteRate; }
  std::int32_t shopFileVideoHorPicsize() const { return info_.horizontalSize; }
  std::int32_t shopFileVideoVerPicsize() const { return info_.verticalSize; }
  float shopFileVideoPicrateDeclared() const { return info_.pictureRate; }
  std::int16_t shopFileVideoVCDcomp() const { return info_.videoVcd; }
  std::int16_t shopFileAudioVCDcomp() const { return info_.audioVcd; }
  std::int32_t shopFileMuxrate() const;
  float shopFileAudioSampfreqDeclared() const { return info_.audioSampleRate; }
  std::int32_t ninfoHand() const { return handle_; }

  std::int16_t doQuickAnalys();
  void resetInfoStruct();
  std::int16_t whatIsAnalysStage() const { return info_.stage; }

  // Engine error number of the head/tail analysis that the last read of
  // ShopFileTimelenD ran (0 success; 1002 when the file type has none; -1
  // when none ran because nothing was analysed yet).
  int lastDurationStatus() const { return durationStatus_; }

  // The record itself (the engine reaches it through NinfoHand).
  StreamInfo& info() { return info_; }
  const StreamInfo& info() const { return info_; }

 private:
  void registerMembers();

  StreamInfo info_;
  std::int32_t handle_ = 0;
  int durationStatus_ = -1;
};

}  // namespace cw
