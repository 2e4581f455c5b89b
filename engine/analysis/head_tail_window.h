// Windows on a file for the head, tail and cut-area analyses: reading a
// stretch of the file into a ScanBuffer, scanning its video stream 0 and
// audio stream 0, and turning buffer offsets into file areas.
#pragma once

#include <cstdint>

#include "engine/analysis/scan.h"
#include "engine/analysis/stream_info.h"
#include "platform/file.h"

namespace cw::window_detail {

// The largest window any analysis holds in memory. Buffer offsets are 32-bit,
// and a bogus declared mux rate must not make an analysis allocate gigabytes.
inline constexpr std::int64_t kMaxWindow = std::int64_t{64} << 20;

// Declared mux rate of the file (units of 50 bytes/s), -1 when unknown.
std::int32_t declaredMuxRate(const StreamInfo& info);

// max(declared mux rate x 125, floor) bytes, the floor alone when the rate is
// unknown, limited to `length` and to kMaxWindow.
std::int64_t windowSizeFor(const StreamInfo& info, std::int64_t floor, std::int64_t length);

// Reads `size` bytes at file offset `offset` into `buf`. 0, 1000 (read
// failure or short read) or 1001 (memory).
int readWindow(platform::File& file, std::int64_t offset, std::int64_t size, ScanBuffer& buf);

// Error numbers an analysis reports for the common steps of a window scan.
// A zero entry skips that check (the caller reports the case itself).
struct VideoScanErrors {
  int noPackets;
  int badPackets;
  int noVideoPackets;
  int forbiddenPicture;
  int noPictures;
  int noCodes;
};

// Video stream 0 of a window: its packets (start = payload, with PTS and
// DTS), its pictures and its GOP, sequence header and end codes.
struct VideoScan {
  ScanList packets;
  ScanList pictures;
  ScanList codes;
};

// Lists the packets of `buf` into buf.packets and scans video stream 0.
int scanWindowVideo(ScanBuffer& buf, const VideoScanErrors& errors, VideoScan& out);

// The pictures of the last GOP of `video`, up to buffer offset `end`, start
// with an I-picture and their temporal references are 0 to n - 1, each once.
bool lastGopIsWhole(const VideoScan& video, std::uint32_t end);

// A video stream that stops without a sequence end code (ffmpeg writes none)
// still ends its last GOP: where the window reaches the end of the file, an
// end code entry is added to video.codes at the end of the last video
// packet's payload. Not when the file ends inside a packet (a file cut short)
// or the last GOP lacks pictures its temporal references count on; its last
// GOP then has no successor and is not taken, as before. True when added.
bool closeStreamAtFileEnd(const ScanBuffer& buf, std::int64_t fileLength, VideoScan& video);

// Window sizes that grow when a window holds nothing of one of the streams:
// doubled each time, up to the file's length or kMaxWindow.
std::int64_t grownWindow(std::int64_t size, std::int64_t length);

// Audio stream 0 of a window: its packets (with PTS) and frames.
struct AudioScan {
  ScanList packets;
  ScanList frames;
};

// Scans the audio stream 0 packets of an already listed buffer. Reports
// `noPackets` or `noFrames` when the list comes out empty; memory -> 1001.
int scanWindowAudio(const ScanBuffer& buf, const StreamParams& params, int noPackets, int noFrames,
                    AudioScan& out);

// First byte of the packet that a filtered copy `filtered` stands for.
std::uint32_t packetStart(const ScanBuffer& buf, const ScanEntry& filtered);

// File area of buffer offset `at` lying in the payload of `filtered`.
StreamArea areaIn(const ScanBuffer& buf, const ScanEntry& filtered, std::uint32_t at);

// Index of the stream packet whose payload holds `at`, or -1. The end of the
// last packet's payload (where closeStreamAtFileEnd() puts its end code)
// belongs to the last packet.
int holdingPacket(const ScanList& streamPackets, std::uint32_t at);

// Index of the first entry of `list` starting at or after buffer offset `at`,
// or list.size().
std::size_t firstAtOrAfter(const ScanList& list, std::uint32_t at);

}  // namespace cw::window_detail
