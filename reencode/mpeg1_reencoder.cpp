#include "reencode/mpeg1_reencoder.h"

#include <algorithm>
#include <array>
#include <map>
#include <memory>

#include "engine/analysis/mpeg1.h"
#include "reencode/picture_decode.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/mem.h>
#include <libavutil/opt.h>
}

namespace cw {

namespace {

using reencode::FramePtr;

// Scan position -> raster position of an 8x8 block.
constexpr std::array<int, 64> kZigzag = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

constexpr std::array<AVRational, 9> kRates = {{{0, 1},
                                               {24000, 1001},
                                               {24, 1},
                                               {25, 1},
                                               {30000, 1001},
                                               {30, 1},
                                               {50, 1},
                                               {60000, 1001},
                                               {60, 1}}};

struct CodecDeleter {
  void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct PacketDeleter {
  void operator()(AVPacket* p) const { av_packet_free(&p); }
};
using CodecPtr = std::unique_ptr<AVCodecContext, CodecDeleter>;

// Reads `bits` bits from `h` starting at bit offset `at` (MSB first).
int readBits(const std::vector<std::uint8_t>& h, std::size_t at, int bits) {
  int v = 0;
  for (int i = 0; i < bits; ++i, ++at) {
    const std::size_t byte = at / 8;
    const int bit = byte < h.size() ? (h[byte] >> (7 - at % 8)) & 1 : 0;
    v = v << 1 | bit;
  }
  return v;
}

// The matrices a sequence header loads, in raster order; null when it loads none.
struct Matrices {
  std::unique_ptr<std::uint16_t[]> intra;
  std::unique_ptr<std::uint16_t[]> nonIntra;
};

std::unique_ptr<std::uint16_t[]> readMatrix(const std::vector<std::uint8_t>& h, std::size_t at) {
  auto m = std::make_unique<std::uint16_t[]>(64);
  for (int i = 0; i < 64; ++i) {
    m[kZigzag[i]] = static_cast<std::uint16_t>(readBits(h, at + 8 * i, 8));
  }
  return m;
}

Matrices readMatrices(const std::vector<std::uint8_t>& h) {
  Matrices m;
  std::size_t at = 8 * 11 + 6;  // load_intra_quantiser_matrix
  if (readBits(h, at, 1) != 0) {
    m.intra = readMatrix(h, at + 1);
    at += 64 * 8;
  }
  ++at;
  if (readBits(h, at, 1) != 0) m.nonIntra = readMatrix(h, at + 1);
  return m;
}

// libavcodec frees the matrices it is given with the context.
std::uint16_t* codecMatrix(const std::unique_ptr<std::uint16_t[]>& m) {
  if (!m) return nullptr;
  auto* copy = static_cast<std::uint16_t*>(av_malloc(64 * sizeof(std::uint16_t)));
  if (copy != nullptr) std::copy(m.get(), m.get() + 64, copy);
  return copy;
}

CodecPtr openEncoder(const ReencodeJob& job, const mpeg1::SequenceHeader& sh) {
  const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MPEG1VIDEO);
  if (codec == nullptr) return nullptr;
  CodecPtr ctx(avcodec_alloc_context3(codec));
  if (!ctx) return nullptr;
  const std::int64_t declared = std::int64_t{sh.bitRateValue} * 400;
  const double share = std::max(0.3, 1.0 - 0.15 * job.coarseness);
  ctx->width = sh.horizontalSize;
  ctx->height = sh.verticalSize;
  ctx->pix_fmt = AV_PIX_FMT_YUV420P;
  ctx->framerate = kRates[static_cast<std::size_t>(sh.pictureRateCode)];
  ctx->time_base = av_inv_q(ctx->framerate);
  ctx->bit_rate = static_cast<std::int64_t>(static_cast<double>(declared) * share);
  ctx->rc_max_rate = declared;
  ctx->rc_min_rate = job.coarseness == 0 ? declared : 0;
  ctx->rc_buffer_size = sh.vbvBufferSize * 16384;
  const std::int64_t level =
      job.startVbvDelay > 0 ? std::int64_t{job.startVbvDelay} * declared / 90000 : 0;
  ctx->rc_initial_buffer_occupancy = static_cast<int>(
      level > 0 ? std::min<std::int64_t>(level, ctx->rc_buffer_size) : ctx->rc_buffer_size * 3 / 4);
  ctx->gop_size = static_cast<int>(job.count + 1);  // one GOP: a single I-picture
  ctx->max_b_frames = job.bPictures ? 2 : 0;
  ctx->flags |= AV_CODEC_FLAG_CLOSED_GOP;
  ctx->qmin = 2 + 3 * job.coarseness;
  ctx->thread_count = 1;
  const Matrices m = readMatrices(job.sequenceHeader);
  ctx->intra_matrix = codecMatrix(m.intra);
  ctx->inter_matrix = codecMatrix(m.nonIntra);
  av_opt_set_int(ctx.get(), "sc_threshold", 1000000000, AV_OPT_SEARCH_CHILDREN);
  av_opt_set(ctx.get(), "mbd", "rd", AV_OPT_SEARCH_CHILDREN);
  if (avcodec_open2(ctx.get(), codec, nullptr) < 0) return nullptr;
  return ctx;
}

bool drain(AVCodecContext* ctx, AVPacket* packet, std::vector<std::uint8_t>& out) {
  for (;;) {
    const int rc = avcodec_receive_packet(ctx, packet);
    if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return true;
    if (rc < 0) return false;
    out.insert(out.end(), packet->data, packet->data + packet->size);
    av_packet_unref(packet);
  }
}

// The encoder's stream from its first GOP header on, without an end code.
bool keepGop(std::vector<std::uint8_t>& stream) {
  std::size_t gop = 0;
  while (gop + 4 <= stream.size() &&
         !(mpeg1::isStartCode(&stream[gop]) && stream[gop + 3] == mpeg1::kGroupStart)) {
    ++gop;
  }
  if (gop + 8 > stream.size()) return false;
  stream.erase(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(gop));
  const std::size_t n = stream.size();
  if (n >= 4 && mpeg1::isStartCode(&stream[n - 4]) && stream[n - 1] == mpeg1::kSequenceEnd) {
    stream.resize(n - 4);
  }
  return true;
}

int encodeFrames(const ReencodeJob& job, const mpeg1::SequenceHeader& sh,
                 std::map<std::int64_t, FramePtr>& frames, std::vector<std::uint8_t>& out) {
  CodecPtr ctx = openEncoder(job, sh);
  std::unique_ptr<AVPacket, PacketDeleter> packet(av_packet_alloc());
  if (!ctx || !packet) return kReencodeNoCodec;
  for (auto& [number, frame] : frames) {
    if (frame->width != ctx->width || frame->height != ctx->height ||
        frame->format != AV_PIX_FMT_YUV420P) {
      return kReencodeDecodeFailed;
    }
    frame->pts = number - job.first;
    frame->pict_type = AV_PICTURE_TYPE_NONE;
    if (avcodec_send_frame(ctx.get(), frame.get()) < 0) return kReencodeEncodeFailed;
    if (!drain(ctx.get(), packet.get(), out)) return kReencodeEncodeFailed;
  }
  if (avcodec_send_frame(ctx.get(), nullptr) < 0) return kReencodeEncodeFailed;
  if (!drain(ctx.get(), packet.get(), out)) return kReencodeEncodeFailed;
  return keepGop(out) ? 0 : kReencodeEncodeFailed;
}

}  // namespace

int Mpeg1Reencoder::reencode(const ReencodeJob& job, std::vector<std::uint8_t>& gop) {
  mpeg1::SequenceHeader sh;
  if (job.count <= 0 || job.sequenceHeader.size() < mpeg1::kSequenceHeaderBase ||
      mpeg1::decodeSequenceHeader(job.sequenceHeader.data(), sh) != 0 ||
      sh.bitRateValue == mpeg1::kVariableBitRate) {
    return kReencodeBadJob;
  }
  std::map<std::int64_t, FramePtr> frames;
  if (!reencode::decodeWanted(job.coded, job.first, job.count, frames)) {
    return kReencodeDecodeFailed;
  }
  std::vector<std::uint8_t> out;
  if (const int rc = encodeFrames(job, sh, frames, out)) return rc;
  gop = std::move(out);
  return 0;
}

}  // namespace cw
