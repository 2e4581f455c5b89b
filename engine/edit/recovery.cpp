#include "engine/edit/recovery.h"

#include <algorithm>
#include <vector>

#include "engine/edit/journal_file.h"
#include "platform/file.h"

namespace cw {

namespace {

RecoveryResult failed(const IntentRecord& intent, std::string problem) {
  RecoveryResult r;
  r.action = RecoveryAction::Failed;
  r.operation = intent.operation;
  r.problem = std::move(problem);
  return r;
}

// Copies the body of `journalPath` into the record at the journal's J and
// cuts the record behind it; the record and its new length are synced.
bool copyJournalIn(const std::string& recordPath, const std::string& journalPath,
                   std::int64_t& newLength, std::string& problem) {
  platform::File journal;
  platform::File record;
  if (!journal.open(journalPath, platform::OpenMode::Read)) {
    problem = "cannot read the journal " + journalPath;
    return false;
  }
  if (!record.open(recordPath, platform::OpenMode::ReadWrite)) {
    problem = "cannot open " + recordPath + " for writing";
    return false;
  }
  std::uint8_t header[kJournalHeaderSize];
  const std::int64_t length = journal.length();
  if (length < kJournalHeaderSize ||
      journal.read(header, kJournalHeaderSize) != kJournalHeaderSize) {
    problem = "the journal " + journalPath + " is damaged";
    return false;
  }
  const std::int64_t joinOffset = decodeJournalHeader(header);
  std::vector<std::uint8_t> buffer(kJournalBlock);
  std::int64_t left = length - kJournalHeaderSize;
  bool ok = joinOffset >= 0 && record.seek(joinOffset);
  while (ok && left > 0) {
    const std::int64_t n = std::min<std::int64_t>(left, kJournalBlock);
    ok = journal.read(buffer.data(), n) == n && record.write(buffer.data(), n) == n;
    left -= n;
  }
  newLength = joinOffset + length - kJournalHeaderSize;
  if (!ok || !record.truncate(newLength) || !record.sync()) {
    problem = "cannot write the journal " + journalPath + " back into " + recordPath;
    return false;
  }
  return true;
}

bool journalIsWhole(const IntentRecord& intent) {
  return platform::fileSize(intent.journal) == intent.journalLength &&
         intent.journalLength >= kJournalHeaderSize;
}

void removeDurably(const std::string& path) {
  if (!platform::fileExists(path)) return;
  platform::removeFile(path);
  platform::syncFolderOf(path);
}

// The record is as before the change when its length and its check value
// are those the intent record noted.
bool matchesBefore(const std::string& recordPath, const IntentRecord& intent) {
  platform::File record;
  std::uint64_t check = 0;
  return record.open(recordPath, platform::OpenMode::Read) && record.length() == intent.length &&
         tailCheck(record, intent.length, check) && check == intent.check;
}

RecoveryResult rollBackChange(const std::string& recordPath, const IntentRecord& intent) {
  RecoveryResult r;
  r.operation = intent.operation;
  if (!copyJournalIn(recordPath, intent.journal, r.length, r.problem))
    return failed(intent, r.problem);
  if (!matchesBefore(recordPath, intent)) {
    return failed(intent, recordPath + " does not match its length before the " +
                              intentOperationName(intent.operation));
  }
  r.action = RecoveryAction::RolledBack;
  // A change that could not be rolled back had already put its undo journal
  // in place of the previous one: that history is gone.
  r.historyKept = intent.journal != intent.undoJournal;
  if (r.historyKept) {
    removeDurably(intent.journal);
    removeDurably(intent.stagedRedo);
  } else {
    removeDurably(intent.undoJournal);
    removeDurably(intent.redoJournal);
  }
  return r;
}

// The staged journals were renamed: the change had completed and synced the
// record. Finishes the renames and checks the record against the redo journal.
RecoveryResult keepChange(const std::string& recordPath, const IntentRecord& intent) {
  if (platform::fileExists(intent.stagedRedo)) {
    if (!platform::renameFile(intent.stagedRedo, intent.redoJournal) ||
        !platform::syncFolderOf(intent.redoJournal)) {
      return failed(intent, "cannot rename " + intent.stagedRedo);
    }
  }
  const std::int64_t redoLength = platform::fileSize(intent.redoJournal);
  const std::int64_t length = platform::fileSize(recordPath);
  if (redoLength < kJournalHeaderSize ||
      length != intent.joinOffset + redoLength - kJournalHeaderSize) {
    return failed(intent, "neither the journals nor " + recordPath + " hold a whole state");
  }
  RecoveryResult r;
  r.action = RecoveryAction::RolledForward;
  r.operation = intent.operation;
  r.length = length;
  r.event = HistoryEvent::ChangeSucceeded;
  return r;
}

RecoveryResult finishReplay(const std::string& recordPath, const IntentRecord& intent) {
  if (!journalIsWhole(intent)) return failed(intent, "the journal " + intent.journal + " is gone");
  RecoveryResult r;
  r.operation = intent.operation;
  if (!copyJournalIn(recordPath, intent.journal, r.length, r.problem))
    return failed(intent, r.problem);
  r.action = RecoveryAction::RolledForward;
  r.event = intent.operation == IntentOperation::Undo ? HistoryEvent::UndoSucceeded
                                                      : HistoryEvent::RedoSucceeded;
  return r;
}

RecoveryResult mend(const std::string& recordPath, const IntentRecord& intent) {
  switch (intent.operation) {
    case IntentOperation::Undo:
    case IntentOperation::Redo:
      return finishReplay(recordPath, intent);
    case IntentOperation::Append:
    case IntentOperation::Entry:
      break;
  }
  if (journalIsWhole(intent)) return rollBackChange(recordPath, intent);
  if (platform::fileExists(intent.journal)) {
    return failed(intent, "the journal " + intent.journal + " is not whole");
  }
  return keepChange(recordPath, intent);
}

}  // namespace

RecoveryResult recoverRecord(const std::string& recordPath, const std::string& undoPath,
                             const std::string& redoPath) {
  IntentRecord intent;
  const int found = readIntent(recordPath, intent);
  if (found == 0) {
    removeDurably(stagedJournalPath(undoPath));
    removeDurably(stagedJournalPath(redoPath));
    RecoveryResult r;
    r.length = platform::fileSize(recordPath);
    return r;
  }
  if (found < 0) return failed(intent, intentPathOf(recordPath) + " cannot be read");
  RecoveryResult r = mend(recordPath, intent);
  if (r.action != RecoveryAction::Failed && !clearIntent(recordPath)) {
    return failed(intent, "cannot delete " + intentPathOf(recordPath));
  }
  return r;
}

HistoryFlags recoveredHistory(HistoryFlags saved, const RecoveryResult& result) {
  switch (result.action) {
    case RecoveryAction::RolledBack:
      return result.historyKept ? saved : HistoryFlags{};
    case RecoveryAction::RolledForward:
      return nextHistory(saved, result.event);
    case RecoveryAction::Nothing:
    case RecoveryAction::Failed:
      break;
  }
  return saved;
}

std::string describeRecovery(const RecoveryResult& result) {
  const std::string operation = intentOperationName(result.operation);
  switch (result.action) {
    case RecoveryAction::Nothing:
      return "nothing to recover";
    case RecoveryAction::RolledBack:
      return "an interrupted " + operation + " was rolled back";
    case RecoveryAction::RolledForward:
      return "an interrupted " + operation + " was completed";
    case RecoveryAction::Failed:
      break;
  }
  return "an interrupted " + operation + " could not be recovered: " + result.problem;
}

}  // namespace cw
