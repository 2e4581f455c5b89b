// Engine error numbers and their messages. Every routine of the engine
// reports failure as one of these numbers (0 is success); the controls turn
// the number into their ErrorMesNumber and ErrorMes properties. Numbers are
// grouped by the component that raises them: 1xxx analyses, 2xxx undo and
// redo, 3xxx entry crop, 4xxx append crop, 5xxx packet scanning, 6xxx and
// 7xxx crop, 8xxx sequence mode, 9xxx demultiplexer. The numbers are part of
// the controls' interface: the editor maps them to its own messages.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace cw {

inline constexpr int kErrOk = 0;

// File type and basic reading.
inline constexpr int kErrSourceRead = 1000;
inline constexpr int kErrMemory = 1001;
inline constexpr int kErrWrongType = 1002;
inline constexpr int kErrTooShort = 1010;
inline constexpr int kErrNoVideoHeader = 1012;  // no sequence header of video stream 0
inline constexpr int kErrNoAudioHeader = 1013;  // no header of audio stream 0
inline constexpr int kErrNoGopInVideoFile = 1014;
inline constexpr int kErrRecordRead = 1015;
inline constexpr int kErrFileRead = 1016;

// Source file head.
inline constexpr int kErrHeadNoPackets = 1100;
inline constexpr int kErrHeadBadPackets = 1101;
inline constexpr int kErrHeadNoVideoPackets = 1102;
inline constexpr int kErrHeadNoGop = 1103;
inline constexpr int kErrHeadNoPictures = 1104;
inline constexpr int kErrHeadVideoTimeStamp = 1105;
inline constexpr int kErrHeadBadGop = 1106;
inline constexpr int kErrHeadAudioUnstamped = 1107;
inline constexpr int kErrHeadNoAudioPackets = 1108;
inline constexpr int kErrHeadNoAudioTimeStamp = 1109;
inline constexpr int kErrHeadForbiddenPicture = 1110;
inline constexpr int kErrHeadGopTooLong = 1111;

// Source file tail.
inline constexpr int kErrTailNoPackets = 1200;
inline constexpr int kErrTailBadPackets = 1201;
inline constexpr int kErrTailNoVideoPackets = 1202;
inline constexpr int kErrTailNoVideoCut = 1203;
inline constexpr int kErrTailBadGop = 1204;
inline constexpr int kErrTailNoAudioPackets = 1205;
inline constexpr int kErrTailAudioTimeStamp = 1206;
inline constexpr int kErrTailNoAudioFrames = 1207;
inline constexpr int kErrTailGopTooLong = 1208;
inline constexpr int kErrTailNoGop = 1209;
inline constexpr int kErrTailForbiddenPicture = 1210;
inline constexpr int kErrTailVideoTimeStamp = 1211;

// Source cut-out area.
inline constexpr int kErrCutOutNoPackets = 1300;
inline constexpr int kErrCutOutBadPacket = 1301;
inline constexpr int kErrCutOutNoVideoPackets = 1302;
inline constexpr int kErrCutOutNoPictures = 1303;
inline constexpr int kErrCutOutVideoTimeStamp = 1304;
inline constexpr int kErrCutOutNoMarkPicture = 1305;  // no picture at the mark's time
inline constexpr int kErrCutOutNoVideoCut = 1306;
inline constexpr int kErrCutOutNoAudioPackets = 1307;
inline constexpr int kErrCutOutNoAudioFrames = 1308;
inline constexpr int kErrCutOutNoAudioCut = 1309;  // no audio frame synchronised with the video cut
inline constexpr int kErrCutOutNoPackHeader = 1310;
inline constexpr int kErrCutOutAudioUnderflow = 1314;
inline constexpr int kErrCutOutGopTooLong = 1315;
inline constexpr int kErrCutOutIncompleteGop = 1316;
inline constexpr int kErrCutOutBadGop = 1317;
inline constexpr int kErrCutOutGopNotI = 1318;
inline constexpr int kErrCutOutForbiddenPicture = 1319;

// Source cut-in area.
inline constexpr int kErrCutInNoPackets = 1400;
inline constexpr int kErrCutInBadPackets = 1401;
inline constexpr int kErrCutInNoVideoPackets = 1402;
inline constexpr int kErrCutInNoPictures = 1403;
inline constexpr int kErrCutInVideoTimeStamp = 1404;
inline constexpr int kErrCutInNoMarkPicture = 1405;  // no picture at the mark's time
inline constexpr int kErrCutInIncompleteGopHeader = 1406;
inline constexpr int kErrCutInNoAudioPackets = 1407;
inline constexpr int kErrCutInFewVideoPackets = 1408;
inline constexpr int kErrCutInNoAudioFrames = 1409;
inline constexpr int kErrCutInNoAudioCut = 1410;  // no audio frame synchronised with the video cut
inline constexpr int kErrCutInNoVideoCut = 1411;
inline constexpr int kErrCutInForbiddenPicture = 1412;
inline constexpr int kErrCutInGopNotI = 1413;
inline constexpr int kErrCutInIncompleteGop = 1414;

