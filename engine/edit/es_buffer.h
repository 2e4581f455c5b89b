// The elementary-stream buffer: the bytes of one stream (video stream 0 or
// audio stream 0) between the reader that fills it (the demultiplexer or the
// elementary-stream reader) and the writer that drains it (the multiplexer or
// an elementary-stream writer), with the access units found in it and the
// state of the rewriting that makes a cut stand on its own.
//
// Byte layout of `bytes`:
//
//   [0, readPos)          consumed by the writer; dropped at the next compaction
//   [readPos, fill)       ready for the writer: rewritten and scanned
//   [fill, fill + held)   held back: the start of a start code or header that
//                         continues in the next block (at most 7 bytes); it is
//                         released when the block behind it arrives or the
//                         data ends
//
// Writers read and consume [readPos, fill) only and advance readPos. Access
// units (`units`) are in buffer order; `start` is a buffer offset, `kind` the
// picture letter 'I','P','B','D' or the audio frame mark 'A' (padded) / 'a',
// pts() and dts() in ticks, counted from the cut.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/analysis/mpeg1.h"
#include "engine/analysis/scan.h"
#include "engine/analysis/stream_info.h"
#include "engine/analysis/stream_params.h"
#include "engine/common/errors.h"

namespace cw {

struct VideoSplice;

inline constexpr std::size_t kEsChunk = 32768;
inline constexpr std::size_t kEsCeilingChunks = 30;  // 983 040 bytes with 32 KiB chunks
inline constexpr int kNoVbvDelay = 0xFFFF;           // variable rate: vbv_delay not used

// vbv_delay recomputation for constant-rate video. The bounds start at the
// first picture's vbv_delay; see recomputeVbvDelay in video_rewrite.h.
struct VbvTracker {
  bool started = false;           // the first picture of the run has been seen
  std::int64_t pictures = 0;      // n: pictures seen so far
  std::int64_t firstPicture = 0;  // stream offset of the first picture's start code
  double kMin = 0.0;              // 720 000 / (R - 400), ticks per byte
  double kMax = 0.0;              // 720 000 / R
  double bMin = 0.0;
  double bMax = 0.0;
  bool takeHigh = false;  // alternation between lo and hi when hi - lo is odd
};

// Per video stream: everything the access-unit scanner rewrites or counts.
struct VideoRewriteState {
  // GOP time code written into the next GOP header; advanced per picture.
  mpeg1::TimeCode timeCode;
  bool dropFrame = false;  // drop-frame counting (29.97 pictures per second only)
  int timeCodeRate = 25;   // whole pictures per second of the time code
  // The stream's vbv_delay: the first picture's value, or kNoVbvDelay when
  // the stream is variable-rate or a recomputation left the valid range.
  int vbvDelay = kNoVbvDelay;
  int previousVbvDelay = kNoVbvDelay;  // vbv_delay written into the previous picture
  VbvTracker vbv;
  int lastTemporalRef = -1;  // temporal reference of the previous picture
  // A GOP header has passed since the previous picture: the next I-picture
  // starts a GOP even when its temporal reference is above the previous
  // picture's (a short GOP "I2 B0 B1" followed by "I2 ...").
  bool gopHeaderSeen = false;
  // Stream offset of the first sequence or GOP header since the previous
  // picture, -1 when none: the headers decode with the next picture.
  std::int64_t headersAt = -1;

  // Time-stamp counters (pictures in decoding and display order).
  bool havePicture = false;  // false: the next picture is the first of the cut
  std::int64_t decodeIndex = 0;
  std::int64_t nextDisplayIndex = 0;
  std::int64_t highestDisplayIndex = 0;
  std::int64_t previousDts = 0;
  // Added to a packet PTS to give a cut-relative PTS: rounded period - cut-in
  // time. A join that continues the counters of a record (decodeIndex,
  // previousDts, ...) adds the time at which the cut starts on that timeline.
  std::int64_t anchorOffset = 0;
  // Elementary-stream sources carry no PTS: stamps come from the indexes.
  bool indexStamps = false;

