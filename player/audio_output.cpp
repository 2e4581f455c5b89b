#include "player/audio_output.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QMediaDevices>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace cw::player {
namespace {

constexpr long long kDriftFrames = 2;

}  // namespace

PcmQueue::PcmQueue(AudioFormat format) : format_(format) {
  open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

void PcmQueue::push(double time, const std::int16_t* samples, int frameCount) {
  std::lock_guard lock(mutex_);
  const size_t count = static_cast<size_t>(frameCount) * format_.channels;
  blocks_.push_back({time, std::vector<std::int16_t>(samples, samples + count)});
  queuedSamples_ += count;
}

void PcmQueue::restartAt(double time) {
  std::lock_guard lock(mutex_);
  blocks_.clear();
  readOffset_ = 0;
  queuedSamples_ = 0;
  streamTime_ = time;
}

double PcmQueue::bufferedSeconds() const {
  std::lock_guard lock(mutex_);
  return double(queuedSamples_ - readOffset_) / (format_.channels * format_.sampleRate);
}

qint64 PcmQueue::bytesAvailable() const {
  std::lock_guard lock(mutex_);
  return qint64(queuedSamples_ - readOffset_) * 2 + QIODevice::bytesAvailable();
}

void PcmQueue::advanceFront(size_t frameIndex) {
  Block& block = blocks_.front();
  if (frameIndex * format_.channels >= block.samples.size()) {
    queuedSamples_ -= block.samples.size();
    blocks_.pop_front();
    readOffset_ = 0;
  } else {
    readOffset_ = frameIndex * format_.channels;
  }
}

qint64 PcmQueue::readData(char* data, qint64 maxSize) {
  std::lock_guard lock(mutex_);
  const int channels = format_.channels;
  const double frameTime = 1.0 / format_.sampleRate;
  qint64 wanted = maxSize / (2 * channels);  // whole frames
  qint64 written = 0;
  auto* out = reinterpret_cast<std::int16_t*>(data);
  while (wanted > 0 && !blocks_.empty()) {
    const Block& block = blocks_.front();
    const size_t frames = block.samples.size() / channels;
    const size_t at = readOffset_ / channels;
    if (block.time >= 0) {
      const double time = block.time + at * frameTime;
      // Whole frames between the block and the stream, rounded: a gap is
      // filled with silence, late samples are skipped. Stamps that wander by
      // a frame or two are taken as they come.
      const long long offset = std::llround((time - streamTime_) / frameTime);
      if (offset > kDriftFrames) {
        const qint64 gap = std::min<qint64>(wanted, offset);
        std::memset(out + written * channels, 0, size_t(gap) * channels * 2);
        written += gap;
        wanted -= gap;
        streamTime_ += gap * frameTime;
        continue;
      }
      if (offset < -kDriftFrames) {
        advanceFront(at + std::min<size_t>(frames - at, size_t(-offset)));
        continue;
      }
    }
    const size_t take = std::min<size_t>(frames - at, size_t(wanted));
    std::memcpy(out + written * channels, block.samples.data() + at * channels,
                take * channels * 2);
    written += qint64(take);
    wanted -= qint64(take);
    streamTime_ += take * frameTime;
    advanceFront(at + take);
  }
  return written * 2 * channels;
}

std::unique_ptr<AudioOutput> AudioOutput::createForDefaultDevice() {
  const QAudioDevice device = QMediaDevices::defaultAudioOutput();
  if (device.isNull()) return nullptr;
  QAudioFormat format;
  format.setSampleRate(
      device.preferredFormat().sampleRate() > 0 ? device.preferredFormat().sampleRate() : 44100);
  format.setChannelCount(2);
  format.setSampleFormat(QAudioFormat::Int16);
  if (!device.isFormatSupported(format)) return nullptr;
  std::unique_ptr<AudioOutput> output(new AudioOutput);
  output->format_ = AudioFormat{format.sampleRate(), 2};
  output->queue_ = std::make_unique<PcmQueue>(output->format_);
  output->sink_ = std::make_unique<QAudioSink>(device, format);
  return output;
}

AudioOutput::~AudioOutput() {
  if (sink_) sink_->stop();
}

void AudioOutput::start(double time) {
  queue_->restartAt(time);
  if (started_) sink_->reset();
  sink_->start(queue_.get());
  started_ = true;
}

void AudioOutput::resume() {
  if (started_) sink_->resume();
}

void AudioOutput::suspend() {
  if (started_) sink_->suspend();
}

void AudioOutput::stop() {
  if (started_) sink_->stop();
  started_ = false;
}

}  // namespace cw::player
