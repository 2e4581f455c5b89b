#include "player/ffmpeg_graph.h"

#include <algorithm>
#include <chrono>

#include "player/player_errors.h"

namespace cw::player {
namespace {

constexpr size_t kQueuedPictures = 12;       // decoded ahead of the clock
constexpr double kQueuedSoundSeconds = 1.0;  // sound-only files
constexpr int kPresentIntervalMs = 5;
constexpr double kTimeTolerance = 1e-6;  // below one tick of the system clock

}  // namespace

std::unique_ptr<MediaGraph> createFfmpegGraph() { return std::make_unique<FfmpegGraph>(); }

FfmpegGraph::FfmpegGraph() {
  presentTimer_.setTimerType(Qt::PreciseTimer);
  presentTimer_.setInterval(kPresentIntervalMs);
  QObject::connect(&presentTimer_, &QTimer::timeout, [this] { presentDue(); });
  worker_ = std::make_unique<DecodeWorker>([this] { return fillStep(); });
}

FfmpegGraph::~FfmpegGraph() {
  presentTimer_.stop();
  worker_.reset();
  if (audio_) audio_->stop();
  surface_.reset();
}

VideoWindow* FfmpegGraph::videoWindow() {
  return rendered_ && hasVideo_ ? static_cast<VideoWindow*>(this) : nullptr;
}

PlaybackStats FfmpegGraph::statistics() const {
  std::lock_guard lock(queueMutex_);
  return stats_;
}

// ---- media control ----

int FfmpegGraph::renderFile(const QString& path) {
  if (rendered_) return kErrCannotRender;  // one file per graph
  const std::string name = path.toStdString();
  if (int error = worker_->call([&] { return MediaFile::open(name, file_); })) return error;
  rendered_ = true;
  hasVideo_ = file_->hasVideo();
  length_ = file_->length();
  framePeriod_ = file_->framePeriod();
  clock_.setEnd(length_);
  clock_.setPosition(0);
  if (hasVideo_) {
    surface_ = std::make_unique<VideoSurface>(nullptr);
    surface_->hide();
  }
  if (file_->hasAudio()) audio_ = AudioOutput::createForDefaultDevice();
  if (audio_) {
    worker_->call([this] {
      file_->setAudioReceiver(
          [this](double time, const std::int16_t* samples, int count) {
            if (soundOn_) audio_->queue().push(time, samples, count);
          },
          audio_->format());
      return kErrNone;
    });
  }
  return kErrNone;
}

int FfmpegGraph::run() {
  if (!rendered_) return kErrObjectNotSet;
  if (playing_) return kErrNone;
  if (!pictureShown_) showPictureAt(clock_.position());
  playing_ = true;
  clock_.start();
  startSound();
  worker_->setFilling(true);
  presentTimer_.start();
  return kErrNone;
}

int FfmpegGraph::pause() {
  if (!rendered_) return kErrObjectNotSet;
  if (!playing_) return pictureShown_ ? kErrNone : showPictureAt(clock_.position());
  playing_ = false;
  clock_.stop();
  presentTimer_.stop();
  worker_->setFilling(false);
  soundOn_ = false;
  if (audio_) audio_->suspend();
  presentDue();
  const double position = clock_.position();
  const bool exact = position >= shown_.time - kTimeTolerance &&
                     position < shown_.time + shown_.duration - kTimeTolerance;
  return exact || !hasVideo_ ? kErrNone : showPictureAt(position);
}

int FfmpegGraph::stop() {
  const int result = pause();
  if (audio_) audio_->stop();
  soundFresh_ = true;
  return result;
}

bool FfmpegGraph::soundWanted() const { return audio_ && playing_ && clock_.rate() == 1.0; }

void FfmpegGraph::startSound() {
  if (!soundWanted()) return;
  if (soundFresh_) {
    audio_->start(clock_.position());
    soundFresh_ = false;
  } else {
    audio_->resume();
  }
  soundOn_ = true;
}

// ---- position ----

int FfmpegGraph::duration(double& seconds) const {
  if (!rendered_) return kErrObjectNotSet;
  seconds = length_;
  return kErrNone;
}

int FfmpegGraph::currentPosition(double& seconds) const {
  if (!rendered_) return kErrObjectNotSet;
  seconds = clock_.position();
  return kErrNone;
}

int FfmpegGraph::setCurrentPosition(double seconds) {
  if (!rendered_) return kErrObjectNotSet;
  const double position = std::clamp(seconds, 0.0, length_);
  if (playing_) worker_->setFilling(false);
  soundOn_ = false;
  clock_.setPosition(position);
  const int result = showPictureAt(position);
  soundFresh_ = true;
  if (playing_) {
    if (audio_) audio_->stop();
    startSound();
    worker_->setFilling(true);
  }
  return result;
}

int FfmpegGraph::setRate(double rate) {
  if (!rendered_) return kErrObjectNotSet;
  if (!(rate > 0)) return kErrInvalidArgument;
  clock_.setRate(rate);
  soundFresh_ = true;
  if (audio_) audio_->stop();
  soundOn_ = false;
  startSound();
  return kErrNone;
}

// Decodes the picture of a time on the decoding thread, drops what was decoded
// ahead and shows it.
int FfmpegGraph::showPictureAt(double seconds) {
  VideoFrame picture;
  const bool video = hasVideo_;
  const int result = worker_->call([&] {
    {
      std::lock_guard lock(queueMutex_);
      queue_.clear();
      queueEnded_ = false;
    }
    return video ? file_->seekVideo(seconds, picture) : file_->seekAudio(seconds);
  });
  if (result || !video) return result;
  shown_ = std::move(picture);
  pictureShown_ = true;
  if (surface_) surface_->setPicture(shown_.image);
  return kErrNone;
}

// ---- presentation ----

bool FfmpegGraph::fillStep() {
  if (!hasVideo_) {
    if (!audio_ || !soundOn_ || audio_->queue().bufferedSeconds() > kQueuedSoundSeconds) {
      return false;
    }
    return file_->nextAudio() == kErrNone;
  }
  {
    std::lock_guard lock(queueMutex_);
    if (queueEnded_ || queue_.size() >= kQueuedPictures) return false;
  }
  VideoFrame picture;
  const auto started = std::chrono::steady_clock::now();
  const int result = file_->nextVideo(picture);
  const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - started;
  std::lock_guard lock(queueMutex_);
  if (result) {
    queueEnded_ = true;
    return false;
  }
  stats_.picturesDecoded++;
  stats_.decodeSeconds += spent.count();
  queue_.push_back(std::move(picture));
  return true;
}

// Shows the last queued picture that is due at the clock's position.
void FfmpegGraph::presentDue() {
  if (!hasVideo_) return;
  const double position = clock_.position();
  bool found = false;
  VideoFrame due;
  {
    std::lock_guard lock(queueMutex_);
    while (!queue_.empty() && queue_.front().time <= position + kTimeTolerance) {
      if (found) stats_.picturesSkipped++;
      due = std::move(queue_.front());
      queue_.pop_front();
      found = true;
    }
    if (found) {
      stats_.picturesShown++;
    } else if (queue_.empty() && !queueEnded_ &&
               position >= shown_.time + shown_.duration + kTimeTolerance) {
      stats_.lateTicks++;
    }
  }
  if (!found) return;
  worker_->wake();
  shown_ = std::move(due);
  if (surface_) surface_->setPicture(shown_.image);
}

// ---- video window ----

int FfmpegGraph::setVisible(bool visible) {
  if (!surface_) return kErrNoInterface;
  if (!surface_->isFullScreenMode()) surface_->setVisible(visible);
  return kErrNone;
}

int FfmpegGraph::setWindowStyle(long) { return surface_ ? kErrNone : kErrNoInterface; }

int FfmpegGraph::setGeometry(int left, int top, int width, int height) {
  if (!surface_) return kErrNoInterface;
  surface_->setGeometry(left, top, std::max(width, 0), std::max(height, 0));
  return kErrNone;
}

int FfmpegGraph::setOwner(QWidget* owner) {
  if (!surface_) return kErrNoInterface;
  surface_->attachTo(owner);
  return kErrNone;
}

int FfmpegGraph::setMessageDrain(QWidget*) {
  // The video window lets mouse input through to the widget beneath it.
  return surface_ ? kErrNone : kErrNoInterface;
}

int FfmpegGraph::setWindowForeground(bool) {
  if (!surface_) return kErrNoInterface;
  surface_->raise();
  return kErrNone;
}

int FfmpegGraph::setFullScreenMode(bool fullScreen) {
  if (!surface_) return kErrNoInterface;
  if (fullScreen) {
    surface_->enterFullScreen();
  } else {
    surface_->leaveFullScreen();
  }
  return kErrNone;
}

QImage FfmpegGraph::currentPicture() const { return surface_ ? surface_->picture() : QImage(); }

}  // namespace cw::player
