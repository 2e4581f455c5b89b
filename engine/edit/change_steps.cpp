#include "engine/edit/change_steps.h"

#include <algorithm>
#include <filesystem>
#include <new>

#include "engine/common/errors.h"
#include "engine/edit/audio_silence.h"
#include "engine/edit/es_writer.h"
#include "engine/edit/intent_record.h"

namespace cw {

const ChangeProfile kAppendProfile{
    {kErrAppendNoMemory, kErrAppendOpenRecord, kErrAppendEmptyRecord, kErrAppendOpenSource,
     kErrAppendRecordLength, kErrAppendAudioGap, kErrAppendVideoIncompatible,
     kErrAppendAudioIncompatible, kErrAppendMarksTooClose, kErrAppendNoSpace, kErrAppendWriteRecord,
     kErrAppendNotRestored, kAppendJournalErrors, MuxOperation::AppendCrop},
    SpaceRule::Append,
    false};

const ChangeProfile kEntryProfile{
    {kErrEntryNoMemory, kErrEntryOpenRecord, kErrEntryEmptyRecord, kErrEntryOpenSource,
     kErrEntryRecordLength, 0, kErrEntryVideoIncompatible, kErrEntryAudioIncompatible,
     kErrEntryMarksTooClose, kErrEntryNoSpace, kErrEntryWriteRecord, kErrEntryNotRestored,
     kEntryJournalErrors, MuxOperation::EntryCrop},
    SpaceRule::Entry,
    true};

std::int64_t changeSpaceRequired(SpaceRule rule, std::int64_t estimate, std::int64_t recordLength,
                                 std::int64_t joinOffset) {
  const std::int64_t oldTail = std::max<std::int64_t>(recordLength - joinOffset, 0);
  const std::int64_t e = std::max<std::int64_t>(estimate, 0);
  if (rule == SpaceRule::Append) return 2 * (e + static_cast<std::int64_t>(kChangeChunk)) + oldTail;
  const std::int64_t grown = e + kCropSpaceReserve;
  return grown < oldTail ? grown + oldTail : 2 * grown;
}

namespace {

// How the write phase ended.
enum class Outcome {
  Succeeded,
  Abandoned,     // failed before the record was touched, or restored after it
  Unrestorable,  // failed while writing and the old tail could not be put back
};

bool sameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  return std::filesystem::equivalent(a, b, ec) && !ec;
}

// Steps 1 of the change: buffer, record and its length, source.
int openChangeFiles(const OperationContext& ctx, const ChangeErrors& e, ChangeFiles& files) {
  try {
    files.buffer.resize(kChangeChunk);
  } catch (const std::bad_alloc&) {
    return e.noMemory;
  }
  if (!files.record.open(ctx.recordFileName, platform::OpenMode::ReadWrite)) return e.openRecord;
  files.recordLength = files.record.length();
  if (files.recordLength < 0) return e.openRecord;
  if (files.recordLength == 0) return e.emptyRecord;
  // Reading the source while the same file is rewritten would feed the
  // change its own output.
  if (sameFile(ctx.recordFileName, ctx.sourceFileName)) return e.openSource;
  if (!files.source.open(ctx.sourceFileName, platform::OpenMode::Read)) return e.openSource;
  return 0;
}

// The descriptor whose length describes the record file.
StreamDescriptor& lengthDescriptor(StreamInfo& record, RecordContent content) {
  return content == RecordContent::AudioOnly ? record.audio : record.video;
}

void setRecordHandles(StreamInfo& record, RecordContent content, int handle) {
  if (content != RecordContent::AudioOnly) record.video.handle = handle;
  if (content != RecordContent::VideoOnly) record.audio.handle = handle;
}

int checkSpace(OperationContext& ctx, const ChangeProfile& p, const ChangeFiles& files,
               const ChangePlan& plan) {
  const std::int64_t required =
      changeSpaceRequired(p.space, plan.estimate, files.recordLength, plan.joinOffset);
  if (static_cast<double>(required) > ctx.refreshSpaceAvailable()) {
    ctx.spaceRequired = static_cast<double>(required);
    return p.errors.noSpace;
  }
  return 0;
}

int nextChunk(MuxState& m, bool system, ChangeFiles& files, std::size_t& delivered) {
  return system ? MuxChunk(m, files.buffer.data(), kChangeChunk, delivered)
                : EsChunk(m, files.buffer.data(), kChangeChunk, delivered);
}

// Step 5: every chunk to the record, then to the redo journal; progress only
// when the percentage rises; a cancel stops after the current chunk.
int writeNewBytes(OperationContext& ctx, const ChangeErrors& e, const ChangePlan& plan, MuxState& m,
                  ChangeFiles& files, ChangeJournals& journals, std::int64_t& written) {
  written = 0;
  if (!files.record.seek(plan.joinOffset)) return e.writeRecord;
  int lastReported = -1;
  for (;;) {
    std::size_t delivered = 0;
    const int status = nextChunk(m, plan.systemStream, files, delivered);
    if (status < 0) return muxStatusError(e.op, status);
    const auto count = static_cast<std::int64_t>(delivered);
    if (count > 0) {
      if (files.record.write(files.buffer.data(), count) != count) return e.writeRecord;
      if (const int rc = journals.teeChunk(files.buffer.data(), count)) return rc;
    }
    written += count;
    const int percentage = progressPercentage(written, plan.estimate);
    if (percentage > lastReported) {
      ctx.Progress(0, percentage);
      lastReported = percentage;
    }
    if (ctx.cancelled()) return kCropCancelled;
    if (status == kMuxFinished) break;
  }
  // A record that became shorter must not keep the end of its old tail.
  const std::int64_t newLength = plan.joinOffset + written;
  if (newLength < files.recordLength && !files.record.truncate(newLength)) return e.writeRecord;
  ctx.Progress(0, 100);
  return 0;
}

// The errors a change reports for an exception: its memory error, and its
// error for an incorrect source for anything else (an impossible state that
// the source's data led to).
int exceptionError(const ChangeErrors& e, int memoryError) {
  return errorForCurrentException(memoryError, muxStatusError(e.op, kMuxBadPacket));
}

// Puts the record's old tail back from the undo journal unless the change is
// committed: every way out of the write phase that is not its success, an
// error number as well as an exception, leaves the record as it was or, when
// even the restore fails, an outcome that keeps Undo able to repair it.
class RecordRestore {
 public:
  RecordRestore(ChangeJournals& journals, ChangeFiles& files, Outcome& outcome)
      : journals_(journals), files_(files), outcome_(outcome) {}
  RecordRestore(const RecordRestore&) = delete;
  RecordRestore& operator=(const RecordRestore&) = delete;
  ~RecordRestore() {
    if (committed_) return;
    const bool restored =
        journals_.restoreRecord(files_.record, files_.buffer) && files_.record.sync();
    outcome_ = restored ? Outcome::Abandoned : Outcome::Unrestorable;
  }
  void commit() {
    committed_ = true;
    outcome_ = Outcome::Succeeded;
  }

