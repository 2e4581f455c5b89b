// The editor's record cycle in one process: Probe controls describe the
// files, their handles go to a Splicer, and every call goes through the
// dispatch interface by id, with the events the front end listens to.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/common/errors.h"
#include "engine/splicer/splicer.h"
#include "platform/file.h"
#include "probe/probe.h"
#include "support/corpus.h"
#include "support/ffprobe.h"
#include "support/temp_dir.h"

namespace cw::test {
namespace {

using automation::Args;
using automation::Variant;

enum Id { kCrop = 18, kUndo = 19, kRedo = 20, kAppendCrop = 21, kSetSeqMode = 27, kSeqCrop = 28 };

class SplicerSession : public ::testing::Test {
 protected:
  void SetUp() override {
    CW_REQUIRE_CORPUS("vcd_ntsc.mpg");
    source.setShopFileName(corpusPath("vcd_ntsc.mpg"));
    ASSERT_EQ(source.doQuickAnalys(), 0);
    set("SrcInfoHand", Variant(source.ninfoHand()));
    set("RecInfoHand", Variant(record.ninfoHand()));
    set("SourceFileName", Variant(source.shopFileName()));
    set("RecordFileName", Variant(project));
    set("UndoFileName", Variant(dir.file("undo.boo")));
    set("RedoFileName", Variant(dir.file("redo.boo")));
    set("RecordMode", Variant(std::int16_t{1}));
    splicer.events().connectAny([this](const automation::EventDef& e, Args& args) {
      if (e.name == "Progress") {
        percentages.push_back(args[1].asInt16());
        if (onProgress) onProgress();
      } else {
        events.push_back(e.name);
      }
    });
  }

  void set(const char* name, const Variant& value) {
    ASSERT_TRUE(splicer.setProperty(name, value).ok()) << name;
  }
  Variant get(const char* name) {
    Variant v;
    EXPECT_TRUE(splicer.getProperty(name, v).ok()) << name;
    return v;
  }
  int call(int id, const Args& args = {}) {
    events.clear();
    percentages.clear();
    Variant result;
    EXPECT_TRUE(splicer.invoke(id, args, result).ok());
    return result.asInt16();
  }
  void marks(double in, double out) {
    set("SourceMarkIn", Variant(in));
    set("SourceMarkOut", Variant(out));
  }

