// A video-only join: the video writer started with the record's join state
// writes a source cut over the record's closing sequence end code, and the
// GOP time codes run on across the join.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "crop_fixture.h"
#include "engine/analysis/cut_area.h"
#include "engine/analysis/head_tail.h"
#include "engine/analysis/mpeg1.h"
#include "engine/analysis/record_analysis.h"
#include "engine/edit/es_writer_join.h"
#include "platform/file.h"
#include "support/corpus.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace cw::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct VideoCodes {
  std::vector<std::int64_t> gopTimeCodes;    // in pictures
  std::vector<std::int64_t> picturesBefore;  // pictures in front of each GOP
  int sequenceEnds = 0;
};

VideoCodes scanCodes(const Bytes& es, int rate) {
  VideoCodes c;
  std::int64_t pictures = 0;
  for (std::size_t i = 0; i + 4 <= es.size(); ++i) {
    if (!mpeg1::isStartCode(&es[i])) continue;
    if (es[i + 3] == mpeg1::kPictureStart) ++pictures;
    if (es[i + 3] == mpeg1::kSequenceEnd) ++c.sequenceEnds;
    if (es[i + 3] == mpeg1::kGroupStart && i + 8 <= es.size()) {
      const mpeg1::TimeCode tc = mpeg1::decodeGopTimeCode(&es[i]);
      c.gopTimeCodes.push_back(
          ((tc.hours * 60 + tc.minutes) * 60 + tc.seconds) * std::int64_t{rate} + tc.pictures);
      c.picturesBefore.push_back(pictures);
    }
  }
  return c;
}

class JoinVideoOnly : public CropFixture {};

TEST_F(JoinVideoOnly, TheSourceFollowsTheRecordsLastGop) {
  if (!useCorpusSource("vcd_pal.mpg")) return;
  ASSERT_EQ(crop(1.0, 4.0, 3), 0);
  const Bytes record = readBytes(ctx.recordFileName);
  StreamInfo rec;
  ASSERT_TRUE(describeSource(ctx.recordFileName, rec));
  platform::File recFile;
  ASSERT_TRUE(recFile.open(ctx.recordFileName, platform::OpenMode::Read));
  VideoOnlyJoin join;
  ASSERT_EQ(analyseVideoOnlyRecordTail(recFile, rec, join), 0);
  ASSERT_EQ(join.joinOffset, static_cast<std::int64_t>(record.size()) - 4);

  const std::string sourcePath = corpusPath("vcd_pal.mpg");
  StreamInfo src;
  ASSERT_TRUE(describeSource(sourcePath, src));
  platform::File srcFile;
  ASSERT_TRUE(srcFile.open(sourcePath, platform::OpenMode::Read));
  std::int32_t measured = 0;
  ASSERT_EQ(analyseSystemStream(srcFile, src, measured), 0);
  CutInResult cut;
  ASSERT_EQ(analyseCutIn(srcFile, src, 3, false, 6.0, 0, cut), 0);
  ASSERT_EQ(analyseCutOut(srcFile, src, 3, 9.0, false), 0);

  MuxState m;
  ASSERT_EQ(StartVideoJoinWriter(m, srcFile, EsSourceKind::SystemStream, cut.treatment, kMuxChunk,
                                 &src.video, join, MuxOperation::AppendCrop),
            0);
  Bytes joined(record.begin(), record.begin() + join.joinOffset);
  Bytes block(kMuxChunk);
  int status = kMuxMore;
  while (status == kMuxMore) {
    std::size_t delivered = 0;
    status = EsChunk(m, block.data(), block.size(), delivered);
    joined.insert(joined.end(), block.begin(), block.begin() + static_cast<long>(delivered));
  }
  ASSERT_EQ(status, kMuxFinished);

  const VideoCodes before = scanCodes(record, 25);
  const VideoCodes after = scanCodes(joined, 25);
  EXPECT_EQ(after.sequenceEnds, 1) << "only the join's own end code remains";
  ASSERT_GT(after.gopTimeCodes.size(), before.gopTimeCodes.size());
  for (std::size_t g = 1; g < after.gopTimeCodes.size(); ++g) {
    EXPECT_EQ(after.gopTimeCodes[g] - after.gopTimeCodes[g - 1],
              after.picturesBefore[g] - after.picturesBefore[g - 1])
        << "GOP " << g;
  }
  const std::string path = dir.file("joined.mpv");
  platform::File out;
  ASSERT_TRUE(out.open(path, platform::OpenMode::Create));
  ASSERT_EQ(out.write(joined.data(), static_cast<std::int64_t>(joined.size())),
            static_cast<std::int64_t>(joined.size()));
  out.close();
  const CommandResult decode = runCommand("ffmpeg -nostdin -v error -f mpegvideo -i " +
                                          shellQuote(path) + " -f null - 2>&1");
  EXPECT_EQ(decode.out, "");
}

TEST_F(JoinVideoOnly, StartErrorsAreTheOperations) {
  MuxState m;
  platform::File closed;
  VideoOnlyJoin join;
  EXPECT_EQ(StartVideoJoinWriter(m, closed, EsSourceKind::SystemStream, 0, kMuxChunk, nullptr, join,
                                 MuxOperation::AppendCrop),
            4012);
  EXPECT_EQ(StartAudioJoinWriter(m, closed, EsSourceKind::ElementaryStream, kMuxChunk, nullptr,
                                 MuxOperation::EntryCrop),
            3012);
}

}  // namespace
}  // namespace cw::test
