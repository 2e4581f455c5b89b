// Cut lists: the stretches of a source to record, one after the other, as a
// user or a commercial detector writes them down.
//
// A keep list holds one stretch a line, "START END", each time in seconds
// ("75.5") or as HH:MM:SS.mmm ("00:01:15.500", also MM:SS.mmm); '#' starts a
// comment and blank lines are skipped. An edit decision list (MPlayer,
// comskip) holds "START END ACTION" lines whose action 0 or 3 marks a
// stretch to leave out (other actions, such as 1 for muting, are no cuts);
// what lies between those stretches is kept.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace cw {

struct Stretch {
  double start = 0.0;  // seconds from the source's first picture
  double end = 0.0;
};

// The first line a list could not be read at: its number (from 1) and why.
struct CutListProblem {
  int line = 0;
  std::string reason;
};

// A time in seconds or HH:MM:SS.mmm; `seconds` is written only on success.
bool parseCutTime(std::string_view text, double& seconds);

// "A-B" as one stretch (times as above, B after A).
bool parseStretch(std::string_view text, Stretch& stretch);

// A keep list in the order written. False with `problem` set when a line is
// not two times or its end is not after its start; `stretches` is written
// only on success.
bool parseKeepList(std::string_view text, std::vector<Stretch>& stretches, CutListProblem& problem);

// The stretches to leave out that an edit decision list names, in the order
// written; the same contract as parseKeepList.
bool parseEditDecisionList(std::string_view text, std::vector<Stretch>& cuts,
                           CutListProblem& problem);

// What remains of a source of `length` seconds when `cuts` are left out, in
// order. Cuts may overlap or come in any order; a cut past the end ends
// there; nothing of zero length is kept.
std::vector<Stretch> keptBetween(std::vector<Stretch> cuts, double length);

}  // namespace cw
