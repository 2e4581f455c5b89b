// Scanning routines: turn a ScanBuffer into ordered lists of packets, video
// start codes, pictures and audio frames. Every routine returns 0 or an error
// number and fills its output list only on success.
//
// Results: 5001 zero-length packet, 5002 packet too close to the buffer end,
// 5004 incorrect packet header (these three only inside the first-packet
// search), 5007 no packets, 5008 memory (every scanner), 5009 incorrect
// stream, kForbiddenPicture forbidden picture type, kBadAudioHeader audio
// parameters that do not describe a valid frame header.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/analysis/scan.h"
#include "engine/common/errors.h"

namespace cw {

inline constexpr int kForbiddenPicture = -2;
inline constexpr int kBadAudioHeader = -1;

// Finds the first packet of the buffer from `from` (tolerant of leading
// garbage, with one retry). On success `first` is the packet and `resume`
// the offset from which the listing of following packets continues (behind
// the zero bytes that may follow the packet). 0, 5007 or 5009.
int findFirstPacket(const ScanBuffer& buf, std::uint32_t from, ScanEntry& first,
                    std::uint32_t& resume);

// Lists the first packet of the buffer (of any stream) and all following
// packets of video stream 0, audio stream 0 and streams 0xBC-0xBF into
// buf.packets. 0, 5007, 5008 or 5009.
int listPackets(ScanBuffer& buf);

// Copies of the entries of one stream id, start set to the payload offset;
// pts() set (and dts() for the PTS-and-DTS variant). 0, or 5008.
int filterPacketsPts(const ScanBuffer& buf, const ScanList& packets, std::uint8_t streamId,
                     ScanList& out);
int filterPacketsPtsDts(const ScanBuffer& buf, const ScanList& packets, std::uint8_t streamId,
                        ScanList& out);
// Unchanged copies of the 0xBF entries, without time stamps.
int filterPrivateStream2(const ScanList& packets, ScanList& out);
// The whole buffer as the payload of one video packet, so that the payload
// scanners below can run over an elementary stream.
ScanList wholeBuffer(const ScanBuffer& buf);

// Video start codes 0xB8, 0xB7, 0xB3 in the concatenated payloads of one
// stream's (filtered) packets; codes may straddle payload boundaries.
int scanVideoCodes(const ScanBuffer& buf, const ScanList& streamPackets, ScanList& out);
// Pictures with a valid type (kind = 'I','P','B','D', temporalReference()
// set); pictures of a forbidden type are left out.
int scanPictures(const ScanBuffer& buf, const ScanList& streamPackets, ScanList& out);
// Both at once; kForbiddenPicture on a picture type outside 1-4.
int scanPicturesAndCodes(const ScanBuffer& buf, const ScanList& streamPackets, ScanList& pictures,
                         ScanList& codes);
// The first sequence header code and the first picture of a valid type, the
// entries that scanVideoCodes() and scanPictures() list first; the scan ends
// as soon as it has both. An entry that is not found has kind 0.
void scanFirstSequenceAndPicture(const ScanBuffer& buf, const ScanList& streamPackets,
                                 ScanEntry& sequence, ScanEntry& picture);

// Audio frames matching `params` in the payloads of filtered audio packets
// (time() = PTS of the packet where it begins + truncate(k * period),
// k counting the frames that begin in that packet; kNoTime when that packet
// has no PTS).
int scanAudioFramesInPayloads(const ScanBuffer& buf, const ScanList& audioPackets,
                              const StreamParams& params, ScanList& out);
// Audio frames in an elementary audio buffer, carrying the state in `buf`
// (buf.audio, frameCounter, carried bytes) across successive buffers. A frame
// whose header began in the previous buffer has a negative start (read it
// with scanOffset()). Time = truncate(k * period), k counting the frames of
// the file from the first buffer.
int scanAudioFramesElementary(ScanBuffer& buf, ScanList& out);

// Copies `count` bytes of a stream's payload starting at buffer offset `at`
// (which lies in the payload of streamPackets[index]), continuing into the
// payloads of the following packets. False when the payloads end first or
// `at` lies outside that payload.
bool readAcrossPayloads(const ScanBuffer& buf, const ScanList& streamPackets, std::size_t index,
                        std::uint32_t at, std::uint8_t* out, std::uint32_t count);

// Index of the packet in `streamPackets` whose payload range holds buffer
// offset `at`, or -1.
int packetHolding(const ScanList& streamPackets, std::uint32_t at);

}  // namespace cw
