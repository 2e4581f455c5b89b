// The multiplexer: turns a video and an audio elementary-stream buffer into
// a system stream of complete packs (MPEG System or VideoCD layout), models
// both decoder buffers so that neither overflows nor underflows, rewrites
// every SCR, PTS and DTS, and hands the bytes out in chunks that the calling
// operation writes.
//
// Life of a multiplex: the operation creates a MuxState, starts it once
// (StartSystemMux, or startMux with its own input), asks for chunks with
// MuxChunk until the status is 1 (finished) or negative, and destroys it.
// A MuxState is neither copied nor moved once started: its input refers to
// its buffers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>

#include "engine/edit/es_buffer.h"
#include "engine/edit/mux_packs.h"
#include "engine/edit/pack_profile.h"
#include "engine/edit/std_model.h"
#include "platform/file.h"

namespace cw {

inline constexpr std::size_t kMuxChunk = 32768;
inline constexpr std::size_t kStagingExtra = 4096;
inline constexpr int kMaxPaddingRun = 256;
// A unit may reach its decoder this many ticks after its decoding time (0.1 s)
// before the multiplex gives up as underflowed: a stream whose data outruns
// the mux rate falls behind further with every second and would only end in
// a run of padding packs after minutes of output that no decoder can play.
inline constexpr std::int64_t kMaxLateness = 9000;

// Chunk statuses of MuxChunk and EsChunk.
enum MuxStatus : int {
  kMuxMore = 0,
  kMuxFinished = 1,
  kMuxReadError = -1,
  kMuxMemoryError = -2,
  kMuxBufferOverflow = -3,  // unbalanced streams
  kMuxNoAudioFrame = -4,    // an audio packet without the start of an audio frame
  kMuxBadPacket = -5,       // incorrect packet in the source
  kMuxUnderflow = -6,       // more than 256 consecutive padding packs
};

// The operation that runs a multiplex; each maps the statuses to its own
// error numbers.
enum class MuxOperation { Crop, AppendCrop, EntryCrop };

// The engine error number of a negative status for `op` (0 for 0 and 1).
int muxStatusError(MuxOperation op, int status);

// Status of a reader failure: a demultiplexer or elementary-stream reader
// error number (90xx / 91xx) as a negative chunk status.
int readerStatus(int readerError);

// One step of the reader that fills the buffers: 0 or the reader's error
// number. It sets a buffer's endOfData when its stream has no more data.
using EsInput = std::function<int()>;

// Result of one scheduler step.
enum MuxStepResult : int {
  kStepFinished = 0,
  kStepVideoNeedsData = 1,
  kStepAudioNeedsData = 2,
  kStepDataPack = 3,     // a pack carrying video or audio
  kStepPaddingPack = 4,  // a padding pack
};

// One elementary stream of a multiplex.
struct MuxStream {
  EsBuffer es;
  StdBuffer std;
  std::int64_t offset = 0;  // added to every PTS and DTS of the buffer's units
  bool finished = false;
  bool firstPacketPending = true;  // the next packet carries the STD field
  int payload = 0;                 // payload of a full packet
  std::size_t firstUnsent = 0;     // index in es.units of the first unit not yet sent
};

struct MuxState {
  MuxState() = default;
  MuxState(const MuxState&) = delete;
  MuxState& operator=(const MuxState&) = delete;

  PackProfile profile;
  StdClock clock;
  MuxStream video;
  MuxStream audio;

  std::int64_t scr = 0;  // SCR of the next pack
  int active = 2;        // streams not finished
  bool videoPreferred = true;
  int stepResult = kStepDataPack;
  int paddingRun = 0;
  // The most a sent packet came after its unit's decoding time (ticks): a
  // lateness within kMaxLateness is written, but the unit underflows.
  std::int64_t mostLate = 0;

  // Packs are built straight into the chunk being delivered; the leading
  // packs, and a pack that may not fit the rest of a chunk, are built here
  // and wait in [stagedFrom, stagedEnd) for the chunks that follow.
  Bytes staging;  // chunk + 4 096 bytes
  std::size_t stagedFrom = 0;
  std::size_t stagedEnd = 0;
  std::size_t chunkSize = kMuxChunk;
  EsInput input;  // owns the reader's state

  // Elementary-stream writers: which buffer they drain.
  MuxStream* selected = nullptr;
};

// The time-stamp offsets of a crop: the audio offset is the profile's lead;
// the video offset keeps the source's audio/video distance at the cut, in
// VideoCD as in MPEG System (placing both streams' first units together
// would move the sound up to one audio frame early). Times are the cut-in
// times of the source descriptors; `picturePeriod` is the rounded period.
void cropOffsets(const PackProfile& p, std::int64_t videoFirstTime, std::int64_t audioFirstTime,
                 std::int64_t picturePeriod, std::int64_t& videoOffset, std::int64_t& audioOffset);

// Prepares a system-stream multiplex over buffers that the caller has set up
// (m.video.es, m.audio.es, with their params) and an input that fills them:
// profile, STD model, staging buffer, offsets, first stream. Writes nothing.
// 0 or 6003 (memory).
int prepareMux(MuxState& m, const PackProfile& profile, std::int64_t videoOffset,
               std::int64_t audioOffset, EsInput input);
// Writes the leading system-header packs at SCR 0 and sets both first-packet
// flags, as a crop's multiplex begins.
void writeLeadingPacks(MuxState& m);

// Where a join's multiplex takes over from the record: the SCR of the pack
// before the merge point, the decoder-buffer queues and occupancies there,
// whether audio bytes of the record precede the merge point, and the first
// stream to examine. Time-stamp offsets go to prepareMux; the time code and
// vbv_delay continue in the video buffer's rewriting state.
struct MuxContinuation {
  std::int64_t scr = 0;
  std::deque<StdUnit> videoQueue;
  std::deque<StdUnit> audioQueue;
  std::int64_t videoOccupancy = 0;
  std::int64_t audioOccupancy = 0;
  bool audioBytesBeforeMerge = true;  // false: the next audio packet carries the STD field
  bool videoFirst = true;
};
// Applies `c` to a prepared multiplex instead of writeLeadingPacks: no
// leading packs, the video needs no STD field, the audio only when none of
// its bytes precede the merge point.
void continueMux(MuxState& m, const MuxContinuation& c);

// Starts a crop's multiplex for record mode 0, 1 or 2 from the source's
// descriptors (video, audio), whose working areas the cut analyses have set,
// with the demultiplexer's cut-in treatment: builds the buffers and the
// profile, positions the demultiplexer on `source` (which the operation owns
// and keeps open), runs it once and writes the leading packs. 0, 6001 (read),
// 6003 (memory), 6004 (buffer overflow), 6007 (incorrect source packet),
// 1507 or 1509. `splice`: the re-encoded GOPs of an exact cut, or null.
int StartSystemMux(MuxState& m, platform::File& source, int recordMode, int cutInTreatment,
                   std::size_t chunkSize, int minimumMuxRate, StreamDescriptor* video,
                   StreamDescriptor* audio, const VideoSplice* splice = nullptr);

// One scheduler step: appends one pack to `out` or asks for input. Returns
// a MuxStepResult, kMuxNoAudioFrame or kMuxUnderflow (a unit would arrive
// more than kMaxLateness after its decoding time).
int muxStep(MuxState& m, PackWriter& out);

// Delivers the next `size` bytes of the multiplex into `dest` (fewer at the
// end); `delivered` receives the count. Returns a MuxStatus.
int MuxChunk(MuxState& m, std::uint8_t* dest, std::size_t size, std::size_t& delivered);

}  // namespace cw
