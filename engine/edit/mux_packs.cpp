#include "engine/edit/mux_packs.h"

#include <cstring>

#include "engine/analysis/mpeg1.h"

namespace cw {
namespace {

constexpr int kPacketStartBytes = 6;     // start code and packet_length
constexpr int kMinTrailingPadding = 17;  // room behind a last video packet for a padding packet
constexpr int kMinAudioPadding = 10;

void putStartCode(PackWriter& out, std::uint8_t code) { out.put({0x00, 0x00, 0x01, code}); }

void putLength(PackWriter& out, int length) {
  out.put({static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length)});
}

void putStamps(PackWriter& out, const TimeStamps& s) {
  if (s.count == 0) {
    out.put(0x0F);
    return;
  }
  std::uint8_t* field = out.take(static_cast<std::size_t>(s.size()));
  mpeg1::encodeTimeStamp(field, s.count == 2 ? 0x3 : 0x2, s.pts);
  if (s.count == 2) mpeg1::encodeTimeStamp(field + 5, 0x1, s.dts);
}

// Packet header fields in their order: stuffing, STD field, time stamps; then
// the payload. packet_length counts everything after the length field.
void putDataPacket(PackWriter& out, std::uint8_t streamId, int stuffing, const PacketContent& c) {
  putStartCode(out, streamId);
  putLength(out, stuffing + c.stdBytes() + c.stamps.size() + c.length);
  out.fill(static_cast<std::size_t>(stuffing), 0xFF);
  if (c.stdField != nullptr) out.copy(c.stdField, 2);
  putStamps(out, c.stamps);
  out.copy(c.payload, static_cast<std::size_t>(c.length));
}

void putEndCode(PackWriter& out) { putStartCode(out, mpeg1::kEndCode); }

void putZeroFill(PackWriter& out, const PackProfile& p) {
  if (p.zeroFill) out.fill(kZeroFillBytes, 0x00);
}

}  // namespace

void putPackHeader(PackWriter& out, std::int64_t scr, int muxRate) {
  mpeg1::encodePackHeader(out.take(static_cast<std::size_t>(mpeg1::kPackHeaderSize)), scr, muxRate);
}

void putPaddingPacket(PackWriter& out, int n) {
  putStartCode(out, mpeg1::kPaddingStream);
  putLength(out, n - kPacketStartBytes);
  std::uint8_t* data = out.take(static_cast<std::size_t>(n - kPacketStartBytes));
  std::memset(data, 0xFF, static_cast<std::size_t>(n - kPacketStartBytes));
  data[n % 2 == 0 ? 1 : 0] = 0x0F;
}

void putLeadingPack(PackWriter& out, std::int64_t scr, const PackProfile& p,
                    const LeadingPack& lead) {
  putPackHeader(out, scr, p.muxRate);
  out.copy(lead.systemHeader.data(), lead.systemHeader.size());
  putPaddingPacket(out, lead.padding);
  out.fill(static_cast<std::size_t>(lead.zeroFill), 0x00);
}

void putPaddingPack(PackWriter& out, std::int64_t scr, const PackProfile& p) {
  putPackHeader(out, scr, p.muxRate);
  putPaddingPacket(out, p.paddingSpace + 4);
}

void putEndPack(PackWriter& out, std::int64_t scr, const PackProfile& p) {
  putPackHeader(out, scr, p.muxRate);
  putPaddingPacket(out, p.paddingSpace);
  putEndCode(out);
}

void putFullVideoPack(PackWriter& out, std::int64_t scr, const PackProfile& p,
                      const PacketContent& c) {
  putPackHeader(out, scr, p.muxRate);
  putDataPacket(out, mpeg1::kVideoStream0, kVideoHeaderBytes - c.stdBytes() - c.stamps.size(), c);
}

void putFullAudioPack(PackWriter& out, std::int64_t scr, const PackProfile& p,
                      const PacketContent& c) {
  putPackHeader(out, scr, p.muxRate);
  putDataPacket(out, mpeg1::kAudioStream0, kAudioHeaderBytes - c.stdBytes() - c.stamps.size(), c);
  putZeroFill(out, p);
}

void putLastVideoPack(PackWriter& out, std::int64_t scr, const PackProfile& p,
                      const PacketContent& c) {
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

void putLastAudioPack(PackWriter& out, std::int64_t scr, const PackProfile& p,
                      const PacketContent& c) {
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
