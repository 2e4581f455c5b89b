#include "engine/common/errors.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <iterator>
#include <new>

namespace cw {

namespace {

// Sorted by number; several numbers share a text. Trailing and doubled
// blanks are part of the texts.
constexpr ErrorEntry kErrors[] = {
    // Success
    {kErrOk, "OK"},
    // File type and basic reading
    {kErrSourceRead, "source file reading error", ErrorFile::Source, FileAccess::Read},
    {kErrMemory, "memory error"},
    {kErrWrongType, "wrong file type"},
    {kErrTooShort, "file is too short"},
    {kErrNoVideoHeader, "can not find videostream[0] sequenceheader in system file"},
    {kErrNoAudioHeader, "can not find audiostream[0] header in system file"},
    {kErrNoGopInVideoFile, "can not find group-of-picture header in videofile"},
    {kErrRecordRead, "record file reading error", ErrorFile::Record, FileAccess::Read},
    {kErrFileRead, "file reading error", ErrorFile::Source, FileAccess::Read},
    // Source file head
    {kErrHeadNoPackets, "can not find packets in source file head"},
    {kErrHeadBadPackets, "incorrect packets found in source file head"},
    {kErrHeadNoVideoPackets, "can not find videostream[0] packets in source file head"},
    {kErrHeadNoGop, "can not find group-of-picture headers in source file head"},
    {kErrHeadNoPictures, "can not find picture headers in source file head"},
    {kErrHeadVideoTimeStamp, "incorrectly timestamped videopacket found in source file head"},
    {kErrHeadBadGop, "incorrect group of pictures found in source file head"},
    {kErrHeadAudioUnstamped, "audiopackets have no timestamps in source file head"},
    {kErrHeadNoAudioPackets, "can not find audiostream[0] packets in source file head"},
    {kErrHeadNoAudioTimeStamp, "no audiopacket has timestamp in source file head"},
    {kErrHeadForbiddenPicture, "forbidden picture type or D-picture found in source file head"},
    {kErrHeadGopTooLong,
     "group of pictures are too long in source file head; can not edit this file"},
    // Source file tail
    {kErrTailNoPackets, "can not find packets in source file tail"},
    {kErrTailBadPackets, "incorrect packets in source file tail"},
    {kErrTailNoVideoPackets, "can not find videostream[0] packets in source file tail"},
    {kErrTailNoVideoCut, "can not find correct videocutpoint (GOP/SEQEND) in source file tail"},
    {kErrTailBadGop, "incorrect group of pictures found in source file tail"},
    {kErrTailNoAudioPackets, "can not find audiostream[0] packets in source file tail"},
    {kErrTailAudioTimeStamp, "incorrectly timestamped audiopacket found in source file tail"},
    {kErrTailNoAudioFrames,
     "no audioframes found in source file tail or their mode differs from mode declared in "
     "filehead"},
    {kErrTailGopTooLong,
     "group of pictures are too long in source file tail; can not edit this file"},
    {kErrTailNoGop,
     "can not find group-of-picture headers in source file tail; probably, very long GOPs"},
    {kErrTailForbiddenPicture, "forbidden picture type or D-picture found in source file tail"},
    {kErrTailVideoTimeStamp, "incorrectly timestamped videopacket found in source file tail"},
    // Source cut-out area
    {kErrCutOutNoPackets, "can not find MPEG-packets in source cut_out-area"},
    {kErrCutOutBadPacket, "incorrect packet found in source cut_out-area"},
    {kErrCutOutNoVideoPackets, "can not find videostream[0] packets in source cut_out-area"},
    {kErrCutOutNoPictures, "can not find picture headers in source cut_out-area"},
    {kErrCutOutVideoTimeStamp, "incorrect videopacket found in source cut_out-area"},
    {kErrCutOutNoMarkPicture, "can not find timeout-correspondent picture in source cut_out-area"},
    {kErrCutOutNoVideoCut,
     "can not find correct videocutpoint in source cut_out-area; probably, GOPs are very long"},
    {kErrCutOutNoAudioPackets, "can not find audiopackets in source cut_out-area"},
    {kErrCutOutNoAudioFrames,
     "no audioframes found in source cut_out-area or their mode differs from audiomode declared in "
     "filehead"},
    {kErrCutOutNoAudioCut,
     "videocutpoint found, but can not find syncronized audiocutpoint in source cut_out-area; try "
     "to put cut_out pointer a bit left"},
    {kErrCutOutNoPackHeader, "can not find packheader in source cut_out-area"},
    {kErrCutOutAudioUnderflow, "target decoder audiobuffer is underflowed in source cut_out-area"},
    {kErrCutOutGopTooLong,
     "groups of pictures in source cut_out-area are very long; can not find correct videocutpoint"},
    {kErrCutOutIncompleteGop,
     "incompleted or very long GOP in source cut_out-area; try to move cut-out pointer a bit left"},
    {kErrCutOutBadGop, "incorrect group of pictures found in source cut_out-area"},
    {kErrCutOutGopNotI, "group of pictures in source cut_out-area does not start with I-pic"},
    {kErrCutOutForbiddenPicture, "forbidden picture or D-picture found in source cut_out-area"},
    // Source cut-in area
    {kErrCutInNoPackets, "can not find MPEG-packets in source cut_in-area"},
    {kErrCutInBadPackets, "incorrect packet-headers found in source cut_in-area"},
    {kErrCutInNoVideoPackets, "can not find video-stream[0] packets in source cut_in-area"},
    {kErrCutInNoPictures, "can not find pictures in source cut_in-area"},
    {kErrCutInVideoTimeStamp, "videopacket with incorrect timestamp found in source cut_in-area"},
    {kErrCutInNoMarkPicture, "can not find timein-correspondent picture in source cut_in-area"},
    {kErrCutInIncompleteGopHeader,
     "can not find completed group-header in source cut_in-area; probably, GOPs are very long"},
    {kErrCutInNoAudioPackets, "can not find audio-stream[0] packets in source cut_in-area"},
    {kErrCutInFewVideoPackets,
     "analysis does not have enough video-stream[0] packets in source cut_in-area"},
    {kErrCutInNoAudioFrames,
     "can not find audioframes in source cut_in-area or their mode differs from audiomode declared "
     "in file head"},
    {kErrCutInNoAudioCut,
     "videocutpoint found; but there is no syncronized audio-cutpoint in source cut_in-area"},
    {kErrCutInNoVideoCut,
     "can not find correct videocutpoint in source cut_in-area; probably, GOPs are very long"},
    {kErrCutInForbiddenPicture, "forbidden picture or D-picture found in source cut_in-area"},
    {kErrCutInGopNotI, "in source cut_in area, GOP does not start with I-picture"},
    {kErrCutInIncompleteGop,
     "can not find completed group of pictures in source cut_in-area; probably, GOPs are very "
     "long"},
    // Header fields
    {kErrPictureRate, "incorrect picture rate declared in videosequence header"},
    {kErrAudioLayer, "incorrect audiolayer declared in audioheader"},
    {kErrAudioFrequency, "incorrect audiofrequency declared in audioheader"},
    {kErrVideoBitRate, "forbidden videobitrate declared in videosequence header"},
    {kErrFreeVideoBitRate, "free videobitrate declared in videosequence header (not supported)"},
    {kErrAudioBitRate, "forbidden audiobitrate declared in audioheader"},
    {kErrFreeAudioBitRate, "free audiobitrate declared in audioheader (not supported)"},
    // Record entry area
    {kErrEntryAreaNoPackets, "can not find MPEG-packets in record entry-area"},
    {kErrEntryAreaBadPackets, "incorrect MPEG-packets found in record entry-area"},
    {kErrEntryAreaNoVideoPackets, "can not find MPEG-videopackets in record entry-area"},
    {kErrEntryAreaBadPictureType, "incorrect picture type found in record entry-area"},
    {kErrEntryAreaNoPictures, "can not find pictures in record entry-area"},
    {kErrEntryAreaNoGop, "can not find GOPs in record entry-area; probably, GOPs are very long"},
    {kErrEntryAreaVideoTimeStamp, "incorrectly timestamped videopacket found in record entry-area"},
    {kErrEntryAreaNoMarkPicture, "can not find time-close picture in record entry-area"},
    {kErrEntryAreaGopNotI, "in record entry-area, GOP does not start with I-picture"},
    {kErrEntryAreaNoAudioPackets, "can not find audiopackets in record entry-area"},
    {kErrEntryAreaNoAudioFrames,
     "in record entry-area, there are no audioframes of same type that in file-head"},
    {kErrEntryAreaNoAudioCut,
     "videostream entry-point found; but can not find syncronized audioentrypoint; you can try to "
     "move record entry point a bit left"},
    {kErrEntryAreaNoScr, "can not find SCR-clocks in record entry-area"},
    {kErrEntryAreaVideoUnderflow, "VideoSTD-underflow takes place in record entry-area"},
    {kErrEntryAreaGopTooLong, "very long GOPs in record entry-area"},
    {kErrEntryAreaAudioUnderflow, "AudioSTD-underflow takes place in record entry-area"},
    {kErrEntryAreaFewVideo,
     "can not find enough videodata in record entry area to provide correct merging"},
    {kErrEntryAreaFewAudio,
     "can not find enough audiodata in record entry area to provide correct merging"},
    {kErrEntryAreaNoVideoCut,
     "can not find correct videoentry point (GOP or SeqEnd) in record entry-area"},
    {kErrRecordTooShort,
     "Record file is too short to perform correct entry/append or time-disalignment accumulated in "
     "the end"},
    // Record file head
    {kErrRecordHeadNoPackets, "can not find packets in record file head"},
    {kErrRecordHeadBadPackets, "incorrect packets found in record file head"},
    {kErrRecordHeadNoVideoPackets, "can not find videostream[0] packets in record file head"},
    {kErrRecordHeadNoAudioPackets, "can not find audiostream[0] packets in record file head"},
    {kErrRecordHeadNoGop, "can not find group-of-picture headers in record file head"},
    {kErrRecordHeadNoPictures, "can not find picture headers in record file head"},
    {kErrRecordHeadVideoTimeStamp, "incorrectly timestamped videopacket found in record file head"},
    {kErrRecordHeadBadGop, "incorrect group of pictures found in record file head"},
    // Record file tail
    {kErrRecordTailNoPackets, "can not find packets in record file tail"},
    {kErrRecordTailBadPackets, "incorrect packets in record file tail"},
    {kErrRecordTailNoVideoPackets, "can not find videostream[0] packets in record file tail"},
    {kErrRecordTailNoAudioPackets, "can not find audiostream[0] packets in record file tail"},
    {kErrRecordTailNoVideoCut,
     "can not find correct videocutpoint (GOP/SEQEND) in record file tail"},
    {kErrRecordTailNoAudioFrames,
     "no audioframes found in record file tail or their mode differs from mode declared in "
     "filehead"},
    {kErrRecordTailAudioTimeStamp, "incorrectly timestamped audiopacket found in record file tail"},
    // Undo
    {kErrUndoDisabled, "Undo is disabled"},
    {kErrUndoMemory, "memory error in Undo operation"},
    {kErrUndoOpenRecord, "can not open record file for Undo operation", ErrorFile::Record,
     FileAccess::Write},
    {kErrUndoOpenJournal, "can not open Undo-file", ErrorFile::UndoJournal, FileAccess::Write},
    {kErrUndoBadJournal, "incorrect Undo-file; Undo disabled "},
    {kErrUndoReadJournal, "Undo-file reading error; record file is probably damaged; Undo disabled",
     ErrorFile::UndoJournal, FileAccess::Read},
    {kErrUndoWriteRecord,
     "record file writing error in Undo operation; record file is probably damaged; Undo disabled",
     ErrorFile::Record, FileAccess::Write},
    {kErrUndoChangeSize,
     "change_size-function failed; record file is damaged; Undo operation disabled"},
    {kErrUndoNoJournal, "undo-file does not exist; Undo disabled"},
    // Redo
    {kErrRedoDisabled, "Redo operation is disabled"},
    {kErrRedoMemory, "memory error in Redo operation"},
    {kErrRedoOpenRecord, "can not open record file for Redo operation", ErrorFile::Record,
     FileAccess::Write},
    {kErrRedoOpenJournal, "can not open Redo-file", ErrorFile::RedoJournal, FileAccess::Write},
    {kErrRedoBadJournal, "incorrect Redo-file; Redo operation disabled "},
    {kErrRedoReadJournal, "Redo-file reading error; record file is probably damaged; Redo disabled",
     ErrorFile::RedoJournal, FileAccess::Read},
    {kErrRedoWriteRecord,
     "record file writing error in Redo operation; record file is probably damaged; Redo disabled",
     ErrorFile::Record, FileAccess::Write},
    {kErrRedoChangeSize,
     "change_size-function failed; record file is probably damaged; Redo disabled"},
    {kErrRedoNoJournal, "Redo-file does not exist; Redo operation disabled"},
    // Entry crop
    {kErrEntryOpenRecord, "record file opening error", ErrorFile::Record, FileAccess::Write},
    {kErrEntryOpenSource, "source file opening error", ErrorFile::Source, FileAccess::Read},
    {kErrEntryOpenUndo, "undo-file opening error; probably, file was set to write-protect mode",
     ErrorFile::UndoJournal, FileAccess::Create},
    {kErrEntryOpenRedo, "redo-file opening error; probably, file was set to write-protect mode",
     ErrorFile::RedoJournal, FileAccess::Create},
    {kErrEntryAudioGap, "unrecoverable audiogap accumulated indefect in recordfile"},
    {kErrEntryVideoIncompatible, "incompatible videostreams in the source and record files"},
    {kErrEntryAudioIncompatible, "incompatible audiostreams  in the source and record files"},
    {kErrEntryNoMemory, "insufficient memory in entry-crop operation"},
    {kErrEntryReadRecord, "record file reading error", ErrorFile::Record, FileAccess::Read},
    {kErrEntryWriteUndo, "undo-file writing error", ErrorFile::UndoJournal, FileAccess::Write},
    {kErrEntryWriteRedo, "redo-file writing error", ErrorFile::RedoJournal, FileAccess::Write},
    {kErrEntryWriteRecord, "record file writing error in entry-crop operation", ErrorFile::Record,
     FileAccess::Write},
    {kErrEntryReadSource, "source file reading error in entry-crop operation", ErrorFile::Source,
     FileAccess::Read},
    {kErrEntryMarksTooClose,
     "markin-markout in source file are too close to each other; can not make correct crop"},
    {kErrEntryNotRestored,
     "Could not automatically restore record file after ReadEr/WriteEr/Cancel. Check diskspace, "
     "close parallel applications and try Undo."},
    {kErrEntryNoSpace,
     "Insufficient diskspace for entry operation. Please cleanup the harddrive and try again."},
    {kErrEntryEmptyRecord, "record file has zero length - can not perform entry-crop operation"},
    {kErrEntryRecordLength,
     "record file length is not the same that length written in its current info"},
    {kErrEntryMuxMemory, "memory error in entry operation"},
    {kErrEntryOverflow, "unbalanced or incorrect stream in source file; internal buffer overflow"},
    {kErrEntryAudioChanged,
     "audiostream in source file crop-area has different parameters with audiostream in source "
     "file header"},
    {kErrEntryBadSource, "incorrect source file"},
    {kErrEntryUnderflow, "can not perform correct multiplexing; buffers underflowed"},
    // Append crop
    {kErrAppendOpenRecord, "record file opening error", ErrorFile::Record, FileAccess::Write},
    {kErrAppendOpenSource, "source file opening error", ErrorFile::Source, FileAccess::Read},
    {kErrAppendOpenUndo, "undo-file opening error; probably, undo-file set to write-protect mode",
     ErrorFile::UndoJournal, FileAccess::Create},
    {kErrAppendOpenRedo, "redo-file opening error; probably, redo-file set to write-protect mode",
     ErrorFile::RedoJournal, FileAccess::Create},
    {kErrAppendAudioGap,
     "unrecoverable audiogap accumulated in the end of record file; you can try move entry point a "
     "bit left"},
    {kErrAppendVideoIncompatible, "incompatible videostreams in the source and record files"},
    {kErrAppendAudioIncompatible, "incompatible audiostreams  in the source and record files"},
    {kErrAppendNoMemory, "insufficient memory in append operation"},
    {kErrAppendReadRecord, "record file reading error", ErrorFile::Record, FileAccess::Read},
    {kErrAppendWriteUndo, "undo-file writing error", ErrorFile::UndoJournal, FileAccess::Write},
    {kErrAppendWriteRedo, "redo-file writing error", ErrorFile::RedoJournal, FileAccess::Write},
    {kErrAppendWriteRecord, "record file writing error", ErrorFile::Record, FileAccess::Write},
    {kErrAppendReadSource, "source file reading error", ErrorFile::Source, FileAccess::Read},
    {kErrAppendMarksTooClose,
     "markin-markout in source file are too close to each other; can not make correct crop"},
    {kErrAppendNotRestored,
     "Could not automatically restore record file after ReadEr/WriteEr/Cancel. Check diskspace, "
     "close parallel applications and try Undo."},
    {kErrAppendNoSpace,
     "Insufficient diskspace for append operation. Cleanup harddrive and try again."},
    {kErrAppendEmptyRecord, "record file has zero length - can not perform append-crop operation"},
    {kErrAppendRecordLength,
     "record file length is not the same that length written in current record info"},
    {kErrAppendMuxMemory, "memory error in append-operation"},
    {kErrAppendOverflow, "unbalanced or incorrect stream in source file; internal buffer overflow"},
    {kErrAppendAudioChanged,
     "audiostream in source file crop-area has different parameters with audiostream in source "
     "file header"},
    {kErrAppendBadSource, "incorrect source file"},
    {kErrAppendUnderflow, "can not perform correct multiplexing; buffers underflowed"},
    // Packet scanning
    {kScanZeroLength, "incorrect packet found (coded length is zero)"},
    {kScanTrailingData, "incorrect source stream: packet followed by unrecognizable data > 2K"},
    {kScanBadHeader, "incorrect packet header found in source stream"},
    {kScanTrailingDataLong, "incorrect source stream: packet followed by unrecognizable data >2K"},
    {kScanNoPackets, "no packets found in source stream 32K-buffer"},
    {kScanMemory, "insufficient memory in processing"},
    {kScanBadStream, "incorrect source stream"},
    // Crop write phase
    {kCropReadError, "file reading error took place in the process", ErrorFile::Source,
     FileAccess::Read},
    {kCropWriteError, "file writing error took place in the process", ErrorFile::Record,
     FileAccess::Write},
    {kCropMuxMemory, "insufficient memory space in the process"},
    {kCropOverflow, "unbalanced or incorrect stream in source file; internal buffer overflow"},
    {kCropAudioChanged,
     "audiostream in source crop-area is incorrect or its parameters differ from audioparameters "
     "declared in file header"},
    {kCropCancelled, "operation cancelled; record file restored in its former state"},
    {kCropBadSource, "incorrect system stream in source file"},
    {kCropUnderflow, "can not perform correct multiplexing; buffers underflowed"},
    // Crop set-up
    {kCropNoMemory, "insufficient memory in crop operation"},
    {kCropCannotCreate, "project file opening error", ErrorFile::Record, FileAccess::Create},
    {kCropCannotOpenSource, "source file opening error", ErrorFile::Source, FileAccess::Read},
    {kCropNoSpace, "Insufficient disk space for crop operation. Cleanup harddrive and try again."},
    {kCropCannotReplace, "project file with this name already exists", ErrorFile::Record,
     FileAccess::Create},
    {kCropEmpty,
     "markin-markout in source file are too close to each other; can not make correct crop"},
    // Sequence mode
    {kSeqNoPreviousCut, "can not find previuos markout in source file "},
    {kSeqCutNotUsable, "previuos markout can not be taken as new markin anymore"},
    {kSeqEmptyPiece, "markin coincides with markout; zero crop can not be performed"},
    {kSeqMarkOutNotLater, "new markout does not exceed previous markout; can not perform crop"},
    // Demultiplexer
    {kDemuxIncorrectPacket,
     "incorrect packet found in the source stream, in demultiplexing process"},
    {kDemuxReadError, "source file reading error in demultiplexing process"},
    {kDemuxBadRange, "incorrect demultiplexor initializaion: in-out areas overlap"},
    {kDemuxOverflow, "unbalanced elementary streams in source file; demultiplexor buffer overflow"},
    {kDemuxNoMemory, "memory error in demultiplexing process"},
};

// Catalogued numbers without a text of their own, sorted by number.
constexpr ErrorEntry kWithoutText[] = {
    {kErrNoFileHeader, nullptr},    {kErrVideoFileNoHeader, nullptr},
    {kErrVideoFileNoGop, nullptr},  {kErrAudioFileNoHeader, nullptr},
    {kErrHeadReserved, nullptr},    {kErrHeaderReserved, nullptr},
    {kErrAlreadyReported, nullptr}, {kScanNearEnd, nullptr},
    {kSeqReserved1, nullptr},       {kSeqReserved2, nullptr},
    {kEsReaderReadError, nullptr},  {kEsReaderBadRange, nullptr},
    {kEsReaderOverflow, nullptr},   {kEsReaderNoMemory, nullptr},
};

constexpr bool isSorted(std::span<const ErrorEntry> table) {
  for (std::size_t i = 1; i < table.size(); ++i)
    if (table[i - 1].number >= table[i].number) return false;
  return true;
}
static_assert(isSorted(kErrors), "the error table must stay sorted by number");
static_assert(isSorted(kWithoutText), "the numbers without text must stay sorted");

struct Block {
  int first;
  int last;
  ErrorCategory category;
};

constexpr Block kBlocks[] = {
    {0, 0, ErrorCategory::Success},
    {1000, 1099, ErrorCategory::FileReading},
    {1100, 1199, ErrorCategory::SourceHead},
    {1200, 1299, ErrorCategory::SourceTail},
    {1300, 1399, ErrorCategory::CutOutArea},
    {1400, 1499, ErrorCategory::CutInArea},
    {1500, 1599, ErrorCategory::HeaderField},
    {1600, 1649, ErrorCategory::EntryArea},
    {kErrRecordHeadNoPackets, kErrRecordHeadBadGop, ErrorCategory::RecordHead},
    {kErrRecordTailNoPackets, 1699, ErrorCategory::RecordTail},
    {2000, 2099, ErrorCategory::Undo},
    {2100, 2199, ErrorCategory::Redo},
    {3000, 3999, ErrorCategory::EntryCrop},
    {4000, 4999, ErrorCategory::AppendCrop},
    {5000, 5999, ErrorCategory::PacketScan},
    {6000, 6999, ErrorCategory::CropWrite},
    {7000, 7999, ErrorCategory::CropSetup},
    {8000, 8999, ErrorCategory::Sequence},
    {9000, 9099, ErrorCategory::Demux},
    {9100, 9199, ErrorCategory::EsReader},
};

const ErrorEntry* findIn(std::span<const ErrorEntry> table, int number) {
  auto it = std::lower_bound(table.begin(), table.end(), number,
                             [](const ErrorEntry& e, int n) { return e.number < n; });
  return it != table.end() && it->number == number ? &*it : nullptr;
}

constexpr const char* kNonIdentified = "non-identified error";

}  // namespace

std::span<const ErrorEntry> errorTable() { return kErrors; }

std::span<const ErrorEntry> errorsWithoutText() { return kWithoutText; }

const ErrorEntry* findError(int number) {
  if (const ErrorEntry* e = findIn(kErrors, number)) return e;
  return findIn(kWithoutText, number);
}

ErrorCategory errorCategory(int number) {
  for (const Block& b : kBlocks)
    if (number >= b.first && number <= b.last) return b.category;
  return ErrorCategory::Other;
}

bool isCutAreaError(int number) {
  const ErrorCategory c = errorCategory(number);
  return c == ErrorCategory::CutOutArea || c == ErrorCategory::CutInArea;
}

const char* errorMessage(int number) {
  const ErrorEntry* e = findIn(kErrors, number);
  return e ? e->message : kNonIdentified;
}

int errorNumberOf(int result) { return static_cast<std::int16_t>(result & 0xFFFF); }

int errorForCurrentException(int memoryError, int otherError) noexcept {
  const std::exception_ptr current = std::current_exception();
  if (!current) return otherError;
  try {
    std::rethrow_exception(current);
  } catch (const std::bad_alloc&) {
    return memoryError;
  } catch (...) {
    return otherError;
  }
}

void ErrorState::SetError(int result) {
  number = errorNumberOf(result);
  message = errorMessage(number);
}

}  // namespace cw
