// An outside view of MPEG-1 files for the crop acceptance tests, written
// from the standards alone: the pack layout of a system stream with its
// clock references and time stamps, each elementary stream with the file
// offset of every payload byte, and the pictures and GOP headers of a video
// elementary stream. Nothing here uses the engine's own parsers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace cw::test::accept {

struct Pack {
  std::int64_t offset = 0;
  std::int64_t size = 0;      // from the pack start code to the next pack or the end code's end
  std::int64_t zeroFill = 0;  // zero bytes behind the pack
  std::int64_t scr = -1;
  int muxRate = 0;
  bool systemHeader = false;
  bool endCode = false;
  std::uint8_t dataId = 0;  // 0xE0 / 0xC0 when it carries a data packet, else 0
  int paddingPackets = 0;
};

struct Packet {
  std::uint8_t id = 0;
  std::int64_t pts = -1;
  std::int64_t dts = -1;
};

// One stream's payloads laid end to end, each piece with its file offset.
struct EsMap {
  std::string bytes;
  struct Piece {
    std::int64_t esOffset = 0;
    std::int64_t fileOffset = 0;
    std::int64_t size = 0;
  };
  std::vector<Piece> pieces;

  // Stream offset of a file position that lies inside a payload or right at
  // the end of one; -1 when it lies elsewhere.
  std::int64_t esOffsetOf(std::int64_t fileOffset) const;
  // The bytes of the stream between two file positions.
  std::string slice(std::int64_t fromFile, std::int64_t toFile) const;
};

struct SystemStream {
  std::vector<Pack> packs;
  std::vector<Packet> packets;  // video stream 0 and audio stream 0, in file order
  EsMap video;                  // stream 0xE0
  EsMap audio;                  // stream 0xC0
  std::string error;            // empty when every byte belonged to a pack
};

// Reads a system stream. With `strict` set every byte must belong to a pack
// (zero fill behind a pack allowed); otherwise unknown bytes are skipped, as
// a reader of foreign files must.
SystemStream readSystemStream(const std::string& file, bool strict);

// An elementary stream that is a file of its own: one piece, offsets equal.
EsMap wholeFile(const std::string& file);

struct Picture {
  std::int64_t offset = 0;  // of its start code in the stream
  int temporalReference = 0;
  char type = '?';  // I, P, B, D
};
struct GopHeader {
  std::int64_t offset = 0;
  bool closed = false;
  bool brokenLink = false;
};
struct VideoSyntax {
  std::vector<Picture> pictures;
  std::vector<GopHeader> gops;
};
VideoSyntax readVideoSyntax(const std::string& es);

// Pictures whose start code lies in [from, to) (stream offsets).
int picturesBetween(const VideoSyntax& v, std::int64_t from, std::int64_t to);

// The B-pictures a cut at stream offset `cutIn` leaves without their past
// reference: the run of B-pictures behind the first I-picture of the GOP
// that starts there, when that GOP is open and the I-picture is not shown
// first. 0 otherwise.
int deadBPictures(const VideoSyntax& v, std::int64_t cutIn);

// The first GOP header at or after `from`; nullptr when there is none.
const GopHeader* gopAtOrAfter(const VideoSyntax& v, std::int64_t from);

// MPEG-1 audio frames laid end to end from the start; -1 when a frame header
// is broken or the last frame is cut short.
int countAudioFrames(const std::string& es);

// md5 of a file as lowercase hex (md5sum); empty when it cannot be read.
std::string md5OfFile(const std::string& path);

}  // namespace cw::test::accept