// Header fields.
inline constexpr int kErrPictureRate = 1502;
inline constexpr int kErrAudioLayer = 1504;
inline constexpr int kErrAudioFrequency = 1505;
inline constexpr int kErrVideoBitRate = 1506;      // forbidden
inline constexpr int kErrFreeVideoBitRate = 1507;  // variable: not supported
inline constexpr int kErrAudioBitRate = 1508;      // forbidden
inline constexpr int kErrFreeAudioBitRate = 1509;  // free format: not supported

// Record entry area.
inline constexpr int kErrEntryAreaNoPackets = 1600;
inline constexpr int kErrEntryAreaBadPackets = 1601;
inline constexpr int kErrEntryAreaNoVideoPackets = 1602;
inline constexpr int kErrEntryAreaBadPictureType = 1603;
inline constexpr int kErrEntryAreaNoPictures = 1604;
inline constexpr int kErrEntryAreaNoGop = 1605;
inline constexpr int kErrEntryAreaVideoTimeStamp = 1606;
inline constexpr int kErrEntryAreaNoMarkPicture = 1607;  // no picture close to the mark's time
inline constexpr int kErrEntryAreaGopNotI = 1608;
inline constexpr int kErrEntryAreaNoAudioPackets = 1609;
inline constexpr int kErrEntryAreaNoAudioFrames = 1610;
inline constexpr int kErrEntryAreaNoAudioCut = 1611;
inline constexpr int kErrEntryAreaNoScr = 1612;
inline constexpr int kErrEntryAreaVideoUnderflow = 1613;
inline constexpr int kErrEntryAreaGopTooLong = 1614;
inline constexpr int kErrEntryAreaAudioUnderflow = 1615;
inline constexpr int kErrEntryAreaFewVideo = 1616;
inline constexpr int kErrEntryAreaFewAudio = 1617;
inline constexpr int kErrEntryAreaNoVideoCut = 1618;
inline constexpr int kErrRecordTooShort = 1619;

// Record file head.
inline constexpr int kErrRecordHeadNoPackets = 1650;
inline constexpr int kErrRecordHeadBadPackets = 1651;
inline constexpr int kErrRecordHeadNoVideoPackets = 1652;
inline constexpr int kErrRecordHeadNoAudioPackets = 1653;
inline constexpr int kErrRecordHeadNoGop = 1654;
inline constexpr int kErrRecordHeadNoPictures = 1655;
inline constexpr int kErrRecordHeadVideoTimeStamp = 1656;
inline constexpr int kErrRecordHeadBadGop = 1657;

// Record file tail.
inline constexpr int kErrRecordTailNoPackets = 1658;
inline constexpr int kErrRecordTailBadPackets = 1659;
inline constexpr int kErrRecordTailNoVideoPackets = 1660;
inline constexpr int kErrRecordTailNoAudioPackets = 1661;
inline constexpr int kErrRecordTailNoVideoCut = 1662;
inline constexpr int kErrRecordTailNoAudioFrames = 1663;
inline constexpr int kErrRecordTailAudioTimeStamp = 1664;

// Undo and redo: the same failures in two blocks.
inline constexpr int kErrUndoDisabled = 2000;
inline constexpr int kErrUndoMemory = 2001;
inline constexpr int kErrUndoOpenRecord = 2002;
inline constexpr int kErrUndoOpenJournal = 2003;
inline constexpr int kErrUndoBadJournal = 2004;
inline constexpr int kErrUndoReadJournal = 2005;
inline constexpr int kErrUndoWriteRecord = 2006;
inline constexpr int kErrUndoChangeSize = 2007;
inline constexpr int kErrUndoNoJournal = 2008;

inline constexpr int kErrRedoDisabled = 2100;
inline constexpr int kErrRedoMemory = 2101;
inline constexpr int kErrRedoOpenRecord = 2102;
inline constexpr int kErrRedoOpenJournal = 2103;
inline constexpr int kErrRedoBadJournal = 2104;
inline constexpr int kErrRedoReadJournal = 2105;
inline constexpr int kErrRedoWriteRecord = 2106;
inline constexpr int kErrRedoChangeSize = 2107;
inline constexpr int kErrRedoNoJournal = 2108;

