// Sound for playback: PCM blocks from the decoding thread wait in a queue that
// the default audio device drains through a QAudioSink. Without an audio device
// there is no AudioOutput and playback runs on the clock alone.
#pragma once

#include <QIODevice>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "player/media_file.h"

class QAudioSink;

namespace cw::player {

// Thread-safe queue of timed PCM blocks, read as one byte stream.
class PcmQueue : public QIODevice {
  Q_OBJECT
 public:
  explicit PcmQueue(AudioFormat format);

  // From the decoding thread.
  void push(double time, const std::int16_t* samples, int frameCount);
  // Drops everything and makes the stream begin at `time`: earlier samples are
  // skipped, a gap before the first block is filled with silence.
  void restartAt(double time);
  double bufferedSeconds() const;

  bool isSequential() const override { return true; }
  qint64 bytesAvailable() const override;

 protected:
  qint64 readData(char* data, qint64 maxSize) override;
  qint64 writeData(const char*, qint64) override { return -1; }

 private:
  void advanceFront(size_t frameIndex);

  struct Block {
    double time;
    std::vector<std::int16_t> samples;
  };
  AudioFormat format_;
  mutable std::mutex mutex_;
  std::deque<Block> blocks_;
  size_t readOffset_ = 0;  // samples already read from the front block
  double streamTime_ = 0;  // time of the next sample the device reads
  size_t queuedSamples_ = 0;
};

class AudioOutput {
 public:
  // nullptr when there is no audio device.
  static std::unique_ptr<AudioOutput> createForDefaultDevice();
  ~AudioOutput();

  AudioFormat format() const { return format_; }
  PcmQueue& queue() { return *queue_; }
  // Plays from `time`, dropping what was queued.
  void start(double time);
  void suspend();
  void resume();  // after suspend, from where it stopped
  void stop();

 private:
  AudioOutput() = default;
  AudioFormat format_;
  std::unique_ptr<PcmQueue> queue_;
  std::unique_ptr<QAudioSink> sink_;
  bool started_ = false;
};

}  // namespace cw::player
