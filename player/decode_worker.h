// The thread that decodes. Jobs sent with call() run there one at a time and
// the caller waits for their result; between jobs, while filling is on, the
// thread keeps calling the fill step (decode ahead) until it reports that there
// is nothing to do, and then sleeps until wake() or the next job.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace cw::player {

class DecodeWorker {
 public:
  // fill returns false when it has nothing to do until woken.
  explicit DecodeWorker(std::function<bool()> fill);
  ~DecodeWorker();
  DecodeWorker(const DecodeWorker&) = delete;
  DecodeWorker& operator=(const DecodeWorker&) = delete;

  // Runs job on the decoding thread and returns its result.
  int call(const std::function<int()>& job);
  void setFilling(bool on);
  void wake();

 private:
  void loop();

  std::function<bool()> fill_;
  std::mutex mutex_;
  std::condition_variable signal_;
  std::deque<std::function<void()>> jobs_;
  bool filling_ = false;
  bool woken_ = false;
  bool quit_ = false;
  std::thread thread_;
};

}  // namespace cw::player
