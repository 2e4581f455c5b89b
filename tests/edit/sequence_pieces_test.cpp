// A source cut into pieces at 10 s, 25 s and its end: decoded one after the
// other, the pieces show the source's pictures from the first cut-in on, in
// order and none twice. Only an open GOP at the start of a later piece may
// lose pictures: its leading B-pictures, which the cut-in removes.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "sequence_fixture.h"
#include "support/corpus.h"
#include "support/ffprobe.h"
#include "support/process.h"

namespace cw::test {
namespace {

using Hashes = std::vector<std::string>;

bool matchesAt(const Hashes& source, std::size_t at, const Hashes& piece) {
  return at + piece.size() <= source.size() &&
         std::equal(piece.begin(), piece.end(), source.begin() + static_cast<std::ptrdiff_t>(at));
}

// Lays the pieces onto the source's pictures one after another. The first
// piece may start anywhere; each later one must follow the one before with
// at most `maxGap` source pictures left out. Returns the gaps in front of
// the later pieces, and in `end` the source picture after the last piece.
bool layPieces(const Hashes& source, const std::vector<Hashes>& pieces, std::size_t maxGap,
               std::vector<std::size_t>& gaps, std::size_t& end, std::string& why) {
  std::size_t at = 0;
  while (at < source.size() && !matchesAt(source, at, pieces[0])) ++at;
  if (at == source.size()) {
    why = "the first piece is not a run of source pictures";
    return false;
  }
  at += pieces[0].size();
  for (std::size_t k = 1; k < pieces.size(); ++k) {
    std::size_t gap = 0;
    while (gap <= maxGap && !matchesAt(source, at + gap, pieces[k])) ++gap;
    if (gap > maxGap) {
      why = "piece " + std::to_string(k + 1) + " does not continue the one before it";
      return false;
    }
    gaps.push_back(gap);
    at += gap + pieces[k].size();
  }
  end = at;
  return true;
}

class SequencePieces : public SequenceFixture {
 protected:
  // Cuts the source at 10 s, 25 s and its end; the pictures of each piece.
  // `cleanDecode`: ffmpeg decodes each piece without a message.
  std::vector<Hashes> cutThreePieces(bool cleanDecode) {
    std::vector<Hashes> pieces;
    SetSeqMode(seq);
    const double marks[] = {10.0, 25.0, 0.0};
    for (int k = 0; k < 3; ++k) {
      const std::string name = "piece" + std::to_string(k + 1) + ".mpg";
      const int rc = piece(name, marks[k], k == 2);
      EXPECT_EQ(rc, 0) << name << ": " << ctx.error.message;
      if (rc != 0) return {};
      if (cleanDecode) {
        EXPECT_EQ(ffmpegDecodeErrors(ctx.recordFileName), "") << name;
      }
      EXPECT_FALSE(progress.empty());
      if (!progress.empty()) {
        EXPECT_EQ(progress.back(), 100);
      }
      // A piece's sound ends with its pictures: none of it is heard twice.
      const ProbeInfo probe = ffprobeFile(ctx.recordFileName);
      const ProbeStream* video = probe.first("video");
      const ProbeStream* audio = probe.first("audio");
      if (video != nullptr && audio != nullptr) {
        EXPECT_NEAR(audio->duration, video->duration, 0.1) << name;
      }
      pieces.push_back(pictureHashes(ctx.recordFileName));
    }
    return pieces;
  }

  // The number of B-pictures before the first I-picture of each GOP after
  // the first, in display order: what a cut-in at that GOP removes.
  static std::size_t leadingBPictures(const std::string& path) {
    std::size_t most = 0, run = 0;
    for (const ProbeFrame& f : ffprobeFrames(path)) {
      if (f.pictType == 'B') {
        ++run;
      } else {
        if (f.pictType == 'I') most = std::max(most, run);
        run = 0;
      }
    }
    return most;
  }
};

TEST_F(SequencePieces, ClosedGopSourceLosesNoPicture) {
  ASSERT_TRUE(useCorpusSource("syncflash.mpg")) << "syncflash.mpg missing or not describable";
  ASSERT_EQ(leadingBPictures(ctx.sourceFileName), 0u);
  const Hashes source = pictureHashes(ctx.sourceFileName);
  const std::vector<Hashes> pieces = cutThreePieces(true);
  ASSERT_EQ(pieces.size(), 3u);

  std::vector<std::size_t> gaps;
  std::size_t end = 0;
  std::string why;
  ASSERT_TRUE(layPieces(source, pieces, 0, gaps, end, why)) << why;
  // About 10 s and 15 s of NTSC pictures in the first two pieces.
  EXPECT_NEAR(static_cast<double>(pieces[0].size()), 10 * 29.97, 20);
  EXPECT_NEAR(static_cast<double>(pieces[1].size()), 15 * 29.97, 20);
  // The last piece runs to the last complete GOP of the source.
  EXPECT_LE(source.size() - end, 18u);
}

TEST_F(SequencePieces, OpenGopSourceLosesOnlyLeadingBPictures) {
  CW_REQUIRE_CORPUS("syncflash.mpg");
  // The same pictures coded with B-pictures, which open every GOP after the first.
  const std::string open = dir.file("open.mpg");
  const CommandResult made =
      runProgram({"ffmpeg", "-nostdin", "-v", "error", "-y", "-i", corpusPath("syncflash.mpg"),
                  "-target", "ntsc-vcd", "-bf", "2", open});
  ASSERT_EQ(made.exitCode, 0);
  ASSERT_TRUE(useSource(open));
  const std::size_t leading = leadingBPictures(open);
  ASSERT_GT(leading, 0u);

  const Hashes source = pictureHashes(open);
  // A plain crop of this source already draws time-stamp complaints from
  // ffmpeg; what counts here is which pictures the pieces hold.
  const std::vector<Hashes> pieces = cutThreePieces(false);
  ASSERT_EQ(pieces.size(), 3u);
  std::vector<std::size_t> gaps;
  std::size_t end = 0;
  std::string why;
  ASSERT_TRUE(layPieces(source, pieces, leading, gaps, end, why)) << why;
  for (std::size_t gap : gaps) EXPECT_EQ(gap, leading);
  EXPECT_LE(source.size() - end, 18u);
}

}  // namespace
}  // namespace cw::test
