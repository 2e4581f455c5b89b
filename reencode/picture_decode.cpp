#include "reencode/picture_decode.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace cw::reencode {

namespace {

constexpr std::uint8_t kPicture = 0x00;
constexpr std::uint8_t kSequence = 0xB3;
constexpr std::uint8_t kGroup = 0xB8;

bool codeAt(const std::vector<std::uint8_t>& b, std::size_t p) {
  return b[p] == 0 && b[p + 1] == 0 && b[p + 2] == 1;
}

struct CodecDeleter {
  void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct PacketDeleter {
  void operator()(AVPacket* p) const { av_packet_free(&p); }
};

void keepReady(AVCodecContext* ctx, AVFrame* frame, std::int64_t first, std::int64_t count,
               std::map<std::int64_t, FramePtr>& frames) {
  while (avcodec_receive_frame(ctx, frame) == 0) {
    const std::int64_t n = frame->pts;
    if (n >= first && n < first + count && frames.find(n) == frames.end()) {
      frames[n] = FramePtr(av_frame_clone(frame));
    }
    av_frame_unref(frame);
  }
}

}  // namespace

std::vector<CodedPicture> splitPictures(const std::vector<std::uint8_t>& coded) {
  std::vector<CodedPicture> pictures;
  std::int64_t gopBase = 0;
  std::int64_t inGop = 0;
  std::size_t headersAt = 0;  // where the headers in front of the next picture begin
  bool headers = false;
  for (std::size_t p = 0; p + 6 <= coded.size(); ++p) {
    if (!codeAt(coded, p)) continue;
    const std::uint8_t code = coded[p + 3];
    if (code == kSequence || code == kGroup) {
      if (!headers) headersAt = p;
      headers = true;
      if (code == kGroup) {
        gopBase += inGop;
        inGop = 0;
      }
    } else if (code == kPicture) {
      const std::size_t begin = headers ? headersAt : p;
      if (!pictures.empty()) pictures.back().end = begin;
      const int ref = coded[p + 4] << 2 | coded[p + 5] >> 6;
      pictures.push_back({begin, 0, gopBase + ref});
      headers = false;
      ++inGop;
    }
  }
  if (!pictures.empty()) {
    pictures.back().end = coded.size();
    pictures.front().begin = 0;  // the stream's leading sequence header goes with it
  }
  return pictures;
}

bool decodeWanted(const std::vector<std::uint8_t>& coded, std::int64_t first, std::int64_t count,
                  std::map<std::int64_t, FramePtr>& frames) {
  const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_MPEG1VIDEO);
  if (codec == nullptr) return false;
  std::unique_ptr<AVCodecContext, CodecDeleter> ctx(avcodec_alloc_context3(codec));
  std::unique_ptr<AVPacket, PacketDeleter> packet(av_packet_alloc());
  FramePtr frame(av_frame_alloc());
  if (!ctx || !packet || !frame) return false;
  ctx->thread_count = 1;
  if (avcodec_open2(ctx.get(), codec, nullptr) < 0) return false;

  for (const CodedPicture& picture : splitPictures(coded)) {
    const auto size = static_cast<int>(picture.end - picture.begin);
    if (av_new_packet(packet.get(), size) < 0) return false;
    std::copy(coded.begin() + static_cast<std::ptrdiff_t>(picture.begin),
              coded.begin() + static_cast<std::ptrdiff_t>(picture.end), packet->data);
    packet->pts = picture.display;
    const int rc = avcodec_send_packet(ctx.get(), packet.get());
    av_packet_unref(packet.get());
    if (rc < 0 && rc != AVERROR_INVALIDDATA) return false;
    keepReady(ctx.get(), frame.get(), first, count, frames);
  }
  avcodec_send_packet(ctx.get(), nullptr);
  keepReady(ctx.get(), frame.get(), first, count, frames);
  return static_cast<std::int64_t>(frames.size()) == count;
}

}  // namespace cw::reencode
