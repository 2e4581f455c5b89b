#include "player/media_file.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <new>
#include <vector>

#include "player/player_errors.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace cw::player {
namespace {

struct FormatCloser {
  void operator()(AVFormatContext* f) const { avformat_close_input(&f); }
};
struct CodecCloser {
  void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct PacketFreer {
  void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct FrameFreer {
  void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct ScaleFreer {
  void operator()(SwsContext* s) const { sws_freeContext(s); }
};
struct ResampleFreer {
  void operator()(SwrContext* s) const { swr_free(&s); }
};

using FormatPtr = std::unique_ptr<AVFormatContext, FormatCloser>;
using CodecPtr = std::unique_ptr<AVCodecContext, CodecCloser>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFreer>;
using FramePtr = std::unique_ptr<AVFrame, FrameFreer>;
using ScalePtr = std::unique_ptr<SwsContext, ScaleFreer>;
using ResamplePtr = std::unique_ptr<SwrContext, ResampleFreer>;

// How far before a target a seek lands first; doubled while the first picture
// decoded after the seek is still later than the target.
constexpr double kSeekMargin = 1.0;
// Targets this little ahead of the last picture are reached by decoding on.
constexpr double kDecodeAheadLimit = 2.0;
// The tail of a system stream decoded to find its last picture.
constexpr double kTailWindow = 3.0;

CodecPtr openDecoder(const AVStream* stream) {
  const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
  if (!codec) return nullptr;
  CodecPtr context(avcodec_alloc_context3(codec));
  if (!context) return nullptr;
  if (avcodec_parameters_to_context(context.get(), stream->codecpar) < 0) return nullptr;
  context->pkt_timebase = stream->time_base;
  context->thread_count = 1;
  if (avcodec_open2(context.get(), codec, nullptr) < 0) return nullptr;
  return context;
}

// The temporal reference of the first picture header in a packet: its place in
// display order within its group of pictures.
std::int64_t temporalReference(const AVPacket* packet) {
  const uint8_t* data = packet->data;
  for (int i = 0; i + 5 < packet->size; ++i) {
    if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1 && data[i + 3] == 0) {
      return (data[i + 4] << 2) | (data[i + 5] >> 6);
    }
  }
  return 0;
}

bool isKeyPicture(const AVFrame* frame) {
  return frame->key_frame || frame->pict_type == AV_PICTURE_TYPE_I;
}

}  // namespace

struct MediaFile::Impl {
  FormatPtr format;
  int videoIndex = -1;
  int audioIndex = -1;
  CodecPtr video;
  CodecPtr audio;
  PacketPtr packet{av_packet_alloc()};
  FramePtr frame{av_frame_alloc()};
  FramePtr audioFrame{av_frame_alloc()};
  ScalePtr scaler;
  ResamplePtr resampler;
  // Elementary video streams carry no time stamps: their pictures are counted
  // in display order from an index of key pictures made when opening.
  bool elementary = false;
  struct KeyPicture {
    std::int64_t position;      // byte offset of its packet
    std::int64_t displayIndex;  // its place in display order
  };
  std::vector<KeyPicture> keyPictures;
  std::int64_t nextDisplayIndex = 0;

  AVRational timeBase{1, 90000};  // of the stream that sets the origin
  std::int64_t originPts = 0;
  std::int64_t frameTicks = 0;  // picture period in timeBase units
  std::int64_t endPts = 0;      // end of the last picture or audio frame

  // Decoding state.
  bool drained = false;  // the demuxer is at its end, the decoder flushed
  bool keySeen = false;  // a key picture has come out since the last seek
  std::int64_t lastPts = AV_NOPTS_VALUE;
  bool haveCurrent = false;  // `current` is the picture last decoded
  VideoFrame current;
  std::int64_t currentPts = 0;

  AudioReceiver audioReceiver;
  AudioFormat audioFormat;
  bool audioDelivered = false;

  double seconds(std::int64_t pts) const { return (pts - originPts) * av_q2d(timeBase); }
  std::int64_t ticks(double t) const {
    return originPts + static_cast<std::int64_t>(std::llround(t / av_q2d(timeBase)));
  }

