// Joins written with StartJoinMux behind a record that Crop made: at the
// record's end (append) and inside it (entry). The joined file must read as
// one stream: the clock, decoding times and GOP time codes run on across the
// join, the decoder-buffer checker finds nothing and ffmpeg decodes it
// without a complaint.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "crop_fixture.h"
#include "engine/analysis/cut_area.h"
#include "engine/analysis/head_tail.h"
#include "engine/analysis/mpeg1.h"
#include "engine/analysis/record_analysis.h"
#include "engine/analysis/stream_params.h"
#include "engine/edit/mux_join.h"
#include "platform/file.h"
#include "support/corpus.h"
#include "support/ffprobe.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace cw::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

void writeAll(const std::string& path, const Bytes& b) {
  platform::File f;
  ASSERT_TRUE(f.open(path, platform::OpenMode::Create));
  ASSERT_EQ(f.write(b.data(), static_cast<std::int64_t>(b.size())),
            static_cast<std::int64_t>(b.size()));
}

// A unit of an elementary stream with the time its packet gave it.
struct Unit {
  std::int64_t index = 0;  // position among the stream's units
  std::int64_t time = -1;  // DTS, or PTS when the packet has no DTS; -1 unstamped
};

struct GopCode {
  std::int64_t pictureIndex = 0;  // pictures before it
  std::int64_t timeCode = 0;      // in pictures
};

// An independent reading of a system stream: SCRs, stamped pictures and
// audio frames, GOP time codes.
struct Reading {
  std::vector<std::int64_t> scrs;
  std::vector<Unit> pictures;
  std::vector<Unit> frames;
  std::vector<GopCode> gops;
};

struct Mark {
  std::size_t at;
  std::int64_t time;
};

// Stamps go to the first unit starting at or after a mark (before the next).
void stampUnits(const std::vector<std::size_t>& starts, const std::vector<Mark>& marks,
                std::vector<Unit>& out) {
  std::size_t m = 0;
  for (std::size_t i = 0; i < starts.size(); ++i) {
    Unit u;
    u.index = static_cast<std::int64_t>(i);
    while (m < marks.size() && marks[m].at <= starts[i]) {
      if (m + 1 == marks.size() || marks[m + 1].at > starts[i]) {
        u.time = marks[m].time;
        ++m;
        break;
      }
      ++m;
    }
    out.push_back(u);
  }
}

Reading readStream(const Bytes& f, int timeCodeRate) {
  Reading r;
  Bytes video, audio;
  std::vector<Mark> videoMarks, audioMarks;
  std::size_t at = 0;
  while (at + 12 <= f.size()) {
    if (!mpeg1::isStartCode(&f[at])) {
      ++at;  // zero fill behind VideoCD audio packs
      continue;
    }
    const std::uint8_t code = f[at + 3];
    if (code == mpeg1::kPackStart) {
      r.scrs.push_back(mpeg1::packScr(&f[at]));
      at += static_cast<std::size_t>(mpeg1::packAndSystemHeaderSize(&f[at]));
      continue;
    }
    if (code == mpeg1::kEndCode) {
      at += 4;
      continue;
    }
    const std::size_t end = at + 6 + static_cast<std::size_t>(mpeg1::packetLength(&f[at]));
    if (end > f.size()) break;
    mpeg1::PacketHeader h;
    Bytes* es = code == mpeg1::kVideoStream0   ? &video
                : code == mpeg1::kAudioStream0 ? &audio
                                               : nullptr;
    if (es != nullptr && mpeg1::parsePacketHeader(&f[at], static_cast<int>(end - at), h)) {
      if (h.pts >= 0) {
        auto& marks = es == &video ? videoMarks : audioMarks;
        marks.push_back(Mark{es->size(), h.dts >= 0 ? h.dts : h.pts});
      }
      es->insert(es->end(), f.begin() + at + h.payloadOffset, f.begin() + end);
    }
    at = end;
  }
  std::vector<std::size_t> pictureStarts;
  for (std::size_t i = 0; i + 8 <= video.size(); ++i) {
    if (!mpeg1::isStartCode(&video[i])) continue;
    if (video[i + 3] == mpeg1::kPictureStart) pictureStarts.push_back(i);
    if (video[i + 3] == mpeg1::kGroupStart) {
      const mpeg1::TimeCode tc = mpeg1::decodeGopTimeCode(&video[i]);
      const std::int64_t n =
          ((tc.hours * 60 + tc.minutes) * 60 + tc.seconds) * std::int64_t{timeCodeRate} +
          tc.pictures;
      r.gops.push_back(GopCode{static_cast<std::int64_t>(pictureStarts.size()), n});
    }
  }
  std::vector<std::size_t> frameStarts;
  for (std::size_t i = 0; i + 4 <= audio.size();) {
    mpeg1::AudioHeader a;
    if (mpeg1::decodeAudioHeader(&audio[i], a) != 0 || a.frameLength <= 0) {
      ++i;
      continue;
    }
    frameStarts.push_back(i);
    i += static_cast<std::size_t>(a.frameLength + (a.padding ? a.paddingSize : 0));
  }
  stampUnits(pictureStarts, videoMarks, r.pictures);
  stampUnits(frameStarts, audioMarks, r.frames);
  return r;
}

