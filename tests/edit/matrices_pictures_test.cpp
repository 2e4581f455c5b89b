// Cuts and joins decode to the source's very pictures: every crop, append,
// entry and sequence piece, in every record mode with video, shows runs of
// the source's decoded pictures and nothing else. The KVCD file loads its
// own quantiser matrices in every sequence header; the sequence header put
// in front of a cut must carry them, or the first GOP of the cut decodes
// with the default matrices and shows pictures the source never had.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <utility>

#include "append_fixture.h"
#include "engine/edit/sequence.h"
#include "support/corpus.h"
#include "support/ffprobe.h"
#include "support/pictures.h"
#include "support/temp_dir.h"

namespace cw::test {
namespace {

constexpr const char* kKvcd = "mjpeg_kvcd.mpg";
constexpr const char* kKvcdVideo = "mjpeg_kvcd.mpv";

class SourcePictures : public JoinFixture {
 protected:
  const PictureHashes& hashesOf(const std::string& name) {
    PictureHashes& h = hashes_[name];
    if (h.empty()) h = pictureHashes(corpusPath(name));
    return h;
  }

  // The record shows at most `runs` runs of the pictures of `name` and no
  // other picture.
  void expectRuns(const std::string& what, const std::string& name, std::size_t runs) {
    const PictureLayout layout = layOnSource(hashesOf(name), pictureHashes(ctx.recordFileName));
    EXPECT_GT(layout.pictures, 0u) << what;
    EXPECT_EQ(layout.foreign, 0u) << what << ": " << describeLayout(layout);
    EXPECT_LE(layout.runs.size(), runs) << what << ": " << describeLayout(layout);
  }

  // Crops of `name` (also keeping the dead B-pictures in modes 0 and 3),
  // an append and an entry of it joined to itself, and its sequence pieces
  // (cut at 3 s and at its end), in record mode `mode`.
  void everyOperation(const std::string& name, int mode) {
    const std::string in = name + " mode " + std::to_string(mode);
    for (bool removeDeadB : {true, false}) {
      if (!removeDeadB && mode != 0 && mode != 3) continue;
      ctx.removeDeadBpic = removeDeadB;
      ASSERT_TRUE(makeRecord(name, 2.1, 4.9, mode)) << in;
      // The record's stored header is the source's, matrices and all.
      EXPECT_EQ(0, std::memcmp(record.video.header, source.video.header, kStoredHeaderBytes));
      expectRuns(in + (removeDeadB ? " crop" : " crop keeping dead B"), name, 1);
    }
    ctx.removeDeadBpic = true;
    ASSERT_EQ(append(name, 0.6, 3.2), 0) << in << ": " << ctx.error.message;
    expectRuns(in + " append", name, 2);
    ASSERT_EQ(entry(name, 4.2, 6.5, 1.3), 0) << in << ": " << ctx.error.message;
    expectRuns(in + " entry", name, 2);

    ASSERT_TRUE(useCorpusSource(name));
    SequenceState seq;
    SetSeqMode(seq);
    for (int k = 0; k < 2; ++k) {
      ctx.recordFileName = dir.file("piece" + std::to_string(k) + ".mpg");
      ctx.sourceMarkOut = 3.0;
      ASSERT_EQ(SeqCrop(ctx, seq, k == 1), 0) << in << " piece " << k << ": " << ctx.error.message;
      expectRuns(in + " piece " + std::to_string(k), name, 1);
    }
  }

 private:
  std::map<std::string, PictureHashes> hashes_;
};

class OwnMatrices : public SourcePictures, public ::testing::WithParamInterface<int> {};

TEST_P(OwnMatrices, EveryOperationShowsTheSourcesPictures) {
  CW_REQUIRE_CORPUS(kKvcd);
  everyOperation(kKvcd, GetParam());
}

std::string modeName(const ::testing::TestParamInfo<int>& info) {
  static const char* const kNames[] = {"mpeg", "vcd", "vcd_zeroes", "video"};
  return kNames[info.param];
}

INSTANTIATE_TEST_SUITE_P(Modes, OwnMatrices, ::testing::Values(0, 1, 2, 3), modeName);

TEST_F(SourcePictures, VideoOnlyKvcdSource) {
  CW_REQUIRE_CORPUS(kKvcdVideo);
  everyOperation(kKvcdVideo, 3);
}

// Files with the default matrices, from both encoders, keep decoding right.
TEST_F(SourcePictures, DefaultMatricesFromFfmpegAndMjpegtools) {
  for (const char* name : {"vcd_ntsc.mpg", "mjpeg_vcd.mpg"}) {
    CW_REQUIRE_CORPUS(name);
    everyOperation(name, 0);
  }
}

// Two files that differ in their matrices only are compatible: each side of
// a join starts with its own whole sequence header, so each shows its own
// pictures, the default matrices coming back behind a KVCD record too. The
// joined file, whose matrices change on the way, serves as a source in turn:
// a cut from its second part starts with the header of that part.
TEST_F(SourcePictures, JoinsOfDifferentMatricesKeepEachSide) {
  CW_REQUIRE_CORPUS(kKvcd);
  CW_REQUIRE_CORPUS("mjpeg_vcd.mpg");
  const std::pair<const char*, const char*> joins[] = {{kKvcd, "mjpeg_vcd.mpg"},
                                                       {"mjpeg_vcd.mpg", kKvcd}};
  for (int mode : {0, 3}) {
    for (const auto& [first, second] : joins) {
      const std::string what =
          std::string(second) + " appended to " + first + " in mode " + std::to_string(mode);
      ctx.recordFileName = dir.file("record.mpg");
      ASSERT_TRUE(makeRecord(first, 1.0, 3.0, mode)) << what;
      ASSERT_TRUE(useCorpusSource(second));
      EXPECT_NE(0, std::memcmp(record.video.header, source.video.header, kStoredHeaderBytes));
      EXPECT_TRUE(videoCompatible(record, source)) << what;
      ASSERT_EQ(append(second, 1.5, 3.5), 0) << what << ": " << ctx.error.message;
      EXPECT_EQ(ffmpegDecodeErrors(ctx.recordFileName), "") << what;
      const PictureHashes out = pictureHashes(ctx.recordFileName);
      const PictureLayout head = layOnSource(hashesOf(first), out);
      ASSERT_FALSE(head.runs.empty()) << what;
      const std::size_t split = head.runs.front().count;
      const PictureLayout tail =
          layOnSource(hashesOf(second), PictureHashes(out.begin() + split, out.end()));
      EXPECT_EQ(tail.foreign, 0u) << what << ": " << describeLayout(tail);
      EXPECT_EQ(tail.runs.size(), 1u) << what << ": " << describeLayout(tail);

      const std::string joined = dir.file(mode == 3 ? "joined.mpv" : "joined.mpg");
      ASSERT_TRUE(writeFile(joined, recordBytes()));
      ASSERT_TRUE(useSource(joined));
      ctx.recordFileName = dir.file("cut.mpg");
      const double seconds = static_cast<double>(out.size()) / 29.97;
      ASSERT_EQ(crop(seconds - 1.5, seconds, mode), 0) << what << ": " << ctx.error.message;
      const PictureLayout cut = layOnSource(hashesOf(second), pictureHashes(ctx.recordFileName));
      EXPECT_GT(cut.pictures, 0u) << what;
      EXPECT_EQ(cut.foreign, 0u) << what << ", cut again: " << describeLayout(cut);
      EXPECT_EQ(cut.runs.size(), 1u) << what << ", cut again: " << describeLayout(cut);
    }
  }
}

}  // namespace
}  // namespace cw::test
