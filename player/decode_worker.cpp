#include "player/decode_worker.h"

#include <future>
#include <new>

#include "player/player_errors.h"

namespace cw::player {

DecodeWorker::DecodeWorker(std::function<bool()> fill)
    : fill_(std::move(fill)), thread_([this] { loop(); }) {}

DecodeWorker::~DecodeWorker() {
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
  }
  signal_.notify_all();
  thread_.join();
}

int DecodeWorker::call(const std::function<int()>& job) {
  std::promise<int> result;
  std::future<int> done = result.get_future();
  {
    std::lock_guard lock(mutex_);
    jobs_.push_back([&] {
      try {
        result.set_value(job());
      } catch (const std::bad_alloc&) {
        result.set_value(kErrOutOfMemory);
      }
    });
  }
  signal_.notify_all();
  return done.get();
}

void DecodeWorker::setFilling(bool on) {
  {
    std::lock_guard lock(mutex_);
    filling_ = on;
    woken_ = on;
  }
  signal_.notify_all();
}

void DecodeWorker::wake() {
  {
    std::lock_guard lock(mutex_);
    woken_ = true;
  }
  signal_.notify_all();
}

void DecodeWorker::loop() {
  std::unique_lock lock(mutex_);
  for (;;) {
    signal_.wait(lock, [this] { return quit_ || !jobs_.empty() || (filling_ && woken_); });
    if (quit_) return;
    if (!jobs_.empty()) {
      std::function<void()> job = std::move(jobs_.front());
      jobs_.pop_front();
      lock.unlock();
      job();
      lock.lock();
      continue;
    }
    woken_ = false;
    lock.unlock();
    bool more = false;
    try {
      more = fill_();
    } catch (const std::bad_alloc&) {
      more = false;
    }
    lock.lock();
    if (more) woken_ = true;
  }
}

}  // namespace cw::player
