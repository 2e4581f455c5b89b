// Scanning routines: turn a ScanBuffer into ordered lists of packets, video
// start codes, pictures and audio frames. Every routine returns 0 or an error
// number and fills its output list only on success.
//
// Internal results: 5001 zero-length packet, 5002 packet too close to the
// buffer end, 5004 incorrect packet header, 5007 no packets, 5008 memory,
// 5009 incorrect stream, kForbiddenPicture forbidden picture type,
// kBadAudioHeader invalid audio header / allocation.
#pragma once

#include <cstdint>

#include "engine/analysis/scan.h"

namespace cw {

inline constexpr int kForbiddenPicture = -2;
inline constexpr int kBadAudioHeader = -1;

// Finds the first packet of the buffer from `from` (tolerant of leading
// garbage, with one retry). On success `first` is the packet and `resume`
// the offset from which the listing of following packets continues.
int findFirstPacket(const ScanBuffer& buf, std::uint32_t from, ScanEntry& first,
                    std::uint32_t& resume);

// Lists the first packet of the buffer (of any stream) and all following
// packets of video stream 0, audio stream 0 and streams 0xBC-0xBF into
// buf.packets. 0, 5007, 5008 or 5009.
int listPackets(ScanBuffer& buf);

// Copies of the entries of one stream id, start set to the payload offset;
// value1 = PTS (and value2 = DTS for the PTS-and-DTS variant). 0, or 5008.
int filterPacketsPts(const ScanBuffer& buf, const ScanList& packets, std::uint8_t streamId,
                     ScanList& out);
int filterPacketsPtsDts(const ScanBuffer& buf, const ScanList& packets, std::uint8_t streamId,
                        ScanList& out);
int filterPrivateStream2(const ScanList& packets, ScanList& out);

// Video start codes 0xB8, 0xB7, 0xB3 in the concatenated payloads of one
// stream's (filtered) packets; codes may straddle payload boundaries.
int scanVideoCodes(const ScanBuffer& buf, const ScanList& streamPackets, ScanList& out);
// Pictures with a valid type (kind = 'I','P','B','D', value1 = temporal reference).
int scanPictures(const ScanBuffer& buf, const ScanList& streamPackets, ScanList& out);
// Both at once; kForbiddenPicture on a picture type outside 1-4.
int scanPicturesAndCodes(const ScanBuffer& buf, const ScanList& streamPackets,
                         ScanList& pictures, ScanList& codes);

// Audio frames matching `params` in the payloads of filtered audio packets
// (value1 = PTS of the packet where it begins + truncate(k * period)).
int scanAudioFramesInPayloads(const ScanBuffer& buf, const ScanList& audioPackets,
                              const StreamParams& params, ScanList& out);
// Audio frames in an elementary audio buffer, carrying the state in `buf`
// (buf.audio, frameCounter, carried bytes) across successive buffers.
int scanAudioFramesElementary(ScanBuffer& buf, ScanList& out);

// Copies `count` bytes of a stream's payload starting at buffer offset `at`
// (which lies in the payload of streamPackets[index]), continuing into the
// payloads of the following packets. False when the payloads end first.
bool readAcrossPayloads(const ScanBuffer& buf, const ScanList& streamPackets, std::size_t index,
                        std::uint32_t at, std::uint8_t* out, std::uint32_t count);

// Index of the packet in `streamPackets` whose payload range holds buffer
// offset `at`, or -1.
int packetHolding(const ScanList& streamPackets, std::uint32_t at);

}  // namespace cw
