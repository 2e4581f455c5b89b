#include "engine/edit/mux_packs.h"

#include "engine/analysis/mpeg1.h"

namespace cw {
namespace {

constexpr int kPacketStartBytes = 6;     // start code and packet_length
constexpr int kMinTrailingPadding = 17;  // room behind a last video packet for a padding packet
constexpr int kMinAudioPadding = 10;

void putStartCode(Bytes& out, std::uint8_t code) {
  out.insert(out.end(), {0x00, 0x00, 0x01, code});
}

void putLength(Bytes& out, int length) {
  out.push_back(static_cast<std::uint8_t>(length >> 8));
  out.push_back(static_cast<std::uint8_t>(length));
}

void putStamps(Bytes& out, const TimeStamps& s) {
  if (s.count == 0) {
    out.push_back(0x0F);
    return;
  }
  const std::size_t at = out.size();
  out.resize(at + s.size());
  mpeg1::encodeTimeStamp(&out[at], s.count == 2 ? 0x3 : 0x2, s.pts);
  if (s.count == 2) mpeg1::encodeTimeStamp(&out[at + 5], 0x1, s.dts);
}

// Packet header fields in their order: stuffing, STD field, time stamps; then
// the payload. packet_length counts everything after the length field.
void putDataPacket(Bytes& out, std::uint8_t streamId, int stuffing, const PacketContent& c) {
  putStartCode(out, streamId);
  putLength(out, stuffing + c.stdBytes() + c.stamps.size() + c.length);
  out.insert(out.end(), stuffing, 0xFF);
  if (c.stdField != nullptr) out.insert(out.end(), c.stdField, c.stdField + 2);
  putStamps(out, c.stamps);
  out.insert(out.end(), c.payload, c.payload + c.length);
}

void putEndCode(Bytes& out) { putStartCode(out, mpeg1::kEndCode); }

void putZeroFill(Bytes& out, const PackProfile& p) {
  if (p.zeroFill) out.insert(out.end(), kZeroFillBytes, 0x00);
}

}  // namespace

void putPackHeader(Bytes& out, std::int64_t scr, int muxRate) {
  const std::size_t at = out.size();
  out.resize(at + mpeg1::kPackHeaderSize);
  mpeg1::encodePackHeader(&out[at], scr, muxRate);
}

void putPaddingPacket(Bytes& out, int n) {
  putStartCode(out, mpeg1::kPaddingStream);
  putLength(out, n - kPacketStartBytes);
  const std::size_t data = out.size();
  out.insert(out.end(), n - kPacketStartBytes, 0xFF);
  out[n % 2 == 0 ? data + 1 : data] = 0x0F;
}

void putLeadingPack(Bytes& out, std::int64_t scr, const PackProfile& p, const LeadingPack& lead) {
  putPackHeader(out, scr, p.muxRate);
  out.insert(out.end(), lead.systemHeader.begin(), lead.systemHeader.end());
  putPaddingPacket(out, lead.padding);
  out.insert(out.end(), lead.zeroFill, 0x00);
}

void putPaddingPack(Bytes& out, std::int64_t scr, const PackProfile& p) {
  putPackHeader(out, scr, p.muxRate);
  putPaddingPacket(out, p.paddingSpace + 4);
}

void putEndPack(Bytes& out, std::int64_t scr, const PackProfile& p) {
  putPackHeader(out, scr, p.muxRate);
  putPaddingPacket(out, p.paddingSpace);
  putEndCode(out);
}

void putFullVideoPack(Bytes& out, std::int64_t scr, const PackProfile& p, const PacketContent& c) {
  putPackHeader(out, scr, p.muxRate);
  putDataPacket(out, mpeg1::kVideoStream0, kVideoHeaderBytes - c.stdBytes() - c.stamps.size(), c);
}

void putFullAudioPack(Bytes& out, std::int64_t scr, const PackProfile& p, const PacketContent& c) {
  putPackHeader(out, scr, p.muxRate);
  putDataPacket(out, mpeg1::kAudioStream0, kAudioHeaderBytes - c.stdBytes() - c.stamps.size(), c);
  putZeroFill(out, p);
}

void putLastVideoPack(Bytes& out, std::int64_t scr, const PackProfile& p, const PacketContent& c) {
  putPackHeader(out, scr, p.muxRate);
  const int header = c.stdBytes() + c.stamps.size();
  const int room = p.videoPacket - header - c.length;
  if (room >= kMinTrailingPadding) {
    const int stuffing = (header + c.length) % 2;
    putDataPacket(out, mpeg1::kVideoStream0, stuffing, c);
    putPaddingPacket(out, room - stuffing);
  } else {
    putDataPacket(out, mpeg1::kVideoStream0, room, c);
  }
}

void putLastAudioPack(Bytes& out, std::int64_t scr, const PackProfile& p, const PacketContent& c) {
  putPackHeader(out, scr, p.muxRate);
  // Stuffing keeps the packet data length even.
  const bool odd = c.length % 2 != 0;
  int stuffing = c.stamps.count > 0 ? (odd ? 2 : 1) : (odd ? 6 : 1);
  const int header = stuffing + c.stdBytes() + c.stamps.size();
  // Any rest shorter than a full payload is a last pack, and its header can
  // be up to two bytes longer than a full packet's (the even-length stuffing
  // and the STD field). The packet always fits the pack; VideoCD's end code
  // does only when the rest leaves room for it, otherwise the end pack that
  // closes the stream is the one that carries it.
  const int unreserved = p.audioPacket - header - c.length;
  const bool endCode = p.endCodeInLastAudio > 0 && unreserved >= p.endCodeInLastAudio;
  const int room = unreserved - (endCode ? p.endCodeInLastAudio : 0);
  if (room >= kMinAudioPadding) {
    putDataPacket(out, mpeg1::kAudioStream0, stuffing, c);
    putPaddingPacket(out, room);
  } else {
    stuffing += room;
    putDataPacket(out, mpeg1::kAudioStream0, stuffing, c);
  }
  if (endCode) putEndCode(out);
  putZeroFill(out, p);
}

}  // namespace cw