  int openStreams();
  int measureVideo();
  int indexElementaryVideo(std::int64_t& pictures);
  int seekElementary(std::int64_t pts);
  int measureAudio();
  int seekTo(std::int64_t pts, int streamIndex);
  void resetDecoders();
  int readPacket();
  int receivePicture();
  int decodePicture(std::int64_t& pts);
  int toImage(QImage& out);
  void decodeAudioPacket(const AVPacket* packet);
  void deliverAudio(const AVFrame* decoded);
  int decodeUntil(std::int64_t target, VideoFrame& out);
};

MediaFile::MediaFile(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
MediaFile::~MediaFile() = default;

int MediaFile::open(const std::string& path, std::unique_ptr<MediaFile>& out) {
  try {
    static const bool quiet = (av_log_set_level(AV_LOG_FATAL), true);
    (void)quiet;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return kErrFileNotFound;
    auto impl = std::make_unique<Impl>();
    if (!impl->packet || !impl->frame || !impl->audioFrame) return kErrOutOfMemory;
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) return kErrCannotRender;
    impl->format.reset(raw);
    if (int error = impl->openStreams()) return error;
    int error = impl->video ? impl->measureVideo() : impl->measureAudio();
    if (error) return error;
    out.reset(new MediaFile(std::move(impl)));
    return kErrNone;
  } catch (const std::bad_alloc&) {
    return kErrOutOfMemory;
  }
}

int MediaFile::Impl::openStreams() {
  if (avformat_find_stream_info(format.get(), nullptr) < 0) return kErrCannotRender;
  const std::string container = format->iformat->name;
  if (container != "mpeg" && container != "mpegvideo" && container != "mp3") {
    return kErrCannotRender;
  }
  elementary = container != "mpeg";
  videoIndex = av_find_best_stream(format.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  audioIndex = av_find_best_stream(format.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
  if (videoIndex >= 0) video = openDecoder(format->streams[videoIndex]);
  if (audioIndex >= 0) audio = openDecoder(format->streams[audioIndex]);
  if (!video) videoIndex = -1;
  if (!audio) audioIndex = -1;
  if (!video && !audio) return kErrCannotRender;
  for (unsigned i = 0; i < format->nb_streams; ++i) {
    const bool used = static_cast<int>(i) == videoIndex || static_cast<int>(i) == audioIndex;
    format->streams[i]->discard = used ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
  }
  return kErrNone;
}

// The origin is the first picture that comes out of the decoder; the end is
// found by decoding the tail (system streams) or counting pictures
// (elementary streams, whose time stamps the parser makes up).
int MediaFile::Impl::measureVideo() {
  AVStream* stream = format->streams[videoIndex];
  timeBase = stream->time_base;
  AVRational rate = av_guess_frame_rate(format.get(), stream, nullptr);
  if (rate.num <= 0 || rate.den <= 0) rate = AVRational{25, 1};
  frameTicks = std::max<std::int64_t>(1, av_rescale_q(1, av_inv_q(rate), timeBase));

  if (elementary) {
    std::int64_t pictures = 0;
    if (int error = indexElementaryVideo(pictures)) return error;
    originPts = keyPictures.front().displayIndex * frameTicks;
    endPts = pictures * frameTicks;
    return seekTo(AV_NOPTS_VALUE, videoIndex);
  }

  std::int64_t firstPts = 0;
  if (int error = decodePicture(firstPts)) return error == kEndOfStream ? kErrCannotRender : error;
  av_frame_unref(frame.get());
  originPts = firstPts;
  std::int64_t lastPicture = firstPts;
  const double estimate = format->duration > 0 ? format->duration / double(AV_TIME_BASE) : 0;
  if (estimate > kTailWindow) seekTo(ticks(estimate - kTailWindow), videoIndex);
  std::int64_t pts = 0;
  while (decodePicture(pts) == kErrNone) {
    lastPicture = std::max(lastPicture, pts);
    av_frame_unref(frame.get());
  }
  endPts = lastPicture + frameTicks;
  return seekTo(AV_NOPTS_VALUE, videoIndex);
}

// One pass over the packets (one picture each): the key pictures with their
// display places. A key picture's display place is its decoding place plus its
// temporal reference, since its group of pictures starts there in both orders.
int MediaFile::Impl::indexElementaryVideo(std::int64_t& pictures) {
  pictures = 0;
  while (av_read_frame(format.get(), packet.get()) >= 0) {
    if (packet->stream_index == videoIndex) {
      if (packet->flags & AV_PKT_FLAG_KEY) {
        keyPictures.push_back({packet->pos, pictures + temporalReference(packet.get())});
      }
      ++pictures;
    }
    av_packet_unref(packet.get());
  }
  return keyPictures.empty() ? kErrCannotRender : kErrNone;
}

int MediaFile::Impl::measureAudio() {
  AVStream* stream = format->streams[audioIndex];
  timeBase = stream->time_base;
  std::int64_t first = AV_NOPTS_VALUE;
  std::int64_t end = 0;
  std::int64_t running = 0;
  while (av_read_frame(format.get(), packet.get()) >= 0) {
    if (packet->stream_index == audioIndex) {
      std::int64_t pts = packet->pts != AV_NOPTS_VALUE ? packet->pts : running;
      if (first == AV_NOPTS_VALUE) first = pts;
      running = pts + packet->duration;
      end = std::max(end, running);
    }
    av_packet_unref(packet.get());
  }
  if (first == AV_NOPTS_VALUE) return kErrCannotRender;
  originPts = first;
  endPts = end;
  return seekTo(AV_NOPTS_VALUE, audioIndex);
}

// Moves the demuxer to the last key position at or before pts (the start of
// the file for AV_NOPTS_VALUE) and empties the decoders.
int MediaFile::Impl::seekTo(std::int64_t pts, int streamIndex) {
  if (elementary && streamIndex == videoIndex) return seekElementary(pts);
  int result = -1;
  if (pts != AV_NOPTS_VALUE && pts > originPts) {
    result = av_seek_frame(format.get(), streamIndex, pts, AVSEEK_FLAG_BACKWARD);
  }
  if (result < 0) result = av_seek_frame(format.get(), -1, 0, AVSEEK_FLAG_BYTE);
  if (result < 0) result = avformat_seek_file(format.get(), -1, INT64_MIN, 0, 0, 0);
  resetDecoders();
  return result < 0 ? kErrDecodeFailed : kErrNone;
}

// The last key picture shown at or before pts, found in the index.
int MediaFile::Impl::seekElementary(std::int64_t pts) {
  const std::int64_t index = pts == AV_NOPTS_VALUE ? 0 : pts / frameTicks;
  auto key = std::upper_bound(
      keyPictures.begin(), keyPictures.end(), index,
      [](std::int64_t wanted, const KeyPicture& entry) { return wanted < entry.displayIndex; });
  if (key != keyPictures.begin()) --key;
  const int result = av_seek_frame(format.get(), videoIndex, key->position, AVSEEK_FLAG_BYTE);
  resetDecoders();
  nextDisplayIndex = key->displayIndex;
  return result < 0 ? kErrDecodeFailed : kErrNone;
}

void MediaFile::Impl::resetDecoders() {
  if (video) avcodec_flush_buffers(video.get());
  if (audio) avcodec_flush_buffers(audio.get());
  drained = false;
  keySeen = false;
  lastPts = AV_NOPTS_VALUE;
  haveCurrent = false;
}

// Reads one packet and hands it to its decoder; audio PCM goes to the receiver.
// kEndOfStream once the file is read to its end (the video decoder is then
// drained).
int MediaFile::Impl::readPacket() {
  if (drained) return kEndOfStream;
  if (av_read_frame(format.get(), packet.get()) < 0) {
    drained = true;
    if (video) avcodec_send_packet(video.get(), nullptr);
    return kErrNone;
  }
  if (packet->stream_index == videoIndex && video) {
    avcodec_send_packet(video.get(), packet.get());  // a damaged picture is skipped
  } else if (packet->stream_index == audioIndex && audio) {
    decodeAudioPacket(packet.get());
  }
  av_packet_unref(packet.get());
  return kErrNone;
}

// Pictures decoded after a seek and before the first key picture lean on
// pictures that were never decoded; they are dropped.
int MediaFile::Impl::receivePicture() {
  for (;;) {
    int result = avcodec_receive_frame(video.get(), frame.get());
    if (result == 0) {
      if (!keySeen && !isKeyPicture(frame.get())) {
        av_frame_unref(frame.get());
        continue;
      }
      keySeen = true;
      return kErrNone;
    }
    if (result == AVERROR_EOF) return kEndOfStream;
    if (result != AVERROR(EAGAIN)) return kErrDecodeFailed;
    if (int read = readPacket()) return read;
  }
}

// The next picture in display order into `frame`, with its presentation time;
// pictures without one follow their predecessor by one period.
int MediaFile::Impl::decodePicture(std::int64_t& pts) {
  if (int error = receivePicture()) return error;
  if (elementary) {
    pts = nextDisplayIndex++ * frameTicks;
    return kErrNone;
  }
  std::int64_t stamp = frame->best_effort_timestamp;
  if (stamp == AV_NOPTS_VALUE) stamp = frame->pts;
  if (stamp == AV_NOPTS_VALUE || (lastPts != AV_NOPTS_VALUE && stamp <= lastPts)) {
    stamp = lastPts == AV_NOPTS_VALUE ? originPts : lastPts + frameTicks;
  }
  lastPts = stamp;
  pts = stamp;
  return kErrNone;
}

int MediaFile::Impl::toImage(QImage& out) {
  const int width = frame->width;
  const int height = frame->height;
  scaler.reset(sws_getCachedContext(scaler.release(), width, height,
                                    static_cast<AVPixelFormat>(frame->format), width, height,
                                    AV_PIX_FMT_RGB32, SWS_BICUBIC, nullptr, nullptr, nullptr));
  if (!scaler) return kErrDecodeFailed;
  QImage image(width, height, QImage::Format_RGB32);
  if (image.isNull()) return kErrOutOfMemory;
  uint8_t* planes[4] = {image.bits(), nullptr, nullptr, nullptr};
  int strides[4] = {static_cast<int>(image.bytesPerLine()), 0, 0, 0};
  sws_scale(scaler.get(), frame->data, frame->linesize, 0, height, planes, strides);
  av_frame_unref(frame.get());
  out = std::move(image);
  return kErrNone;
}

void MediaFile::Impl::decodeAudioPacket(const AVPacket* audioPacket) {
  if (avcodec_send_packet(audio.get(), audioPacket) < 0) return;
  while (avcodec_receive_frame(audio.get(), audioFrame.get()) == 0) {
    if (audioReceiver) deliverAudio(audioFrame.get());
    av_frame_unref(audioFrame.get());
  }
}

void MediaFile::Impl::deliverAudio(const AVFrame* decoded) {
  if (!resampler) {
    AVChannelLayout outLayout;
    av_channel_layout_default(&outLayout, audioFormat.channels);
    SwrContext* raw = nullptr;
    if (swr_alloc_set_opts2(&raw, &outLayout, AV_SAMPLE_FMT_S16, audioFormat.sampleRate,
                            const_cast<AVChannelLayout*>(&decoded->ch_layout),
                            static_cast<AVSampleFormat>(decoded->format), decoded->sample_rate, 0,
                            nullptr) < 0) {
      return;
    }
    resampler.reset(raw);
    if (swr_init(resampler.get()) < 0) {
      resampler.reset();
      return;
    }
  }
  const int capacity = swr_get_out_samples(resampler.get(), decoded->nb_samples);
  if (capacity <= 0) return;
  std::vector<std::int16_t> pcm(static_cast<size_t>(capacity) * audioFormat.channels);
  uint8_t* outPlanes[1] = {reinterpret_cast<uint8_t*>(pcm.data())};
  const int produced =
      swr_convert(resampler.get(), outPlanes, capacity,
                  const_cast<const uint8_t**>(decoded->extended_data), decoded->nb_samples);
  if (produced <= 0) return;
  std::int64_t pts = decoded->best_effort_timestamp;
  const AVRational audioBase = format->streams[audioIndex]->time_base;
  const double time = pts == AV_NOPTS_VALUE
                          ? -1
                          : (av_rescale_q(pts, audioBase, timeBase) - originPts) * av_q2d(timeBase);
  audioReceiver(time, pcm.data(), produced);
  audioDelivered = true;
}

bool MediaFile::hasVideo() const { return impl_->video != nullptr; }
bool MediaFile::hasAudio() const { return impl_->audio != nullptr; }
double MediaFile::length() const { return impl_->seconds(impl_->endPts); }
double MediaFile::framePeriod() const {
  return impl_->video ? impl_->frameTicks * av_q2d(impl_->timeBase) : 0;
}

// Decodes on from the present state until the picture whose interval holds
// target; kErrInvalidArgument when the first picture is already later.
int MediaFile::Impl::decodeUntil(std::int64_t target, VideoFrame& out) {
  bool first = true;
  for (;;) {
    std::int64_t pts = 0;
    int result = decodePicture(pts);
    if (result == kEndOfStream && haveCurrent) break;  // past the end: the last picture
    if (result) return result;
    if (first && pts > target && pts > originPts) return kErrInvalidArgument;
    first = false;
    if (int error = toImage(current.image)) return error;
    current.time = seconds(pts);
    current.duration = frameTicks * av_q2d(timeBase);
    currentPts = pts;
    haveCurrent = true;
    if (pts + frameTicks > target) break;
  }
  out = current;
  return kErrNone;
}

int MediaFile::seekVideo(double t, VideoFrame& out) {
  Impl& m = *impl_;
  if (!m.video) return kErrNoInterface;
  try {
    const std::int64_t target = std::clamp(m.ticks(t), m.originPts, m.endPts - 1);
    if (m.haveCurrent && m.currentPts <= target) {
      if (target < m.currentPts + m.frameTicks) {
        out = m.current;
        return kErrNone;
      }
      const double ahead = (target - m.currentPts) * av_q2d(m.timeBase);
      if (ahead < kDecodeAheadLimit) return m.decodeUntil(target, out);
    }
    double margin = kSeekMargin;
    for (;;) {
      const std::int64_t from = target - static_cast<std::int64_t>(margin / av_q2d(m.timeBase));
      const bool fromStart = from <= m.originPts;
      m.seekTo(fromStart ? AV_NOPTS_VALUE : from, m.videoIndex);
      int result = m.decodeUntil(target, out);
      if (result != kErrInvalidArgument || fromStart) return result;
      margin *= 2;
    }
  } catch (const std::bad_alloc&) {
    return kErrOutOfMemory;
  }
}

int MediaFile::nextVideo(VideoFrame& out) {
  Impl& m = *impl_;
  if (!m.video) return kErrNoInterface;
  try {
    if (!m.haveCurrent) return seekVideo(0, out);
    std::int64_t pts = 0;
    if (int result = m.decodePicture(pts)) return result;
    if (int error = m.toImage(m.current.image)) return error;
    m.current.time = m.seconds(pts);
    m.current.duration = m.frameTicks * av_q2d(m.timeBase);
    m.currentPts = pts;
    out = m.current;
    return kErrNone;
  } catch (const std::bad_alloc&) {
    return kErrOutOfMemory;
  }
}

int MediaFile::seekAudio(double t) {
  Impl& m = *impl_;
  if (!m.audio) return kErrNoInterface;
  const std::int64_t target = m.ticks(t);
  return m.seekTo(target > m.originPts ? target : AV_NOPTS_VALUE, m.audioIndex);
}

int MediaFile::nextAudio() {
  Impl& m = *impl_;
  if (!m.audio) return kErrNoInterface;
  try {
    m.audioDelivered = false;
    while (!m.audioDelivered) {
      if (int result = m.readPacket()) return result;
      if (m.drained) return kEndOfStream;
    }
    return kErrNone;
  } catch (const std::bad_alloc&) {
    return kErrOutOfMemory;
  }
}

void MediaFile::setAudioReceiver(AudioReceiver receiver, AudioFormat format) {
  impl_->audioReceiver = std::move(receiver);
  if (format.sampleRate != impl_->audioFormat.sampleRate ||
      format.channels != impl_->audioFormat.channels) {
    impl_->resampler.reset();
  }
  impl_->audioFormat = format;
}

int MediaFile::pictureNearOffset(std::int64_t offset, QImage& out) {
  Impl& m = *impl_;
  if (!m.video) return kErrCannotRender;
  try {
    for (std::int64_t from : {offset, std::int64_t{0}}) {
      if (av_seek_frame(m.format.get(), -1, std::max<std::int64_t>(from, 0), AVSEEK_FLAG_BYTE) <
          0) {
        continue;
      }
      m.resetDecoders();
      std::int64_t pts = 0;
      if (m.decodePicture(pts) == kErrNone) return m.toImage(out);
    }
    return kErrDecodeFailed;
  } catch (const std::bad_alloc&) {
    return kErrOutOfMemory;
  }
}

}  // namespace cw::player
