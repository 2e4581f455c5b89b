#include "app/shell/editing_error.h"

#include <QCoreApplication>

#include "app/shell/messages.h"
#include "engine/common/errors.h"
#include "engine/splicer/splicer.h"

namespace cw::app {

namespace {

using R = EditingErrorSpan;

// Tried from the top; the first row that holds the number gives the message.
// A row's help page is filed under the number of one engine error (its page
// is docs/help/topic-<number>.html); the two Crop Area pages are filed
// crosswise, each under an error of the other row.
const EditingErrorRow kRows[] = {
    {{{kErrSourceRead, kErrSourceRead}},
     QT_TRANSLATE_NOOP("EditingError", "Read error!"),
     nullptr,
     kErrSourceRead},
    {{{kErrMemory, kErrMemory}},
     QT_TRANSLATE_NOOP("EditingError", "Memory allocation error!"),
     nullptr,
     kErrMemory},
    {{{kErrWrongType, kErrWrongType}},
     QT_TRANSLATE_NOOP("EditingError", "Wrong file type!"),
     nullptr,
     kErrWrongType},
    {{{kErrTooShort, kErrTooShort}},
     QT_TRANSLATE_NOOP("EditingError", "File is too short!"),
     nullptr,
     kErrTooShort},
    {{{kErrNoFileHeader, kErrNoFileHeader}},
     QT_TRANSLATE_NOOP("EditingError", "File header is missing!"),
     nullptr,
     kErrNoFileHeader},
    {{R{kErrNoVideoHeader, kErrNoVideoHeader}, R{kErrVideoFileNoHeader, kErrVideoFileNoHeader}},
     QT_TRANSLATE_NOOP("EditingError", "Cannot find video header!"),
     nullptr,
     kErrNoFileHeader},
    {{R{kErrNoAudioHeader, kErrNoAudioHeader}, R{kErrAudioFileNoHeader, kErrAudioFileNoHeader}},
     QT_TRANSLATE_NOOP("EditingError", "Cannot find audio header!"),
     nullptr,
     kErrNoFileHeader},
    {{{kErrVideoFileNoGop, kErrVideoFileNoGop}},
     QT_TRANSLATE_NOOP("EditingError", "No GOPs in video file!"),
     nullptr,
     kErrVideoFileNoGop},
    {{{kErrHeadNoPackets, kErrHeadReserved}},
     QT_TRANSLATE_NOOP("EditingError", "Incorrect data at the beginning of the stream!"),
     nullptr,
     kErrHeadNoPackets},
    {{{kErrTailNoPackets, kErrTailGopTooLong}},
     QT_TRANSLATE_NOOP("EditingError", "Incorrect data at the end of the stream!"),
     nullptr,
     kErrTailNoPackets},
    {{{kErrHeaderReserved, kErrAudioBitRate}},
     QT_TRANSLATE_NOOP("EditingError", "Incorrect header information!"),
     nullptr,
     kErrHeaderReserved},
    {{R{kErrCutOutNoPackets, kErrCutOutForbiddenPicture},
      R{kErrEntryAreaNoAudioPackets, kErrEntryAreaNoAudioPackets}},
     QT_TRANSLATE_NOOP("EditingError", "Incorrect data at the end of the Crop Area"),
     QT_TRANSLATE_NOOP("EditingError", "(Player Mark Out or Recorder Mark Out)!"),
     kErrEntryAreaNoAudioFrames},
    {{R{kErrCutInNoPackets, kErrCutInNoAudioCut},
      R{kErrEntryAreaNoAudioFrames, kErrEntryAreaNoAudioFrames}},
     QT_TRANSLATE_NOOP("EditingError",
                       "Incorrect data at the beginning of the Crop Area (Player Mark In)!"),
     nullptr,
     kErrEntryAreaNoAudioPackets},
    {{R{kErrUndoDisabled, kErrUndoDisabled}, R{kErrRedoDisabled, kErrRedoDisabled}},
     QT_TRANSLATE_NOOP("EditingError", "Undo (Redo) is disabled!"),
     nullptr,
     kErrUndoDisabled},
    {{R{kErrUndoMemory, kErrUndoMemory}, R{kErrRedoMemory, kErrRedoMemory}},
     QT_TRANSLATE_NOOP("EditingError", "Memory access error!"),
     nullptr,
     kErrUndoMemory},
    {{R{kErrUndoOpenRecord, kErrUndoNoJournal}, R{kErrRedoOpenRecord, kErrRedoNoJournal}},
     QT_TRANSLATE_NOOP("EditingError", "Incorrect file or file access error!"),
     nullptr,
     kErrUndoOpenRecord},
    {{R{kErrEntryOpenRecord, kErrEntryOpenRedo}, R{kErrAppendOpenRecord, kErrAppendOpenRedo}},
     QT_TRANSLATE_NOOP("EditingError", "Cannot open the file!"),
     nullptr,
     kErrEntryOpenRecord},
    {{R{kErrEntryAudioGap, kErrEntryAudioGap}, R{kErrAppendAudioGap, kErrAppendAudioGap}},
     QT_TRANSLATE_NOOP("EditingError", "Incorrect audio in project (Recorder) file!"),
     nullptr,
     kErrEntryAudioGap},
    {{R{kErrEntryVideoIncompatible, kErrEntryVideoIncompatible},
      R{kErrAppendVideoIncompatible, kErrAppendVideoIncompatible}},
     QT_TRANSLATE_NOOP("EditingError", "Incompatible video data!"),
     nullptr,
     kErrEntryVideoIncompatible},
    {{R{kErrEntryAudioIncompatible, kErrEntryAudioIncompatible},
      R{kErrAppendAudioIncompatible, kErrAppendAudioIncompatible}},
     QT_TRANSLATE_NOOP("EditingError", "Incompatible audio data!"),
     nullptr,
     kErrEntryAudioIncompatible},
    {{R{kErrEntryNoMemory, kErrEntryNoMemory}, R{kErrEntryMuxMemory, kErrEntryMuxMemory},
      R{kErrAppendNoMemory, kErrAppendNoMemory}, R{kErrAppendMuxMemory, kErrAppendMuxMemory}},
     QT_TRANSLATE_NOOP("EditingError", "Insufficient Memory or Memory Access Error!"),
     nullptr,
     kErrEntryNoMemory},
    {{R{kErrEntryReadRecord, kErrEntryReadSource}, R{kErrAppendReadRecord, kErrAppendReadSource}},
     QT_TRANSLATE_NOOP("EditingError", "3008 File Access Error!"),
     nullptr,
     kErrEntryReadRecord},
    {{R{kErrEntryMarksTooClose, kErrEntryMarksTooClose},
      R{kErrAppendMarksTooClose, kErrAppendMarksTooClose}},
     QT_TRANSLATE_NOOP("EditingError", "Restore error!"),
     nullptr,
     kErrEntryMarksTooClose},
    {{R{kErrEntryNoSpace, kErrEntryNoSpace}, R{kErrAppendNoSpace, kErrAppendNoSpace},
      R{kCropNoSpace, kCropNoSpace}},
     QT_TRANSLATE_NOOP("EditingError", "Not enough space on the drive!"),
     nullptr,
     kErrEntryNoSpace},
    {{R{kErrEntryEmptyRecord, kErrEntryRecordLength},
      R{kErrAppendEmptyRecord, kErrAppendRecordLength}},
     QT_TRANSLATE_NOOP("EditingError", "Wrong length of project (Recorder) file!"),
     nullptr,
     kErrEntryRecordLength},
    {{R{kErrEntryOverflow, kErrEntryAudioChanged}, R{kErrAppendOverflow, kErrAppendAudioChanged}},
     QT_TRANSLATE_NOOP("EditingError", "Incorrect source (Player) file!"),
     nullptr,
     kErrEntryOverflow},
    {{{kScanZeroLength, kScanBadStream}},
     QT_TRANSLATE_NOOP("EditingError", "Incorrect data found in MPEG stream!"),
     nullptr,
     kScanZeroLength},
    {{R{kCropReadError, kCropWriteError}, R{kSeqNoPreviousCut, kSeqCutNotUsable},
      R{kDemuxReadError, kDemuxReadError}},
     QT_TRANSLATE_NOOP("EditingError", "File access error!"),
     nullptr,
     kDemuxReadError},
    {{R{kCropOverflow, kCropAudioChanged}, R{kSeqMarkOutNotLater, kSeqReserved2},
      R{kDemuxBadRange, kDemuxOverflow}},
     QT_TRANSLATE_NOOP("EditingError", "Incorrect or unbalanced input streams!"),
     nullptr,
     kDemuxOverflow},
    {{R{kCropMuxMemory, kCropMuxMemory}, R{kSeqEmptyPiece, kSeqEmptyPiece},
      R{kDemuxNoMemory, kDemuxNoMemory}},
     QT_TRANSLATE_NOOP("EditingError", "Insufficient memory error!"),
     nullptr,
     kDemuxNoMemory},
    {{{kCropNoMemory, kCropNoMemory}},
     QT_TRANSLATE_NOOP("EditingError", "Insufficient memory error!"),
     nullptr,
     kCropNoMemory},
    {{R{kCropCannotCreate, kCropCannotOpenSource}, R{kCropCannotReplace, kCropCannotReplace}},
     QT_TRANSLATE_NOOP("EditingError", "File access error!"),
     nullptr,
     kCropCannotCreate},
};

bool holds(const EditingErrorRow& row, int number) {
  for (const EditingErrorSpan& range : row.numbers)
    if (number >= range.first && number <= range.last) return true;
  return false;
}

}  // namespace

std::span<const EditingErrorRow> editingErrorRows() { return kRows; }

EditingErrorText editingErrorText(int number, const QString& engineText) {
  EditingErrorText text;
  if (number == kErrOk || number == kErrAlreadyReported) {
    text.show = false;
    return text;
  }
  for (const EditingErrorRow& row : kRows) {
    if (!holds(row, number)) continue;
    text.lines << QCoreApplication::translate("EditingError", row.line1);
    if (row.line2) text.lines << QCoreApplication::translate("EditingError", row.line2);
    text.helpTopic = row.helpTopic;
    return text;
  }
  text.lines << QCoreApplication::translate("EditingError", "Error: %1").arg(number) << engineText;
  return text;
}

void showEditingError(const Splicer& engine) {
  const EditingErrorText text =
      editingErrorText(engine.errorMesNumber(), QString::fromStdString(engine.errorMes()));
  if (!text.show) return;
  MessageBox box;
  box.lines = text.lines;
  box.icon = MessageIcon::Critical;
  if (text.helpTopic >= 0) {
    box.title = QCoreApplication::translate("EditingError", "Editing Error:");
    box.helpTopic = text.helpTopic;
  }
  showMessage(box);
}

}  // namespace cw::app
