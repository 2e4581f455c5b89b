#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "probe/probe.h"
#include "probe/quick_analysis.h"
#include "support/corpus.h"
#include "support/temp_dir.h"

namespace cw {
namespace {

using automation::Variant;

const char* const kMembers[] = {"ShopFileName",
                                "ShopFileType",
                                "ShopFileTimelenD",
                                "ShopFileBytelenD",
                                "ShopFileAudioByterate",
                                "ShopFileAudioLevel",
                                "ShopFileAudioMode",
                                "ShopFileVideoByterate",
                                "ShopFileVideoHorPicsize",
                                "ShopFileVideoVerPicsize",
                                "ShopFileVideoPicrateDeclared",
                                "ShopFileVideoVCDcomp",
                                "ShopFileAudioVCDcomp",
                                "ShopFileMuxrate",
                                "ShopFileAudioSampfreqDeclared",
                                "NinfoHand",
                                "DoQuickAnalys",
                                "ResetInfoStruct",
                                "WhatIsAnalysStage"};

TEST(ProbeControl, EveryMemberHasItsDispatchIdInTableOrder) {
  Probe probe;
  for (int i = 0; i < 19; ++i) EXPECT_EQ(probe.idOf(kMembers[i]), i + 1) << kMembers[i];
  EXPECT_EQ(probe.properties().size(), 16u);
  EXPECT_EQ(probe.methods().size(), 3u);
}

TEST(ProbeControl, AnalysisThroughNamesAndIdsGivesTheSameValues) {
  Probe probe;
  ASSERT_TRUE(probe.setProperty(1, Variant(test::testDataPath("sample_vcd.mpg"))).ok());
  EXPECT_TRUE(probe.isModified());
  Variant result;
  ASSERT_TRUE(probe.invoke("doquickanalys", {}, result).ok());
  EXPECT_EQ(result.type(), automation::VariantType::Int16);
  EXPECT_EQ(result.asInt16(), 0);

  Variant byName, byId;
  for (int id = 1; id <= 16; ++id) {
    if (id == 3) continue;  // the duration runs an analysis; checked below
    ASSERT_TRUE(probe.getProperty(kMembers[id - 1], byName).ok());
    ASSERT_TRUE(probe.getProperty(id, byId).ok());
    EXPECT_EQ(byName, byId) << kMembers[id - 1];
  }
  probe.getProperty("ShopFileMuxrate", byName);
  EXPECT_EQ(byName.asInt32(), probe.info().muxRateDeclared * 50);
  probe.getProperty("ShopFileVideoPicrateDeclared", byName);
  EXPECT_EQ(byName.type(), automation::VariantType::Float);
  probe.invoke(19, {}, result);
  EXPECT_EQ(result.asInt16(), 1);
}

TEST(ProbeControl, OnlyTheFileNameCanBeWritten) {
  Probe probe;
  for (int id = 2; id <= 16; ++id) {
    automation::Status st = probe.setProperty(id, Variant(1));
    EXPECT_EQ(st.code, automation::kReadOnly) << kMembers[id - 1];
    EXPECT_EQ(st.message, std::string("property '") + kMembers[id - 1] + "' is read-only");
  }
  EXPECT_EQ(probe.shopFileType(), -1);
  EXPECT_FALSE(probe.isModified());
  EXPECT_EQ(probe.setProperty("ShopFileSize", Variant(1)).code, automation::kUnknownMember);
  Variant v;
  EXPECT_EQ(probe.invoke("DoQuickAnalys", {Variant(1)}, v).code, automation::kWrongArgCount);
}

TEST(ProbeControl, DurationIsMeasuredOnDemandAndAgainOnEveryRead) {
  Probe probe;
  EXPECT_EQ(probe.shopFileTimelenD(), -1.0);  // nothing analysed yet
  probe.setShopFileName(test::testDataPath("sample_vcd.mpg"));
  ASSERT_EQ(probe.doQuickAnalys(), 0);
  Variant first, second;
  ASSERT_TRUE(probe.getProperty("ShopFileTimelenD", first).ok());
  EXPECT_EQ(probe.lastDurationStatus(), 0);
  EXPECT_GT(first.asDouble(), 1.0);
  EXPECT_EQ(probe.whatIsAnalysStage(), 2);
  EXPECT_GT(probe.info().muxRateMeasured, 0);
  EXPECT_EQ(probe.info().video.handle, -1);
  ASSERT_TRUE(probe.getProperty(3, second).ok());
  EXPECT_EQ(first, second);

  probe.resetInfoStruct();
  EXPECT_EQ(probe.shopFileMuxrate(), -1);
  EXPECT_EQ(probe.shopFileTimelenD(), -1.0);
  EXPECT_EQ(probe.whatIsAnalysStage(), 0);
  EXPECT_EQ(probe.shopFileName(), test::testDataPath("sample_vcd.mpg"));
}

TEST(ProbeControl, AudioOnlyAndVanishedFilesHaveNoDuration) {
  test::TempDir dir;
  const std::string path = dir.file("tone.mpa");
  std::string frames;
  for (int i = 0; i < 6; ++i) frames += std::string("\xFF\xFD\xB0\x00", 4) + std::string(727, '\0');
  ASSERT_TRUE(test::writeFile(path, frames));
  Probe probe;
  probe.setShopFileName(path);
  ASSERT_EQ(probe.doQuickAnalys(), 0);
  ASSERT_EQ(probe.shopFileType(), kTypeAudioOnly);
  EXPECT_EQ(probe.shopFileTimelenD(), -1.0);
  EXPECT_EQ(probe.whatIsAnalysStage(), 1);

  Probe gone;
  gone.setShopFileName(dir.file("gone.mpg"));
  ASSERT_TRUE(test::writeFile(gone.shopFileName(), std::string(2048, '\0')));
  ASSERT_EQ(gone.doQuickAnalys(), 0);
  gone.info().fileType = kTypeSystem;  // as if it had been a system stream
  std::remove(gone.shopFileName().c_str());
  EXPECT_EQ(gone.shopFileTimelenD(), -1.0);
  EXPECT_EQ(gone.lastDurationStatus(), 1016);
}

TEST(ProbeControl, TheHandleReachesTheRecordWhileTheControlLives) {
  std::int32_t handle = 0;
  {
    Probe probe;
    Variant v;
    ASSERT_TRUE(probe.getProperty("NinfoHand", v).ok());
    handle = v.asInt32();
    EXPECT_NE(handle, 0);
    EXPECT_EQ(resolveStreamInfo(handle), &probe.info());
    Probe other;
    EXPECT_NE(other.ninfoHand(), handle);
  }
  EXPECT_EQ(resolveStreamInfo(handle), nullptr);
}

}  // namespace
}  // namespace cw
