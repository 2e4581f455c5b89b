// The elementary-stream parts of the conformance check: the video syntax
// (sequence, GOP and picture headers, and where a GOP must be closed or
// carry broken_link) and the audio frames. Bytes are fed as they come, one
// packet payload or one file block at a time; the access units found are
// handed to the owner, which replays them against the decoder buffer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/analysis/mpeg1.h"
#include "engine/edit/stream_check.h"

namespace cw {

// An access unit: where its picture start code or audio sync word lies and
// where its bytes begin (the sequence and GOP headers in front of a picture
// belong to it), both as stream offsets.
struct EsUnit {
  std::int64_t anchor = 0;
  std::int64_t head = 0;
};

// Stream offsets of the bytes fed so far and their file positions.
class EsPlace {
 public:
  void feed(std::int64_t size, std::int64_t fileOffset);
  std::int64_t length() const { return length_; }
  // File position of a stream offset of the current or previous piece.
  std::int64_t fileOffsetOf(std::int64_t esOffset) const;

 private:
  std::int64_t length_ = 0;
  std::int64_t pieceStart_ = 0, pieceFile_ = 0;
  std::int64_t previousStart_ = 0, previousFile_ = 0;
};

class VideoCheck {
 public:
  VideoCheck(CheckReport& report, int streamId) : report_(report), streamId_(streamId) {}
  void feed(const std::uint8_t* data, std::size_t size, std::int64_t fileOffset, double seconds);
  void finish(double seconds);

  std::vector<EsUnit> units;  // found since the owner last took them
  // Ticks per picture from the first sequence header; 0 before it.
  double picturePeriod() const { return period_; }
  bool hasSequenceHeader() const { return sequenceSeen_; }
  const std::uint8_t* firstSequenceHeader() const { return firstSequence_; }
  std::int64_t pictures() const { return pictures_; }

 private:
  void startCode(std::int64_t at, std::uint8_t code);
  void header(const std::uint8_t* h);
  void sequenceHeader(const std::uint8_t* h);
  void gopHeader(const std::uint8_t* h);
  void picture(const std::uint8_t* h);
  void problem(CheckKind kind, std::int64_t esOffset, const std::string& text);
  double timeOf() const;

  CheckReport& report_;
  int streamId_;
  EsPlace place_;
  double seconds_ = -1.0;
  std::uint32_t last3_ = 0xFFFFFF;
  std::uint8_t header_[12] = {};
  int headerWanted_ = 0;
  int headerHave_ = 0;
  std::int64_t headerAt_ = 0;
  std::int64_t unitHead_ = -1;  // first header byte of the unit being gathered

  bool sequenceSeen_ = false;
  std::uint8_t firstSequence_[12] = {};
  double period_ = 0.0;
  bool afterSequenceEnd_ = true;  // the stream start counts as one
  bool gopSeen_ = false;
  bool mpeg2Reported_ = false;
  // The GOP whose first pictures are being looked at.
  bool gopNeedsNoPast_ = false;  // open, without broken_link, after a break
  int gopPictures_ = 0;
  int gopFirstReference_ = 0;
  std::int64_t pictures_ = 0;
};

class AudioCheck {
 public:
  AudioCheck(CheckReport& report, int streamId) : report_(report), streamId_(streamId) {}
  void feed(const std::uint8_t* data, std::size_t size, std::int64_t fileOffset, double seconds);
  void finish(double seconds);

  std::vector<EsUnit> units;
  double framePeriod() const { return period_; }  // ticks; 0 before the first frame
  bool hasFrame() const { return first_.layer != 0; }
  const std::uint8_t* firstHeader() const { return firstBytes_; }
  std::int64_t frames() const { return frames_; }

 private:
  void candidate(std::int64_t at);
  void problem(CheckKind kind, std::int64_t esOffset, const std::string& text);
  double timeOf() const;

  CheckReport& report_;
  int streamId_;
  EsPlace place_;
  double seconds_ = -1.0;
  std::uint8_t last4_[4] = {};
  bool synced_ = false;
  bool stopped_ = false;  // free format: frames cannot be followed
  std::int64_t frameStart_ = 0;
  std::int64_t nextFrame_ = 0;
  mpeg1::AudioHeader first_;
  std::uint8_t firstBytes_[4] = {};
  double period_ = 0.0;
  std::int64_t frames_ = 0;
};

std::string streamName(int streamId);  // "video stream 0xE0"

}  // namespace cw
