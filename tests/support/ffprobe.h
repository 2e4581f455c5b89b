// What ffmpeg's own tools say about a file: the independent reference the
// corpus tests compare the engine against.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace cw::test {

struct ProbeStream {
  int index = -1;
  int id = -1;        // stream id of a system stream (0xE0, 0xC0, ...), -1 when none
  std::string type;   // "video", "audio", ...
  std::string codec;  // "mpeg1video", "mp2", "mp3", "mp1", "pcm_s16le", ...
  int width = 0;
  int height = 0;
  double frameRate = 0.0;  // r_frame_rate
  double bitRate = 0.0;    // bits per second, 0 when unknown
  int sampleRate = 0;
  int channels = 0;
  double startTime = 0.0;  // seconds
  double duration = 0.0;   // seconds, 0 when unknown
};

struct ProbeInfo {
  bool ok = false;         // ffprobe ran and read the file
  std::string formatName;  // "mpeg", "vcd", "mpegvideo", "mp3", "wav", ...
  double duration = 0.0;
  double bitRate = 0.0;
  std::vector<ProbeStream> streams;

  // The first stream of that type ("video", "audio"); nullptr when none.
  const ProbeStream* first(const std::string& type) const;
  int count(const std::string& type) const;
};

ProbeInfo ffprobeFile(const std::string& path);

// Decoded frames of one stream ("v:0", "a:0", ...). Absent time stamps are
// -1 (ticks of the stream's time base, 90 kHz in MPEG system streams).
struct ProbeFrame {
  std::string mediaType;
  std::int64_t pts = -1;
  std::int64_t pktDts = -1;
  double ptsTime = -1.0;
  double pktDtsTime = -1.0;
  char pictType = '?';  // 'I', 'P', 'B' for video
  bool keyFrame = false;
  std::int64_t pktPos = -1;
  std::int64_t pktSize = -1;
  int nbSamples = 0;
};
std::vector<ProbeFrame> ffprobeFrames(const std::string& path, const std::string& stream = "v:0");

// Demultiplexed packets of one stream, in file order.
struct ProbePacket {
  std::int64_t pts = -1;
  std::int64_t dts = -1;
  double ptsTime = -1.0;
  double dtsTime = -1.0;
  std::int64_t pos = -1;
  std::int64_t size = -1;
  bool key = false;
};
std::vector<ProbePacket> ffprobePackets(const std::string& path, const std::string& stream = "v:0");

// Longest run of video frames from one key frame to the next (a GOP in
// display order), 0 when the file has no video.
int longestGop(const std::vector<ProbeFrame>& videoFrames);

// Decodes the whole file with `ffmpeg -v error ... -f null -` and returns what
// ffmpeg reported; empty means it decoded without a complaint.
std::string ffmpegDecodeErrors(const std::string& path);

// framemd5 of a file: one entry per decoded frame of every stream (or of the
// stream selected by `map`, e.g. "0:v:0").
struct FrameHash {
  int streamIndex = -1;
  std::int64_t pts = 0;
  std::int64_t size = 0;
  std::string md5;
};
std::vector<FrameHash> framemd5(const std::string& path, const std::string& map = "");

}  // namespace cw::test
