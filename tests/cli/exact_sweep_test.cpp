// Exact crops over the whole corpus: every file with pictures, in video-only
// mode and one system mode, marks seeded from the file's name a fraction
// of a picture into a picture inside a GOP. Each record must hold exactly
// the marked pictures, each the source's at its place, all but the two cut
// GOPs copied, and pass the decoder, both buffer checkers, the time-stamp
// order, vcdimager and, on the flash-and-beep files, the sync measurement.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "support/cli.h"
#include "support/corpus.h"
#include "support/exact_checks.h"
#include "support/ffprobe.h"
#include "support/pictures.h"
#include "support/temp_dir.h"
#include "support/validation.h"

namespace cw::test {
namespace {

std::vector<std::string> corpusMovies() {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(corpusDir(), ec)) {
    const std::string ext = entry.path().extension().string();
    if (ext == ".mpg" || ext == ".mpv") names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Marks a fraction of a picture into pictures that are no GOP's first, the
// first in the first third of the file and the second in its last third.
struct SeededMarks {
  double in = 0.0;
  double out = 0.0;
};
SeededMarks seedMarks(const std::string& name, std::size_t pictures, int gop, double rate) {
  std::mt19937 random(static_cast<std::uint32_t>(std::hash<std::string>{}(name)));
  const auto pick = [&](std::size_t from, std::size_t to) {
    std::size_t index = std::uniform_int_distribution<std::size_t>(from, to)(random);
    if (gop > 0 && index % static_cast<std::size_t>(gop) == 0) ++index;
    const double within = std::uniform_real_distribution<double>(0.1, 0.9)(random);
    return (static_cast<double>(index) + within) / rate;
  };
  return {pick(pictures / 10, pictures / 3), pick(2 * pictures / 3, pictures - pictures / 10)};
}

class ExactSweep : public CliTest {
 protected:
  TempDir dir{"cw-exact-sweep"};
};

void checkSync(const std::string& source, const std::string& record) {
  const std::vector<SyncPoint> before = measureSync(source);
  const std::vector<SyncPoint> after = measureSync(record);
  ASSERT_FALSE(before.empty());
  ASSERT_FALSE(after.empty());
  for (const SyncPoint& p : after) {
    EXPECT_TRUE(p.paired) << p.flashSeconds;
    EXPECT_NEAR(p.offsetMs, before.front().offsetMs, 13.0) << p.flashSeconds;
  }
}

TEST_F(ExactSweep, EveryMovieOfTheCorpusInVideoAndASystemMode) {
  const std::vector<std::string> movies = corpusMovies();
  if (movies.empty()) GTEST_SKIP() << "no corpus in " << corpusDir();
  int cases = 0;
  std::size_t videoCds = 0;
  for (const std::string& name : movies) {
    const std::string source = corpusPath(name);
    const ProbeInfo probe = ffprobeFile(source);
    if (probe.first("video") == nullptr) continue;
    const bool system = probe.first("audio") != nullptr || name.ends_with(".mpg");
    const double rate = probe.first("video")->frameRate;
    const ExactSource original = exactSource(source);
    const SeededMarks marks = seedMarks(name, original.pictures.size(), original.gop, rate);
    // Video only, and one system mode: VideoCD material takes the three in
    // turns from movie to movie, so that each meets several kinds of source
    // at half the sweep's cost; other material takes the MPEG mode.
    static const char* const kSystemModes[] = {"vcd", "vcd-zeroes", "mpeg"};
    std::vector<std::string> modes{"video"};
    if (system) {
      const std::string probe = dir.file(name + ".probe.mpg");
      const bool videoCd = runCli({"crop", source, probe, "--in", std::to_string(marks.in), "--out",
                                   std::to_string(marks.out), "--mode", "vcd"})
                                   .exitCode == 0 &&
                           runCli({"check", probe}).exitCode == 0;
      modes.insert(modes.begin(), videoCd ? kSystemModes[videoCds++ % 3] : "mpeg");
    }
    for (const std::string& mode : modes) {
      SCOPED_TRACE(name + " " + mode + " " + std::to_string(marks.in) + ".." +
                   std::to_string(marks.out));
      const std::string ext = mode == "video" ? ".m1v" : ".mpg";
      const std::string record = dir.file(name + "." + mode + ext);
      const std::string gopAccurate = dir.file(name + ".plain." + mode + ext);
      const std::vector<std::string> marked = {
          "--in", std::to_string(marks.in), "--out", std::to_string(marks.out), "--mode", mode};
      std::vector<std::string> crop = {"crop", source, gopAccurate};
      crop.insert(crop.end(), marked.begin(), marked.end());
      std::vector<std::string> exact = {"crop", source, record, "--exact"};
      exact.insert(exact.end(), marked.begin(), marked.end());
      // A mode that the source does not fit is refused alike with and
      // without --exact.
      const CommandResult plain = runCli(crop, true);
      const CommandResult r = runCli(exact, true);
      if (plain.exitCode != 0) {
        EXPECT_NE(r.exitCode, 0) << r.out;
        continue;
      }
      ASSERT_EQ(r.exitCode, 0) << r.out;
      // A source that is no VideoCD material makes no VideoCD either way.
      if (mode.rfind("vcd", 0) == 0 && runCli({"check", gopAccurate}).exitCode != 0) continue;
      ++cases;
      EXPECT_EQ(exactRecordProblems(original, record, mode, {stretchOf(marks.in, marks.out, rate)},
                                    dir.path().string()),
                "");
      if (name.starts_with("syncflash") && mode != "video") checkSync(source, record);
    }
  }
  EXPECT_GT(cases, 0);
}

}  // namespace
}  // namespace cw::test
