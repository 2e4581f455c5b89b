#include "engine/edit/demux_packets.h"

#include "engine/analysis/mpeg1.h"

namespace cw {

namespace {

constexpr std::size_t kStartCodeBytes = 4;
constexpr std::size_t kPacketPrefix = 6;  // start code and packet_length

// Result of looking at one position.
enum class Step { Next, Wait, Bad };

bool hasHeaderFields(std::uint8_t id) { return mpeg1::isAudioId(id) || mpeg1::isVideoId(id); }

Step takePacket(const std::uint8_t* b, std::size_t at, std::size_t size,
                std::vector<DemuxPacket>& out, std::size_t& next) {
  if (at + kPacketPrefix > size) return Step::Wait;
  const std::size_t length = static_cast<std::size_t>(mpeg1::packetLength(b + at));
  if (length == 0) return Step::Bad;
  const std::size_t end = at + kPacketPrefix + length;
  if (end > size) return Step::Wait;
  DemuxPacket packet;
  packet.start = at;
  packet.end = end;
  packet.id = b[at + 3];
  packet.payload = at + kPacketPrefix;
  if (hasHeaderFields(packet.id)) {
    mpeg1::PacketHeader header;
    if (!mpeg1::parsePacketHeader(b + at, static_cast<int>(end - at), header)) return Step::Bad;
    packet.payload = at + static_cast<std::size_t>(header.payloadOffset);
    packet.pts = header.pts;
    packet.dts = header.dts;
  }
  out.push_back(packet);
  next = end;
  return Step::Next;
}

Step takePackHeader(const std::uint8_t* b, std::size_t at, std::size_t size, std::size_t& next) {
  if (at + mpeg1::kPackHeaderSize > size) return Step::Wait;
  if ((b[at + 4] & 0xF0) != 0x20) return Step::Bad;  // not an MPEG-1 pack header
  next = at + mpeg1::kPackHeaderSize;
  return Step::Next;
}

Step takeSystemHeader(const std::uint8_t* b, std::size_t at, std::size_t size, std::size_t& next) {
  if (at + kPacketPrefix > size) return Step::Wait;
  const std::size_t end =
      at + kPacketPrefix + static_cast<std::size_t>(mpeg1::packetLength(b + at));
  if (end > size) return Step::Wait;
  next = end;
  return Step::Next;
}

}  // namespace

int walkPackets(const std::uint8_t* b, std::size_t size, std::vector<DemuxPacket>& out,
                std::size_t& consumed) {
  out.clear();
  std::size_t at = 0;
  while (at + kStartCodeBytes <= size) {
    if (!mpeg1::isStartCode(b + at)) {
      ++at;
      continue;
    }
    const std::uint8_t id = b[at + 3];
    std::size_t next = at + kStartCodeBytes;
    Step step = Step::Next;
    if (id == mpeg1::kPackStart) {
      step = takePackHeader(b, at, size, next);
    } else if (id == mpeg1::kSystemHeader) {
      step = takeSystemHeader(b, at, size, next);
    } else if (mpeg1::isPacketId(id)) {
      step = takePacket(b, at, size, out, next);
    }
    if (step == Step::Bad) return kDemuxIncorrectPacket;
    if (step == Step::Wait) break;
    at = next;
  }
  // A start code may begin in the last three bytes.
  while (at < size && at + kStartCodeBytes > size && b[at] != 0) ++at;
  consumed = at;
  return 0;
}

}  // namespace cw