// Entry crop and append crop: the same failures in two blocks.
inline constexpr int kErrEntryOpenRecord = 3000;
inline constexpr int kErrEntryOpenSource = 3001;
inline constexpr int kErrEntryOpenUndo = 3002;
inline constexpr int kErrEntryOpenRedo = 3003;
inline constexpr int kErrEntryAudioGap = 3004;
inline constexpr int kErrEntryVideoIncompatible = 3005;
inline constexpr int kErrEntryAudioIncompatible = 3006;
inline constexpr int kErrEntryNoMemory = 3007;  // while setting up
inline constexpr int kErrEntryReadRecord = 3008;
inline constexpr int kErrEntryWriteUndo = 3009;
inline constexpr int kErrEntryWriteRedo = 3010;
inline constexpr int kErrEntryWriteRecord = 3011;
inline constexpr int kErrEntryReadSource = 3012;
inline constexpr int kErrEntryMarksTooClose = 3013;
inline constexpr int kErrEntryNotRestored = 3014;
inline constexpr int kErrEntryNoSpace = 3015;
inline constexpr int kErrEntryEmptyRecord = 3016;
inline constexpr int kErrEntryRecordLength = 3017;
inline constexpr int kErrEntryMuxMemory = 3019;  // while multiplexing
inline constexpr int kErrEntryOverflow = 3020;
inline constexpr int kErrEntryAudioChanged = 3021;
inline constexpr int kErrEntryBadSource = 3022;
inline constexpr int kErrEntryUnderflow = 3023;

inline constexpr int kErrAppendOpenRecord = 4000;
inline constexpr int kErrAppendOpenSource = 4001;
inline constexpr int kErrAppendOpenUndo = 4002;
inline constexpr int kErrAppendOpenRedo = 4003;
inline constexpr int kErrAppendAudioGap = 4004;
inline constexpr int kErrAppendVideoIncompatible = 4005;
inline constexpr int kErrAppendAudioIncompatible = 4006;
inline constexpr int kErrAppendNoMemory = 4007;  // while setting up
inline constexpr int kErrAppendReadRecord = 4008;
inline constexpr int kErrAppendWriteUndo = 4009;
inline constexpr int kErrAppendWriteRedo = 4010;
inline constexpr int kErrAppendWriteRecord = 4011;
inline constexpr int kErrAppendReadSource = 4012;
inline constexpr int kErrAppendMarksTooClose = 4013;
inline constexpr int kErrAppendNotRestored = 4014;
inline constexpr int kErrAppendNoSpace = 4015;
inline constexpr int kErrAppendEmptyRecord = 4016;
inline constexpr int kErrAppendRecordLength = 4017;
inline constexpr int kErrAppendMuxMemory = 4019;  // while multiplexing
inline constexpr int kErrAppendOverflow = 4020;
inline constexpr int kErrAppendAudioChanged = 4021;
inline constexpr int kErrAppendBadSource = 4022;
inline constexpr int kErrAppendUnderflow = 4023;

// Packet scanning. 5002 has no message: the first-packet search treats it
// like 5001. No routine raises 5003 and 5006; they keep their texts.
inline constexpr int kScanZeroLength = 5001;
inline constexpr int kScanNearEnd = 5002;  // packet too close to the buffer end to check
inline constexpr int kScanTrailingData = 5003;
inline constexpr int kScanBadHeader = 5004;
inline constexpr int kScanTrailingDataLong = 5006;
inline constexpr int kScanNoPackets = 5007;
inline constexpr int kScanMemory = 5008;
inline constexpr int kScanBadStream = 5009;

// Crop, write phase (the multiplexer's failures of a crop, and the
// cancellation of every operation).
inline constexpr int kCropReadError = 6001;
inline constexpr int kCropWriteError = 6002;
inline constexpr int kCropMuxMemory = 6003;
inline constexpr int kCropOverflow = 6004;
inline constexpr int kCropAudioChanged = 6005;
inline constexpr int kCropCancelled = 6006;
inline constexpr int kCropBadSource = 6007;
inline constexpr int kCropUnderflow = 6008;

// Crop, set-up.
inline constexpr int kCropNoMemory = 7000;
inline constexpr int kCropCannotCreate = 7001;
inline constexpr int kCropCannotOpenSource = 7002;
inline constexpr int kCropNoSpace = 7003;
inline constexpr int kCropCannotReplace = 7004;
inline constexpr int kCropEmpty = 7005;  // the marks are too close to each other