// Every stamped unit lies a whole number of periods after the one before.
void expectEvenlySpaced(const std::vector<Unit>& units, double period, const char* what) {
  const Unit* previous = nullptr;
  int stamped = 0;
  for (const Unit& u : units) {
    if (u.time < 0) continue;
    ++stamped;
    if (previous != nullptr) {
      const double expected = static_cast<double>(u.index - previous->index) * period;
      ASSERT_NEAR(static_cast<double>(u.time - previous->time), expected, 3.0)
          << what << " " << u.index << " after " << previous->index;
    }
    previous = &u;
  }
  EXPECT_GT(stamped, 10) << what;
}

double videoSeconds(const std::string& path) {
  const ProbeInfo probe = ffprobeFile(path);
  const ProbeStream* video = probe.ok ? probe.first("video") : nullptr;
  return video != nullptr ? video->duration : -1.0;
}

class JoinMux : public CropFixture {
 protected:
  // Crops [in, out] of the corpus file into the record.
  bool makeRecord(const std::string& name, double in, double out, int mode) {
    if (!useCorpusSource(name)) return false;
    sourcePath_ = corpusPath(name);
    EXPECT_EQ(crop(in, out, mode), 0);
    return recordExists();
  }

  // Joins [in, out] of the source to the record at `entry` seconds (the
  // record's usable end when negative) and writes the result.
  int join(double in, double out, double entry, int mode, std::string& joined) {
    StreamInfo rec;
    if (!describeSource(ctx.recordFileName, rec)) return -1;
    platform::File recFile;
    if (!recFile.open(ctx.recordFileName, platform::OpenMode::Read)) return -1;
    std::int32_t rate = 0;
    if (const int rc = analyseRecordFile(recFile, rec, rate)) return rc;
    const StreamParams video = makeStreamParams(mpeg1::kVideoStream0, rec.video.header);
    if (entry < 0) {
      entry = static_cast<double>(rec.video.lastTime - rec.video.firstTime - video.roundedPeriod) /
              90000.0;
    }
    if (const int rc = analyseRecordEntry(recFile, rec, entry, entry_)) return rc;
    recordTail_ = rec.video.workLastTime;

    StreamInfo src;
    if (!describeSource(sourcePath_, src)) return -1;
    platform::File srcFile;
    if (!srcFile.open(sourcePath_, platform::OpenMode::Read)) return -1;
    std::int32_t measured = 0;
    if (const int rc = analyseSystemStream(srcFile, src, measured)) return rc;
    CutInResult cut;
    const std::int64_t lag = rec.video.workLastTime - rec.audio.workLastTime;
    if (const int rc = analyseCutIn(srcFile, src, mode, false, in, lag, cut)) return rc;
    if (const int rc = analyseCutOut(srcFile, src, mode, out, false)) return rc;

    MuxState m;
    const std::int64_t joinAt = entry_.packPosition;
    if (const int rc = StartJoinMux(m, srcFile, mode, cut.treatment, kMuxChunk, rec.muxRateDeclared,
                                    entry_, &src.video, &src.audio, MuxOperation::EntryCrop)) {
      return rc;
    }
    Bytes bytes = readBytes(ctx.recordFileName);
    bytes.resize(static_cast<std::size_t>(joinAt));
    Bytes block(kMuxChunk);
    int status = kMuxMore;
    while (status == kMuxMore) {
      std::size_t delivered = 0;
      status = MuxChunk(m, block.data(), block.size(), delivered);
      bytes.insert(bytes.end(), block.begin(), block.begin() + static_cast<long>(delivered));
    }
    if (status != kMuxFinished) return status;
    joined = dir.file("joined.mpg");
    writeAll(joined, bytes);
    joinedBytes_ = bytes;
    return 0;
  }

  void expectOneStream(const std::string& path, int mode) {
    const Reading r = readStream(joinedBytes_, 25);
    for (std::size_t i = 1; i < r.scrs.size(); ++i) {
      ASSERT_GT(r.scrs[i], r.scrs[i - 1]) << "pack " << i;
    }
    expectEvenlySpaced(r.pictures, 3600.0, "picture");
    expectEvenlySpaced(r.frames, mode == 0 ? 1152 * 90000.0 / 44100 : 1152 * 90000.0 / 44100,
                       "audio frame");
    ASSERT_GT(r.gops.size(), 4u);
    for (std::size_t g = 1; g < r.gops.size(); ++g) {
      EXPECT_EQ(r.gops[g].timeCode - r.gops[g - 1].timeCode,
                r.gops[g].pictureIndex - r.gops[g - 1].pictureIndex)
          << "GOP " << g;
    }
    EXPECT_EQ(ffmpegDecodeErrors(path), "");
    const std::string checker = binaryPath("cw-std-check");
    if (isExecutable(checker)) {
      const CommandResult check = runProgram({checker, path}, true);
      EXPECT_EQ(check.exitCode, 0) << check.out;
    }
  }

