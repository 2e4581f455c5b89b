// The Splicer control: the editing engine as an automation control. A host
// sets the file names, marks, record mode and the two stream information
// handles, calls one method at a time and listens to the events. Every method
// runs synchronously and returns when the operation has ended; nothing is
// thrown to the caller: failures are the result -1, the Err event and the
// ErrorMesNumber / ErrorMes properties. The control keeps no file open
// between calls.
//
// Automation members and their dispatch ids:
//
//   1 RecordFileName   String   read/write, persisted   "record.mpg"
//   2 SourceFileName   String   read/write, persisted   "source.mpg"
//   3 SourceMarkIn     Double   read/write, persisted   seconds
//   4 SourceMarkOut    Double   read/write, persisted
//   5 RecordMarkEntry  Double   read/write, persisted
//   6 RecordMode       Integer  read/write, persisted   0-4
//   7 ErrorMes         String   read/write
//   8 ErrorMesNumber   Integer  read/write
//   9 UndoEnabled      Boolean  read-only
//  10 SpaceRequired    Double   read; a write is accepted and ignored
//  11 SpaceAvailable   Double   read measures; a write only measures
//  12 SrcInfoHand      Long     read/write
//  13 RecInfoHand      Long     read/write
//  14 UndoFileName     String   read/write, persisted   "undoedit.boo"
//  15 RedoFileName     String   read/write, persisted   "redoedit.boo"
//  16 RedoEnabled      Boolean  read-only
//  17 RemoveDeadBpic   Boolean  read/write              true
//  18 Crop()           Integer  0 / -1
//  19 Undo()           Integer
//  20 Redo()           Integer
//  21 AppendCrop()     Integer
//  22 EntryCrop()      Integer
//  23 GenerateUniqueName()  String
//  24 VideoCompat()    Boolean
//  25 AudioCompat()    Boolean
//  26 Cancel()
//  27 SetSeqMode()
//  28 SeqCrop(FinalCropFlag Boolean)        Integer
//  29 SeqAppendCrop(FinalCropFlag Boolean)  Integer
//  30 ExactCut         Boolean  read/write              false
//     A crop starts and ends on the pictures at its marks, the pictures
//     between a mark and the nearest GOP boundary coded anew by the picture
//     re-encoder that the host handed in (setPictureReencoder); without one,
//     or with ExactCut false, cuts move to GOP boundaries.
//
// Events: 1 Done(), 2 Err(), 3 Progress(Status Integer, Percentage Integer).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "automation/dispatch.h"
#include "automation/events.h"
#include "automation/property_bag.h"
#include "engine/edit/journal_flags.h"
#include "engine/edit/operation_context.h"
#include "engine/edit/sequence.h"

namespace cw {

class Splicer : public automation::Dispatch {
 public:
  static constexpr const char* kProgId = "SPLICER.SplicerCtrl.1";
  // Format version of the persisted properties: 1.0 (major in the high word).
  static constexpr std::int32_t kPersistVersion = 0x00010000;
  static constexpr const char* kVersionKey = "_Version";

  Splicer();
  ~Splicer() override = default;

  automation::EventSource& events() { return events_; }