// Sequence mode.
inline constexpr int kSeqNoPreviousCut = 8000;    // the saved cut-out point is not in the source
inline constexpr int kSeqCutNotUsable = 8001;     // the saved cut-out point cannot start a piece
inline constexpr int kSeqEmptyPiece = 8002;       // the new cut-out is the cut-in
inline constexpr int kSeqMarkOutNotLater = 8003;  // the new cut-out lies before the cut-in

// Demultiplexer. The elementary-stream reader's own numbers (91xx) have no
// message; the writers map them to 9002, 9004 and 9005.
inline constexpr int kDemuxIncorrectPacket = 9001;
inline constexpr int kDemuxReadError = 9002;
inline constexpr int kDemuxBadRange = 9003;      // "in-out areas overlap"
inline constexpr int kDemuxOverflow = 9004;      // a buffer would pass its ceiling
inline constexpr int kDemuxNoMemory = 9005;      // growing a buffer failed
inline constexpr int kEsReaderReadError = 9102;  // read or seek
inline constexpr int kEsReaderBadRange = 9103;   // the cut-in lies at or after the cut-out
inline constexpr int kEsReaderOverflow = 9104;
inline constexpr int kEsReaderNoMemory = 9105;

// Numbers the editor groups into its messages although the engine raises
// none of them: they have no text of their own. 1999 is a failure that was
// already reported; the editor shows nothing for it.
inline constexpr int kErrNoFileHeader = 1011;
inline constexpr int kErrVideoFileNoHeader = 1021;
inline constexpr int kErrVideoFileNoGop = 1022;
inline constexpr int kErrAudioFileNoHeader = 1031;
inline constexpr int kErrHeadReserved = 1112;
inline constexpr int kErrHeaderReserved = 1500;
inline constexpr int kErrAlreadyReported = 1999;
inline constexpr int kSeqReserved1 = 8004;
inline constexpr int kSeqReserved2 = 8005;

// The component whose block holds a number.
enum class ErrorCategory : std::uint8_t {
  Success,
  FileReading,  // 1000-1099
  SourceHead,   // 1100-1199
  SourceTail,   // 1200-1299
  CutOutArea,   // 1300-1399
  CutInArea,    // 1400-1499
  HeaderField,  // 1500-1599
  EntryArea,    // 1600-1649
  RecordHead,   // 1650-1657
  RecordTail,   // 1658-1699
  Undo,         // 2000-2099
  Redo,         // 2100-2199
  EntryCrop,    // 3000-3999
  AppendCrop,   // 4000-4999
  PacketScan,   // 5000-5999
  CropWrite,    // 6000-6999
  CropSetup,    // 7000-7999
  Sequence,     // 8000-8999
  Demux,        // 9000-9099
  EsReader,     // 9100-9199
  Other,        // any other number
};

// The file of an edit that an error is about, and what was being done with it.
enum class ErrorFile : std::uint8_t { None, Source, Record, UndoJournal, RedoJournal };
enum class FileAccess : std::uint8_t {
  Read,    // an existing file, read
  Write,   // an existing file, read and written
  Create,  // a file that is made (replacing one of the name)
};

// One catalogued error. Its name is the constant above that holds its number.
struct ErrorEntry {
  int number;
  const char* message;  // nullptr: no text of its own ("non-identified error")
  ErrorFile file = ErrorFile::None;
  FileAccess access = FileAccess::Read;
};

// The numbers with a text, sorted by number (0 "OK" included).
std::span<const ErrorEntry> errorTable();
// The catalogued numbers without one (scanner and reader internals, and the
// numbers only the editor groups), sorted by number.
std::span<const ErrorEntry> errorsWithoutText();

// The catalogue's entry for `number`: nullptr when it is in neither table.
const ErrorEntry* findError(int number);
ErrorCategory errorCategory(int number);
// The analyses of the source's cut-out and cut-in areas raised `number`.
bool isCutAreaError(int number);

// The message of `number`; "non-identified error" for a number not in the table.
const char* errorMessage(int number);

// Routines return their number in the low 16 bits of a result; this is that
// number as a signed 16-bit value.
int errorNumberOf(int result);

// Inside a catch handler: the error number an operation reports for the
// exception being handled, `memoryError` for a failed allocation and
// `otherError` for anything else. No exception leaves an operation or a
// control; this is where each one becomes an error of its own block.
int errorForCurrentException(int memoryError, int otherError) noexcept;

// The pair of error properties of a control.
struct ErrorState {
  int number = 0;
  std::string message;

  // Stores the number (the low 16 bits of `result`) and its message.
  void SetError(int result);
};

}  // namespace cw
