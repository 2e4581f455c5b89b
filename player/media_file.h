// One MPEG file opened for decoding with FFmpeg: its video stream decoded to
// pictures at exact display times, its audio stream to 16-bit PCM. Times are
// seconds from the clip origin, the presentation time of the first picture in
// display order (of the first audio frame when there is no video).
//
// A MediaFile is used from one thread at a time.
#pragma once

#include <QImage>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace cw::player {

inline constexpr int kEndOfStream = 1;

struct VideoFrame {
  double time = 0;      // start of the picture's display interval
  double duration = 0;  // length of that interval
  QImage image;         // RGB32 at the coded picture size
};

struct AudioFormat {
  int sampleRate = 44100;
  int channels = 2;  // samples are signed 16-bit, interleaved
};

// Receives the PCM decoded while packets are read: the time of its first
// sample and frameCount frames of interleaved samples.
using AudioReceiver = std::function<void(double time, const std::int16_t* samples, int frameCount)>;

class MediaFile {
 public:
  ~MediaFile();
  MediaFile(const MediaFile&) = delete;
  MediaFile& operator=(const MediaFile&) = delete;

  // 0, kErrFileNotFound, kErrCannotRender or kErrOutOfMemory.
  static int open(const std::string& path, std::unique_ptr<MediaFile>& out);

  bool hasVideo() const;
  bool hasAudio() const;
  double length() const;       // from the origin to the end of the last picture or frame
  double framePeriod() const;  // seconds per picture; 0 without video

  // Decodes the picture whose display interval contains t (the first or the
  // last picture for a t outside the clip).
  int seekVideo(double t, VideoFrame& out);
  // The picture after the last one decoded, or kEndOfStream.
  int nextVideo(VideoFrame& out);

  // Positions an audio-only file at t; nextAudio then delivers PCM from there.
  int seekAudio(double t);
  // Reads until some PCM has been delivered, or kEndOfStream.
  int nextAudio();

  // PCM of the audio stream is handed to the receiver while packets are read;
  // an empty receiver drops it.
  void setAudioReceiver(AudioReceiver receiver, AudioFormat format);

  // A picture found at or after a byte offset (the first picture when there is
  // none after it): for thumbnails.
  int pictureNearOffset(std::int64_t offset, QImage& out);

 private:
  struct Impl;
  explicit MediaFile(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace cw::player
