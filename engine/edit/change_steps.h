// The steps that append crop and entry crop share. Both rewrite an existing
// record from a join offset J to its end; they differ in how J is found and
// in their error numbers, not in how the record is protected:
//
//   1. open the buffer, the record (its length L) and the source;
//   2. give up the old history and create the undo and redo journals;
//   3. analyse the record and the source cut (the operation's planner),
//      giving J, the size estimate E and the writer;
//   4. check the disk space, write J into both journals and save the old
//      tail [J, L) into the undo journal; the record is still untouched;
//   5. write the new bytes from J on, each chunk to the record and then to
//      the redo journal, reporting progress and honouring a cancel; cut the
//      record to J + W when it became shorter;
//   6. on a failure or cancel in step 5, put the old tail back from the undo
//      journal; when even that fails, keep the undo journal so that Undo can
//      repair the record.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "engine/analysis/cut_area.h"
#include "engine/analysis/record_analysis.h"
#include "engine/analysis/stream_info.h"
#include "engine/edit/crop_steps.h"
#include "engine/edit/journal_file.h"
#include "engine/edit/mux.h"
#include "engine/edit/operation_context.h"
#include "platform/file.h"

namespace cw {

inline constexpr std::size_t kChangeChunk = 32768;
inline constexpr std::int64_t kMaxAudioLag = 45000;  // ticks: half a second

// The error numbers of one kind of change.
struct ChangeErrors {
  int noMemory;           // 4007 append, 3007 entry
  int openRecord;         // 4000, 3000
  int emptyRecord;        // 4016, 3016
  int openSource;         // 4001, 3001
  int lengthMismatch;     // 4017, 3017
  int audioLag;           // 4004 (entry has no lag limit)
  int videoIncompatible;  // 4005, 3005
  int audioIncompatible;  // 4006, 3006
  int emptyCut;           // 4013, 3013
  int noSpace;            // 4015, 3015
  int writeRecord;        // 4011, 3011
  int restoreFailed;      // 4014, 3014
  JournalErrorNumbers journal;
  MuxOperation op;
};

enum class SpaceRule {
  Append,  // 2 (E + 32 KiB) + (L - J)
  Entry,   // E' = E + 64 KiB, T = L - J: E' + T when E' < T, else 2 E'
};

// Everything in which append crop and entry crop differ outside their
// analyses.
struct ChangeProfile {
  ChangeErrors errors;
  SpaceRule space;
  // Append deletes both journal files by name when it fails; entry deletes
  // only the ones the failed call created.
  bool deleteOnlyCreatedJournals;
};

extern const ChangeProfile kAppendProfile;
extern const ChangeProfile kEntryProfile;

// The open files of a change and its one I/O buffer.
struct ChangeFiles {
  platform::File record;
  platform::File source;
  std::vector<std::uint8_t> buffer;
  std::int64_t recordLength = 0;  // L, before the change
};

// Starts the writer of the new bytes on a fresh MuxState.
using WriterStart = std::function<int(MuxState&)>;

// What the analyses of a change decided.
struct ChangePlan {
  std::int64_t joinOffset = -1;  // J
  std::int64_t estimate = 0;     // E: bytes expected from the source cut
  bool systemStream = true;      // chunks from MuxChunk (true) or EsChunk
  WriterStart start;
};

// The analyses of one kind of change on its open files: fill `plan` or
// return an engine error number. The record is not written.
using ChangePlanner =
    std::function<int(OperationContext&, const ChangeProfile&, ChangeFiles&, ChangePlan&)>;

// Runs a whole change with the history flags and the outcome rules. Returns
// 0 on success and after a cancel (the record then is as before), else the
// error number, which is also in the error state. On success the record's
// stream information has its new length and the history allows Undo.
int runChange(OperationContext& ctx, const ChangeProfile& profile, RecordContent content,
              const ChangePlanner& plan);

// The planners of one kind of change, by what the record holds.
using PlannerFunction = int (*)(OperationContext&, const ChangeProfile&, ChangeFiles&, ChangePlan&);
struct ChangePlanners {
  PlannerFunction system;  // record modes 0-2, system-stream source
  PlannerFunction video;   // video record: mode 3, or a video elementary source
  PlannerFunction audio;   // audio record: mode 4, or an audio elementary source
};

// The method's frame: clears the cancel flag, resolves both handles, picks
// the planner by the source's file type (0 or 3 by the record mode, 1 video,
// 2 audio) and runs the change. A missing record or source, a source of
// another type or an unknown record mode gives 1002 before any file is
// touched or any flag changes.
int runChangeOperation(OperationContext& ctx, const ChangeProfile& profile,
                       const ChangePlanners& planners);

// --- Steps the planners share -----------------------------------------------

// Bytes of free space a change needs.
std::int64_t changeSpaceRequired(SpaceRule rule, std::int64_t estimate, std::int64_t recordLength,
                                 std::int64_t joinOffset);

// Head and tail analysis of a system-stream source unless it was done
// already (stage 2); sets the stage, measured mux rate and duration.
int analyseSystemSourceOnce(platform::File& file, StreamInfo& source);

// The compatibility tests the record content needs (video first). 0 or the
// profile's 4005/3005, 4006/3006.
int checkCompatibility(const StreamInfo& record, const StreamInfo& source, bool video, bool audio,
                       const ChangeErrors& errors);

// The rounded picture period of a stored sequence header (ticks).
std::int64_t picturePeriod(const StreamDescriptor& video);

// The sound at a join, from the record entry analysis's working times: how
// many silent frames bring the record's sound up to its pictures (when it
// ends more than half a frame before them), and the lag left after them
// (ticks, negative when the sound runs on past the pictures), which the
// source's first audio frame answers.
struct JoinSound {
  std::int64_t silentFrames = 0;
  std::int64_t lag = 0;
};
JoinSound joinSound(const StreamInfo& record);

// Cut-in and cut-out of a system-stream source at the context's marks,
// clamped to the source's usable length: cut-in with `audioOffset` and
// `audioChoice` (a join takes the nearest frame), cut-out at the file's end when the mark out lies
// within half a second of it.
int cutSystemSource(const OperationContext& ctx, platform::File& file, StreamInfo& source,
                    std::int64_t audioOffset, AudioChoice audioChoice, CutInResult& cutIn);

// The context's marks clamped to a system-stream source's usable length.
CropMarks systemMarks(const OperationContext& ctx, const StreamInfo& source);

// True when the working cut of `d` holds nothing.
bool cutIsEmpty(const StreamDescriptor& d);

// E of a system-stream source in a record mode, as a crop estimates it; in
// the audio-only mode from the audio cut's span.
std::int64_t estimateSystemCut(const StreamInfo& source, int recordMode);

// Elementary-stream sources: the head and tail analysis when the stage is
// not 2 (the stage is left as it is, as a crop leaves it).
int analyseElementarySourceOnce(platform::File& file, StreamInfo& source, bool video);
// The marks of the context clamped as a crop clamps them for `d`, a video
// (`video` true) or audio elementary stream.
CropMarks elementaryMarks(const OperationContext& ctx, const StreamDescriptor& d, bool video);

// --- Planning a join ----------------------------------------------------------

// Record modes 0-2 with a system-stream source, after the record analysis:
// the source's descriptors get its handle, its head and tail are analysed
// when needed, and both compatibility tests run.
int prepareSystemSource(OperationContext& ctx, const ChangeProfile& p, ChangeFiles& files);

// Record modes 0-2, after the record entry analysis and the source cut with
// the lag of `sound`: the exact cut when the context has a re-encoder, the
// emptiness test, J (the pack before the merge point), E and the join
// multiplex over the record's state in `entry`.
int finishSystemJoinPlan(OperationContext& ctx, const ChangeProfile& p, ChangeFiles& files,
                         const CutInResult& cutIn, std::shared_ptr<RecordEntryResult> entry,
                         const JoinSound& sound, ChangePlan& plan);

// An elementary-stream record (video when `video`, else audio) joined at
// `joinOffset`, from a system-stream source (record modes 3 and 4) or an
// elementary-stream source of the same kind: source analysis, marks,
// compatibility, cut-in without lag, cut-out, emptiness, E and the writer,
// which for video continues the record's state in `join`.
int planElementaryJoin(OperationContext& ctx, const ChangeProfile& p, ChangeFiles& files,
                       bool video, const VideoOnlyJoin& join, std::int64_t joinOffset,
                       ChangePlan& plan);

}  // namespace cw
