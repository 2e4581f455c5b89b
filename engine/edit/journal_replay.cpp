#include "engine/edit/journal_replay.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <vector>

#include "engine/common/errors.h"
#include "engine/edit/intent_record.h"
#include "engine/edit/journal_file.h"
#include "platform/file.h"

namespace cw {

namespace {

// Everything in which Undo and Redo differ.
struct ReplayProfile {
  bool HistoryFlags::*enabled;
  bool HistoryFlags::*fileValid;
  std::string OperationContext::*journalName;
  int disabled;     // 2000 / 2100
  int noJournal;    // 2008 / 2108
  int memory;       // 2001 / 2101
  int openRecord;   // 2002 / 2102
  int openJournal;  // 2003 / 2103
  int badJournal;   // 2004 / 2104
  int readJournal;  // 2005 / 2105
  int writeRecord;  // 2006 / 2106
  int changeSize;   // 2007 / 2107
  HistoryEvent succeeded;
  HistoryEvent journalBroken;
  HistoryEvent notStarted;
  IntentOperation intent;
};

constexpr ReplayProfile kUndo{&HistoryFlags::undoEnabled,
                              &HistoryFlags::undoFileValid,
                              &OperationContext::undoFileName,
                              kErrUndoDisabled,
                              kErrUndoNoJournal,
                              kErrUndoMemory,
                              kErrUndoOpenRecord,
                              kErrUndoOpenJournal,
                              kErrUndoBadJournal,
                              kErrUndoReadJournal,
                              kErrUndoWriteRecord,
                              kErrUndoChangeSize,
                              HistoryEvent::UndoSucceeded,
                              HistoryEvent::UndoJournalBroken,
                              HistoryEvent::UndoNotStarted,
                              IntentOperation::Undo};

constexpr ReplayProfile kRedo{&HistoryFlags::redoEnabled,
                              &HistoryFlags::redoFileValid,
                              &OperationContext::redoFileName,
                              kErrRedoDisabled,
                              kErrRedoNoJournal,
                              kErrRedoMemory,
                              kErrRedoOpenRecord,
                              kErrRedoOpenJournal,
                              kErrRedoBadJournal,
                              kErrRedoReadJournal,
                              kErrRedoWriteRecord,
                              kErrRedoChangeSize,
                              HistoryEvent::RedoSucceeded,
                              HistoryEvent::RedoJournalBroken,
                              HistoryEvent::RedoNotStarted,
                              IntentOperation::Redo};

// Copies the journal body (from its current position to its end) into the
// record at the record's current position.
int copyBody(platform::File& journal, std::int64_t bodyLength, platform::File& record,
             std::vector<std::uint8_t>& buffer, const ReplayProfile& p) {
  const auto block = static_cast<std::int64_t>(buffer.size());
  while (bodyLength > 0) {
    const std::int64_t n = std::min(bodyLength, block);
    if (journal.read(buffer.data(), n) != n) return p.readJournal;
    if (record.write(buffer.data(), n) != n) return p.writeRecord;
    bodyLength -= n;
  }
  return 0;
}

// Before the record changes: the journal durable and an intent record that
// names it, so that a replay cut short is finished by recovery (copying the
// same journal again gives the same record).
bool declareReplay(const OperationContext& ctx, const ReplayProfile& p, platform::File& record,
                   platform::File& journal, std::int64_t joinOffset) {
  IntentRecord intent;
  intent.operation = p.intent;
  intent.length = record.length();
  if (intent.length < 0 || !tailCheck(record, intent.length, intent.check)) return false;
  intent.joinOffset = joinOffset;
  intent.journal = ctx.*p.journalName;
  intent.journalLength = journal.length();
  intent.undoJournal = ctx.undoFileName;
  intent.redoJournal = ctx.redoFileName;
  return journal.sync() && writeIntent(ctx.recordFileName, intent);
}

// Steps that touch files; returns 0 or an error number and, on success, the
// record's restored length.
int replayJournal(const OperationContext& ctx, const ReplayProfile& p,
                  std::int64_t& restoredLength) {
  std::vector<std::uint8_t> buffer;
  try {
    buffer.resize(kJournalBlock);
  } catch (const std::bad_alloc&) {
    return p.memory;
  }
  platform::File record;
  if (!record.open(ctx.recordFileName, platform::OpenMode::ReadWrite)) return p.openRecord;
  platform::File journal;
  if (!journal.open(ctx.*p.journalName, platform::OpenMode::ReadWrite)) return p.openJournal;

  const std::int64_t journalLength = journal.length();
  if (journalLength < kJournalHeaderSize) return p.badJournal;
  std::uint8_t header[kJournalHeaderSize];
  if (journal.read(header, kJournalHeaderSize) != kJournalHeaderSize) return p.readJournal;
  const std::int64_t joinOffset = decodeJournalHeader(header);
  // A negative offset can only come from a damaged file; refuse it rather
  // than seek before the start of the record.
  if (joinOffset < 0 || record.length() < joinOffset) return p.badJournal;
  if (!declareReplay(ctx, p, record, journal, joinOffset)) return p.openJournal;

  if (!record.seek(joinOffset)) return p.writeRecord;
  const std::int64_t body = journalLength - kJournalHeaderSize;
  if (const int rc = copyBody(journal, body, record, buffer, p); rc != 0) return rc;
  if (!record.truncate(joinOffset + body)) return p.changeSize;
  if (!record.sync()) return p.writeRecord;
  restoredLength = joinOffset + body;
  return 0;
}

void describeRecord(StreamInfo* info, std::int64_t length) {
  if (info == nullptr) return;
  info->fileLength = static_cast<double>(length);
  info->video.length = length;
  info->audio.length = length;
  info->stage = 1;
}

bool journalDeletedOnFailure(int rc, const ReplayProfile& p) {
  return rc >= p.badJournal && rc <= p.changeSize;
}

int replay(OperationContext& ctx, const ReplayProfile& p) {
  if (!(ctx.history.*p.enabled)) {
    ctx.SetError(p.disabled);
    return p.disabled;
  }
  if (!(ctx.history.*p.fileValid)) {
    ctx.SetError(p.noJournal);
    return p.noJournal;
  }
  ctx.resolve();
  std::int64_t restoredLength = 0;
  int rc = 0;
  try {
    rc = replayJournal(ctx, p, restoredLength);
  } catch (...) {
    // The journal is intact whatever the record holds now: the history stays
    // as it is, so that the same call can be made again.
    rc = errorForCurrentException(p.memory, p.memory);
  }
  if (ctx.record != nullptr) ctx.record->video.handle = ctx.record->audio.handle = -1;
  if (rc == 0) {
    describeRecord(ctx.record, restoredLength);
    ctx.setHistory(p.succeeded);
  } else {
    ctx.SetError(rc);
    if (journalDeletedOnFailure(rc, p)) {
      platform::removeFile(ctx.*p.journalName);
      ctx.setHistory(p.journalBroken);
    } else {
      ctx.setHistory(p.notStarted);
    }
  }
  ctx.Persist();
  clearIntent(ctx.recordFileName);
  return rc;
}

}  // namespace

int Undo(OperationContext& ctx) { return replay(ctx, kUndo); }
int Redo(OperationContext& ctx) { return replay(ctx, kRedo); }

}  // namespace cw
