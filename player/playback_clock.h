// The clock that playback follows: a position that advances with wall time at
// the playback rate while running and stops at the end of the clip.
#pragma once

#include <algorithm>
#include <chrono>

namespace cw::player {

class PlaybackClock {
 public:
  using Clock = std::chrono::steady_clock;

  double position() const {
    if (!running_) return base_;
    const std::chrono::duration<double> elapsed = Clock::now() - since_;
    return std::min(base_ + elapsed.count() * rate_, std::max(base_, end_));
  }
  bool running() const { return running_; }
  double rate() const { return rate_; }

  void start() {
    since_ = Clock::now();
    running_ = true;
  }
  void stop() {
    base_ = position();
    running_ = false;
  }
  void setPosition(double seconds) {
    base_ = seconds;
    since_ = Clock::now();
  }
  void setRate(double rate) {
    setPosition(position());
    rate_ = rate;
  }
  void setEnd(double seconds) { end_ = seconds; }

 private:
  double base_ = 0;
  double rate_ = 1;
  double end_ = 0;
  bool running_ = false;
  Clock::time_point since_ = Clock::now();
};

}  // namespace cw::player