  TempDir dir{"cw-splicer-session"};
  const std::string project = dir.file("project.mpg");
  Probe source;
  Probe record;
  Splicer splicer;
  std::vector<std::string> events;
  std::vector<int> percentages;
  std::function<void()> onProgress;
};

TEST_F(SplicerSession, CropAppendUndoRedoByDispatchId) {
  marks(1.0, 4.0);
  ASSERT_EQ(call(kCrop), 0) << splicer.errorMes();
  EXPECT_EQ(events, std::vector<std::string>{"Done"});
  ASSERT_FALSE(percentages.empty());
  EXPECT_EQ(percentages.back(), 100);
  EXPECT_EQ(get("ErrorMes").asString(), "OK");
  EXPECT_EQ(static_cast<std::int64_t>(record.info().fileLength), platform::fileSize(project));
  const std::string cropped = readFile(project);

  marks(5.0, 8.0);
  ASSERT_EQ(call(kAppendCrop), 0) << splicer.errorMes();
  EXPECT_EQ(events, std::vector<std::string>{"Done"});
  EXPECT_TRUE(get("UndoEnabled").asBool());
  EXPECT_FALSE(get("RedoEnabled").asBool());
  const std::string appended = readFile(project);
  EXPECT_EQ(ffmpegDecodeErrors(project), "");

  ASSERT_EQ(call(kUndo), 0);
  EXPECT_TRUE(readFile(project) == cropped);
  EXPECT_FALSE(get("UndoEnabled").asBool());
  EXPECT_TRUE(get("RedoEnabled").asBool());
  EXPECT_EQ(static_cast<std::int64_t>(record.info().fileLength),
            static_cast<std::int64_t>(cropped.size()));
  ASSERT_EQ(call(kRedo), 0);
  EXPECT_TRUE(readFile(project) == appended);
  EXPECT_TRUE(get("UndoEnabled").asBool());
  EXPECT_EQ(call(kRedo), -1);
  EXPECT_EQ(events, std::vector<std::string>{"Err"});
  EXPECT_EQ(get("ErrorMesNumber").asInt16(), 2100);
}

TEST_F(SplicerSession, CancelFromProgressRestoresTheRecord) {
  marks(0.5, 3.0);
  ASSERT_EQ(call(kCrop), 0);
  const std::string before = readFile(project);
  marks(0.0, 11.0);
  onProgress = [this] { splicer.Cancel(); };
  EXPECT_EQ(call(kAppendCrop), 0);
  EXPECT_EQ(events, std::vector<std::string>{"Done"});
  EXPECT_EQ(percentages.size(), 1u);
  EXPECT_EQ(get("ErrorMesNumber").asInt16(), 0);
  EXPECT_FALSE(get("UndoEnabled").asBool());
  EXPECT_TRUE(readFile(project) == before);
  EXPECT_FALSE(platform::fileExists(dir.file("undo.boo")));
}

TEST_F(SplicerSession, ASuccessAfterAFailureClearsOnlyTheNumber) {
  marks(0.5, 3.0);
  ASSERT_EQ(call(kCrop), 0);
  // A clip of another kind cannot join the project.
  CW_REQUIRE_CORPUS("sys_32k.mpg");
  Probe other;
  other.setShopFileName(corpusPath("sys_32k.mpg"));
  ASSERT_EQ(other.doQuickAnalys(), 0);
  set("SrcInfoHand", Variant(other.ninfoHand()));
  set("SourceFileName", Variant(other.shopFileName()));
  marks(1.0, 3.0);
  EXPECT_EQ(call(kAppendCrop), -1);
  const int failure = get("ErrorMesNumber").asInt16();
  EXPECT_TRUE(failure == 4005 || failure == 4006) << failure;
  set("SrcInfoHand", Variant(source.ninfoHand()));
  set("SourceFileName", Variant(source.shopFileName()));
  marks(4.0, 6.0);
  ASSERT_EQ(call(kAppendCrop), 0);
  EXPECT_EQ(get("ErrorMesNumber").asInt16(), 0);
  EXPECT_EQ(get("ErrorMes").asString(), errorMessage(failure));
}

TEST_F(SplicerSession, SequencePiecesMeetAndALateMarkOutCanBeRetried) {
  ASSERT_EQ(call(kSetSeqMode), 0);
  marks(0.0, 6.0);
  ASSERT_EQ(call(kSeqCrop, {Variant::fromBool(false)}), 0) << splicer.errorMes();
  const StreamArea firstCut = splicer.sequence().previousCut;
  EXPECT_FALSE(splicer.sequence().atStart);

  // A mark out before the previous one: 8003, nothing written, state kept.
  set("RecordFileName", Variant(dir.file("second.mpg")));
  marks(0.0, 2.0);
  EXPECT_EQ(call(kSeqCrop, {Variant::fromBool(false)}), -1);
  EXPECT_EQ(get("ErrorMesNumber").asInt16(), 8003);
  EXPECT_FALSE(platform::fileExists(dir.file("second.mpg")));
  EXPECT_EQ(splicer.sequence().previousCut.point, firstCut.point);

  ASSERT_EQ(call(kSeqCrop, {Variant::fromBool(true)}), 0) << splicer.errorMes();
  EXPECT_EQ(ffmpegDecodeErrors(dir.file("second.mpg")), "");
  const double whole = ffprobeFile(source.shopFileName()).duration;
  const double parts = ffprobeFile(project).duration + ffprobeFile(dir.file("second.mpg")).duration;
  EXPECT_NEAR(parts, whole, 0.7);
}

}  // namespace
}  // namespace cw::test
