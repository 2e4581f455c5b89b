// Test fixture for the demultiplexer tests: an independent map of a real
// system stream (packets, GOPs, pictures, audio frames with their file
// positions and times), cut areas chosen on it the way the cut-in and cut-out
// analyses would, and a writer stand-in that drains elementary-stream buffers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/analysis/stream_info.h"
#include "engine/edit/es_buffer.h"
#include "support/corpus.h"

namespace cw::demuxtest {

std::vector<std::uint8_t> readWholeFile(const std::string& path);
void writeWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes);
using test::corpusFile;  // fails the test and gives "" when the corpus lacks the file
std::string scratchPath(const std::string& name);
// Messages of `ffmpeg -v error` decoding the file ("" when it decodes cleanly).
std::string ffmpegDecodeErrors(const std::string& path, const std::string& format);

struct MapPacket {
  std::int64_t start = 0, payload = 0, end = 0;
  std::uint8_t id = 0;
  std::int64_t pts = -1, dts = -1;
};

struct MapPicture {
  std::int64_t at = 0;  // file position of the picture start code
  char type = 0;
  int ref = 0;
  int vbvDelay = 0;
  int packet = 0;           // index of the packet holding its first byte
  std::int64_t decode = 0;  // decoding time, ticks
};

struct MapGop {
  std::int64_t at = 0;
  int packet = 0;
  bool closed = false;
  int firstPicture = 0;  // index into pictures
};

struct MapFrame {
  std::int64_t at = 0;
  int packet = 0;
  std::int64_t time = 0;
};

// The parts of a system stream the tests cut at.
struct StreamMap {
  std::vector<std::uint8_t> file;
  std::vector<MapPacket> packets;
  std::vector<MapGop> gops;
  std::vector<MapPicture> pictures;
  std::vector<MapFrame> frames;
  std::uint8_t sequenceHeader[12] = {};
  std::uint8_t audioHeader[4] = {};
  bool dropFrame = false;
  double period = 0.0;  // picture period, ticks
  std::int64_t roundedPeriod = 0;
  double audioPeriod = 0.0;
};

StreamMap mapSystemStream(const std::vector<std::uint8_t>& file);

// Fills the working areas and times of both descriptors of `info` for the cut
// from GOP `gopIn` up to the start of GOP `gopOut`, as the cut analyses do.
// `removeDeadB` moves the cut-in time behind the leading B-pictures.
void setCutAreas(const StreamMap& map, int gopIn, int gopOut, bool removeDeadB, StreamInfo& info);

// Pictures of the source from GOP `gopIn` up to GOP `gopOut`, and the audio
// frames whose headers lie in the audio cut.
int picturesBetween(const StreamMap& map, int gopIn, int gopOut);
int framesInCut(const StreamMap& map, const StreamDescriptor& audio);

// What a writer took out of one buffer: the bytes in order and the access
// units with offsets into those bytes.
struct Drained {
  std::vector<std::uint8_t> bytes;
  std::vector<ScanEntry> units;
};
// Takes everything ready in `buf` (as a writer would), then compacts nothing:
// the next reader step does that.
void drain(EsBuffer& buf, Drained& out);

// Picture and GOP headers of an elementary video stream.
struct EsPicture {
  std::size_t at = 0;
  char type = 0;
  int ref = 0;
  int vbvDelay = 0;
};
struct EsGop {
  std::size_t at = 0;
  mpeg1::TimeCode timeCode;
  bool closed = false;
  bool brokenLink = false;
};
void scanElementaryVideo(const std::vector<std::uint8_t>& es, std::vector<EsGop>& gops,
                         std::vector<EsPicture>& pictures);

}  // namespace cw::demuxtest
