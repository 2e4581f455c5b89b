// Packet scanning: the first packet of a buffer, the packet list, and the
// per-stream copies of it with their time stamps.
#include <algorithm>
#include <new>

#include "engine/analysis/mpeg1.h"
#include "engine/analysis/payload_walk.h"
#include "engine/analysis/scanners.h"
#include "engine/common/errors.h"

namespace cw {
namespace {

using scan_detail::findStartCode;
using scan_detail::stepPastCode;

// The first-packet search gives up this close to the end of the buffer.
constexpr std::uint64_t kSearchMargin = 2048;
// A first packet must leave this many bytes behind it to be checked.
constexpr std::uint64_t kFollowMargin = 2052;
// Zero bytes tolerated behind the first packet.
constexpr std::uint32_t kMaxZeroRun = 2047;
// Bytes the listing needs from a candidate position on.
constexpr std::uint64_t kListingWindow = 12;
constexpr int kMaxListedLength = 8192;

bool isListedId(std::uint8_t id) {
  return id == mpeg1::kVideoStream0 || id == mpeg1::kAudioStream0 ||
         (id >= mpeg1::kReservedStream && id <= mpeg1::kPrivateStream2);
}

bool allZero(const std::uint8_t* p) { return (p[0] | p[1] | p[2] | p[3]) == 0; }

// Offset of the next 00 00 01 xx with a packet stream id at or after `from`,
// or -1 when the search reaches the margin before the buffer end.
std::int64_t searchPacketCode(const ScanBuffer& buf, std::uint64_t from) {
  const std::uint8_t* data = buf.data.data();
  const std::uint64_t size = buf.data.size();
  if (size < kSearchMargin) return -1;
  const std::uint64_t last = size - kSearchMargin + 1;  // first position too close to the end
  std::uint64_t pos = from;
  while (pos < last) {
    pos = findStartCode(data, pos, last);
    if (pos == last) break;
    const std::uint8_t* p = data + pos;
    if (mpeg1::isPacketId(p[3])) return static_cast<std::int64_t>(pos);
    pos += stepPastCode(p);
  }
  return -1;
}

// One attempt of the first-packet search. `codeAt` is the start code that was
// tried, for the retry.
int tryFirstPacket(const ScanBuffer& buf, std::uint64_t from, ScanEntry& first,
                   std::uint32_t& resume, std::uint64_t& codeAt) {
  const std::int64_t found = searchPacketCode(buf, from);
  if (found < 0) return kScanNoPackets;
  codeAt = static_cast<std::uint64_t>(found);
  const std::uint8_t* p = buf.data.data() + codeAt;
  const int length = mpeg1::packetLength(p);
  if (length == 0) return kScanZeroLength;
  const std::uint64_t end = codeAt + 6 + length;
  if (end + kFollowMargin > buf.data.size()) return kScanNearEnd;

  mpeg1::PacketHeader header;
  if (!mpeg1::parsePacketHeader(p, 6 + length, header)) return kScanBadHeader;

  std::uint32_t zeros = 0;
  while (zeros < kMaxZeroRun && allZero(buf.data.data() + end + zeros)) ++zeros;

  first = ScanEntry{};
  first.start = static_cast<std::uint32_t>(codeAt);
  first.end = static_cast<std::uint32_t>(end);
  first.payload = static_cast<std::uint32_t>(codeAt + header.payloadOffset);
  first.kind = p[3];
  resume = static_cast<std::uint32_t>(end + zeros);
  return 0;
}

// The packet starting at `pos` if the listing takes it: 0 and `entry` set,
// kScanNoPackets when it runs past the buffer (the list ends there),
// kScanBadHeader for an incorrect header, or 1 when it is not taken.
int takeListedPacket(const ScanBuffer& buf, std::uint64_t pos, ScanEntry& entry) {
  const std::uint8_t* p = buf.data.data() + pos;
  const int length = mpeg1::packetLength(p);
  if (!isListedId(p[3]) || length == 0 || length > kMaxListedLength) return 1;
  const std::uint64_t end = pos + 6 + length;
  if (end > buf.data.size()) return kScanNoPackets;
  int payloadOffset = 6;
  if (p[3] == mpeg1::kVideoStream0 || p[3] == mpeg1::kAudioStream0) {
    mpeg1::PacketHeader header;
    if (!mpeg1::parsePacketHeader(p, 6 + length, header)) return kScanBadHeader;
    payloadOffset = header.payloadOffset;
  }
  entry = ScanEntry{};
  entry.start = static_cast<std::uint32_t>(pos);
  entry.end = static_cast<std::uint32_t>(end);
  entry.payload = static_cast<std::uint32_t>(pos + payloadOffset);
  entry.kind = p[3];
  return 0;
}

// Appends the packets that follow the first one, from `pos` on.
int listFollowingPackets(const ScanBuffer& buf, std::uint64_t pos, ScanList& list) {
  const std::uint8_t* data = buf.data.data();
  const std::uint64_t size = buf.data.size();
  if (size < kListingWindow) return 0;
  const std::uint64_t last = size - kListingWindow + 1;  // first position without room
  while (pos < last) {
    pos = findStartCode(data, pos, last);
    if (pos == last) break;
    const std::uint8_t* p = data + pos;
    if (p[3] == mpeg1::kPackStart) {
      pos += mpeg1::kPackHeaderSize;
      continue;
    }
    ScanEntry entry;
    const int taken = takeListedPacket(buf, pos, entry);
    if (taken == kScanNoPackets) break;
    if (taken == kScanBadHeader) return kScanBadStream;
    if (taken == 0) {
      list.push_back(entry);
      pos = entry.end;
    } else {
      pos += stepPastCode(p);
    }
  }
  return 0;
}

template <class Stamp>
int filterPackets(const ScanList& packets, std::uint8_t streamId, ScanList& out, Stamp&& stamp) {
  try {
    ScanList copy;
    copy.reserve(static_cast<std::size_t>(std::count_if(
        packets.begin(), packets.end(), [&](const ScanEntry& e) { return e.kind == streamId; })));
    for (const ScanEntry& e : packets) {
      if (e.kind != streamId) continue;
      ScanEntry c = e;
      c.pts() = kNoTime;
      c.dts() = kNoTime;
      stamp(e, c);
      copy.push_back(c);
    }
    out = std::move(copy);
    return 0;
  } catch (const std::bad_alloc&) {
    return kScanMemory;
  }
}

}  // namespace

int findFirstPacket(const ScanBuffer& buf, std::uint32_t from, ScanEntry& first,
                    std::uint32_t& resume) {
  std::uint64_t codeAt = 0;
  const int result = tryFirstPacket(buf, from, first, resume, codeAt);
  if (result == 0 || result == kScanNoPackets) return result;
  const int retry = tryFirstPacket(buf, codeAt + 4, first, resume, codeAt);
  if (retry == 0 || retry == kScanNoPackets) return retry;
  return kScanBadStream;
}

int listPackets(ScanBuffer& buf) {
  try {
    ScanEntry first;
    std::uint32_t resume = 0;
    const int found = findFirstPacket(buf, 0, first, resume);
    if (found != 0) return found;
    ScanList list;
    list.push_back(first);
    const int listed = listFollowingPackets(buf, resume, list);
    if (listed != 0) return listed;
    buf.packets = std::move(list);
    return 0;
  } catch (const std::bad_alloc&) {
    return kScanMemory;
  }
}

int filterPacketsPts(const ScanBuffer& buf, const ScanList& packets, std::uint8_t streamId,
                     ScanList& out) {
  return filterPackets(packets, streamId, out, [&](const ScanEntry& e, ScanEntry& c) {
    c.start = e.payload;
    c.pts() = mpeg1::packetPts(buf.data.data() + e.start, static_cast<int>(e.payload - e.start));
  });
}

int filterPacketsPtsDts(const ScanBuffer& buf, const ScanList& packets, std::uint8_t streamId,
                        ScanList& out) {
  return filterPackets(packets, streamId, out, [&](const ScanEntry& e, ScanEntry& c) {
    c.start = e.payload;
    mpeg1::packetPtsDts(buf.data.data() + e.start, static_cast<int>(e.payload - e.start), c.pts(),
                        c.dts());
  });
}

int filterPrivateStream2(const ScanList& packets, ScanList& out) {
  return filterPackets(packets, mpeg1::kPrivateStream2, out, [](const ScanEntry&, ScanEntry&) {});
}

ScanList wholeBuffer(const ScanBuffer& buf) {
  ScanEntry all;
  all.start = 0;
  all.payload = 0;
  all.end = buf.size();
  all.kind = mpeg1::kVideoStream0;
  return ScanList{all};
}

}  // namespace cw