  std::string sourcePath_;
  RecordEntryResult entry_;
  std::int64_t recordTail_ = 0;
  Bytes joinedBytes_;
};

class JoinModes : public JoinMux, public testing::WithParamInterface<int> {};

TEST_P(JoinModes, AppendContinuesTheRecord) {
  const int mode = GetParam();
  if (!makeRecord("vcd_pal.mpg", 1.0, 4.5, mode)) return;
  std::string joined;
  ASSERT_EQ(join(6.0, 9.5, -1.0, mode, joined), 0);
  // The join starts at the pack before the merge point with that pack's clock.
  const Bytes record = readBytes(ctx.recordFileName);
  EXPECT_EQ(0, std::memcmp(record.data(), joinedBytes_.data(), entry_.packPosition));
  EXPECT_EQ(mpeg1::packScr(&joinedBytes_[entry_.packPosition]), entry_.scr);
  expectOneStream(joined, mode);
  const double probed = videoSeconds(joined);
  if (probed > 0) {
    EXPECT_NEAR(probed, 3.5 + 3.5, 1.2);
  }
}

TEST_P(JoinModes, EntryReplacesTheRecordsTail) {
  const int mode = GetParam();
  if (!makeRecord("vcd_pal.mpg", 1.0, 7.0, mode)) return;
  std::string joined;
  ASSERT_EQ(join(2.0, 5.0, 2.5, mode, joined), 0);
  EXPECT_LT(entry_.packPosition,
            static_cast<std::int64_t>(readBytes(ctx.recordFileName).size()) / 2);
  expectOneStream(joined, mode);
  const double probed = videoSeconds(joined);
  if (probed > 0) {
    EXPECT_NEAR(probed, 2.5 + 3.0, 1.2);
  }
}

INSTANTIATE_TEST_SUITE_P(SystemModes, JoinModes, testing::Values(0, 1, 2));

TEST_F(JoinMux, AJoinIsItselfARecordThatCanBeJoinedAgain) {
  if (!makeRecord("vcd_pal.mpg", 1.0, 4.0, 1)) return;
  std::string joined;
  ASSERT_EQ(join(5.0, 7.0, -1.0, 1, joined), 0);
  // The joined file becomes the record of a second append.
  writeAll(ctx.recordFileName, joinedBytes_);
  ASSERT_EQ(join(8.0, 10.0, -1.0, 1, joined), 0);
  expectOneStream(joined, 1);
}

// The first stretch of vcd_ntsc.mpg needs a fuller video buffer than its own
// end leaves: joined behind itself in VideoCD, the source starts whole
// pictures later, and its sound exactly as much later, instead of arriving
// after its decoding times.
TEST_F(JoinMux, SourceNeedingMoreRoomStartsWholePicturesLaterInBothStreams) {
  if (!makeRecord("vcd_ntsc.mpg", 0.0, 5.0, 1)) return;
  std::string joined;
  ASSERT_EQ(join(0.0, 5.0, -1.0, 1, joined), 0);
  const Reading r = readStream(joinedBytes_, 30);
  const double picture = 3003.0;
  const double frame = 1152 * 90000.0 / 44100;
  // What each stream's stamps lie beyond its even spacing, step by step.
  auto gaps = [](const std::vector<Unit>& units, double period) {
    std::vector<double> out;
    const Unit* previous = nullptr;
    for (const Unit& u : units) {
      if (u.time < 0) continue;
      if (previous != nullptr) {
        const double beyond = static_cast<double>(u.time - previous->time) -
                              static_cast<double>(u.index - previous->index) * period;
        if (std::fabs(beyond) > 3.0) out.push_back(beyond);
      }
      previous = &u;
    }
    return out;
  };
  const std::vector<double> videoGaps = gaps(r.pictures, picture);
  const std::vector<double> audioGaps = gaps(r.frames, frame);
  ASSERT_EQ(videoGaps.size(), 1u);
  ASSERT_EQ(audioGaps.size(), 1u);
  const double pictures = videoGaps[0] / picture;
  EXPECT_GE(pictures, 1.0);
  EXPECT_LE(pictures, 4.0);
  EXPECT_NEAR(pictures, std::round(pictures), 1e-3);
  EXPECT_NEAR(audioGaps[0], videoGaps[0], 3.0);
  const std::string checker = binaryPath("cw-std-check");
  if (isExecutable(checker)) {
    const CommandResult check = runProgram({checker, joined}, true);
    EXPECT_EQ(check.exitCode, 0) << check.out;
  }
  EXPECT_EQ(ffmpegDecodeErrors(joined), "");
}

}  // namespace
}  // namespace cw::test
