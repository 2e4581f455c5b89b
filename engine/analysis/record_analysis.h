// Record file analyses: the project movie is always a stream this engine
// wrote, so its last video start code is a sequence end code and every video
// packet in which a picture starts carries both PTS and DTS. Before a join
// (append or entry) the engine finds where the record's usable stream begins
// and ends, and, for a split, the entry area: the end of the GOP at which the
// record is cut, the audio frame synchronised with it, and the state of the
// record at the merge point (SCR, decoder buffers, the elementary bytes the
// join writes again, the time code and vbv_delay to continue).
//
// Every routine returns 0 or an engine error number and changes neither the
// descriptors nor its result record on failure.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/analysis/stream_info.h"
#include "platform/file.h"

namespace cw {

// Head and tail of a system-stream record (file type 0 or 3): areas, times
// and their working copies in both descriptors, the drop_frame_flag and the
// vbv_delay of the first picture in the video descriptor. `byteRate`
// receives the record's measured rate in bytes per second. 1001, 1002, 1010,
// 1015, 1109, 1650-1664.
int analyseRecordFile(platform::File& file, StreamInfo& info, std::int32_t& byteRate);

// One access unit in a decoder buffer at the merge point.
struct RecordQueueEntry {
  std::int64_t decodeTime = 0;   // DTS of a picture, time of an audio frame (ticks)
  std::int64_t presentTime = 0;  // picture: presentation time; audio frame: its time
  std::int64_t bytes = 0;        // bytes of the unit that lie before the merge point
};

// What the join multiplex needs to take over from the record at the merge
// point (the earlier of the video and the audio entry packet starts).
struct RecordEntryResult {
  std::int64_t packPosition = -1;  // the pack header directly before the merge point
  std::int64_t scr = 0;            // its SCR (ticks)
  std::int64_t mergePoint = -1;    // file position

  // Video decoder buffer: pictures not decoded by SCR + 8, in decoding order,
  // up to the last picture that begins before the merge point.
  std::vector<RecordQueueEntry> videoQueue;
  std::int64_t videoOccupancy = 0;
  std::int64_t videoEnd = 0;          // DTS of the last picture of the queue
  std::int64_t videoLastPresent = 0;  // its presentation time
  std::int64_t videoMaxPresent = 0;   // largest presentation time of the queue

  // Audio decoder buffer: frames not decoded by SCR + 8 up to the last frame
  // that begins before the merge point. When no audio byte precedes the merge
  // point the queue holds one empty entry one frame before the next frame.
  std::vector<RecordQueueEntry> audioQueue;
  std::int64_t audioOccupancy = 0;
  std::int64_t audioEnd = 0;  // time of the last frame of the queue
  bool audioBytesBeforeMerge = true;

  // Elementary bytes of the record between the merge point and the video
  // entry point, and between the merge point and the audio entry point: the
  // join writes them again in front of the source's.
  std::vector<std::uint8_t> videoBytes;
  std::vector<std::uint8_t> audioBytes;
  // Offset in audioBytes of the first frame header (the bytes before it end
  // a frame that began before the merge point); audioBytes.size() when none.
  std::size_t audioFirstFrame = 0;

  // First 8 bytes of the last GOP header before the merge point and of the
  // header of the last picture that begins before it, and the pictures
  // between that GOP header and the merge point: the join continues the
  // time code, vbv_delay and temporal references from them.
  std::uint8_t gopHeader[8] = {};
  std::uint8_t pictureHeader[8] = {};
  int picturesAfterGop = 0;

  void clear() { *this = RecordEntryResult{}; }
};

// The entry area of a system-stream record at `entry` seconds from the start
// of its usable stream. The record's head and tail must have been analysed.
// Writes the video entry area and time into the video descriptor's working
// tail area and working last time, the audio entry area and time into the
// audio descriptor's, and fills `result` (replacing what it held).
// 1001, 1015, 1600-1615, 1619.
int analyseRecordEntry(platform::File& file, StreamInfo& info, double entry,
                       RecordEntryResult& result);

// Where a video elementary-stream record is joined, and the state the video
// writer continues from there.
struct VideoOnlyJoin {
  std::int64_t joinOffset = -1;  // J: the record is rewritten from here
  std::uint8_t gopHeader[8] = {};
  std::uint8_t pictureHeader[8] = {};  // the last picture before J
  int picturesAfterGop = 0;            // pictures between that GOP header and J
  std::int64_t lastPictureBytes = 0;   // from the last picture's start to J
  int lastTemporalRef = 0;
};

// A video-only record (file type 1) ends with a sequence end code; the join
// replaces it. Scans the last two seconds. 1001, 1015, 1303, 1315.
int analyseVideoOnlyRecordTail(platform::File& file, const StreamInfo& info, VideoOnlyJoin& out);

// The entry point of a video-only record at `entry` seconds: the first
// GOP start, sequence header or sequence end at or after the estimated
// position, moved back onto a sequence header directly in front of it (and
// a sequence end in front of that). Also writes J into the video descriptor's
// working tail area. 1001, 1015, 1315.
int analyseVideoOnlyRecordEntry(platform::File& file, StreamInfo& info, double entry,
                                VideoOnlyJoin& out);

// The entry point of an audio-only record (file type 2) at `entry` seconds: a
// frame boundary, or the record's end when the entry lies in the last frame.
// Writes J into `joinOffset` and into the audio descriptor's working tail
// area. 1001, 1015, 1610.
int analyseAudioOnlyRecordEntry(platform::File& file, StreamInfo& info, double entry,
                                std::int64_t& joinOffset);

}  // namespace cw