  // --- Properties -----------------------------------------------------------
  const std::string& recordFileName() const { return props_.recordFileName; }
  void setRecordFileName(const std::string& name);
  const std::string& sourceFileName() const { return props_.sourceFileName; }
  void setSourceFileName(const std::string& name);
  double sourceMarkIn() const { return props_.sourceMarkIn; }
  void setSourceMarkIn(double seconds);
  double sourceMarkOut() const { return props_.sourceMarkOut; }
  void setSourceMarkOut(double seconds);
  double recordMarkEntry() const { return props_.recordMarkEntry; }
  void setRecordMarkEntry(double seconds);
  std::int16_t recordMode() const { return props_.recordMode; }
  void setRecordMode(std::int16_t mode);
  const std::string& errorMes() const { return props_.error.message; }
  void setErrorMes(const std::string& message);
  std::int16_t errorMesNumber() const { return static_cast<std::int16_t>(props_.error.number); }
  void setErrorMesNumber(std::int16_t number);
  bool undoEnabled() const { return props_.history.undoEnabled; }
  bool redoEnabled() const { return props_.history.redoEnabled; }
  double spaceRequired() const { return props_.spaceRequired; }
  // Free bytes on the drive of the current directory, measured now in whole
  // megabytes.
  double spaceAvailable();
  // Replaces the measurement behind SpaceAvailable (a host that knows better,
  // or a test that needs an exact figure); an empty function restores the
  // drive's own. The operations' disk-space rules keep measuring the drive.
  using SpaceMeter = std::function<double()>;
  void setSpaceMeter(SpaceMeter meter) { spaceMeter_ = std::move(meter); }
  std::int32_t srcInfoHand() const { return props_.srcInfoHand; }
  void setSrcInfoHand(std::int32_t handle);
  std::int32_t recInfoHand() const { return props_.recInfoHand; }
  void setRecInfoHand(std::int32_t handle);
  const std::string& undoFileName() const { return props_.undoFileName; }
  void setUndoFileName(const std::string& name);
  const std::string& redoFileName() const { return props_.redoFileName; }
  void setRedoFileName(const std::string& name);
  bool removeDeadBpic() const { return props_.removeDeadBpic; }
  void setRemoveDeadBpic(bool remove);
  bool exactCut() const { return exactCut_; }
  void setExactCut(bool exact);
  // The re-encoder of exact cuts; the host owns it and keeps it alive while
  // the Splicer may run an operation. Null takes it away.
  void setPictureReencoder(PictureReencoder* reencoder);
  // The last operation's record starts and ends on the pictures at its marks.
  bool lastRecordExact() const { return props_.exactRecord; }

  // --- Methods (0 success, -1 failure) --------------------------------------
  std::int16_t Crop();
  std::int16_t Undo();
  std::int16_t Redo();
  std::int16_t AppendCrop();
  std::int16_t EntryCrop();
  // A file name ("tm000001" ...) that can be created in the current
  // directory; empty when every candidate exists.
  std::string GenerateUniqueName();
  bool VideoCompat();
  bool AudioCompat();
  void Cancel();
  void SetSeqMode();
  std::int16_t SeqCrop(bool finalCropFlag);
  std::int16_t SeqAppendCrop(bool finalCropFlag);

  // --- Host services --------------------------------------------------------
  // The persisted properties under their names, with the format version.
  void writeProperties(automation::PropertyBag& bag) const;
  // Reads the persisted properties back; missing keys give the defaults, the
  // other properties keep their defaults. Leaves the control unmodified.
  void readProperties(const automation::PropertyBag& bag);

  // The edit history, for a host that keeps a project across sessions: it
  // saves the flags with its journals and gives them back to a new control.
  const HistoryFlags& history() const { return props_.history; }
  void restoreHistory(const HistoryFlags& flags) { props_.history = flags; }
  // Called while a change to the project ends, once the project and its
  // journals are durable, with the new history: a host that keeps its own
  // state of the project writes it here (see OperationContext::onPersist).
  void setPersistHandler(PersistHandler handler) { props_.onPersist = std::move(handler); }
  // True while a method runs (a Progress handler is inside it).
  bool busy() const { return running_ != nullptr; }

  // Seconds of silence the last successful edit wrote where the sound ended
  // before the pictures.
  double silenceAdded() const { return props_.silenceAdded; }

  // The sequence state: the sequence-start flag and the previous cut-out.
  const SequenceState& sequence() const { return sequence_; }

 private:
  using Operation = int (*)(Splicer&, OperationContext&);
  enum class Frame { Edit, Journal };

  void registerProperties();
  void registerMethods();
  void declareEvents();

  // Runs `op` on a working copy of the properties with the handles
  // resolved, and maps its result to 0 / -1 with the events.
  std::int16_t runMethod(Operation op, int memoryError, Frame frame);
  // Fails the call before any operation runs: error state, Err, -1.
  std::int16_t refuse(int number);
  bool handlesResolve(bool needSource) const;
  void fireProgress(int status, int percentage);

  void setText(std::string& field, const std::string& value);
  void setSeconds(double& field, double value);

  OperationContext props_;
  SequenceState sequence_;
  OperationContext* running_ = nullptr;  // the working copy of the call in progress
  bool finalCrop_ = false;               // argument of the sequence call in progress
  bool exactCut_ = false;
  PictureReencoder* reencoder_ = nullptr;
  SpaceMeter spaceMeter_;
  automation::EventSource events_;
};

}  // namespace cw