 private:
  ChangeJournals& journals_;
  ChangeFiles& files_;
  Outcome& outcome_;
  bool committed_ = false;
};

IntentOperation intentOperation(const ChangeErrors& e) {
  return e.op == MuxOperation::EntryCrop ? IntentOperation::Entry : IntentOperation::Append;
}

// Before the first byte of the record changes: the journals complete and
// durable, then the intent record that names the one recovery restores from.
int declareIntent(const OperationContext& ctx, const ChangeErrors& e, ChangeFiles& files,
                  ChangeJournals& journals, std::int64_t joinOffset) {
  if (const int rc = journals.makeDurable()) return rc;
  IntentRecord intent;
  intent.operation = intentOperation(e);
  intent.length = files.recordLength;
  if (!tailCheck(files.record, files.recordLength, intent.check)) return e.journal.readRecord;
  intent.joinOffset = joinOffset;
  intent.journal = journals.stagedUndoPath();
  intent.journalLength = journals.undoLength();
  intent.undoJournal = journals.undoPath();
  intent.redoJournal = journals.redoPath();
  intent.stagedRedo = journals.stagedRedoPath();
  return writeIntent(ctx.recordFileName, intent) ? 0 : e.journal.writeUndo;
}

// After the write phase: the record and the redo journal durable, then the
// journals take the names of the previous change's.
int makeChangeDurable(const ChangeErrors& e, ChangeFiles& files, ChangeJournals& journals) {
  if (!files.record.sync()) return e.writeRecord;
  if (const int rc = journals.syncRedo()) return rc;
  return journals.publish() ? 0 : e.journal.writeRedo;
}

// Steps 4 and 5 after the plan: space, journals, writer, write phase.
// `outcome` tells whether the record was touched and how it was left.
int applyPlan(OperationContext& ctx, const ChangeProfile& p, ChangeFiles& files,
              ChangeJournals& journals, ChangePlan& plan, std::int64_t& newLength,
              Outcome& outcome) {
  const ChangeErrors& e = p.errors;
  outcome = Outcome::Abandoned;
  if (const int rc = checkSpace(ctx, p, files, plan)) return rc;
  if (const int rc = journals.writeHeaders(plan.joinOffset)) return rc;
  if (const int rc =
          journals.saveOldTail(files.record, plan.joinOffset, files.recordLength, files.buffer)) {
    return rc;
  }
  if (const int rc = declareIntent(ctx, e, files, journals, plan.joinOffset)) return rc;
  MuxState m;
  ctx.silenceAdded = 0.0;
  const int memoryError = muxStatusError(e.op, kMuxMemoryError);
  try {
    if (const int rc = plan.start(m)) return rc;
  } catch (...) {
    return exceptionError(e, memoryError);
  }

  RecordRestore restore(journals, files, outcome);
  std::int64_t written = 0;
  int rc = 0;
  try {
    rc = writeNewBytes(ctx, e, plan, m, files, journals, written);
    if (rc == 0) rc = makeChangeDurable(e, files, journals);
  } catch (...) {
    rc = exceptionError(e, memoryError);
  }
  if (rc != 0) return rc;
  newLength = plan.joinOffset + written;
  ctx.silenceAdded = silenceSeconds(m.audio.es);
  restore.commit();
  return 0;
}

int runSteps(OperationContext& ctx, const ChangeProfile& p, RecordContent content,
             const ChangePlanner& planner, ChangeFiles& files, ChangeJournals& journals,
             std::int64_t& newLength, Outcome& outcome) {
  const ChangeErrors& e = p.errors;
  outcome = Outcome::Abandoned;
  if (const int rc = openChangeFiles(ctx, e, files)) return rc;

  ctx.setHistory(HistoryEvent::ChangeStarts);
  if (const int rc = journals.create()) return rc;

  StreamInfo& record = *ctx.record;
  setRecordHandles(record, content, files.record.fd());
  if (lengthDescriptor(record, content).length != files.recordLength) return e.lengthMismatch;

  ChangePlan plan;
  try {
    if (const int rc = planner(ctx, p, files, plan)) return rc;
  } catch (...) {
    return exceptionError(e, e.noMemory);
  }
  return applyPlan(ctx, p, files, journals, plan, newLength, outcome);
}

void describeChangedRecord(StreamInfo& record, RecordContent content, std::int64_t length) {
  record.fileLength = static_cast<double>(length);
  if (content != RecordContent::AudioOnly) record.video.length = length;
  if (content != RecordContent::VideoOnly) record.audio.length = length;
  record.stage = 1;
}

void dropJournals(const OperationContext& ctx, const ChangeProfile& p, ChangeJournals& journals) {
  journals.deleteCreated();
  if (p.deleteOnlyCreatedJournals) return;
  platform::removeFile(ctx.undoFileName);
  platform::removeFile(ctx.redoFileName);
}

// A record that could not be rolled back keeps the undo journal under its
// name for Undo, and the intent record now names that journal, so that the
// next recovery still rolls the record back from it.
void keepUndoForRepair(const OperationContext& ctx, ChangeJournals& journals) {
  journals.close();
  journals.publishUndo();
  journals.deleteRedo();
  IntentRecord intent;
  if (readIntent(ctx.recordFileName, intent) == 1) {
    intent.journal = journals.undoPath();
    writeIntent(ctx.recordFileName, intent);
  }
}

// The outcome table: flags, journals, record description and the result.
int settle(OperationContext& ctx, const ChangeProfile& p, RecordContent content, int rc,
           Outcome outcome, std::int64_t newLength, ChangeJournals& journals) {
  switch (outcome) {
    case Outcome::Succeeded:
      journals.close();
      describeChangedRecord(*ctx.record, content, newLength);
      ctx.setHistory(HistoryEvent::ChangeSucceeded);
      ctx.error.number = 0;  // the message of an earlier failure stays
      ctx.Persist();
      clearIntent(ctx.recordFileName);
      return 0;
    case Outcome::Unrestorable:
      // The undo journal still holds the old tail: Undo can repair the record.
      keepUndoForRepair(ctx, journals);
      ctx.record->stage = 1;
      ctx.setHistory(HistoryEvent::ChangeUnrestorable);
      ctx.SetError(p.errors.restoreFailed);
      ctx.Persist();
      return p.errors.restoreFailed;
    case Outcome::Abandoned:
      break;
  }
  dropJournals(ctx, p, journals);
  ctx.setHistory(HistoryEvent::ChangeAbandoned);
  ctx.Persist();
  clearIntent(ctx.recordFileName);
  if (rc == kCropCancelled) {
    ctx.error.number = 0;
    return 0;
  }
  ctx.SetError(rc);
  return rc;
}

}  // namespace

int runChange(OperationContext& ctx, const ChangeProfile& profile, RecordContent content,
              const ChangePlanner& plan) {
  ChangeJournals journals(ctx.undoFileName, ctx.redoFileName, profile.errors.journal);
  ChangeFiles files;
  std::int64_t newLength = 0;
  Outcome outcome = Outcome::Abandoned;
  int rc = 0;
  try {
    rc = runSteps(ctx, profile, content, plan, files, journals, newLength, outcome);
  } catch (...) {
    // A touched record has been restored by then; `outcome` says how.
    rc = exceptionError(profile.errors, profile.errors.noMemory);
  }
  files.record.close();
  files.source.close();
  setRecordHandles(*ctx.record, RecordContent::System, -1);
  if (ctx.source != nullptr) ctx.source->video.handle = ctx.source->audio.handle = -1;
  return settle(ctx, profile, content, rc, outcome, newLength, journals);
}

}  // namespace cw
