// The crop acceptance sweep: every file of the corpus, cropped in every
// record mode that applies at four kinds of mark pairs (the whole file; marks
// on B-pictures, also keeping the dead B-pictures; a mark out within half a
// second of the end; a stretch of about one GOP). Every output is checked
// from the outside (ffmpeg, ffprobe, cw-std-check, vcdimager and a parse of
// its own headers) and its md5 is compared with the regression results.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "crop_accept_checks.h"
#include "crop_accept_results.h"
#include "crop_fixture.h"
#include "support/corpus.h"
#include "support/ffprobe.h"
#include "support/temp_dir.h"
#include "support/validation.h"

namespace cw::test::accept {
namespace {

constexpr const char* kModeNames[] = {"mpeg", "vcd", "vcd-zeroes", "video", "audio"};

struct Case {
  std::string marks;  // which kind of mark pair
  double in = 0.0;
  double out = 0.0;
  int mode = 0;
  bool removeDeadB = true;
};

std::string caseName(const std::string& source, const Case& c, bool system) {
  char marks[64];
  std::snprintf(marks, sizeof marks, "%.3f-%.3f", c.in, c.out);
  std::string name = source + "/" + c.marks + "/" + marks;
  if (system) name += std::string("/") + kModeNames[c.mode];
  if (!c.removeDeadB) name += "/keep-dead-b";
  return name;
}

// Times of the source's video that the marks are chosen from, in seconds
// from its first picture.
struct SourceTimes {
  double duration = 0.0;
  double gop = 0.0;
  int pictures = 0;  // as ffmpeg decodes them
  std::vector<double> bPictures;
};

SourceTimes sourceTimes(const std::string& path, bool hasVideo) {
  SourceTimes t;
  const ProbeInfo info = ffprobeFile(path);
  t.duration = info.duration;
  if (!hasVideo) return t;
  const ProbeStream* video = info.first("video");
  const std::vector<ProbeFrame> frames = ffprobeFrames(path);
  if (video == nullptr || frames.empty()) return t;
  t.pictures = static_cast<int>(frames.size());
  t.duration = video->duration > 0.0 ? video->duration : info.duration;
  double first = frames.front().ptsTime;
  for (const ProbeFrame& f : frames) first = std::min(first, f.ptsTime);
  for (const ProbeFrame& f : frames) {
    if (f.pictType == 'B') t.bPictures.push_back(f.ptsTime - first);
  }
  std::sort(t.bPictures.begin(), t.bPictures.end());
  t.gop = longestGop(frames) / video->frameRate;
  return t;
}

double firstAtOrAfter(const std::vector<double>& times, double t) {
  auto it = std::lower_bound(times.begin(), times.end(), t);
  return it == times.end() ? t : *it;
}

// The mark pairs of one source; `rotation` spreads the record modes over
// the sources so that every mode meets every kind of mark pair.
std::vector<Case> casesFor(const SourceView& source, const SourceTimes& t, int rotation) {
  const double d = t.duration;
  std::vector<Case> cases;
  const int modes = source.system ? 5 : 1;
  for (int mode = 0; mode < modes; ++mode) cases.push_back({"whole", 0.0, 1e6, mode, true});
  auto modeAt = [&](int shift, int count) {
    return source.system ? (rotation + shift) % count : 0;
  };
  if (!source.video.bytes.empty()) {
    const double in = firstAtOrAfter(t.bPictures, d / 3.0);
    const double out = firstAtOrAfter(t.bPictures, 2.0 * d / 3.0);
    cases.push_back({"b-marks", in, out, modeAt(0, 5), true});
    // Kept dead B-pictures need a video stream in the output.
    cases.push_back({"b-marks", in, out, modeAt(1, 4), false});
    cases.push_back({"one-gop", d / 2.0, d / 2.0 + t.gop, modeAt(3, 5), true});
  } else {
    cases.push_back({"middle", d / 3.0, 2.0 * d / 3.0, 0, true});
    cases.push_back({"short", d / 2.0, d / 2.0 + 0.3, 0, true});
  }
  cases.push_back({"near-end", d - 3.0, d - 0.35, modeAt(2, 5), true});
  return cases;
}

class CropAccept : public CropFixture, public ::testing::WithParamInterface<const char*> {
 protected:
  void runCase(const SourceView& view, const SourceTimes& t, const Case& c) {
    const std::string name = caseName(view.name, c, view.system);
    SCOPED_TRACE(name);
    ASSERT_TRUE(useSource(view.path));
    ctx.removeDeadBpic = c.removeDeadB;
    ASSERT_EQ(crop(c.in, c.out, c.mode), 0) << ctx.error.message;
    const CropRun run{c.mode, c.removeDeadB, ctx.recordFileName};
    int pictures = 0;
    EXPECT_EQ(outputDefects(view, source, run, dir.path().string(), pictures), "");
    // A whole-file crop keeps every picture: the last GOP ends with the last
    // video packet (or the file) where the stream has no sequence end code,
    // and sound that ends a little before the picture does not cut the last
    // GOP off.
    if (c.marks == "whole" && outputKind(view, c.mode) != OutputKind::Audio) {
      EXPECT_EQ(pictures, t.pictures) << "pictures decoded from the whole-file crop";
    }
    checkRegression(name, view);
  }

  void checkRegression(const std::string& name, const SourceView& view) {
    const std::string md5 = md5OfFile(ctx.recordFileName);
    if (CropResults::writing()) {
      CropResults::write(name, view.name, view.md5, md5);
      return;
    }
    EXPECT_EQ(CropResults::committed().compare(name, view.name, view.md5, md5), "");
  }
};

TEST_P(CropAccept, EveryModeAndMarkPair) {
  const std::string name = GetParam();
  CW_REQUIRE_CORPUS(name);
  const SourceView view = viewSource(name, corpusPath(name));
  const SourceTimes times = sourceTimes(view.path, !view.video.bytes.empty());
  ASSERT_GT(times.duration, 4.0);
  const auto& catalog = corpusCatalog();
  const int rotation =
      static_cast<int>(std::find_if(catalog.begin(), catalog.end(),
                                    [&](const CorpusFile& f) { return f.name == name; }) -
                       catalog.begin());
  for (const Case& c : casesFor(view, times, rotation)) runCase(view, times, c);
}

INSTANTIATE_TEST_SUITE_P(Corpus, CropAccept,
                         ::testing::Values("vcd_ntsc.mpg", "vcd_pal.mpg", "vcd_film.mpg",
                                           "sys_open.mpg", "sys_closed.mpg", "sys_32k.mpg",
                                           "sys_layer3.mpg", "sys_two_audio.mpg", "mjpeg_vcd.mpg",
                                           "mjpeg_generic.mpg", "syncflash.mpg", "video_only.mpv",
                                           "audio_only.mpa", "audio_l1.mpa", "mjpeg_kvcd.mpv",
                                           "mjpeg_kvcd.mpg"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           std::string n = info.param;
                           std::replace(n.begin(), n.end(), '.', '_');
                           return n;
                         });

}  // namespace
}  // namespace cw::test::accept
