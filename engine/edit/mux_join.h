// Starting a multiplex that joins a source cut onto the record (append crop
// and entry crop): the output is written from the pack header before the
// merge point on and continues the record's time stamps, SCR, decoder-buffer
// state, GOP time code and vbv_delay, so that a player sees one stream.
#pragma once

#include <cstddef>

#include "engine/analysis/record_analysis.h"
#include "engine/edit/mux.h"
#include "platform/file.h"

namespace cw {

// The decoder-buffer part of a join: the SCR, the two queues with their
// occupancies and whether audio bytes precede the merge point, with the
// first stream to examine (video when its bit rate is at least the audio's,
// always in VideoCD). Output DTS values are the record's.
MuxContinuation joinContinuation(const RecordEntryResult& entry, const PackProfile& profile,
                                 const StreamParams& video, const StreamParams& audio);

// The time-stamp offsets of a join: each stream's counters continue at the
// whole number of periods below its end value, the offset carries the rest.
struct JoinTimeline {
  std::int64_t videoOffset = 0;
  std::int64_t audioOffset = 0;
};

// Puts the record's re-fed bytes into the two buffers (freeing them in
// `entry`), continues the time code, vbv_delay, temporal reference and time
// stamps of the record in them and scans them for access units; the buffers
// are ready for the source's reader. Returns 0 or kDemuxNoMemory / kDemuxOverflow.
int feedRecordBytes(EsBuffer& video, EsBuffer& audio, RecordEntryResult& entry,
                    JoinTimeline& timeline);

// After the re-fed bytes: the source's first picture and audio frame follow
// the record's last ones one period on, and the source's packet time stamps
// are anchored to them.
void anchorSourceAfterRecord(EsBuffer& video, EsBuffer& audio);

// Starts the join multiplex for record mode 0, 1 or 2: the record's bytes of
// `entry` go first, then the source cut of the linked descriptors (`video`,
// `audio`, whose working areas the cut analyses have set) read from `source`
// through the demultiplexer with `cutInTreatment`. `minimumMuxRate` is the
// record's declared mux rate. No leading packs are written. Errors are those
// of `op` (AppendCrop: 4012 read, 4019 memory, 4020 overflow, 4022 incorrect
// source packet; EntryCrop: the 30xx equivalents), or 1507 / 1509.
// `joinSilence` silent frames follow the record's sound before the source's
// (a record whose sound ends before its pictures); silence also fills the
// source's cut where its pictures run on past its sound. `splice`: the
// re-encoded GOPs of an exact cut of the source, or null.
int StartJoinMux(MuxState& m, platform::File& source, int recordMode, int cutInTreatment,
                 std::size_t chunkSize, int minimumMuxRate, RecordEntryResult& entry,
                 StreamDescriptor* video, StreamDescriptor* audio, MuxOperation op,
                 std::int64_t joinSilence = 0, const VideoSplice* splice = nullptr);

}  // namespace cw
