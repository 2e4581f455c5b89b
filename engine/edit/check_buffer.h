// One stream of a system stream under the conformance check: its payloads
// go through the stream's syntax check, its access units get their decoding
// times from the packets' time stamps, and every packet is replayed against
// the stream's decoder buffer with the multiplexer's buffer model.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>

#include "engine/edit/check_es.h"
#include "engine/edit/std_model.h"

namespace cw {

// One packet of the stream as it arrives.
struct CheckPacket {
  std::int64_t fileOffset = 0;  // its first byte
  std::int64_t payloadFileOffset = 0;
  std::int64_t scr = 0;  // of its pack
  double ticksPerByte = 0.0;
  StdPacketSpan span;  // where it lies behind the SCR-stamped byte
  std::int64_t esStart = 0;
  std::int64_t pts = -1;
  std::int64_t dts = -1;
};

class StreamReplay {
 public:
  StreamReplay(CheckReport& report, int streamId);
  ~StreamReplay();

  int streamId() const { return streamId_; }
  std::int64_t esLength() const { return esLength_; }
  void declareSize(std::int64_t bytes);   // a P-STD field of a packet
  void declareBound(std::int64_t bytes);  // the system header's bound
  // A constrained-parameters stream's decoder has no larger buffer than
  // `bytes`, whatever the stream declares.
  void capSize(std::int64_t bytes) { cap_ = bytes; }
  std::int64_t declaredSize() const { return size_ >= 0 ? size_ : bound_; }
  std::int64_t bufferSize() const {
    const std::int64_t declared = declaredSize();
    return cap_ >= 0 && declared > cap_ ? cap_ : declared;
  }

  void packet(CheckPacket p, const std::uint8_t* payload);
  void finish(double seconds);
  CheckedBuffer summary() const;

  VideoCheck* video() { return video_.get(); }
  AudioCheck* audio() { return audio_.get(); }

 private:
  struct Stamped {
    std::int64_t start, end, pts, dts, fileOffset;
    double seconds;
    bool used;
  };
  struct TimedUnit {
    EsUnit unit;
    std::int64_t dts;
  };

  void takeUnits();
  void stampUnit(const EsUnit& unit, std::int64_t& dts);
  void dropStamp();
  void replay(const CheckPacket& p);
  void underflowChecks(const CheckPacket& p, const ScanList& list);
  void late(const CheckPacket& p, std::int64_t dts, std::int64_t byteInPayload);

  CheckReport& report_;
  int streamId_;
  std::unique_ptr<VideoCheck> video_;
  std::unique_ptr<AudioCheck> audio_;
  std::int64_t esLength_ = 0;
  std::int64_t size_ = -1, bound_ = -1, cap_ = -1;
  std::deque<Stamped> stamps_;   // of the last packets, for units whose start code straddles them
  std::deque<TimedUnit> units_;  // found, not yet replayed
  std::int64_t lastDts_ = -1;    // of the last unit found
  std::int64_t lastStamped_ = -1;
  bool havePending_ = false;
  CheckPacket pending_;
  StdBuffer buffer_;
  std::int64_t peak_ = 0, unitCount_ = 0, overflowingPackets_ = 0;
  bool overflowing_ = false;
};

}  // namespace cw