  // Cut-in repairs still to be done by the scanner.
  // The first GOP header at or behind this stream offset gets broken_link
  // (a cut-in may begin with a sequence header of its own before the GOP).
  std::int64_t markBrokenLinkAt = -1;
  // After the dead B-pictures are removed, every picture of the first GOP
  // (the one at stream offset shiftGop) loses temporalShift from its temporal
  // reference; the next GOP header ends the shift.
  int temporalShift = 0;
  std::int64_t shiftGop = -1;
  // The scan is inside that GOP: an exact cut puts a GOP of its own in front.
  bool inShiftGop = false;
};

// Where the payload of one source packet begins among the stored bytes, with
// its time stamps (kNoTime when absent). The first access unit that starts in
// that payload (at or behind `offset`, before the next mark) takes its time
// from the packet; every copied payload gets a mark, stamped or not.
struct PacketMark {
  std::size_t offset = 0;  // buffer offset of the payload's first byte
  std::int64_t pts = kNoTime;
  std::int64_t dts = kNoTime;
};

// Per audio stream: frame time stamps.
struct AudioStampState {
  bool haveFrame = false;
  std::int64_t previousTime = 0;  // PTS of the previous frame
  std::int64_t anchorOffset = 0;  // added to a packet PTS: - the audio cut-in time
  std::int64_t frames = 0;        // frames found so far
};

struct EsBuffer {
  std::vector<std::uint8_t> bytes;  // bytes.size() is the capacity
  std::size_t fill = 0;
  std::size_t held = 0;
  std::size_t readPos = 0;
  std::size_t growth = kEsChunk;
  std::size_t ceiling = kEsChunk * kEsCeilingChunks;
  ScanList units;

  bool insertSequenceHeader = true;  // video: the stored sequence header goes in front
  bool appendSequenceEnd = true;     // video: 00 00 01 B7 goes behind the cut-out
  bool endOfData = false;            // the reader has delivered everything
  // Audio: silent frames to add behind the data when it ends (a cut whose
  // pictures run on past the source's sound), and how many were added.
  std::int64_t silenceToAdd = 0;
  std::int64_t silenceAdded = 0;
  // Video of an exact cut: re-encoded GOPs that the reader puts at the cut-in
  // and the cut-out. Owned by the operation.
  const VideoSplice* splice = nullptr;

  StreamDescriptor* descriptor = nullptr;
  StreamParams params;
  VideoRewriteState video;
  AudioStampState audio;

  // Payload starts not yet reached by the scan, and the one the scan is in.
  std::vector<PacketMark> marks;
  PacketMark markInForce;
  bool markUsed = true;  // a unit has already started in that payload

  std::size_t scanPos = 0;   // buffer offset where the access-unit scan resumes
  std::int64_t dropped = 0;  // bytes compacted away: stream offset of bytes[0]

  bool isVideo() const { return mpeg1::isVideoId(params.streamId); }
  std::size_t capacity() const { return bytes.size(); }
  std::size_t stored() const { return fill + held; }
  std::size_t available() const { return fill - readPos; }  // for the writer
  const std::uint8_t* readPointer() const { return bytes.data() + readPos; }
};

// Sets the buffer up for one stream of a cut: capacity `chunk`, growth unit
// `chunk`, ceiling `ceilingChunks` × `chunk`; parameters from the stored
// header of `descriptor`; both video flags set, end of data clear; time code,
// time stamps and vbv tracking of a crop (see startVideoRewrite and
// startAudioStamps). 0 or kDemuxNoMemory. `descriptor` must outlive the buffer's use.
int esInit(EsBuffer& buf, StreamDescriptor* descriptor, std::size_t chunk = kEsChunk,
           std::size_t ceilingChunks = kEsCeilingChunks);

// Drops the consumed bytes [0, readPos) with one move and shifts the unit
// offsets; units that started in the dropped part are removed.
void esCompact(EsBuffer& buf);

// Compacts the buffer before at most `incoming` more bytes arrive, but only
// when they might not fit behind the stored bytes: consumed bytes stay until
// a read needs their room, so most reads move nothing, and the buffer grows
// (or overflows) exactly when it would after a compaction before every read.
void esMakeRoom(EsBuffer& buf, std::size_t incoming);

// Makes room for `extra` more bytes behind the stored ones, growing in whole
// growth units. 0, kDemuxOverflow or kDemuxNoMemory; the contents are unchanged on
// failure.
int esReserve(EsBuffer& buf, std::size_t extra);

// Appends bytes behind the stored ones (they become held until scanned).
// 0, kDemuxOverflow or kDemuxNoMemory.
int esAppend(EsBuffer& buf, const std::uint8_t* data, std::size_t count);

// Records that the payload of a source packet begins at the next appended byte.
// 0 or kDemuxNoMemory.
int esMarkPacket(EsBuffer& buf, std::int64_t pts, std::int64_t dts);

// Marks the end of the stream's data: held bytes become ready, end of data set.
void esFinish(EsBuffer& buf);

}  // namespace cw
