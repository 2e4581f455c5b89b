#include "engine/edit/errors.h"

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
    {0, "OK"},
    // File type and basic reading
    {1000, "source file reading error"},
    {1001, "memory error"},
    {1002, "wrong file type"},
    {1010, "file is too short"},
    {1012, "can not find videostream[0] sequenceheader in system file"},
    {1013, "can not find audiostream[0] header in system file"},
    {1014, "can not find group-of-picture header in videofile"},
    {1015, "record file reading error"},
    {1016, "file reading error"},
    // Source file head
    {1100, "can not find packets in source file head"},
    {1101, "incorrect packets found in source file head"},
    {1102, "can not find videostream[0] packets in source file head"},
    {1103, "can not find group-of-picture headers in source file head"},
    {1104, "can not find picture headers in source file head"},
    {1105, "incorrectly timestamped videopacket found in source file head"},
    {1106, "incorrect group of pictures found in source file head"},
    {1107, "audiopackets have no timestamps in source file head"},
    {1108, "can not find audiostream[0] packets in source file head"},
    {1109, "no audiopacket has timestamp in source file head"},
    {1110, "forbidden picture type or D-picture found in source file head"},
    {1111, "group of pictures are too long in source file head; can not edit this file"},
    // Source file tail
    {1200, "can not find packets in source file tail"},
    {1201, "incorrect packets in source file tail"},
    {1202, "can not find videostream[0] packets in source file tail"},
    {1203, "can not find correct videocutpoint (GOP/SEQEND) in source file tail"},
    {1204, "incorrect group of pictures found in source file tail"},
    {1205, "can not find audiostream[0] packets in source file tail"},
    {1206, "incorrectly timestamped audiopacket found in source file tail"},
    {1207,
     "no audioframes found in source file tail or their mode differs from mode declared in "
     "filehead"},
    {1208, "group of pictures are too long in source file tail; can not edit this file"},
    {1209, "can not find group-of-picture headers in source file tail; probably, very long GOPs"},
    {1210, "forbidden picture type or D-picture found in source file tail"},
    {1211, "incorrectly timestamped videopacket found in source file tail"},
    // Source cut-out area
    {1300, "can not find MPEG-packets in source cut_out-area"},
    {1301, "incorrect packet found in source cut_out-area"},
    {1302, "can not find videostream[0] packets in source cut_out-area"},
    {1303, "can not find picture headers in source cut_out-area"},
    {1304, "incorrect videopacket found in source cut_out-area"},
    {1305, "can not find timeout-correspondent picture in source cut_out-area"},
    {1306,
     "can not find correct videocutpoint in source cut_out-area; probably, GOPs are very long"},
    {1307, "can not find audiopackets in source cut_out-area"},
    {1308,
     "no audioframes found in source cut_out-area or their mode differs from audiomode declared in "
     "filehead"},
    {1309,
     "videocutpoint found, but can not find syncronized audiocutpoint in source cut_out-area; try "
     "to put cut_out pointer a bit left"},
    {1310, "can not find packheader in source cut_out-area"},
    {1314, "target decoder audiobuffer is underflowed in source cut_out-area"},
    {1315,
     "groups of pictures in source cut_out-area are very long; can not find correct videocutpoint"},
    {1316,
     "incompleted or very long GOP in source cut_out-area; try to move cut-out pointer a bit left"},
    {1317, "incorrect group of pictures found in source cut_out-area"},
    {1318, "group of pictures in source cut_out-area does not start with I-pic"},
    {1319, "forbidden picture or D-picture found in source cut_out-area"},
    // Source cut-in area
    {1400, "can not find MPEG-packets in source cut_in-area"},
    {1401, "incorrect packet-headers found in source cut_in-area"},
    {1402, "can not find video-stream[0] packets in source cut_in-area"},
    {1403, "can not find pictures in source cut_in-area"},
    {1404, "videopacket with incorrect timestamp found in source cut_in-area"},
    {1405, "can not find timein-correspondent picture in source cut_in-area"},
    {1406,
     "can not find completed group-header in source cut_in-area; probably, GOPs are very long"},
    {1407, "can not find audio-stream[0] packets in source cut_in-area"},
    {1408, "analysis does not have enough video-stream[0] packets in source cut_in-area"},
    {1409,
     "can not find audioframes in source cut_in-area or their mode differs from audiomode declared "
     "in file head"},
    {1410, "videocutpoint found; but there is no syncronized audio-cutpoint in source cut_in-area"},
    {1411,
     "can not find correct videocutpoint in source cut_in-area; probably, GOPs are very long"},
    {1412, "forbidden picture or D-picture found in source cut_in-area"},
    {1413, "in source cut_in area, GOP does not start with I-picture"},
    {1414,
     "can not find completed group of pictures in source cut_in-area; probably, GOPs are very "
     "long"},
    // Header fields
    {1502, "incorrect picture rate declared in videosequence header"},
    {1504, "incorrect audiolayer declared in audioheader"},
    {1505, "incorrect audiofrequency declared in audioheader"},
    {1506, "forbidden videobitrate declared in videosequence header"},
    {1507, "free videobitrate declared in videosequence header (not supported)"},
    {1508, "forbidden audiobitrate declared in audioheader"},
    {1509, "free audiobitrate declared in audioheader (not supported)"},
    // Record entry area
    {1600, "can not find MPEG-packets in record entry-area"},
    {1601, "incorrect MPEG-packets found in record entry-area"},
    {1602, "can not find MPEG-videopackets in record entry-area"},
    {1603, "incorrect picture type found in record entry-area"},
    {1604, "can not find pictures in record entry-area"},
    {1605, "can not find GOPs in record entry-area; probably, GOPs are very long"},
    {1606, "incorrectly timestamped videopacket found in record entry-area"},
    {1607, "can not find time-close picture in record entry-area"},
    {1608, "in record entry-area, GOP does not start with I-picture"},
    {1609, "can not find audiopackets in record entry-area"},
    {1610, "in record entry-area, there are no audioframes of same type that in file-head"},
    {1611,
     "videostream entry-point found; but can not find syncronized audioentrypoint; you can try to "
     "move record entry point a bit left"},
    {1612, "can not find SCR-clocks in record entry-area"},
    {1613, "VideoSTD-underflow takes place in record entry-area"},
    {1614, "very long GOPs in record entry-area"},
    {1615, "AudioSTD-underflow takes place in record entry-area"},
    {1616, "can not find enough videodata in record entry area to provide correct merging"},
    {1617, "can not find enough audiodata in record entry area to provide correct merging"},
    {1618, "can not find correct videoentry point (GOP or SeqEnd) in record entry-area"},
    {1619,
     "Record file is too short to perform correct entry/append or time-disalignment accumulated in "
     "the end"},
    // Record file head
    {1650, "can not find packets in record file head"},
    {1651, "incorrect packets found in record file head"},
    {1652, "can not find videostream[0] packets in record file head"},
    {1653, "can not find audiostream[0] packets in record file head"},
    {1654, "can not find group-of-picture headers in record file head"},
    {1655, "can not find picture headers in record file head"},
    {1656, "incorrectly timestamped videopacket found in record file head"},
    {1657, "incorrect group of pictures found in record file head"},
    // Record file tail
    {1658, "can not find packets in record file tail"},
    {1659, "incorrect packets in record file tail"},
    {1660, "can not find videostream[0] packets in record file tail"},
    {1661, "can not find audiostream[0] packets in record file tail"},
    {1662, "can not find correct videocutpoint (GOP/SEQEND) in record file tail"},
    {1663,
     "no audioframes found in record file tail or their mode differs from mode declared in "
     "filehead"},
    {1664, "incorrectly timestamped audiopacket found in record file tail"},
    // Undo
    {2000, "Undo is disabled"},
    {2001, "memory error in Undo operation"},
    {2002, "can not open record file for Undo operation"},
    {2003, "can not open Undo-file"},
    {2004, "incorrect Undo-file; Undo disabled "},
    {2005, "Undo-file reading error; record file is probably damaged; Undo disabled"},
    {2006,
     "record file writing error in Undo operation; record file is probably damaged; Undo disabled"},
    {2007, "change_size-function failed; record file is damaged; Undo operation disabled"},
    {2008, "undo-file does not exist; Undo disabled"},
    // Redo
    {2100, "Redo operation is disabled"},
    {2101, "memory error in Redo operation"},
    {2102, "can not open record file for Redo operation"},
    {2103, "can not open Redo-file"},
    {2104, "incorrect Redo-file; Redo operation disabled "},
    {2105, "Redo-file reading error; record file is probably damaged; Redo disabled"},
    {2106,
     "record file writing error in Redo operation; record file is probably damaged; Redo disabled"},
    {2107, "change_size-function failed; record file is probably damaged; Redo disabled"},
    {2108, "Redo-file does not exist; Redo operation disabled"},
    // Entry crop
    {3000, "record file opening error"},
    {3001, "source file opening error"},
    {3002, "undo-file opening error; probably, file was set to write-protect mode"},
    {3003, "redo-file opening error; probably, file was set to write-protect mode"},
    {3004, "unrecoverable audiogap accumulated indefect in recordfile"},
    {3005, "incompatible videostreams in the source and record files"},
    {3006, "incompatible audiostreams  in the source and record files"},
    {3007, "insufficient memory in entry-crop operation"},
    {3008, "record file reading error"},
    {3009, "undo-file writing error"},
    {3010, "redo-file writing error"},
    {3011, "record file writing error in entry-crop operation"},
    {3012, "source file reading error in entry-crop operation"},
    {3013, "markin-markout in source file are too close to each other; can not make correct crop"},
    {3014,
     "Could not automatically restore record file after ReadEr/WriteEr/Cancel. Check diskspace, "
     "close parallel applications and try Undo."},
    {3015,
     "Insufficient diskspace for entry operation. Please cleanup the harddrive and try again."},
    {3016, "record file has zero length - can not perform entry-crop operation"},
    {3017, "record file length is not the same that length written in its current info"},
    {3019, "memory error in entry operation"},
    {3020, "unbalanced or incorrect stream in source file; internal buffer overflow"},
    {3021,
     "audiostream in source file crop-area has different parameters with audiostream in source "
     "file header"},
    {3022, "incorrect source file"},
    {3023, "can not perform correct multiplexing; buffers underflowed"},
    // Append crop
    {4000, "record file opening error"},
    {4001, "source file opening error"},
    {4002, "undo-file opening error; probably, undo-file set to write-protect mode"},
    {4003, "redo-file opening error; probably, redo-file set to write-protect mode"},
    {4004,
     "unrecoverable audiogap accumulated in the end of record file; you can try move entry point a "
     "bit left"},
    {4005, "incompatible videostreams in the source and record files"},
    {4006, "incompatible audiostreams  in the source and record files"},
    {4007, "insufficient memory in append operation"},
    {4008, "record file reading error"},
    {4009, "undo-file writing error"},
    {4010, "redo-file writing error"},
    {4011, "record file writing error"},
    {4012, "source file reading error"},
    {4013, "markin-markout in source file are too close to each other; can not make correct crop"},
    {4014,
     "Could not automatically restore record file after ReadEr/WriteEr/Cancel. Check diskspace, "
     "close parallel applications and try Undo."},
    {4015, "Insufficient diskspace for append operation. Cleanup harddrive and try again."},
    {4016, "record file has zero length - can not perform append-crop operation"},
    {4017, "record file length is not the same that length written in current record info"},
    {4019, "memory error in append-operation"},
    {4020, "unbalanced or incorrect stream in source file; internal buffer overflow"},
    {4021,
     "audiostream in source file crop-area has different parameters with audiostream in source "
     "file header"},
    {4022, "incorrect source file"},
    {4023, "can not perform correct multiplexing; buffers underflowed"},
    // Packet scanning
    {5001, "incorrect packet found (coded length is zero)"},
    {5003, "incorrect source stream: packet followed by unrecognizable data > 2K"},
    {5004, "incorrect packet header found in source stream"},
    {5006, "incorrect source stream: packet followed by unrecognizable data >2K"},
    {5007, "no packets found in source stream 32K-buffer"},
    {5008, "insufficient memory in processing"},
    {5009, "incorrect source stream"},
    // Crop write phase
    {6001, "file reading error took place in the process"},
    {6002, "file writing error took place in the process"},
    {6003, "insufficient memory space in the process"},
    {6004, "unbalanced or incorrect stream in source file; internal buffer overflow"},
    {6005,
     "audiostream in source crop-area is incorrect or its parameters differ from audioparameters "
     "declared in file header"},
    {6006, "operation cancelled; record file restored in its former state"},
    {6007, "incorrect system stream in source file"},
    {6008, "can not perform correct multiplexing; buffers underflowed"},
    // Crop set-up
    {7000, "insufficient memory in crop operation"},
    {7001, "project file opening error"},
    {7002, "source file opening error"},
    {7003, "Insufficient disk space for crop operation. Cleanup harddrive and try again."},
    {7004, "project file with this name already exists"},
    {7005, "markin-markout in source file are too close to each other; can not make correct crop"},
    // Sequence mode
    {8000, "can not find previuos markout in source file "},
    {8001, "previuos markout can not be taken as new markin anymore"},
    {8002, "markin coincides with markout; zero crop can not be performed"},
    {8003, "new markout does not exceed previous markout; can not perform crop"},
    // Demultiplexer
    {9001, "incorrect packet found in the source stream, in demultiplexing process"},
    {9002, "source file reading error in demultiplexing process"},
    {9003, "incorrect demultiplexor initializaion: in-out areas overlap"},
    {9004, "unbalanced elementary streams in source file; demultiplexor buffer overflow"},
    {9005, "memory error in demultiplexing process"},
};

constexpr bool isSorted() {
  for (std::size_t i = 1; i < std::size(kErrors); ++i)
    if (kErrors[i - 1].number >= kErrors[i].number) return false;
  return true;
}
static_assert(isSorted(), "the error table must stay sorted by number");

constexpr const char* kNonIdentified = "non-identified error";

}  // namespace

std::span<const ErrorEntry> errorTable() { return kErrors; }

const char* errorMessage(int number) {
  auto it = std::lower_bound(std::begin(kErrors), std::end(kErrors), number,
                             [](const ErrorEntry& e, int n) { return e.number < n; });
  return it != std::end(kErrors) && it->number == number ? it->message : kNonIdentified;
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
