// Random project histories: crops, appends, entries, undos and redos with
// random marks over compatible corpus files, driven through the Splicer
// control with Probe controls describing the files, as the editor and the
// command line drive it. After every step the project is checked from the
// outside:
//   - ffmpeg decodes it without a message;
//   - its pictures (framemd5) and its audio frames (bytes) are what the
//     steps recorded: the part of the project a change kept, followed by one
//     run of the source's own pictures and frames per recorded piece;
//   - a system stream passes cw-std-check, and its clock and time stamps
//     never step back (an independent parse);
//   - the quick analysis classifies it as the record mode's kind of file;
//   - undo and redo give back the exact bytes of the state they return to,
//     and a failed step leaves the project byte-identical.
#pragma once

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/splicer/splicer.h"
#include "probe/probe.h"
#include "support/temp_dir.h"

namespace cw::test::history {

// A file a project may take stretches of, with its own pictures and audio
// frames as ids (equal content, equal id).
struct Source {
  std::string name;
  std::string path;
  std::unique_ptr<Probe> probe;  // the editor's InfoSource element
  std::vector<int> pictures;     // decoded pictures in display order
  std::vector<int> frames;       // audio frames of stream 0 in file order
  double pictureRate = 0.0;      // pictures per second; 0 without video
  double frameRate = 0.0;        // audio frames per second; 0 without audio
};

// What the project is, as far as the history knows.
struct ProjectState {
  bool exists = false;
  std::string md5;
  std::vector<int> pictures;
  std::vector<int> frames;
};

enum class StepKind { Crop, Append, Entry, Undo, Redo };

struct Step {
  StepKind kind = StepKind::Crop;
  int source = -1;
  double in = 0.0;
  double out = 0.0;
  double at = 0.0;  // entry time
  bool keepDeadB = false;
  bool reanalyse = false;  // analyse the project afresh first, as the command line does
};

class HistoryRun {
 public:
  // A history in one record mode over corpus files (names); files missing
  // in the corpus or not editable are left out.
  HistoryRun(int mode, const std::vector<std::string>& names);
  HistoryRun(const HistoryRun&) = delete;
  HistoryRun& operator=(const HistoryRun&) = delete;

  // Decodes a source's pictures and splits its audio frames, once. False
  // when ffmpeg cannot decode it.
  bool load(int index);
  // Indexes of the sources the project may take, given the first one: the
  // files the editor would call compatible in this mode.
  std::vector<int> compatibleWith(int first) const;
  const std::vector<Source>& sources() const { return sources_; }
  int sourceIndex(const std::string& name) const;

  // Runs one step and checks the project afterwards. Empty when everything
  // holds; otherwise what is wrong.
  std::string run(const Step& step);

  // Random steps from a seed over the given sources; stops at the first
  // fault. Empty when the whole history held.
  std::string runRandom(std::uint64_t seed, int steps, const std::vector<int>& pool);

  // The steps so far as clipwright-cli commands, one per line, with their
  // outcome.
  const std::string& log() const { return log_; }
  int mode() const { return mode_; }

  // For histories over one flash-and-beep file: after every step every
  // flash of the project must keep `offsetMs`, the file's own beep-to-flash
  // offset, to within half an audio frame.
  void checkSyncAgainst(double offsetMs) { syncOffsetMs_ = offsetMs; }

 private:
  std::string change(const Step& step);
  std::string failedChange(const Step& step, const ProjectState& before);
  std::string replay(bool undo);
  std::string checkProject(ProjectState& state, std::string& md5Out);
  std::string describe(const Step& step) const;

  int mode_;
  TempDir dir_{"cw-history"};
  std::string project_;
  std::vector<Source> sources_;
  Probe record_;  // the editor's InfoDest
  Splicer splicer_;
  ProjectState current_;
  ProjectState undoTarget_;
  ProjectState redoTarget_;
  std::string log_;
  double syncOffsetMs_ = -1e9;  // far below any offset: no sync check
};

// Random marks and steps.
class StepChooser {
 public:
  explicit StepChooser(std::uint64_t seed) : rng_(seed) {}
  double uniform(double from, double to);
  int below(int n);
  bool chance(double p) { return uniform(0.0, 1.0) < p; }

 private:
  std::mt19937_64 rng_;
};

}  // namespace cw::test::history
