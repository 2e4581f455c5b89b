// What every edit operation reads and writes: the file names, marks and mode
// it works with, the two stream information records it reads and updates,
// the disk-space figures, the edit history, the error state of the last call,
// and the two ways the caller follows a running operation (progress reports
// and the cancel flag). The Splicer control holds one of these behind its
// properties; clipwright-cli fills one from its command line.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "engine/analysis/stream_info.h"
#include "engine/common/errors.h"
#include "engine/edit/journal_flags.h"

namespace cw {

class PictureReencoder;

// Progress(status, percentage): status is always 0, percentage 0-100.
using ProgressHandler = std::function<void(int status, int percentage)>;
// Called when a change to an existing record has ended and the record and
// journals are durable, with the history flags as they now are, before the
// change's intent record is deleted: the host writes its own state of the
// project here, so that no crash finds a record that the host's state does
// not describe and no intent record that would tell how to mend it. A crop
// calls it once its new record is complete and durable but still has its
// staged name (crop_steps.h), just before that record replaces the old one.
using PersistHandler = std::function<void(const HistoryFlags& history)>;

struct OperationContext {
  std::string recordFileName = "record.mpg";
  std::string sourceFileName = "source.mpg";
  std::string undoFileName = "undoedit.boo";
  std::string redoFileName = "redoedit.boo";
  double sourceMarkIn = 0.0;  // seconds from the source's first time stamp
  double sourceMarkOut = 0.0;
  double recordMarkEntry = 0.0;  // seconds into the record
  std::int16_t recordMode = 0;   // 0 MPEG, 1 VideoCD, 2 VideoCD zeroes, 3 video, 4 audio
  bool removeDeadBpic = true;
  // Codes the pictures between a mark and the nearest GOP boundary anew, so
  // that a crop starts and ends exactly at its marks; null: cuts move to GOP
  // boundaries. The caller owns it.
  PictureReencoder* reencoder = nullptr;
  bool exactRecord = false;  // set by an operation whose record starts and ends at its marks

  // Handles of the source's and the record's stream information records, and
  // the records they stand for once resolve() has run.
  std::int32_t srcInfoHand = 0;
  std::int32_t recInfoHand = 0;
  StreamInfo* source = nullptr;
  StreamInfo* record = nullptr;

  // Seconds of silence the last operation wrote where the source's sound
  // ended before its pictures (or the record's before the join).
  double silenceAdded = 0.0;
  double spaceRequired = 0.0;   // bytes; set only when an operation lacked space
  double spaceAvailable = 0.0;  // bytes; refreshed before every disk-space rule

  HistoryFlags history;
  ErrorState error;

  ProgressHandler onProgress;
  PersistHandler onPersist;
  bool cancelRequested = false;  // set by Cancel, polled between chunks

  // Looks both handles up; a handle that names no live record leaves its
  // pointer null.
  void resolve();

  void Progress(int status, int percentage) const;
  void Cancel() { cancelRequested = true; }
  bool cancelled() const { return cancelRequested; }

  // Measures the free space where the record file lives and stores it in
  // spaceAvailable (whole megabytes, in bytes). Returns the value.
  double refreshSpaceAvailable();

  void setHistory(HistoryEvent event) { history = nextHistory(history, event); }
  // Calls onPersist when one is set.
  void Persist() const {
    if (onPersist) onPersist(history);
  }
  void SetError(int number) { error.SetError(number); }
};

// Percentage of `written` in `estimate`, rounded, at most 100.
int progressPercentage(std::int64_t written, std::int64_t estimate);

}  // namespace cw
