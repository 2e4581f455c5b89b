#include "engine/splicer/splicer.h"

#include <new>

#include "engine/analysis/stream_info.h"
#include "engine/common/errors.h"
#include "engine/edit/append_crop.h"
#include "engine/edit/crop.h"
#include "engine/edit/entry_crop.h"
#include "engine/edit/journal_replay.h"
#include "engine/edit/sequence.h"

namespace cw {

Splicer::Splicer() {
  registerProperties();
  registerMethods();
  declareEvents();
}

// --- Properties ---------------------------------------------------------------

void Splicer::setText(std::string& field, const std::string& value) {
  if (field == value) return;
  field = value;
  setModified();
}

void Splicer::setSeconds(double& field, double value) {
  if (field == value) return;
  field = value;
  setModified();
}

void Splicer::setRecordFileName(const std::string& name) { setText(props_.recordFileName, name); }
void Splicer::setSourceFileName(const std::string& name) { setText(props_.sourceFileName, name); }
void Splicer::setUndoFileName(const std::string& name) { setText(props_.undoFileName, name); }
void Splicer::setRedoFileName(const std::string& name) { setText(props_.redoFileName, name); }
void Splicer::setSourceMarkIn(double seconds) { setSeconds(props_.sourceMarkIn, seconds); }
void Splicer::setSourceMarkOut(double seconds) { setSeconds(props_.sourceMarkOut, seconds); }
void Splicer::setRecordMarkEntry(double seconds) { setSeconds(props_.recordMarkEntry, seconds); }

void Splicer::setRecordMode(std::int16_t mode) {
  if (props_.recordMode == mode) return;
  props_.recordMode = mode;
  setModified();
}

void Splicer::setErrorMes(const std::string& message) {
  props_.error.message = message;
  setModified();
}

void Splicer::setErrorMesNumber(std::int16_t number) {
  props_.error.number = number;
  setModified();
}

void Splicer::setSrcInfoHand(std::int32_t handle) {
  props_.srcInfoHand = handle;
  setModified();
}

void Splicer::setRecInfoHand(std::int32_t handle) {
  props_.recInfoHand = handle;
  setModified();
}

void Splicer::setRemoveDeadBpic(bool remove) {
  props_.removeDeadBpic = remove;
  setModified();
}

void Splicer::setExactCut(bool exact) {
  exactCut_ = exact;
  props_.reencoder = exactCut_ ? reencoder_ : nullptr;
}

void Splicer::setPictureReencoder(PictureReencoder* reencoder) {
  reencoder_ = reencoder;
  props_.reencoder = exactCut_ ? reencoder_ : nullptr;
}

// --- The method frame ---------------------------------------------------------

void Splicer::fireProgress(int status, int percentage) {
  automation::Args args{automation::Variant(static_cast<std::int16_t>(status)),
                        automation::Variant(static_cast<std::int16_t>(percentage))};
  events_.fire("Progress", args);
}

std::int16_t Splicer::refuse(int number) {
  props_.error.SetError(number);
  events_.fire("Err");
  return -1;
}

bool Splicer::handlesResolve(bool needSource) const {
  if (resolveStreamInfo(props_.recInfoHand) == nullptr) return false;
  return !needSource || resolveStreamInfo(props_.srcInfoHand) != nullptr;
}

std::int16_t Splicer::runMethod(Operation op, int memoryError, Frame frame) {
  // A handler of Progress may not start a second edit of the same files.
  if (running_ != nullptr) {
    events_.fire("Err");
    return -1;
  }
  // An unknown or stale handle would leave the engine without its records.
  if (!handlesResolve(frame == Frame::Edit)) return refuse(kErrWrongType);

  // The operation works on a copy, so the properties it reads stay as they
  // were at the start of the call even if a Progress handler writes them.
  OperationContext work = props_;
  work.cancelRequested = false;
  work.exactRecord = false;
  work.onProgress = [this](int status, int percentage) { fireProgress(status, percentage); };
  running_ = &work;
  int rc = 0;
  try {
    rc = op(*this, work);
  } catch (...) {
    work.SetError(memoryError);
    rc = memoryError;
  }
  running_ = nullptr;

  props_.history = work.history;
  props_.error = work.error;
  props_.spaceRequired = work.spaceRequired;
  props_.spaceAvailable = work.spaceAvailable;
  props_.silenceAdded = rc == 0 ? work.silenceAdded : 0.0;
  props_.exactRecord = work.exactRecord;
  if (rc != 0) {
    events_.fire("Err");
    return -1;
  }
  if (frame == Frame::Edit) props_.error.number = 0;
  events_.fire("Done");
  return 0;
}

std::int16_t Splicer::Crop() {
  return runMethod([](Splicer&, OperationContext& ctx) { return cw::Crop(ctx); }, kCropNoMemory,
                   Frame::Edit);
}

std::int16_t Splicer::AppendCrop() {
  return runMethod([](Splicer&, OperationContext& ctx) { return cw::AppendCrop(ctx); },
                   kErrAppendNoMemory, Frame::Edit);
}

std::int16_t Splicer::EntryCrop() {
  return runMethod([](Splicer&, OperationContext& ctx) { return cw::EntryCrop(ctx); },
                   kErrEntryNoMemory, Frame::Edit);
}

std::int16_t Splicer::Undo() {
  return runMethod([](Splicer&, OperationContext& ctx) { return cw::Undo(ctx); }, kErrUndoMemory,
                   Frame::Journal);
}

std::int16_t Splicer::Redo() {
  return runMethod([](Splicer&, OperationContext& ctx) { return cw::Redo(ctx); }, kErrRedoMemory,
                   Frame::Journal);
}

std::int16_t Splicer::SeqCrop(bool finalCropFlag) {
  finalCrop_ = finalCropFlag;
  return runMethod(
      [](Splicer& self, OperationContext& ctx) {
        return cw::SeqCrop(ctx, self.sequence_, self.finalCrop_);
      },
      kCropNoMemory, Frame::Edit);
}

std::int16_t Splicer::SeqAppendCrop(bool finalCropFlag) {
  finalCrop_ = finalCropFlag;
  return runMethod(
      [](Splicer& self, OperationContext& ctx) { return cw::SeqAppendCrop(ctx, self.finalCrop_); },
      kErrAppendNoMemory, Frame::Edit);
}

void Splicer::SetSeqMode() { cw::SetSeqMode(sequence_); }

void Splicer::Cancel() {
  if (running_ != nullptr) running_->Cancel();
}

bool Splicer::VideoCompat() {
  const StreamInfo* record = resolveStreamInfo(props_.recInfoHand);
  const StreamInfo* source = resolveStreamInfo(props_.srcInfoHand);
  return record != nullptr && source != nullptr && videoCompatible(*record, *source);
}

bool Splicer::AudioCompat() {
  const StreamInfo* record = resolveStreamInfo(props_.recInfoHand);
  const StreamInfo* source = resolveStreamInfo(props_.srcInfoHand);
  return record != nullptr && source != nullptr && audioCompatible(*record, *source);
}

}  // namespace cw
