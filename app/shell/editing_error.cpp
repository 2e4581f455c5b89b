#include "app/shell/editing_error.h"

#include "app/shell/messages.h"
#include "engine/common/errors.h"
#include "engine/splicer/splicer.h"

namespace cw::app {

namespace {

using R = EditingErrorSpan;

// Tried from the top; the first row that holds the number gives the message.
const EditingErrorRow kRows[] = {
    {{{kErrSourceRead, kErrSourceRead}}, "Read error!", nullptr, 1000},
    {{{kErrMemory, kErrMemory}}, "Memory allocation error!", nullptr, 1001},
    {{{kErrWrongType, kErrWrongType}}, "Wrong file type!", nullptr, 1002},
    {{{kErrTooShort, kErrTooShort}}, "File is too short!", nullptr, 1010},
    {{{kErrNoFileHeader, kErrNoFileHeader}}, "File header is missing!", nullptr, 1011},
    {{R{kErrNoVideoHeader, kErrNoVideoHeader}, R{kErrVideoFileNoHeader, kErrVideoFileNoHeader}},
     "Cannot find video header!",
     nullptr,
     1011},
    {{R{kErrNoAudioHeader, kErrNoAudioHeader}, R{kErrAudioFileNoHeader, kErrAudioFileNoHeader}},
     "Cannot find audio header!",
     nullptr,
     1011},
    {{{kErrVideoFileNoGop, kErrVideoFileNoGop}}, "No GOPs in video file!", nullptr, 1022},
    {{{kErrHeadNoPackets, kErrHeadReserved}},
     "Incorrect data at the beginning of the stream!",
     nullptr,
     1100},
    {{{kErrTailNoPackets, kErrTailGopTooLong}},
     "Incorrect data at the end of the stream!",
     nullptr,
     1200},
    {{{kErrHeaderReserved, kErrAudioBitRate}}, "Incorrect header information!", nullptr, 1500},
    {{R{kErrCutOutNoPackets, kErrCutOutForbiddenPicture},
      R{kErrEntryAreaNoAudioPackets, kErrEntryAreaNoAudioPackets}},
     "Incorrect data at the end of the Crop Area",
     "(Player Mark Out or Recorder Mark Out)!",
     1610},
    {{R{kErrCutInNoPackets, kErrCutInNoAudioCut},
      R{kErrEntryAreaNoAudioFrames, kErrEntryAreaNoAudioFrames}},
     "Incorrect data at the beginning of the Crop Area (Player Mark In)!",
     nullptr,
     1609},
    {{R{kErrUndoDisabled, kErrUndoDisabled}, R{kErrRedoDisabled, kErrRedoDisabled}},
     "Undo (Redo) is disabled!",
     nullptr,
     2000},
    {{R{kErrUndoMemory, kErrUndoMemory}, R{kErrRedoMemory, kErrRedoMemory}},
     "Memory access error!",
     nullptr,
     2001},
    {{R{kErrUndoOpenRecord, kErrUndoNoJournal}, R{kErrRedoOpenRecord, kErrRedoNoJournal}},
     "Incorrect file or file access error!",
     nullptr,
     2002},
    {{R{kErrEntryOpenRecord, kErrEntryOpenRedo}, R{kErrAppendOpenRecord, kErrAppendOpenRedo}},
     "Cannot open the file!",
     nullptr,
     3000},
    {{R{kErrEntryAudioGap, kErrEntryAudioGap}, R{kErrAppendAudioGap, kErrAppendAudioGap}},
     "Incorrect audio in project (Recorder) file!",
     nullptr,
     3004},
    {{R{kErrEntryVideoIncompatible, kErrEntryVideoIncompatible},
      R{kErrAppendVideoIncompatible, kErrAppendVideoIncompatible}},
     "Incompatible video data!",
     nullptr,
     3005},
    {{R{kErrEntryAudioIncompatible, kErrEntryAudioIncompatible},
      R{kErrAppendAudioIncompatible, kErrAppendAudioIncompatible}},
     "Incompatible audio data!",
     nullptr,
     3006},
    {{R{kErrEntryNoMemory, kErrEntryNoMemory}, R{kErrEntryMuxMemory, kErrEntryMuxMemory},
      R{kErrAppendNoMemory, kErrAppendNoMemory}, R{kErrAppendMuxMemory, kErrAppendMuxMemory}},
     "Insufficient Memory or Memory Access Error!",
     nullptr,
     3007},
    {{R{kErrEntryReadRecord, kErrEntryReadSource}, R{kErrAppendReadRecord, kErrAppendReadSource}},
     "3008 File Access Error!",
     nullptr,
     3008},
    {{R{kErrEntryMarksTooClose, kErrEntryMarksTooClose},
      R{kErrAppendMarksTooClose, kErrAppendMarksTooClose}},
     "Restore error!",
     nullptr,
     3013},
    {{R{kErrEntryNoSpace, kErrEntryNoSpace}, R{kErrAppendNoSpace, kErrAppendNoSpace},
      R{kCropNoSpace, kCropNoSpace}},
     "Not enough space on the drive!",
     nullptr,
     3015},
    {{R{kErrEntryEmptyRecord, kErrEntryRecordLength},
      R{kErrAppendEmptyRecord, kErrAppendRecordLength}},
     "Wrong length of project (Recorder) file!",
     nullptr,
     3017},
    {{R{kErrEntryOverflow, kErrEntryAudioChanged}, R{kErrAppendOverflow, kErrAppendAudioChanged}},
     "Incorrect source (Player) file!",
     nullptr,
     3020},
    {{{kScanZeroLength, kScanBadStream}}, "Incorrect data found in MPEG stream!", nullptr, 5001},
    {{R{kCropReadError, kCropWriteError}, R{kSeqNoPreviousCut, kSeqCutNotUsable},
      R{kDemuxReadError, kDemuxReadError}},
     "File access error!",
     nullptr,
     9002},
    {{R{kCropOverflow, kCropAudioChanged}, R{kSeqMarkOutNotLater, kSeqReserved2},
      R{kDemuxBadRange, kDemuxOverflow}},
     "Incorrect or unbalanced input streams!",
     nullptr,
     9004},
    {{R{kCropMuxMemory, kCropMuxMemory}, R{kSeqEmptyPiece, kSeqEmptyPiece},
      R{kDemuxNoMemory, kDemuxNoMemory}},
     "Insufficient memory error!",
     nullptr,
     9005},
    {{{kCropNoMemory, kCropNoMemory}}, "Insufficient memory error!", nullptr, 7000},
    {{R{kCropCannotCreate, kCropCannotOpenSource}, R{kCropCannotReplace, kCropCannotReplace}},
     "File access error!",
     nullptr,
     7001},
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
    text.lines << QString::fromLatin1(row.line1);
    if (row.line2) text.lines << QString::fromLatin1(row.line2);
    text.helpTopic = row.helpTopic;
    return text;
  }
  text.lines << QStringLiteral("Error: %1").arg(number) << engineText;
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
    box.title = QStringLiteral("Editing Error:");
    box.helpTopic = text.helpTopic;
  }
  showMessage(box);
}

}  // namespace cw::app
