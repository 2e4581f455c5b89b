#include <string>

#include "engine/edit/check_es.h"

namespace cw {
namespace {

// An MPEG-1 audio header (the ID bit set) that the frames can be followed by.
bool usableHeader(const std::uint8_t* h, mpeg1::AudioHeader& out) {
  if (h[0] != 0xFF || (h[1] & 0xF8) != 0xF8) return false;
  return mpeg1::decodeAudioHeader(h, out) == 0;
}

int frameBytes(const mpeg1::AudioHeader& a) {
  return a.frameLength + (a.padding ? a.paddingSize : 0);
}

}  // namespace

double AudioCheck::timeOf() const {
  if (seconds_ >= 0.0) return seconds_;
  return static_cast<double>(frames_) * period_ / mpeg1::kClock;
}

void AudioCheck::problem(CheckKind kind, std::int64_t esOffset, const std::string& text) {
  report_.add(kind, place_.fileOffsetOf(esOffset), timeOf(), streamName(streamId_) + ": " + text);
}

void AudioCheck::feed(const std::uint8_t* data, std::size_t size, std::int64_t fileOffset,
                      double seconds) {
  seconds_ = seconds;
  const std::int64_t start = place_.length();
  place_.feed(static_cast<std::int64_t>(size), fileOffset);
  if (stopped_) return;
  for (std::size_t i = 0; i < size; ++i) {
    last4_[0] = last4_[1];
    last4_[1] = last4_[2];
    last4_[2] = last4_[3];
    last4_[3] = data[i];
    const std::int64_t at = start + static_cast<std::int64_t>(i) - 3;
    if (at < 0 || (synced_ && at != nextFrame_)) continue;
    candidate(at);
    if (stopped_) return;
  }
}

void AudioCheck::candidate(std::int64_t at) {
  mpeg1::AudioHeader h;
  const bool usable = usableHeader(last4_, h);
  if (!usable) {
    if (synced_) {
      synced_ = false;
      problem(CheckKind::Sound, at, "audio frame sync lost");
    }
    return;
  }
  if (h.kbps == 0) {
    problem(CheckKind::Sound, at, "free-format audio frames cannot be followed");
    stopped_ = true;
    return;
  }
  if (first_.layer == 0) {
    first_ = h;
    std::copy(last4_, last4_ + 4, firstBytes_);
    period_ = static_cast<double>(h.samplesPerFrame) * mpeg1::kClock / h.sampleRate;
    if (at > 0)
      problem(CheckKind::Sound, at, std::to_string(at) + " bytes before the first audio frame");
  } else if (h.layer != first_.layer || h.sampleRate != first_.sampleRate) {
    problem(CheckKind::Sound, at, "audio layer or sampling frequency changes");
  }
  synced_ = true;
  frameStart_ = at;
  nextFrame_ = at + frameBytes(h);
  units.push_back({at, at});
  ++frames_;
}

void AudioCheck::finish(double seconds) {
  seconds_ = seconds;
  const std::int64_t end = place_.length();
  if (stopped_) return;
  if (frames_ == 0) {
    problem(CheckKind::Sound, 0, "no MPEG-1 audio frame");
    return;
  }
  if (synced_ && nextFrame_ > end)
    problem(CheckKind::Sound, frameStart_,
            "last audio frame cut short: " + std::to_string(end - frameStart_) + " bytes of " +
                std::to_string(nextFrame_ - frameStart_));
}

}  // namespace cw
